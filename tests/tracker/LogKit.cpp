// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogKit.h"

#include <stdexcept>

namespace prandel::test {

tracker::LoggedSession call(const std::string& connection, tracker::Epoch up, std::int64_t secs, double costPerSecond) {
  tracker::LoggedSession s;
  s.session.connection = connection;
  s.session.up = up;
  s.session.end = up + secs;
  s.session.countFrom = up;
  s.session.countedSeconds = secs;
  s.session.cost = static_cast<double>(secs) * costPerSecond;
  s.slices.push_back({up, up + secs, 1, "Condition 1: $ 3.60 Per Hour", secs, s.session.cost});
  for (std::int64_t t = 0; t <= secs; t += 60) {
    const auto n = static_cast<std::uint64_t>(t / 60);
    s.samples.push_back({up + t, n * 1000, n * 100});
  }
  s.session.received = s.samples.back().received;
  s.session.sent = s.samples.back().sent;
  return s;
}

namespace {

sqlite3* openRaw(const std::string& dbPath, int flags) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(dbPath.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + dbPath);
  }
  return db;
}

}  // namespace

std::string rawQuery(const std::string& dbPath, const std::string& sql) {
  sqlite3* db = openRaw(dbPath, SQLITE_OPEN_READONLY);
  sqlite3_stmt* st = nullptr;
  std::string out;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
    const auto* t = sqlite3_column_text(st, 0);
    out = t ? reinterpret_cast<const char*>(t) : "NULL";
  } else {
    out = std::string("error: ") + sqlite3_errmsg(db);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return out;
}

std::int64_t rowCount(const std::string& dbPath, const std::string& table) {
  return std::stoll(rawQuery(dbPath, "SELECT COUNT(*) FROM " + table));
}

void rawExec(const std::string& dbPath, const std::string& sql) {
  sqlite3* db = openRaw(dbPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  char* msg = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg);
  const std::string why = msg ? msg : "";
  sqlite3_free(msg);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("sql failed: " + why);
}

}  // namespace prandel::test
