// SPDX-License-Identifier: GPL-3.0-or-later
// Logs of the versions shipped before are brought up to date when opened for
// writing, all in one transaction, with their sessions as they were; opened for
// reading they are read as they are.
#include <gtest/gtest.h>

#include "LogKit.h"
#include "support/TempDir.h"
#include "tracker/LogSchema.h"

namespace prandel::test {
namespace {

using tracker::CallLog;

// A log as version 1 made it: its tables, a finished and a running session, a
// setting. Written with SQLite alone, as that version wrote them.
void makeVersion1(const std::string& db) {
  rawExec(db, std::string(tracker::logSchemaSteps()[0]) + R"sql(
    INSERT INTO sessions (id, connection, t0, t1, t2, count_from, counted_seconds, received, sent, cost,
                          unpriced_seconds, countdown_seconds, state)
      VALUES (1, 'ISP A', 1797267000 - 30, 1797267000, 1797268800, 1797267000 - 30, 1830, 5000000, 300000, 0.8833,
              0, 1830, 'finished'),
             (2, 'ISP B', NULL, 1797300000, NULL, 1797300000, 600, 0, 0, 0.1, 5, 0, 'running');
    INSERT INTO slices VALUES (1, 1797267000 - 30, 1797267600, 2, 'Condition 2: $ 2.50 Per Hour', 630, 0.4375),
                              (1, 1797267600, 1797268800, 1, 'Condition 1: $ 1.20 Per Hour', 1200, 0.4458);
    INSERT INTO samples VALUES (1, 1797267000, 0, 0), (1, 1797268800, 5000000, 300000);
    INSERT INTO settings VALUES ('cycle_start_day', '15');
    PRAGMA user_version = 1;
  )sql");
}

TEST(LogMigration, AVersion1LogIsBroughtUpToDateWithItsSessions) {
  static_assert(tracker::kLogVersion == 2, "a new version needs its own migration test");
  TempDir dir;
  const std::string db = CallLog::pathIn(dir.path());
  makeVersion1(db);

  // Read as it is: nothing changes, the new column is worked out.
  {
    CallLog log;
    ASSERT_TRUE(log.open(dir.path(), CallLog::Access::Read)) << log.error();
    EXPECT_EQ(log.fileVersion(), 1);
    tracker::LoggedSession s;
    ASSERT_TRUE(log.session(2, s)) << log.error();
    EXPECT_EQ(s.session.lastWrite, 1797300000 + 600);
  }
  EXPECT_EQ(rawQuery(db, "PRAGMA user_version"), "1");

  CallLog log;
  ASSERT_TRUE(log.open(dir.path(), CallLog::Access::Write)) << log.error();
  EXPECT_EQ(log.fileVersion(), 2);
  EXPECT_EQ(rawQuery(db, "PRAGMA user_version"), "2");
  EXPECT_EQ(rawQuery(db, "SELECT COUNT(*) FROM pragma_table_info('sessions') WHERE name = 'last_write'"), "1");
  EXPECT_EQ(rawQuery(db, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'sessions_by_state'"), "1");

  tracker::LoggedSession s;
  ASSERT_TRUE(log.session(1, s)) << log.error();
  EXPECT_EQ(s.session.connection, "ISP A");
  EXPECT_EQ(s.session.dialStart, 1797267000 - 30);
  EXPECT_EQ(s.session.lastWrite, 1797268800);  // its end
  EXPECT_DOUBLE_EQ(s.session.cost, 0.8833);
  ASSERT_EQ(s.slices.size(), 2u);
  EXPECT_EQ(s.slices[1].label, "Condition 1: $ 1.20 Per Hour");
  EXPECT_EQ(s.samples.size(), 2u);
  ASSERT_TRUE(log.session(2, s));
  EXPECT_EQ(s.session.state, tracker::SessionState::Running);
  EXPECT_EQ(s.session.lastWrite, 1797300000 + 600);  // as far as it counted
  EXPECT_EQ(log.cycleStartDay(), 15);

  // And it goes on as a log of this version: the running session is finished.
  s.session.end = 1797300000 + 900;
  s.session.countedSeconds = 900;
  ASSERT_TRUE(log.finish(s.session, {}, {})) << log.error();
  ASSERT_TRUE(log.session(2, s));
  EXPECT_EQ(s.session.lastWrite, 1797300000 + 900);
  log.close();
  EXPECT_EQ(rawQuery(db, "PRAGMA integrity_check"), "ok");
}

// A migration that fails halfway leaves the log as it was: version, tables, rows.
TEST(LogMigration, AFailedMigrationChangesNothing) {
  TempDir dir;
  const std::string db = CallLog::pathIn(dir.path());
  makeVersion1(db);
  // The index of version 2 is there already, so its step fails after the column
  // was added and the rows updated.
  rawExec(db, "CREATE INDEX sessions_by_state ON sessions (state)");
  const std::string schemaBefore = rawQuery(db, "SELECT group_concat(sql, ';') FROM sqlite_master");

  CallLog log;
  EXPECT_FALSE(log.open(dir.path(), CallLog::Access::Write));
  EXPECT_NE(log.error().find("version 2"), std::string::npos) << log.error();
  EXPECT_EQ(rawQuery(db, "PRAGMA user_version"), "1");
  EXPECT_EQ(rawQuery(db, "SELECT group_concat(sql, ';') FROM sqlite_master"), schemaBefore);
  EXPECT_EQ(rawQuery(db, "SELECT COUNT(*) FROM pragma_table_info('sessions') WHERE name = 'last_write'"), "0");
  EXPECT_EQ(rowCount(db, "sessions"), 2);
  // Still readable as version 1.
  ASSERT_TRUE(log.open(dir.path(), CallLog::Access::Read)) << log.error();
  std::vector<tracker::SessionRow> rows;
  EXPECT_TRUE(log.sessions({{0, 1800000000}, std::nullopt}, rows));
  EXPECT_EQ(rows.size(), 2u);
}

}  // namespace
}  // namespace prandel::test
