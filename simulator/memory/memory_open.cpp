// Opening a fiscal memory: judging the file from its bytes before anything may
// write to it, then taking it up for a printer or reading it for a report.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "simulator/memory/fiscal_memory.h"
#include "simulator/memory/memory_schema.h"
#include "simulator/memory/sqlite_file.h"

namespace sim {
namespace {

// A report holds the file for the moment it reads it; a starting printer
// waits that out for at most this long.
constexpr std::chrono::milliseconds kLockWait{1000};
constexpr std::chrono::milliseconds kLockPoll{10};

// SQLite's companions of a database file: its log, its index, its journal.
constexpr const char* kCompanions[] = {"-wal", "-shm", "-journal"};

std::string systemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// "not writable: WHAT (the system's reason)".
std::string notWritable(const std::string& what) {
  return "not writable" + (what.empty() ? "" : ": " + what) + " (" + std::strerror(errno) + ")";
}

// Why a file SQLite would read as `look` is not a fiscal memory of this
// version, or empty when it is one.
std::string whyNotOurs(const SqliteLook& look) {
  switch (look.kind) {
    case SqliteLook::Kind::kEmpty:
      return "not a fiscal memory file (an empty file)";
    case SqliteLook::Kind::kNotSqlite:
      return "not a fiscal memory file (not a SQLite file)";
    case SqliteLook::Kind::kSqlite:
      break;
  }
  if (look.applicationId != static_cast<std::uint32_t>(schema::kApplicationId)) {
    return "not a fiscal memory file (another program's SQLite database)";
  }
  if (look.userVersion < static_cast<std::uint32_t>(schema::kOldestTakenUp) ||
      look.userVersion > static_cast<std::uint32_t>(schema::kVersion)) {
    return "a fiscal memory of another version (" + std::to_string(look.userVersion) +
           "; this simulator keeps version " + std::to_string(schema::kVersion) +
           " and takes up version " + std::to_string(schema::kOldestTakenUp) + ")";
  }
  if (look.logMisfits) return "damaged fiscal memory (its write-ahead log does not fit the file)";
  if (look.logDamagedFrame != 0) {
    return "damaged fiscal memory (frame " + std::to_string(look.logDamagedFrame) +
           " of its write-ahead log is damaged, and what was committed after it would be lost)";
  }
  return {};
}

std::optional<std::int64_t> singleInteger(sql::Database& db, const char* query) {
  sql::Statement& statement = db.statement(query);
  if (!statement.step()) return std::nullopt;
  const std::int64_t value = statement.integer(0);
  statement.reset();
  return value;
}

using Columns = std::set<std::pair<std::string, std::string>>;

// Every column of every table of `db`, as (table, column).
Columns columnsOf(sql::Database& db) {
  sql::Statement& query = db.statement(
      "SELECT m.name, c.name FROM sqlite_master AS m, pragma_table_info(m.name) AS c "
      "WHERE m.type = 'table'");
  Columns columns;
  while (query.step()) columns.emplace(query.text(0), query.text(1));
  query.reset();
  return columns;
}

// What a memory of `version` must hold and `db` lacks: "table T is missing",
// "column T.C is missing", or empty. The tables are those the schema makes.
std::string whatIsMissing(sql::Database& db, std::uint32_t version) {
  std::string error;
  std::optional<sql::Database> model =
      sql::Database::open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, error);
  if (!model || !model->execute(schema::kCreate) ||
      (version >= 2 && !model->execute(schema::kFromVersion1))) {
    return "its tables cannot be checked: " + (model ? model->error() : error);
  }
  const Columns has = columnsOf(db);
  for (const auto& [table, column] : columnsOf(*model)) {
    if (has.contains({table, column})) continue;
    const auto inTable = has.lower_bound({table, ""});
    if (inTable == has.end() || inTable->first != table) return "table " + table + " is missing";
    return "column " + table + "." + column + " is missing";
  }
  return {};
}

// Why the contents of a fiscal memory of `version` cannot serve, or empty
// when they can.
std::string whyDamaged(sql::Database& db, std::uint32_t version) {
  sql::Statement& check = db.statement("PRAGMA quick_check");
  const bool intact = check.step() && check.text(0) == "ok";
  const std::string failure = check.ok() ? "" : db.error();
  check.reset();
  if (!failure.empty()) return "damaged fiscal memory (unreadable: " + failure + ")";
  if (!intact) return "damaged fiscal memory (the integrity check fails)";
  if (const std::string missing = whatIsMissing(db, version); !missing.empty()) {
    return "damaged fiscal memory (" + missing + ")";
  }
  for (const char* query : {"SELECT COUNT(*) FROM printer", "SELECT COUNT(*) FROM counters",
                            "SELECT COUNT(*) FROM day"}) {
    if (singleInteger(db, query) != 1) return "damaged fiscal memory (a table is missing or empty)";
  }
  if (version >= 2 && singleInteger(db, "SELECT COUNT(*) FROM clock") != 1) {
    return "damaged fiscal memory (a table is missing or empty)";
  }
  return {};
}

// Reads the database at rest into `image` and opens it there: nothing can
// write to the file or its companions through this connection.
std::optional<sql::Database> openAtRest(int fd, const std::string& path,
                                        std::vector<std::uint8_t>& image, std::string& error) {
  std::optional<std::vector<std::uint8_t>> read = readSqliteImage(fd, path + "-wal", error);
  if (!read) return std::nullopt;
  image = std::move(*read);
  return sql::Database::openImage(image, error);
}

// Why a printer could not write the memory, or empty: the file, the
// companions already beside it, and its folder, where SQLite makes and
// removes its log and index.
std::string whyNotWritable(const std::string& path) {
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    return notWritable("");
  }
  for (const char* suffix : kCompanions) {
    const std::string companion = path + suffix;
    if (::faccessat(AT_FDCWD, companion.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT) {
      return notWritable(companion);
    }
  }
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    return notWritable("its folder " + folder);
  }
  return {};
}

// Takes the printer's lock on the file (separate from SQLite's own record
// locks: it says that a printer is using the file).
bool lockForPrinter(int fd, std::string& error) {
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {
      error = systemError("cannot lock");
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      error = "in use by another simulator";
      return false;
    }
    std::this_thread::sleep_for(kLockPoll);
  }
  return true;
}

std::string newSerial() {
  std::random_device random;
  std::uniform_int_distribution<int> digit(0, 9);
  std::string serial = "VIR";
  for (int i = 0; i < 8; ++i) serial += static_cast<char>('0' + digit(random));
  return serial;
}

// Writes the tables of a new memory: those of version 1, brought up to the
// current version as an older file is. Run before the log is switched on, so
// that the file's own header carries the application id and the version.
bool createTables(sql::Database& db) {
  if (!db.execute("BEGIN IMMEDIATE")) return false;
  const std::string pragmas = "PRAGMA application_id = " + std::to_string(schema::kApplicationId) +
                              "; PRAGMA user_version = 1;";
  const std::string now = timestampNow();
  const bool created = db.execute(pragmas.c_str()) && db.execute(schema::kCreate) &&
                       db.execute(schema::kFromVersion1) &&
                       db.statement("INSERT INTO printer VALUES (1, ?1, ?2, ?3, ?4, 0, ?4)")
                           .bind(1, std::string_view("IMPRESOR FISCAL VIRTUAL"))
                           .bind(2, std::string_view("1.0"))
                           .bind(3, std::string_view(newSerial()))
                           .bind(4, std::string_view(now))
                           .run() &&
                       db.execute("COMMIT");
  if (!created) db.execute("ROLLBACK");
  return created;
}

bool setWriteAheadLog(sql::Database& db) {
  sql::Statement& mode = db.statement("PRAGMA journal_mode = WAL");
  const bool set = mode.step() && mode.text(0) == "wal";
  mode.reset();
  return set;
}

void removeCreated(const std::string& path) {
  ::unlink(path.c_str());
  for (const char* suffix : kCompanions) ::unlink((path + suffix).c_str());
}

// A file descriptor closed on every way out unless released.
struct HeldDescriptor {
  int fd;
  ~HeldDescriptor() {
    if (fd >= 0) ::close(fd);
  }
  int release() { return std::exchange(fd, -1); }
};

}  // namespace

// Brings a memory of version 1 up to the current version in one transaction.
bool takeUp(sql::Database& db, std::uint32_t version) {
  if (version >= static_cast<std::uint32_t>(schema::kVersion)) return true;
  if (!db.execute("BEGIN IMMEDIATE")) return false;
  if (db.execute(schema::kFromVersion1) && db.execute("COMMIT")) return true;
  db.execute("ROLLBACK");
  return false;
}

std::unique_ptr<FiscalMemory> FiscalMemory::start(sql::Database database, int lockFd, Sync sync,
                                                  std::optional<std::uint32_t> version,
                                                  std::string& error) {
  const std::string synchronous =
      std::string("PRAGMA synchronous = ") + (sync == Sync::kOnCommit ? "FULL" : "NORMAL");
  if ((!version && !createTables(database)) || !setWriteAheadLog(database) ||
      (version && !takeUp(database, *version)) || !database.execute(synchronous.c_str()) ||
      !database.execute("PRAGMA busy_timeout = 1000")) {
    error = "cannot write: " + database.error();
    ::close(lockFd);
    return nullptr;
  }
  std::unique_ptr<FiscalMemory> memory(new FiscalMemory(std::move(database), lockFd));
  if (!memory->recordPowerOn() || !memory->load()) {
    error = "cannot write: " + memory->error();
    return nullptr;
  }
  return memory;
}

std::unique_ptr<FiscalMemory> FiscalMemory::open(const std::string& path, Sync sync,
                                                 std::string& error) {
  struct stat info {};
  const bool existed = ::stat(path.c_str(), &info) == 0;
  if (existed && !S_ISREG(info.st_mode)) {
    error = "not a regular file";
    return nullptr;
  }
  // A new memory is never made through a link: its place would be the link's.
  if (struct stat link{}; !existed && ::lstat(path.c_str(), &link) == 0) {
    error = "a symbolic link to a file that does not exist (a new memory is not made through it)";
    return nullptr;
  }
  const bool fresh = !existed || info.st_size == 0;
  if (fresh) {
    // A log or journal without its database belongs to another one: SQLite
    // would take it up or delete it.
    for (const char* suffix : kCompanions) {
      if (struct stat companion{}; ::lstat((path + suffix).c_str(), &companion) == 0) {
        error = "not a fiscal memory file (" + path + suffix + " lies beside an empty file)";
        return nullptr;
      }
    }
  }
  // An existing file is read only until it has been judged.
  const int flags = fresh ? O_RDWR | O_CREAT | (existed ? 0 : O_EXCL) : O_RDONLY;
  HeldDescriptor fd{::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, 0600)};
  if (fd.fd < 0) {
    error = !existed ? notWritable("cannot create it")
            : fresh  ? notWritable("")
                     : systemError("cannot read");
    return nullptr;
  }
  const auto fail = [&](std::string message) -> std::unique_ptr<FiscalMemory> {
    error = std::move(message);
    if (!existed) removeCreated(path);
    return nullptr;
  };
  if (!lockForPrinter(fd.fd, error)) return fail(error);
  std::optional<std::uint32_t> version;  // of an existing file
  if (!fresh) {
    const std::optional<SqliteLook> look = lookAtSqlite(fd.fd, path + "-wal", error);
    if (!look) return fail(error);
    if (std::string why = whyNotOurs(*look); !why.empty()) return fail(why);
    version = look->userVersion;
  }
  if (std::string why = whyNotWritable(path); !why.empty()) return fail(why);
  // An empty file someone made is taken up as a new memory: private, as one
  // this start creates.
  if (fresh && existed && ::fchmod(fd.fd, 0600) != 0)
    return fail(notWritable("cannot make it private"));
  if (!fresh) {
    std::vector<std::uint8_t> image;
    std::optional<sql::Database> atRest = openAtRest(fd.fd, path, image, error);
    if (!atRest) return fail("cannot read: " + error);
    if (std::string why = whyDamaged(*atRest, *version); !why.empty()) return fail(why);
  }
  std::optional<sql::Database> db =
      sql::Database::open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, error);
  if (!db) return fail("cannot open: " + error);
  std::unique_ptr<FiscalMemory> memory = start(std::move(*db), fd.release(), sync, version, error);
  if (!memory) return fail(error);
  return memory;
}

std::unique_ptr<FiscalMemory> FiscalMemory::openForReading(const std::string& path,
                                                           std::string& error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error = systemError("cannot open");
    return nullptr;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "not a regular file";
    return nullptr;
  }
  HeldDescriptor fd{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)};
  if (fd.fd < 0) {
    error = systemError("cannot read");
    return nullptr;
  }
  // With no printer on it, it is held shared while it is read, so that none
  // starts meanwhile; a printer's lock means it is read alongside instead.
  const bool atRest = ::flock(fd.fd, LOCK_SH | LOCK_NB) == 0 || errno != EWOULDBLOCK;
  const std::optional<SqliteLook> look = lookAtSqlite(fd.fd, path + "-wal", error);
  if (!look) return nullptr;
  if (std::string why = whyNotOurs(*look); !why.empty()) {
    error = why;
    return nullptr;
  }
  std::vector<std::uint8_t> image;
  const auto openDatabase = [&]() -> std::optional<sql::Database> {
    if (atRest) return openAtRest(fd.fd, path, image, error);
    // Closed first: closing a descriptor of the file would drop the record
    // locks SQLite takes on it.
    ::close(fd.release());
    return sql::Database::open(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, error);
  };
  std::optional<sql::Database> db = openDatabase();
  if (!db) {
    error = "cannot read: " + error;
    return nullptr;
  }
  if (!atRest) db->execute("PRAGMA busy_timeout = 1000");
  if (std::string why = whyDamaged(*db, look->userVersion); !why.empty()) {
    error = why;
    return nullptr;
  }
  return std::unique_ptr<FiscalMemory>(new FiscalMemory(std::move(*db), -1, std::move(image)));
}

}  // namespace sim
