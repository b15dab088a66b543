// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/CallLog.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <QDateTime>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/BillingCycle.h"
#include "core/Pricing.h"
#include "tracker/LogSchema.h"

namespace prandel::tracker {
namespace {

constexpr const char* kSessionColumns =
    "id, connection, t0, t1, t2, count_from, counted_seconds, received, sent, cost, unpriced_seconds, "
    "countdown_seconds, state, ";
// A log of version 1, read as it is, knows no last_write: it is worked out as its
// migration works it out.
constexpr const char* kLastWrite = "last_write";
constexpr const char* kLastWriteOfVersion1 = "COALESCE(t2, count_from + counted_seconds)";

const char* stateText(SessionState s) { return s == SessionState::Running ? "running" : "finished"; }

SessionRow sessionFrom(const sql::Statement& st) {
  SessionRow r;
  r.id = st.integer(0);
  r.connection = st.text(1);
  r.dialStart = st.optionalInteger(2);
  r.up = st.integer(3);
  r.end = st.optionalInteger(4);
  r.countFrom = st.integer(5);
  r.countedSeconds = st.integer(6);
  r.received = static_cast<std::uint64_t>(st.integer(7));
  r.sent = static_cast<std::uint64_t>(st.integer(8));
  r.cost = st.real(9);
  r.unpricedSeconds = st.integer(10);
  r.countdownSeconds = st.real(11);
  r.state = st.text(12) == "running" ? SessionState::Running : SessionState::Finished;
  r.lastWrite = st.integer(13);
  return r;
}

constexpr auto kMaxStored = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

// What the tables' checks would refuse, said in words before anything is written.
std::string faultOf(const SessionRow& s, const std::vector<SliceRow>& slices,
                    const std::vector<core::ByteSample>& samples) {
  if (s.state == SessionState::Finished && !s.end) return "a finished session needs its end";
  if (s.state == SessionState::Running && s.end) return "a running session has no end yet";
  if (s.end && *s.end < s.up) return "the session ends before its link came up";
  if (s.dialStart && *s.dialStart > s.up) return "dialling started after the link came up";
  if (s.countedSeconds < 0 || s.unpricedSeconds < 0) return "a negative count of seconds";
  if (!std::isfinite(s.cost) || !std::isfinite(s.countdownSeconds)) return "a cost or countdown that is no number";
  if (s.received > kMaxStored || s.sent > kMaxStored) return "a byte count too large to store";
  for (const auto& sl : slices) {
    if (sl.to < sl.from) return "a slice that ends before it begins";
    if (sl.slot < 0 || sl.slot > 20) return "a slice of condition " + std::to_string(sl.slot) + ", not 0 to 20";
    if (sl.units < 0) return "a slice of a negative number of units";
    if (!std::isfinite(sl.charge)) return "a slice whose charge is no number";
  }
  for (const auto& smp : samples)
    if (smp.received > kMaxStored || smp.sent > kMaxStored) return "a byte sample too large to store";
  return {};
}

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string CallLog::pathIn(const std::string& folder) { return folder + "/" + kFileName; }

bool CallLog::existsIn(const std::string& folder) {
  struct stat st {};
  return ::stat(pathIn(folder).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

const char* CallLog::lastWriteColumn() const { return fileVersion_ >= 2 ? kLastWrite : kLastWriteOfVersion1; }

bool CallLog::fail(const std::string& what) {
  error_ = what;
  return false;
}

bool CallLog::open(const std::string& folder, Access access) {
  close();
  error_.clear();
  if (!isDirectory(folder)) return fail("no folder " + folder);
  path_ = pathIn(folder);
  readOnly_ = access == Access::Read;
  std::string why;
  if (readOnly_) {
    if (!existsIn(folder)) return fail("no session log in " + folder);
    // Opened for writing but kept from writing (query_only), so that the last one
    // out removes the -wal and -shm files; a file we may not write is read as such.
    if (!db_.open(path_, SQLITE_OPEN_READWRITE, why) && !db_.open(path_, SQLITE_OPEN_READONLY, why))
      return fail(path_ + ": " + why);
  } else if (!db_.open(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, why)) {
    return fail(path_ + ": " + why);
  }
  if (!applyPragmas(access)) {
    const std::string reason = error_;
    close();
    error_ = reason;
    return false;
  }
  return true;
}

void CallLog::close() {
  db_.close();
  fileVersion_ = 0;
}

bool CallLog::applyPragmas(Access access) {
  sqlite3_busy_timeout(db_.handle(), kBusyTimeoutMs);
  std::string why;
  // The version first: a log of a newer program is not touched in any way, not
  // even by switching its journal mode.
  const auto version = db_.queryInt("PRAGMA user_version", why);
  if (!version) return fail(path_ + ": " + why);
  fileVersion_ = static_cast<int>(*version);
  if (access == Access::Read) return db_.exec("PRAGMA query_only = ON", why) || fail(path_ + ": " + why);
  if (fileVersion_ > kLogVersion) {
    return fail(path_ + " was written by a newer version of the tracker (log version " + std::to_string(fileVersion_) +
                "; this one knows up to " + std::to_string(kLogVersion) + "): it can be read but not written, and is left as it is");
  }
  // WAL lets the reports read while the tracker writes; FULL syncs the WAL at each
  // commit, so that a logged call survives a power cut, not just a crash.
  {
    sql::Statement mode(db_, "PRAGMA journal_mode = WAL");
    if (!mode.step() || mode.text(0) != "wal") return fail(path_ + ": cannot switch to WAL: " + db_.message());
  }
  if (!db_.exec("PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON", why)) return fail(path_ + ": " + why);
  return migrate();
}

bool CallLog::migrate() {
  if (fileVersion_ == kLogVersion) return true;
  std::string why;
  sql::WriteTransaction tx(db_);
  if (!tx.begin(why)) return fail(path_ + ": " + why);
  // Another program may have migrated it while we waited for the lock.
  const auto version = db_.queryInt("PRAGMA user_version", why);
  if (!version) return fail(path_ + ": " + why);
  if (*version > kLogVersion) return fail(path_ + " was just written by a newer version of the tracker");
  const auto steps = logSchemaSteps();
  for (auto v = *version; v < kLogVersion; ++v) {
    if (!db_.exec(steps[static_cast<std::size_t>(v)], why))
      return fail(path_ + ": cannot bring the log to version " + std::to_string(v + 1) + ": " + why);
  }
  if (!db_.exec("PRAGMA user_version = " + std::to_string(kLogVersion), why) || !tx.commit(why))
    return fail(path_ + ": " + why);
  fileVersion_ = kLogVersion;
  return true;
}

// --- Writing -------------------------------------------------------------------------

bool CallLog::writeSession(SessionRow& s, const std::vector<SliceRow>& slices,
                           const std::vector<core::ByteSample>& samples, bool replaceSlices) {
  if (!db_.isOpen()) return fail("the session log is not open");
  if (readOnly_) return fail(path_ + " is open for reading only");
  if (const std::string fault = faultOf(s, slices, samples); !fault.empty()) return fail("not logged: " + fault);
  std::string why;
  sql::WriteTransaction tx(db_);
  if (!tx.begin(why)) return fail(why);

  const bool insert = s.id == 0;
  if (s.end) s.lastWrite = *s.end;
  else if (s.lastWrite == 0) s.lastWrite = s.countFrom + s.countedSeconds;
  sql::Statement row(db_, insert ? "INSERT INTO sessions (connection, t0, t1, t2, count_from, counted_seconds, "
                                   "received, sent, cost, unpriced_seconds, countdown_seconds, state, last_write) "
                                   "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?14)"
                                 : "UPDATE sessions SET connection = ?1, t0 = ?2, t1 = ?3, t2 = ?4, count_from = ?5, "
                                   "counted_seconds = ?6, received = ?7, sent = ?8, cost = ?9, unpriced_seconds = ?10, "
                                   "countdown_seconds = ?11, state = ?12, last_write = ?14 "
                                   "WHERE id = ?13 AND state = 'running'");
  row.bind(1, std::string_view(s.connection))
      .bind(2, s.dialStart)
      .bind(3, static_cast<std::int64_t>(s.up))
      .bind(4, s.end)
      .bind(5, static_cast<std::int64_t>(s.countFrom))
      .bind(6, s.countedSeconds)
      .bind(7, static_cast<std::int64_t>(s.received))
      .bind(8, static_cast<std::int64_t>(s.sent))
      .bind(9, core::roundAmount(s.cost))
      .bind(10, s.unpricedSeconds)
      .bind(11, s.countdownSeconds)
      .bind(12, std::string_view(stateText(s.state)));
  if (!insert) row.bind(13, s.id);
  row.bind(14, static_cast<std::int64_t>(s.lastWrite));
  if (!row.run(why)) return fail(why);
  const std::int64_t id = insert ? db_.lastInsertId() : s.id;
  if (!insert && sqlite3_changes(db_.handle()) != 1) return fail("no running session " + std::to_string(s.id) + " in the log");

  if (replaceSlices) {
    sql::Statement del(db_, "DELETE FROM slices WHERE session = ?1");
    if (!del.bind(1, id).run(why)) return fail(why);
  }
  sql::Statement slice(db_, "INSERT INTO slices (session, from_at, to_at, slot, label, units, charge) "
                            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  if (!slice.prepared(why)) return fail(why);
  for (const auto& sl : slices) {
    slice.bind(1, id)
        .bind(2, static_cast<std::int64_t>(sl.from))
        .bind(3, static_cast<std::int64_t>(sl.to))
        .bind(4, static_cast<std::int64_t>(sl.slot))
        .bind(5, std::string_view(sl.label))
        .bind(6, sl.units)
        .bind(7, core::roundAmount(sl.charge));
    if (!slice.run(why)) return fail(why);
    slice.reset();
  }
  sql::Statement sample(db_, "INSERT INTO samples (session, at, received, sent) VALUES (?1, ?2, ?3, ?4) "
                             "ON CONFLICT (session, at) DO UPDATE SET received = excluded.received, sent = excluded.sent");
  if (!sample.prepared(why)) return fail(why);
  for (const auto& smp : samples) {
    sample.bind(1, id)
        .bind(2, static_cast<std::int64_t>(smp.at))
        .bind(3, static_cast<std::int64_t>(smp.received))
        .bind(4, static_cast<std::int64_t>(smp.sent));
    if (!sample.run(why)) return fail(why);
    sample.reset();
  }
  if (!tx.commit(why)) return fail(why);
  s.id = id;
  return true;
}

bool CallLog::addFinished(LoggedSession& s) {
  if (s.session.id != 0) return fail("session " + std::to_string(s.session.id) + " is logged already");
  if (s.session.state != SessionState::Finished) return fail("not logged: the session is still running");
  return writeSession(s.session, s.slices, s.samples, false);
}

bool CallLog::saveRunning(SessionRow& s, const std::vector<SliceRow>& slices,
                          const std::vector<core::ByteSample>& newSamples) {
  if (s.state != SessionState::Running) return fail("not logged: the session is not running");
  return writeSession(s, slices, newSamples, true);
}

bool CallLog::finish(SessionRow& s, const std::vector<SliceRow>& slices,
                     const std::vector<core::ByteSample>& newSamples) {
  if (s.id == 0) return fail("no running session to finish");
  s.state = SessionState::Finished;
  return writeSession(s, slices, newSamples, true);
}

// --- Reading -------------------------------------------------------------------------

bool CallLog::sessions(const SessionFilter& filter, std::vector<SessionRow>& out) {
  out.clear();
  if (!db_.isOpen()) return fail("the session log is not open");
  std::string sqlText = std::string("SELECT ") + kSessionColumns + lastWriteColumn() +
                        " FROM sessions WHERE count_from >= ?1 AND count_from < ?2";
  if (filter.connection) sqlText += " AND connection = ?3";
  sqlText += " ORDER BY count_from, id";
  sql::Statement st(db_, sqlText.c_str());
  std::string why;
  if (!st.prepared(why)) return fail(why);
  st.bind(1, static_cast<std::int64_t>(filter.span.from)).bind(2, static_cast<std::int64_t>(filter.span.to));
  if (filter.connection) st.bind(3, std::string_view(*filter.connection));
  while (st.step()) out.push_back(sessionFrom(st));
  return !st.failed() || fail(st.message());
}

bool CallLog::session(std::int64_t id, LoggedSession& out) {
  out = {};
  if (!db_.isOpen()) return fail("the session log is not open");
  std::string why;
  sql::Statement st(db_, (std::string("SELECT ") + kSessionColumns + lastWriteColumn() + " FROM sessions WHERE id = ?1").c_str());
  if (!st.prepared(why)) return fail(why);
  st.bind(1, id);
  if (!st.step()) return fail(st.failed() ? st.message() : "no session " + std::to_string(id) + " in the log");
  out.session = sessionFrom(st);
  sql::Statement sl(db_, "SELECT from_at, to_at, slot, label, units, charge FROM slices WHERE session = ?1 "
                         "ORDER BY from_at, rowid");
  if (!sl.prepared(why)) return fail(why);
  sl.bind(1, id);
  while (sl.step())
    out.slices.push_back({sl.integer(0), sl.integer(1), static_cast<int>(sl.integer(2)), sl.text(3), sl.integer(4), sl.real(5)});
  if (sl.failed()) return fail(sl.message());
  sql::Statement smp(db_, "SELECT at, received, sent FROM samples WHERE session = ?1 ORDER BY at");
  if (!smp.prepared(why)) return fail(why);
  smp.bind(1, id);
  while (smp.step())
    out.samples.push_back({smp.integer(0), static_cast<std::uint64_t>(smp.integer(1)), static_cast<std::uint64_t>(smp.integer(2))});
  return !smp.failed() || fail(smp.message());
}

bool CallLog::slices(const SessionFilter& filter, std::vector<SliceOf>& out) {
  out.clear();
  if (!db_.isOpen()) return fail("the session log is not open");
  std::string sqlText =
      "SELECT s.id, s.connection, l.from_at, l.to_at, l.slot, l.label, l.units, l.charge "
      "FROM sessions s JOIN slices l ON l.session = s.id WHERE s.count_from >= ?1 AND s.count_from < ?2";
  if (filter.connection) sqlText += " AND s.connection = ?3";
  sqlText += " ORDER BY s.count_from, s.id, l.from_at";
  sql::Statement st(db_, sqlText.c_str());
  std::string why;
  if (!st.prepared(why)) return fail(why);
  st.bind(1, static_cast<std::int64_t>(filter.span.from)).bind(2, static_cast<std::int64_t>(filter.span.to));
  if (filter.connection) st.bind(3, std::string_view(*filter.connection));
  while (st.step()) {
    out.push_back({st.integer(0), st.text(1),
                   {st.integer(2), st.integer(3), static_cast<int>(st.integer(4)), st.text(5), st.integer(6), st.real(7)}});
  }
  return !st.failed() || fail(st.message());
}

std::optional<core::CallHistory> CallLog::historyBefore(Epoch countFrom, int cycleStartDay, std::int64_t except,
                                                        const QTimeZone& zone) {
  if (!db_.isOpen()) {
    fail("the session log is not open");
    return std::nullopt;
  }
  const QDate day = QDateTime::fromSecsSinceEpoch(countFrom, zone).date();
  if (!day.isValid()) {
    fail("no day holds the moment " + std::to_string(countFrom));
    return std::nullopt;
  }
  const Epoch dayStart = day.startOfDay(zone).toSecsSinceEpoch();
  const Epoch cycleStart = core::cycleStartOf(day, cycleStartDay).startOfDay(zone).toSecsSinceEpoch();
  sql::Statement st(db_,
                    "SELECT COUNT(*), COALESCE(SUM(counted_seconds), 0), COALESCE(SUM(cost), 0), "
                    "COALESCE(SUM(received), 0), COALESCE(SUM(sent), 0) "
                    "FROM sessions WHERE count_from >= ?1 AND count_from < ?2 AND id != ?3");
  std::string why;
  if (!st.prepared(why)) {
    fail(why);
    return std::nullopt;
  }
  core::CallHistory h;
  for (const Epoch from : {dayStart, cycleStart}) {
    st.bind(1, static_cast<std::int64_t>(from)).bind(2, static_cast<std::int64_t>(countFrom)).bind(3, except);
    if (!st.step()) {
      fail(st.failed() ? st.message() : "no totals");
      return std::nullopt;
    }
    if (from == dayStart) {
      h.dayCalls = st.integer(0);
      h.daySeconds = st.integer(1);
    }
    if (from == cycleStart) {
      h.cycleCalls = st.integer(0);
      h.cycleSeconds = st.integer(1);
      h.cycleCost = st.real(2);
      h.cycleReceived = static_cast<std::uint64_t>(st.integer(3));
      h.cycleSent = static_cast<std::uint64_t>(st.integer(4));
    }
    st.reset();
  }
  return h;
}

std::optional<double> CallLog::countdownSecondsBetween(const Span& span) {
  if (!db_.isOpen()) {
    fail("the session log is not open");
    return std::nullopt;
  }
  sql::Statement st(db_, "SELECT COALESCE(SUM(countdown_seconds), 0) FROM sessions WHERE count_from >= ?1 AND count_from < ?2");
  st.bind(1, static_cast<std::int64_t>(span.from)).bind(2, static_cast<std::int64_t>(span.to));
  if (!st.step()) {
    fail(st.failed() ? st.message() : "no total");
    return std::nullopt;
  }
  return st.real(0);
}

// --- Settings ------------------------------------------------------------------------

std::optional<std::string> CallLog::setting(const std::string& key) {
  error_.clear();
  if (!db_.isOpen()) {
    fail("the session log is not open");
    return std::nullopt;
  }
  sql::Statement st(db_, "SELECT value FROM settings WHERE key = ?1");
  std::string why;
  if (!st.prepared(why)) {
    fail(why);
    return std::nullopt;
  }
  st.bind(1, std::string_view(key));
  if (st.step()) return st.text(0);
  if (st.failed()) fail(st.message());
  return std::nullopt;
}

bool CallLog::setSetting(const std::string& key, const std::string& value) {
  if (!db_.isOpen()) return fail("the session log is not open");
  if (readOnly_) return fail(path_ + " is open for reading only");
  std::string why;
  sql::Statement st(db_, "INSERT INTO settings (key, value) VALUES (?1, ?2) "
                         "ON CONFLICT (key) DO UPDATE SET value = excluded.value");
  return st.bind(1, std::string_view(key)).bind(2, std::string_view(value)).run(why) || fail(why);
}

std::optional<int> CallLog::cycleStartDay() {
  const auto value = setting(kCycleStartDayKey);
  if (!value) {
    if (!error_.empty()) return std::nullopt;
    return core::kDefaultCycleStartDay;
  }
  // A value some other program wrote badly counts as the default.
  char* end = nullptr;
  errno = 0;
  const long day = std::strtol(value->c_str(), &end, 10);
  if (errno != 0 || end == value->c_str() || *end != '\0' || day < 1 || day > 31)
    return core::kDefaultCycleStartDay;
  return static_cast<int>(day);
}

bool CallLog::setCycleStartDay(int day) {
  if (!core::validCycleStartDay(day)) return fail("the cycle start day is a day of the month, 1 to 31");
  return setSetting(kCycleStartDayKey, std::to_string(day));
}

}  // namespace prandel::tracker
