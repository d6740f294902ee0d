// A fiscal memory file in a private directory that outlives simulator runs,
// read back with SQLite for checks independent of the simulator's own code.
#pragma once

#include <sqlite3.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace sim_test {

class MemoryDirectory {
 public:
  MemoryDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "fiscal-memory-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~MemoryDirectory() {
    if (!path_.empty()) std::filesystem::remove_all(path_);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Read-only queries on a memory file whose simulator has ended.
class MemoryReader {
 public:
  explicit MemoryReader(const std::string& path) {
    sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
  }
  ~MemoryReader() { sqlite3_close(db_); }
  MemoryReader(const MemoryReader&) = delete;
  MemoryReader& operator=(const MemoryReader&) = delete;

  // The first column of the first row of `sql` with `value` bound to ?1 (when
  // given); -1 when there is no row.
  std::int64_t integer(const std::string& sql, std::int64_t value = 0) const {
    sqlite3_stmt* statement = nullptr;
    std::int64_t result = -1;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
      if (sqlite3_bind_parameter_count(statement) > 0) sqlite3_bind_int64(statement, 1, value);
      if (sqlite3_step(statement) == SQLITE_ROW) result = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    return result;
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace sim_test
