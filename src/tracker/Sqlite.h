// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A thin hold on SQLite's C interface: a connection and its prepared statements,
// closed by their destructors, every failure a false with SQLite's own message.
// Nothing here throws; callers pass the message on.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace prandel::tracker::sql {

class Statement;

class Database {
 public:
  Database() = default;
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // flags are SQLite's open flags (SQLITE_OPEN_READWRITE, ...).
  bool open(const std::string& path, int flags, std::string& error);
  void close();
  bool isOpen() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_; }

  // Runs one or more statements that return no rows.
  bool exec(std::string_view sql, std::string& error);
  // The first column of the first row of a query that returns one integer.
  std::optional<std::int64_t> queryInt(const char* sql, std::string& error);
  std::int64_t lastInsertId() const;
  std::string message() const;  // SQLite's message for the last failure

 private:
  sqlite3* db_ = nullptr;
};

// A prepared statement. Binding indexes count from 1, columns from 0, as SQLite's.
class Statement {
 public:
  Statement(Database& db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  // False with the message when the statement could not be prepared.
  bool prepared(std::string& error) const;

  Statement& bind(int i, std::int64_t v);
  Statement& bind(int i, double v);
  Statement& bind(int i, std::string_view v);
  Statement& bind(int i, const std::optional<std::int64_t>& v);
  Statement& bindNull(int i);

  // Steps once: true with a row, false at the end or on failure (then failed() says so).
  bool step();
  // Runs a statement that returns no rows; false with the message on failure.
  bool run(std::string& error);
  bool failed() const { return failed_; }
  std::string message() const;
  // Back to the start, bindings cleared, for the next row of an insert.
  void reset();

  std::int64_t integer(int col) const;
  double real(int col) const;
  std::string text(int col) const;
  std::optional<std::int64_t> optionalInteger(int col) const;

 private:
  Database& db_;
  sqlite3_stmt* stmt_ = nullptr;
  bool failed_ = false;
};

// A transaction that rolls back unless committed. BEGIN IMMEDIATE takes the write
// lock at once (waiting out the busy timeout), so two writers never deadlock on
// turning a read into a write.
class WriteTransaction {
 public:
  explicit WriteTransaction(Database& db) : db_(db) {}
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  bool begin(std::string& error);
  bool commit(std::string& error);

 private:
  Database& db_;
  bool open_ = false;
};

}  // namespace prandel::tracker::sql
