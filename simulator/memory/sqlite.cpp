#include "simulator/memory/sqlite.h"

namespace sim::sql {

Statement& Statement::bind(int index, std::int64_t value) {
  if (!ok_) return *this;
  if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) ok_ = false;
  return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
  if (!ok_) return *this;
  if (sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK) {
    ok_ = false;
  }
  return *this;
}

Statement& Statement::bind(int index, std::span<const std::uint8_t> blob) {
  if (!ok_) return *this;
  if (sqlite3_bind_blob(statement_, index, blob.data(), static_cast<int>(blob.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK) {
    ok_ = false;
  }
  return *this;
}

Statement& Statement::bindNull(int index) {
  if (!ok_) return *this;
  if (sqlite3_bind_null(statement_, index) != SQLITE_OK) ok_ = false;
  return *this;
}

bool Statement::step() {
  if (!ok_) return false;
  const int result = sqlite3_step(statement_);
  if (result == SQLITE_ROW) return true;
  if (result != SQLITE_DONE) ok_ = false;
  return false;
}

bool Statement::run() {
  while (step()) {
  }
  const bool succeeded = ok_;
  reset();
  return succeeded;
}

std::int64_t Statement::integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

std::optional<std::int64_t> Statement::optionalInteger(int column) const {
  if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
  return integer(column);
}

std::string Statement::text(int column) const {
  // By its length: a text may hold any byte, a zero byte included.
  const unsigned char* text = sqlite3_column_text(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  if (text == nullptr || size <= 0) return {};
  return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

std::vector<std::uint8_t> Statement::blob(int column) const {
  const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
  const int size = sqlite3_column_bytes(statement_, column);
  if (bytes == nullptr || size <= 0) return {};
  return std::vector<std::uint8_t>(bytes, bytes + size);
}

void Statement::reset() {
  if (statement_ == nullptr) return;
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
  ok_ = true;
}

std::optional<Database> Database::open(const std::string& path, int flags, std::string& error) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    error = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    return std::nullopt;
  }
  sqlite3_extended_result_codes(db, 1);
  return Database(db);
}

std::optional<Database> Database::openImage(std::span<std::uint8_t> image, std::string& error) {
  std::optional<Database> db = open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, error);
  if (!db) return std::nullopt;
  const auto size = static_cast<sqlite3_int64>(image.size());
  if (sqlite3_deserialize(db->db_, "main", image.data(), size, size, SQLITE_DESERIALIZE_READONLY) !=
      SQLITE_OK) {
    error = db->error();
    return std::nullopt;
  }
  return db;
}

Database::Database(Database&& other) noexcept
    : db_(other.db_), statements_(std::move(other.statements_)) {
  other.db_ = nullptr;
}

Database::~Database() {
  statements_.clear();
  if (db_ == nullptr) return;
  sqlite3_stmt* statement = nullptr;
  while ((statement = sqlite3_next_stmt(db_, nullptr)) != nullptr) sqlite3_finalize(statement);
  sqlite3_close(db_);
}

bool Database::execute(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Database::prepared(const char* sql) {
  if (statements_.count(sql) != 0) return true;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
      SQLITE_OK) {
    return false;
  }
  statements_.emplace(sql, Statement(statement));
  return true;
}

Statement& Database::statement(const char* sql) {
  if (!prepared(sql)) {
    // Every statement is a constant of this program: failing to prepare one
    // means a damaged file; an invalid statement fails on every use.
    invalid_ = Statement(nullptr);
    return invalid_;
  }
  Statement& found = statements_.at(sql);
  found.reset();
  return found;
}

std::string Database::error() const {
  return db_ ? sqlite3_errmsg(db_) : "no database";
}

}  // namespace sim::sql
