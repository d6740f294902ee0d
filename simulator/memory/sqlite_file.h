// A SQLite database read from its bytes alone: the file and its write-ahead
// log (FILE-wal), taken the way SQLite itself would take them, but without
// SQLite and without writing anything: not the file, not the log, not the
// shared-memory index (FILE-shm). So a file can be judged before anything may
// change it, and read where nothing can be written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// What the first bytes of a file say.
struct SqliteLook {
  enum class Kind { kEmpty, kNotSqlite, kSqlite };
  Kind kind = Kind::kEmpty;
  // kSqlite: from the newest committed copy of the first page (in the log
  // when the log has one, else in the file).
  std::uint32_t applicationId = 0;  // header offset 68
  std::uint32_t userVersion = 0;    // header offset 60
  bool logUnmerged = false;         // the log holds committed pages
  bool logMisfits = false;          // the log is intact but of another page size
  // From 1: a frame of the log is damaged while frames written after it hold
  // (damage in place, not a write cut short); 0 when there is none.
  std::uint32_t logDamagedFrame = 0;
};

// Looks at the database open on `fd` and at `logPath`. Nothing when a read
// fails (`error` says why).
std::optional<SqliteLook> lookAtSqlite(int fd, const std::string& logPath, std::string& error);

// The whole database as SQLite would read it: the file with the log's
// committed pages put in, marked as a database without a log (an image for
// sqlite3_deserialize). Nothing when a read fails or memory runs out.
std::optional<std::vector<std::uint8_t>> readSqliteImage(int fd, const std::string& logPath,
                                                         std::string& error);

}  // namespace sim
