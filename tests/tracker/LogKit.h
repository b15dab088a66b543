// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sessions for the log's tests, built by hand, and a raw look at the database.
#include <QDateTime>
#include <QTimeZone>
#include <sqlite3.h>

#include <string>

#include "tracker/CallLog.h"

namespace prandel::test {

// The epoch second of a local wall-clock moment in zone.
inline tracker::Epoch at(const QDate& d, int h, int m, const QTimeZone& zone = QTimeZone::utc()) {
  return QDateTime(d, QTime(h, m), zone).toSecsSinceEpoch();
}

// A finished call from up for secs seconds, priced as one slice of slot 1 at
// costPerSecond, with a sample every 60 s growing by 1000 bytes down and 100 up.
tracker::LoggedSession call(const std::string& connection, tracker::Epoch up, std::int64_t secs,
                            double costPerSecond = 0.001);

// The number of rows of a table, read past the CallLog with SQLite itself.
std::int64_t rowCount(const std::string& dbPath, const std::string& table);
// One integer or text answer of a query on a database opened read-only.
std::string rawQuery(const std::string& dbPath, const std::string& sql);
// Runs statements on the database (for building old or odd logs).
void rawExec(const std::string& dbPath, const std::string& sql);

}  // namespace prandel::test
