// Memory files as the simulator process finds them on disk: ones it may only
// read (a read-only mount, a copy of another owner, a folder it cannot
// write) and ones it must refuse (another program's, another version,
// damaged, in use). Reading writes nothing, a refusal names its reason, and
// every file of the folder stays byte for byte as it was.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "simulator/model/return_code.h"
#include "tests/simulator/memory_fixture.h"
#include "tests/simulator/raw_host.h"
#include "tests/simulator/simulator_process.h"

namespace sim_test {
namespace {

namespace fs = std::filesystem;

using Bytes = std::map<std::string, std::string>;

// Every file of `folder` with its bytes.
Bytes folderBytes(const fs::path& folder) {
  Bytes files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    files[entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

// Runs `sql` on `path` in a child that ends without closing the database, so
// that what it wrote stays in the write-ahead log, not merged, beside its index.
void leaveInLog(const std::string& path, const std::string& sql) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    sqlite3* db = nullptr;
    const bool done = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                      sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    ::_exit(done ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << sql;
}

// Merges the log of `path` into it and removes it.
void merge(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

class MemoryFilesTest : public ::testing::Test {
 protected:
  // A memory with one ticket and one Z, its log not merged (the printer was killed).
  void SetUp() override {
    fs::create_directory(source_);
    SimulatorProcess printer({"--memory", memoryIn(source_), "--z-ms", "0"});
    ASSERT_TRUE(printer.started());
    RawHost host(printer.port());
    std::uint8_t sequence = 1;
    for (const Button& button :
         {kHello, kTicketOpen, kTicketItem, kTicketPayment, kTicketClose, kClosingZ}) {
      ASSERT_EQ(readReply(host.exchange(frameFor(sequence++, button))).returnCode, 0);
    }
    ASSERT_EQ(printer.stop(SIGKILL), 128 + SIGKILL);
    ASSERT_TRUE(fs::exists(source_ / "m.db-wal"));
  }

  static std::string memoryIn(const fs::path& folder) { return (folder / "m.db").string(); }

  // A copy of the memory folder, named `name`.
  fs::path copyOfMemory(const std::string& name) {
    const fs::path folder = directory_.file(name);
    fs::copy(source_, folder);
    return folder;
  }

  MemoryDirectory directory_;
  fs::path source_ = directory_.file("source");
};

// How the simulator is run on a folder: by the test's own user, by another
// user (nobody, when the test runs as root, which passes every permission), or
// on a read-only bind mount of the folder in a mount namespace of its own.
enum class Runner { kSelf, kOtherUser, kReadOnlyMount };

Finished runAs(Runner runner, const fs::path& folder, const std::vector<std::string>& args) {
  std::vector<std::string> all;
  std::string program = SIMULATOR_PATH;
  if (runner == Runner::kOtherUser && ::geteuid() == 0) {
    program = "/usr/bin/setpriv";
    all = {"--reuid=65534", "--regid=65534", "--clear-groups", SIMULATOR_PATH};
  } else if (runner == Runner::kReadOnlyMount) {
    program = "/usr/bin/unshare";
    if (::geteuid() != 0) all.push_back("--map-root-user");
    all.insert(all.end(), {"--mount", "sh", "-c", "mount --bind -o ro \"$0\" \"$0\" && exec \"$@\"",
                           folder.string(), SIMULATOR_PATH});
  }
  all.insert(all.end(), args.begin(), args.end());
  return runToEnd(program, all, 5'000);
}

// A memory that can be read but not written: report and journal read it (its
// unmerged log included), the printer refuses to start with the real reason,
// and nothing of the folder changes.
TEST_F(MemoryFilesTest, AReadOnlyOrForeignOwnedMemoryIsReadAndRefusedForPrintingWithTheReason) {
  struct Row {
    const char* name;
    Runner runner;
    fs::perms files;
    fs::perms folder;
    bool withoutIndex;  // copied without its -shm
    bool otherOwner;    // needs a file owned by someone else than the caller
    const char* refusal;
  };
  using P = fs::perms;
  const P rw = P::owner_read | P::owner_write;
  const P r = P::owner_read | P::group_read | P::others_read;
  const P all = P::owner_all | P::group_all | P::others_all;
  const P readAndEnter = P::owner_read | P::owner_exec | P::group_read | P::group_exec |
                         P::others_read | P::others_exec;
  const std::vector<Row> rows = {
      {"a read-only mount, the copy without its -shm", Runner::kReadOnlyMount, rw, P::owner_all,
       true, false, "not writable (Read-only file system)"},
      {"a read-only mount, with its -shm", Runner::kReadOnlyMount, rw, P::owner_all, false, false,
       "not writable (Read-only file system)"},
      {"a 0444 copy", Runner::kOtherUser, r, all, false, false, "not writable (Permission denied)"},
      {"a 0644 copy of another owner", Runner::kOtherUser, r | P::owner_write, all, false, true,
       "not writable (Permission denied)"},
      {"a folder that cannot be written", Runner::kOtherUser,
       all & ~(P::owner_exec | P::group_exec | P::others_exec), readAndEnter, false, false,
       "not writable: its folder"},
  };
  // Another user must reach the folders.
  fs::permissions(directory_.file(""), readAndEnter | P::owner_write);
  const Finished probe = runAs(Runner::kReadOnlyMount, source_, {"--version"});
  if (probe.exitCode != 0) {
    GTEST_SKIP() << "no read-only bind mount can be made here (unshare --mount needs "
                    "CAP_SYS_ADMIN or user namespaces): "
                 << probe.standardError;
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.name);
    if (row.otherOwner && ::geteuid() != 0) {
      std::cout << "[ skipped  ] " << row.name << ": only root can give a file another owner\n";
      continue;
    }
    const fs::path folder = copyOfMemory("readonly" + std::to_string(i));
    if (row.withoutIndex) fs::remove(folder / "m.db-shm");
    for (const auto& entry : fs::directory_iterator(folder)) fs::permissions(entry, row.files);
    fs::permissions(folder, row.folder);
    const Bytes before = folderBytes(folder);
    const std::string memory = memoryIn(folder);

    const Finished report = runAs(row.runner, folder, {"report", "--memory", memory});
    EXPECT_EQ(report.exitCode, 0) << report.standardError;
    EXPECT_NE(report.standardOutput.find("\nZ 0001  "), std::string::npos) << report.standardOutput;
    const Finished journal = runAs(row.runner, folder, {"journal", "--memory", memory, "--z", "1"});
    EXPECT_EQ(journal.exitCode, 0) << journal.standardError;
    EXPECT_NE(journal.standardOutput.find("ticket 00000001  closed"), std::string::npos)
        << journal.standardOutput;
    const Finished printer =
        runAs(row.runner, folder, {"--memory", memory, "--paper", "/dev/null"});
    EXPECT_EQ(printer.exitCode, 1);
    EXPECT_NE(printer.standardError.find(row.refusal), std::string::npos) << printer.standardError;
    EXPECT_TRUE(folderBytes(folder) == before) << "the folder was changed";
    fs::permissions(folder, P::owner_all);
  }
}

// Every way a file is refused leaves it, its write-ahead log and its index
// byte for byte as they were, at the printer's start and in a report.
TEST_F(MemoryFilesTest, ARefusedFileAndItsLogStayByteForByte) {
  struct Row {
    const char* name;
    void (*prepare)(const std::string& memory);
    const char* refusal;
  };
  const std::vector<Row> rows = {
      {"another program's database, its log not merged",
       [](const std::string& memory) {
         fs::remove(memory + "-wal");
         fs::remove(memory + "-shm");
         fs::remove(memory);
         leaveInLog(memory,
                    "PRAGMA journal_mode = WAL; CREATE TABLE t (x); INSERT INTO t VALUES (1)");
       },
       "another program's SQLite database"},
      {"a fiscal memory of another version, in its log",
       [](const std::string& memory) { leaveInLog(memory, "PRAGMA user_version = 3"); },
       "a fiscal memory of another version (3;"},
      {"a damaged fiscal memory with a log",
       [](const std::string& memory) {
         merge(memory);
         std::fstream file(memory, std::ios::in | std::ios::out | std::ios::binary);
         file.seekp(4096);  // the header of the second page
         file << std::string(100, '\xA5');
         file.close();
         leaveInLog(memory, "PRAGMA user_version = 1");
       },
       "damaged fiscal memory"},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.name);
    const fs::path folder = copyOfMemory("refused" + std::to_string(i));
    const std::string memory = memoryIn(folder);
    row.prepare(memory);
    ASSERT_TRUE(fs::exists(memory + "-wal") && fs::exists(memory + "-shm"));
    const Bytes before = folderBytes(folder);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--memory", memory, "--paper", "/dev/null"},
          std::vector<std::string>{"report", "--memory", memory}}) {
      const Finished refused = runSimulatorToEnd(args, 5'000);
      EXPECT_EQ(refused.exitCode, 1) << args[0];
      EXPECT_NE(refused.standardError.find(row.refusal), std::string::npos)
          << refused.standardError;
      EXPECT_TRUE(folderBytes(folder) == before) << args[0] << " changed the folder";
    }
  }

  // In use by another printer: a second one is refused before it reads anything.
  const fs::path folder = copyOfMemory("held");
  SimulatorProcess holder({"--memory", memoryIn(folder)});
  ASSERT_TRUE(holder.started());
  const Bytes before = folderBytes(folder);
  const Finished second = runSimulatorToEnd({"--memory", memoryIn(folder), "--paper", "/dev/null"});
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.standardError.find("in use by another simulator"), std::string::npos);
  EXPECT_TRUE(folderBytes(folder) == before) << "the held memory was changed";
}

}  // namespace
}  // namespace sim_test
