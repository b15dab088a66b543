// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/Sqlite.h"

#include <sqlite3.h>

#include <limits>

namespace prandel::tracker::sql {

Database::~Database() { close(); }

bool Database::open(const std::string& path, int flags, std::string& error) {
  close();
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    return false;
  }
  // Errors carry the extended codes (SQLITE_IOERR_FSYNC, ...), which say more.
  sqlite3_extended_result_codes(db, 1);
  db_ = db;
  return true;
}

void Database::close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

bool Database::exec(std::string_view sql, std::string& error) {
  const std::string text(sql);
  char* msg = nullptr;
  if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &msg) == SQLITE_OK) return true;
  error = msg ? msg : message();
  sqlite3_free(msg);
  return false;
}

std::optional<std::int64_t> Database::queryInt(const char* sql, std::string& error) {
  Statement st(*this, sql);
  if (!st.prepared(error)) return std::nullopt;
  if (!st.step()) {
    error = st.failed() ? st.message() : std::string("no row");
    return std::nullopt;
  }
  return st.integer(0);
}

std::int64_t Database::lastInsertId() const { return sqlite3_last_insert_rowid(db_); }

std::string Database::message() const { return db_ ? sqlite3_errmsg(db_) : "no database open"; }

Statement::Statement(Database& db, const char* sql) : db_(db) {
  if (db.handle() && sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

bool Statement::prepared(std::string& error) const {
  if (stmt_) return true;
  error = db_.message();
  return false;
}

Statement& Statement::bind(int i, std::int64_t v) {
  if (stmt_) sqlite3_bind_int64(stmt_, i, v);
  return *this;
}

Statement& Statement::bind(int i, double v) {
  if (stmt_) sqlite3_bind_double(stmt_, i, v);
  return *this;
}

Statement& Statement::bind(int i, std::string_view v) {
  if (stmt_) sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::bind(int i, const std::optional<std::int64_t>& v) {
  return v ? bind(i, *v) : bindNull(i);
}

Statement& Statement::bindNull(int i) {
  if (stmt_) sqlite3_bind_null(stmt_, i);
  return *this;
}

bool Statement::step() {
  if (!stmt_) {
    failed_ = true;
    return false;
  }
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  failed_ = rc != SQLITE_DONE;
  return false;
}

bool Statement::run(std::string& error) {
  if (!prepared(error)) return false;
  step();
  if (failed_) {
    error = message();
    return false;
  }
  return true;
}

std::string Statement::message() const { return db_.message(); }

void Statement::reset() {
  if (!stmt_) return;
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  failed_ = false;
}

std::int64_t Statement::integer(int col) const { return sqlite3_column_int64(stmt_, col); }

double Statement::real(int col) const { return sqlite3_column_double(stmt_, col); }

std::string Statement::text(int col) const {
  const auto* p = sqlite3_column_text(stmt_, col);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, col)))
           : std::string();
}

std::optional<std::int64_t> Statement::optionalInteger(int col) const {
  if (sqlite3_column_type(stmt_, col) == SQLITE_NULL) return std::nullopt;
  return integer(col);
}

WriteTransaction::~WriteTransaction() {
  if (!open_) return;
  std::string ignored;
  db_.exec("ROLLBACK", ignored);
}

bool WriteTransaction::begin(std::string& error) {
  open_ = db_.exec("BEGIN IMMEDIATE", error);
  return open_;
}

bool WriteTransaction::commit(std::string& error) {
  if (!open_) {
    error = "no transaction";
    return false;
  }
  if (!db_.exec("COMMIT", error)) return false;  // still open: the destructor rolls back
  open_ = false;
  return true;
}

}  // namespace prandel::tracker::sql
