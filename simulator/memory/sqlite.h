// A thin RAII layer over SQLite: one connection, prepared statements kept for
// reuse, errors as texts.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim::sql {

class Database;

// A prepared statement with its parameters bound in order (?1, ?2, ...).
class Statement {
 public:
  // A null `statement` stands for one that could not be prepared: every use fails.
  explicit Statement(sqlite3_stmt* statement) : statement_(statement), ok_(statement != nullptr) {}

  Statement& bind(int index, std::int64_t value);
  Statement& bind(int index, std::string_view text);
  Statement& bind(int index, std::span<const std::uint8_t> blob);
  Statement& bindNull(int index);

  // Steps once: true when a row is ready; false when done or failed (see ok()).
  bool step();
  // Runs to the end (for statements without rows); false on failure.
  bool run();
  bool ok() const { return ok_; }

  std::int64_t integer(int column) const;
  std::optional<std::int64_t> optionalInteger(int column) const;
  std::string text(int column) const;
  std::vector<std::uint8_t> blob(int column) const;

  // Clears the bindings and the position for the next use.
  void reset();

 private:
  sqlite3_stmt* statement_;
  bool ok_;
};

class Database {
 public:
  // Opens `path` with the SQLite open `flags`; on failure returns nothing and
  // sets `error`.
  static std::optional<Database> open(const std::string& path, int flags, std::string& error);
  // Opens a read-only database held in memory (a whole database file's
  // bytes), which must outlive the connection; nothing touches any file.
  static std::optional<Database> openImage(std::span<std::uint8_t> image, std::string& error);

  Database(Database&& other) noexcept;
  Database& operator=(Database&&) = delete;
  ~Database();

  // Runs one or more statements without parameters; false with error() set.
  bool execute(const char* sql);
  // The statement for `sql` (a constant of the program), prepared once and
  // reset for each use. One that cannot be prepared fails on every use.
  Statement& statement(const char* sql);

  // The last error message of the connection.
  std::string error() const;
  sqlite3* handle() const { return db_; }

 private:
  explicit Database(sqlite3* db) : db_(db) {}
  bool prepared(const char* sql);
  sqlite3* db_;
  std::map<const char*, Statement> statements_;
  Statement invalid_{nullptr};
};

}  // namespace sim::sql
