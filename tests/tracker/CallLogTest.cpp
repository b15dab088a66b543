// SPDX-License-Identifier: GPL-3.0-or-later
// The session log: what goes in comes out, what is refused leaves the log as it
// was, running sessions are rewritten in place, and the history a pricing asks for
// counts the right sessions.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "LogKit.h"
#include "support/TempDir.h"
#include "tracker/LogSchema.h"

namespace prandel::test {
namespace {

using tracker::CallLog;
using tracker::LoggedSession;
using tracker::SessionState;

const QDate kDay(2026, 12, 14);

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(log.open(dir.path(), CallLog::Access::Write)) << log.error(); }
  std::string db() const { return CallLog::pathIn(dir.path()); }
  TempDir dir;
  CallLog log;
};

TEST_F(LogTest, AFinishedSessionComesBackWhole) {
  LoggedSession s = call("ISP A", at(kDay, 17, 50), 1800, 2.5 / 3600);
  s.session.dialStart = s.session.up - 25;
  s.session.countFrom = s.session.up - 25;
  s.session.unpricedSeconds = 7;
  s.session.countdownSeconds = 1825;
  // Two slices whose charges are not whole hundred-thousandths.
  s.slices = {{s.session.up, s.session.up + 600, 2, "Condition 2: $ 2.50 Per Hour", 600, 0.4166666666},
              {s.session.up + 600, s.session.up + 1800, 5, "Condition 5: $ 1.20 Per Hour", 1200, 0.4000000001}};
  s.session.cost = 0.8166666667;
  ASSERT_TRUE(log.addFinished(s)) << log.error();
  ASSERT_GT(s.session.id, 0);

  LoggedSession back;
  ASSERT_TRUE(log.session(s.session.id, back)) << log.error();
  EXPECT_EQ(back.session.connection, "ISP A");
  EXPECT_EQ(back.session.dialStart, s.session.up - 25);
  EXPECT_EQ(back.session.up, s.session.up);
  EXPECT_EQ(back.session.end, s.session.up + 1800);
  EXPECT_EQ(back.session.countFrom, s.session.up - 25);
  EXPECT_EQ(back.session.countedSeconds, 1800);
  EXPECT_EQ(back.session.unpricedSeconds, 7);
  EXPECT_EQ(back.session.received, 30000u);
  EXPECT_EQ(back.session.sent, 3000u);
  EXPECT_DOUBLE_EQ(back.session.cost, 0.81667);  // money is kept to 1/100 000
  EXPECT_DOUBLE_EQ(back.session.countdownSeconds, 1825);
  EXPECT_EQ(back.session.state, SessionState::Finished);
  ASSERT_EQ(back.slices.size(), 2u);
  EXPECT_EQ(back.slices[0].label, "Condition 2: $ 2.50 Per Hour");
  EXPECT_DOUBLE_EQ(back.slices[0].charge, 0.41667);
  EXPECT_EQ(back.slices[1].slot, 5);
  EXPECT_EQ(back.slices[1].units, 1200);
  EXPECT_DOUBLE_EQ(back.slices[1].charge, 0.4);
  ASSERT_EQ(back.samples.size(), s.samples.size());
  EXPECT_EQ(back.samples.back().at, s.samples.back().at);
  EXPECT_EQ(back.samples.back().received, 30000u);

  // Names and byte counts at their limits survive too.
  LoggedSession big = call("Ünïcødé 'quoted' \"x\"; DROP TABLE sessions", at(kDay, 20, 0), 60);
  big.session.received = big.samples.back().received = std::numeric_limits<std::int64_t>::max();
  ASSERT_TRUE(log.addFinished(big)) << log.error();
  ASSERT_TRUE(log.session(big.session.id, back)) << log.error();
  EXPECT_EQ(back.session.connection, big.session.connection);
  EXPECT_EQ(back.session.received, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()));
}

// Each fault is refused before anything is written: the log keeps what it had.
TEST_F(LogTest, RefusesWhatItCannotKeepAndKeepsWhatItHad) {
  LoggedSession first = call("ISP A", at(kDay, 8, 0), 600);
  ASSERT_TRUE(log.addFinished(first)) << log.error();
  struct Case {
    const char* name;
    void (*spoil)(LoggedSession&);
  };
  const Case cases[] = {
      {"end before up", [](LoggedSession& s) { s.session.end = s.session.up - 1; }},
      {"no end", [](LoggedSession& s) { s.session.end.reset(); }},
      {"dial after up", [](LoggedSession& s) { s.session.dialStart = s.session.up + 5; }},
      {"NaN cost", [](LoggedSession& s) { s.session.cost = std::nan(""); }},
      {"infinite countdown", [](LoggedSession& s) { s.session.countdownSeconds = HUGE_VAL; }},
      {"negative seconds", [](LoggedSession& s) { s.session.countedSeconds = -1; }},
      {"bytes past int64", [](LoggedSession& s) { s.session.sent = ~0ull; }},
      {"slot 21", [](LoggedSession& s) { s.slices[0].slot = 21; }},
      {"slice backwards", [](LoggedSession& s) { s.slices[0].to = s.slices[0].from - 1; }},
      {"NaN charge", [](LoggedSession& s) { s.slices[0].charge = std::nan(""); }},
      {"sample past int64", [](LoggedSession& s) { s.samples.back().received = ~0ull; }},
      {"still running", [](LoggedSession& s) { s.session.state = SessionState::Running; s.session.end.reset(); }},
      {"already logged", [](LoggedSession& s) { s.session.id = 1; }},
  };
  for (const auto& c : cases) {
    LoggedSession s = call("ISP B", at(kDay, 9, 0), 300);
    c.spoil(s);
    EXPECT_FALSE(log.addFinished(s)) << c.name;
    EXPECT_FALSE(log.error().empty()) << c.name;
  }
  EXPECT_EQ(rowCount(db(), "sessions"), 1);
  EXPECT_EQ(rowCount(db(), "slices"), 1);
  EXPECT_EQ(rowCount(db(), "samples"), static_cast<std::int64_t>(first.samples.size()));
}

// The live tracker's minute writes: one row that grows, slices replaced, samples
// appended, the last one again with a newer reading.
TEST_F(LogTest, ARunningSessionIsRewrittenInPlaceUntilItFinishes) {
  const auto up = at(kDay, 22, 0);
  tracker::SessionRow s;
  s.connection = "ISP A";
  s.up = s.countFrom = up;
  s.state = SessionState::Running;
  s.countedSeconds = 60;
  ASSERT_TRUE(log.saveRunning(s, {{up, up + 60, 1, "Condition 1", 60, 0.06}}, {{up, 0, 0}, {up + 60, 500, 50}}))
      << log.error();
  const auto id = s.id;
  ASSERT_GT(id, 0);

  s.countedSeconds = 120;
  s.cost = 0.12;
  ASSERT_TRUE(log.saveRunning(s, {{up, up + 90, 1, "Condition 1", 90, 0.09}, {up + 90, up + 120, 2, "Condition 2", 30, 0.03}},
                              {{up + 60, 600, 60}, {up + 120, 900, 90}}))
      << log.error();
  EXPECT_EQ(s.id, id);

  LoggedSession back;
  ASSERT_TRUE(log.session(id, back)) << log.error();
  EXPECT_EQ(back.session.state, SessionState::Running);
  EXPECT_FALSE(back.session.end.has_value());
  EXPECT_EQ(back.session.countedSeconds, 120);
  ASSERT_EQ(back.slices.size(), 2u);
  EXPECT_EQ(back.slices[1].slot, 2);
  ASSERT_EQ(back.samples.size(), 3u);
  EXPECT_EQ(back.samples[1].received, 600u);  // the newer reading of the same moment

  s.end = up + 130;
  s.countedSeconds = 130;
  ASSERT_TRUE(log.finish(s, {{up, up + 130, 1, "Condition 1", 130, 0.13}}, {{up + 130, 1000, 100}})) << log.error();
  ASSERT_TRUE(log.session(id, back)) << log.error();
  EXPECT_EQ(back.session.state, SessionState::Finished);
  EXPECT_EQ(back.session.end, up + 130);
  EXPECT_EQ(back.slices.size(), 1u);
  EXPECT_EQ(back.samples.size(), 4u);
  EXPECT_EQ(rowCount(db(), "sessions"), 1);

  // A finished session is never reopened, nor one the log does not have written.
  s.state = SessionState::Running;
  s.end.reset();
  EXPECT_FALSE(log.saveRunning(s, {}, {}));
  s.id = 999;
  EXPECT_FALSE(log.saveRunning(s, {}, {}));
  EXPECT_EQ(rowCount(db(), "slices"), 1);
}

// The counters of the earlier calls of the day and of the billing cycle, as a
// pricing of a call starting at 20:00 on 14 December (cycle from the 10th) sees them.
TEST_F(LogTest, HistoryCountsTheEarlierSessionsOfTheDayAndTheCycle) {
  struct Row {
    QDate day;
    int h, m;
    std::int64_t secs;
    bool running;
  };
  const Row rows[] = {
      {{2026, 12, 9}, 23, 0, 3600, false},  // the cycle before
      {{2026, 12, 10}, 0, 0, 600, false},   // the cycle's first second
      {{2026, 12, 13}, 23, 50, 1200, false},  // the day before, running over midnight
      {{2026, 12, 14}, 0, 0, 300, false},   // today's first second
      {{2026, 12, 14}, 12, 0, 900, true},   // running: counts too
      {{2026, 12, 14}, 20, 0, 60, false},   // starts with the call priced: not before it
      {{2026, 12, 14}, 21, 0, 60, false},   // after it
  };
  std::int64_t runningId = 0;
  for (const auto& r : rows) {
    LoggedSession s = call("ISP A", at(r.day, r.h, r.m), r.secs, 0.01);
    if (r.running) {
      s.session.state = SessionState::Running;
      s.session.end.reset();
      ASSERT_TRUE(log.saveRunning(s.session, s.slices, s.samples)) << log.error();
      runningId = s.session.id;
    } else {
      ASSERT_TRUE(log.addFinished(s)) << log.error();
    }
  }
  const auto h = log.historyBefore(at(kDay, 20, 0), 10, 0, QTimeZone::utc());
  ASSERT_TRUE(h) << log.error();
  EXPECT_EQ(h->dayCalls, 2);
  EXPECT_EQ(h->daySeconds, 300 + 900);
  EXPECT_EQ(h->cycleCalls, 4);
  EXPECT_EQ(h->cycleSeconds, 600 + 1200 + 300 + 900);
  EXPECT_NEAR(h->cycleCost, 30.0, 1e-9);
  EXPECT_EQ(h->cycleReceived, (10 + 20 + 5 + 15) * 1000u);
  EXPECT_EQ(h->cycleSent, (10 + 20 + 5 + 15) * 100u);

  // The running session is the one being priced: left out.
  const auto without = log.historyBefore(at(kDay, 20, 0), 10, runningId, QTimeZone::utc());
  ASSERT_TRUE(without);
  EXPECT_EQ(without->dayCalls, 1);
  EXPECT_EQ(without->cycleSeconds, 600 + 1200 + 300);

  // With the cycle from the 15th, the 9th belongs to the same cycle.
  EXPECT_EQ(log.historyBefore(at(kDay, 20, 0), 15, 0, QTimeZone::utc())->cycleCalls, 5);
  // Berlin's day starts an hour before UTC's: 13 Dec 23:50 UTC is already the 14th
  // there, and 14 Dec 00:00 UTC is 01:00.
  const QTimeZone berlin("Europe/Berlin");
  ASSERT_TRUE(berlin.isValid());
  const auto local = log.historyBefore(at(kDay, 20, 0), 10, 0, berlin);
  ASSERT_TRUE(local);
  EXPECT_EQ(local->dayCalls, 3);
  EXPECT_EQ(local->daySeconds, 1200 + 300 + 900);
}

TEST_F(LogTest, ListsTheSessionsOfASpanAndOfAConnection) {
  for (const auto& [conn, h] : {std::pair{"ISP A", 8}, std::pair{"ISP B", 9}, std::pair{"ISP A", 10}, std::pair{"ISP A", 23}}) {
    LoggedSession s = call(conn, at(kDay, h, 0), 60);
    ASSERT_TRUE(log.addFinished(s)) << log.error();
  }
  std::vector<tracker::SessionRow> rows;
  ASSERT_TRUE(log.sessions({{at(kDay, 8, 0), at(kDay, 23, 0)}, std::nullopt}, rows)) << log.error();
  ASSERT_EQ(rows.size(), 3u);  // the span's end is not in it
  EXPECT_EQ(rows[1].connection, "ISP B");
  ASSERT_TRUE(log.sessions({{at(kDay, 0, 0), at(kDay.addDays(1), 0, 0)}, std::string("ISP A")}, rows));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].up, at(kDay, 23, 0));
  std::vector<CallLog::SliceOf> slices;
  ASSERT_TRUE(log.slices({{at(kDay, 9, 0), at(kDay, 11, 0)}, std::nullopt}, slices));
  ASSERT_EQ(slices.size(), 2u);
  EXPECT_EQ(slices[0].connection, "ISP B");
}

TEST_F(LogTest, TheCycleStartDayIsASettingOfTheLog) {
  EXPECT_EQ(log.cycleStartDay(), 1);
  ASSERT_TRUE(log.setCycleStartDay(15)) << log.error();
  EXPECT_EQ(log.cycleStartDay(), 15);
  for (int bad : {0, 32, -1}) EXPECT_FALSE(log.setCycleStartDay(bad)) << bad;
  EXPECT_EQ(log.cycleStartDay(), 15);
  // A value another program spoilt reads as the default.
  for (const char* junk : {"", "15x", "0", "99999999999999999999", "-3"}) {
    ASSERT_TRUE(log.setSetting(CallLog::kCycleStartDayKey, junk));
    EXPECT_EQ(log.cycleStartDay(), 1) << junk;
  }
  EXPECT_FALSE(log.setting("no such key").has_value());
  EXPECT_EQ(log.error(), "");
}

// --- Opening ---------------------------------------------------------------------

TEST(LogOpen, WritingMakesAWalLogWithTheCurrentTables) {
  TempDir dir;
  CallLog log;
  ASSERT_TRUE(log.open(dir.path(), CallLog::Access::Write)) << log.error();
  EXPECT_EQ(log.fileVersion(), tracker::kLogVersion);
  log.close();
  const std::string db = CallLog::pathIn(dir.path());
  EXPECT_EQ(rawQuery(db, "PRAGMA journal_mode"), "wal");
  EXPECT_EQ(rawQuery(db, "PRAGMA user_version"), std::to_string(tracker::kLogVersion));
  EXPECT_EQ(rawQuery(db, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"), "4");
  EXPECT_EQ(rawQuery(db, "PRAGMA integrity_check"), "ok");
}

TEST(LogOpen, ReadingCreatesNothingAndWritesNothing) {
  TempDir dir;
  CallLog log;
  EXPECT_FALSE(log.open(dir.path(), CallLog::Access::Read));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  EXPECT_FALSE(log.open(dir.file("missing"), CallLog::Access::Write));
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));

  ASSERT_TRUE(log.open(dir.path(), CallLog::Access::Write));
  LoggedSession s = call("ISP A", at(kDay, 8, 0), 60);
  ASSERT_TRUE(log.addFinished(s));
  log.close();
  const auto before = readFileBytes(CallLog::pathIn(dir.path()));

  ASSERT_TRUE(log.open(dir.path(), CallLog::Access::Read)) << log.error();
  std::vector<tracker::SessionRow> rows;
  EXPECT_TRUE(log.sessions({{0, at(kDay, 23, 0)}, std::nullopt}, rows));
  EXPECT_EQ(rows.size(), 1u);
  LoggedSession other = call("ISP A", at(kDay, 9, 0), 60);
  EXPECT_FALSE(log.addFinished(other));
  EXPECT_FALSE(log.setCycleStartDay(3));
  log.close();
  EXPECT_EQ(readFileBytes(CallLog::pathIn(dir.path())), before);
  // The last reader out takes the -wal and -shm files with it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// A log written by a newer program: read as far as we understand it, never written,
// not even its journal mode switched.
TEST(LogOpen, ALogOfANewerVersionIsReadButNeverChanged) {
  TempDir dir;
  const std::string db = CallLog::pathIn(dir.path());
  {
    CallLog log;
    ASSERT_TRUE(log.open(dir.path(), CallLog::Access::Write));
    LoggedSession s = call("ISP A", at(kDay, 8, 0), 60);
    ASSERT_TRUE(log.addFinished(s));
  }
  rawExec(db, "PRAGMA journal_mode = DELETE; ALTER TABLE sessions ADD COLUMN future TEXT; PRAGMA user_version = " +
                  std::to_string(tracker::kLogVersion + 1));
  const auto before = readFileBytes(db);

  CallLog log;
  EXPECT_FALSE(log.open(dir.path(), CallLog::Access::Write));
  EXPECT_NE(log.error().find("newer version"), std::string::npos) << log.error();
  EXPECT_EQ(readFileBytes(db), before);

  ASSERT_TRUE(log.open(dir.path(), CallLog::Access::Read)) << log.error();
  EXPECT_EQ(log.fileVersion(), tracker::kLogVersion + 1);
  std::vector<tracker::SessionRow> rows;
  EXPECT_TRUE(log.sessions({{0, at(kDay, 23, 0)}, std::nullopt}, rows)) << log.error();
  EXPECT_EQ(rows.size(), 1u);
  log.close();
  EXPECT_EQ(readFileBytes(db), before);
}

TEST(LogOpen, AFileThatIsNoDatabaseIsRefusedAndLeftAsItIs) {
  TempDir dir;
  const std::string db = CallLog::pathIn(dir.path());
  const auto junk = patternBytes(5000, 7);
  writeFileBytes(db, junk);
  CallLog log;
  for (auto access : {CallLog::Access::Read, CallLog::Access::Write}) {
    EXPECT_FALSE(log.open(dir.path(), access));
    EXPECT_NE(log.error().find(db), std::string::npos) << log.error();
  }
  EXPECT_EQ(readFileBytes(db), junk);
  // A folder by the log's name.
  TempDir other;
  std::filesystem::create_directory(CallLog::pathIn(other.path()));
  EXPECT_FALSE(log.open(other.path(), CallLog::Access::Write));
  EXPECT_FALSE(log.open(other.path(), CallLog::Access::Read));
}

// A pppd hook's write while the tracker holds the write lock: it waits for it
// instead of failing.
TEST(LogOpen, ASecondWriterWaitsForTheFirst) {
  TempDir dir;
  CallLog first, second;
  ASSERT_TRUE(first.open(dir.path(), CallLog::Access::Write));
  ASSERT_TRUE(second.open(dir.path(), CallLog::Access::Write));
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(CallLog::pathIn(dir.path()).c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(raw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  std::thread release([raw] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
  });
  LoggedSession s = call("ISP A", at(kDay, 8, 0), 60);
  const bool ok = second.addFinished(s);
  release.join();
  sqlite3_close(raw);
  EXPECT_TRUE(ok) << second.error();
  std::vector<tracker::SessionRow> rows;
  ASSERT_TRUE(first.sessions({{0, at(kDay, 23, 0)}, std::nullopt}, rows));
  EXPECT_EQ(rows.size(), 1u);
}

}  // namespace
}  // namespace prandel::test
