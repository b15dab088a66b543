// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack log add: the call it logs is the engine's pricing of it, with the history
// of the log counted in; its samples are kept as given; and a call it cannot take
// leaves no log behind.
#include <gtest/gtest.h>

#include <QDateTime>
#include <filesystem>

#include "ZktrackKit.h"
#include "core/Regional.h"
#include "core/Pricing.h"
#include "store/RecordIO.h"
#include "tracker/CallLog.h"

namespace prandel::test {
namespace {

using store::ExpenseCondition;
using tracker::CallLog;
using tracker::LoggedSession;

tracker::Epoch utc(int d, int h, int mi, int s = 0) {
  return QDateTime(QDate(2026, 12, d), QTime(h, mi, s), QTimeZone::utc()).toSecsSinceEpoch();
}

// Every session of the log with its slices and samples, in order.
std::vector<LoggedSession> logged(const std::string& folder) {
  CallLog log;
  EXPECT_TRUE(log.open(folder, CallLog::Access::Read)) << log.error();
  std::vector<tracker::SessionRow> rows;
  EXPECT_TRUE(log.sessions({{0, utc(31, 0, 0) + 86400 * 400}, std::nullopt}, rows));
  std::vector<LoggedSession> out;
  for (const auto& r : rows) {
    out.emplace_back();
    EXPECT_TRUE(log.session(r.id, out.back()));
  }
  return out;
}

RunResult logAdd(const std::string& folder, std::vector<std::string> args) {
  args.insert(args.begin(), {"log", "add"});
  args.insert(args.end(), {"--data", folder});
  return runProgram(ZKTRACK_PATH, args);
}

// Condition 1 costs 3.60 an hour once today's counted time passes an hour; until
// then condition 2, free, is in force (both score alike: 1 wins where it holds).
void writeDayFilterTariff(const std::string& folder) {
  editRecords(folder, [](store::DataFiles& f) {
    ExpenseCondition paid;
    paid.InUse = true;
    paid.Amt = 3.60;
    paid.CondItem = 2;  // Todays Time
    paid.CondCmp = 2;   // is greater than
    paid.CondVal = 3600;
    ExpenseCondition free;
    free.InUse = true;
    store::writeRecord(f, ExpenseCondition::Channel, ExpenseCondition::LiveBase + 1, paid);
    store::writeRecord(f, ExpenseCondition::Channel, ExpenseCondition::LiveBase + 2, free);
    store::MainRecord m;
    store::MainRecIO(f, m, false);
    m.CurSymbol = "EUR     ";
    store::MainRecIO(f, m, true);
  });
}

TEST(LogAdd, ThePricingCountsTheEarlierCallsOfTheDay) {
  TempDir dir;
  writeDayFilterTariff(dir.path());
  // 10:00-11:30: free while today's time is up to 3600 s, then 1799 s at 0.001 (the
  // filter reads the counter at a unit's first second, before it is counted).
  RunResult r = logAdd(dir.path(), {"--from", "2026-12-14 10:00", "--to", "2026-12-14 11:30", "--connection", "ISP A"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Logged session 1: 2026-12-14 10:00 to 2026-12-14 11:30, \"ISP A\", counted 01:30:00, cost EUR 1.80\n");
  // 14:00-14:10: the morning's 90 minutes make it paid from its first second.
  r = logAdd(dir.path(), {"--from", "2026-12-14 14:00", "--duration", "10m"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("cost EUR 0.60"), std::string::npos) << r.out;
  // The next day starts afresh; a call logged after the fact for the morning before
  // counts only what came before it.
  ASSERT_EQ(logAdd(dir.path(), {"--from", "2026-12-15 00:00", "--duration", "600"}).code, 0);
  r = logAdd(dir.path(), {"--from", "@" + std::to_string(utc(14, 8, 0)), "--to", "2026-12-14 08:30:00"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("cost EUR 0.00"), std::string::npos) << r.out;

  // zktrack price reads the same history from the log, and leaves the folder as it is.
  const auto files = listing(dir.path());
  const RunResult price = runProgram(ZKTRACK_PATH, {"price", "--from", "2026-12-14 14:30", "--duration", "10m", "--data", dir.path()});
  ASSERT_EQ(price.code, 0) << price.err;
  EXPECT_TRUE(price.has("Total: EUR 0.60")) << price.out;
  EXPECT_EQ(listing(dir.path()), files);

  const auto sessions = logged(dir.path());
  ASSERT_EQ(sessions.size(), 4u);
  const auto& first = sessions[1];  // by start: 08:00, 10:00, 14:00, next day
  EXPECT_EQ(first.session.connection, "ISP A");
  EXPECT_DOUBLE_EQ(first.session.cost, 1.799);
  ASSERT_EQ(first.slices.size(), 2u);
  EXPECT_EQ(first.slices[0].slot, 2);
  EXPECT_EQ(first.slices[0].label, "Condition 2: Free of charge");
  EXPECT_EQ(first.slices[1].from, utc(14, 11, 0) + 1);  // the first second past the hour
  EXPECT_EQ(first.slices[1].label, "Condition 1: EUR 3.60 Per Hour");
  EXPECT_DOUBLE_EQ(sessions[2].session.cost, 0.6);
  EXPECT_DOUBLE_EQ(sessions[3].session.cost, 0);
}

// What the log holds is what the engine says, slice for slice, on the demo tariff.
TEST(LogAdd, LogsTheEnginesPricingWithTheSamplesAsGiven) {
  TempDir dir;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", dir.path()}).code, 0);
  writeFileText(dir.file("samples.csv"), "seconds_since_up,received,sent\n0,0,0\n60,1000,100\n 600 , 50000 , 2000 \n"
                                         "2026-12-14T18:10:00,60000,2500\n");
  const RunResult r = logAdd(dir.path(), {"--from", "2026-12-14 17:50", "--to", "2026-12-14 18:20", "--dial-start",
                                          "2026-12-14 17:49:30", "--samples", dir.file("samples.csv"), "--connection", "ISP A"});
  ASSERT_EQ(r.code, 0) << r.err;
  const RunResult totals = logAdd(dir.path(), {"--from", "2026-12-15 09:00", "--duration", "1h", "--down", "7340032", "--up", "1024"});
  ASSERT_EQ(totals.code, 0) << totals.err;

  core::CallInput call;
  call.connection = "ISP A";
  call.dialStart = utc(14, 17, 49, 30);
  call.up = utc(14, 17, 50);
  call.end = utc(14, 18, 20);
  call.samples = {{call.up, 0, 0}, {call.up + 60, 1000, 100}, {call.up + 600, 50000, 2000}, {utc(14, 18, 10), 60000, 2500}};
  store::DataFiles files;
  ASSERT_TRUE(files.openAllForReading(dir.path()));
  const auto want = core::priceCall(core::readTariffSettings(files, 1), call, {}, core::LocalClock(QTimeZone::utc()));

  const auto sessions = logged(dir.path());
  ASSERT_EQ(sessions.size(), 2u);
  const auto& s = sessions[0];
  EXPECT_EQ(s.session.dialStart, call.dialStart);
  EXPECT_EQ(s.session.countFrom, want.countFrom);
  EXPECT_EQ(s.session.countedSeconds, want.countedSeconds);
  EXPECT_EQ(s.session.received, 60000u);
  EXPECT_DOUBLE_EQ(s.session.cost, core::roundAmount(want.cost));
  ASSERT_EQ(s.slices.size(), want.slices.size());
  double sum = 0;
  for (std::size_t i = 0; i < want.slices.size(); ++i) {
    EXPECT_EQ(s.slices[i].from, want.slices[i].from) << i;
    EXPECT_EQ(s.slices[i].to, want.slices[i].to) << i;
    EXPECT_EQ(s.slices[i].slot, want.slices[i].slot) << i;
    EXPECT_EQ(s.slices[i].units, want.slices[i].units) << i;
    EXPECT_DOUBLE_EQ(s.slices[i].charge, core::roundAmount(want.slices[i].charge)) << i;
    sum += s.slices[i].charge;
  }
  EXPECT_NEAR(sum, s.session.cost, 1e-4);
  ASSERT_EQ(s.samples.size(), 4u);
  EXPECT_EQ(s.samples[2].at, call.up + 600);
  EXPECT_EQ(s.samples[3].received, 60000u);
  // Totals are kept as two samples, not one a second.
  ASSERT_EQ(sessions[1].samples.size(), 2u);
  EXPECT_EQ(sessions[1].samples[1].received, 7340032u);
  EXPECT_EQ(sessions[1].session.sent, 1024u);
}

TEST(LogAdd, ACallItCannotTakeLeavesNoLog) {
  TempDir dir;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", dir.path()}).code, 0);
  writeFileText(dir.file("bad.csv"), "s,r,t\n0,0,0\n60,ten,0\n");
  writeFileText(dir.file("short.csv"), "s,r,t\n0,0\n");
  writeFileText(dir.file("empty.csv"), "");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"--from", "2026-12-14 17:50"}, "give the call's end with --to"},
      {{"--from", "2026-12-14 17:50", "--to", "2026-12-14 17:40"}, "--to is before --from"},
      {{"--from", "2026-12-14 17:50", "--duration", "0"}, "the call has no length"},
      {{"--from", "2026-12-14 17:50", "--duration", "745h"}, "31 days"},
      {{"--from", "2026-12-14 25:50", "--duration", "5m"}, "not a moment for --from"},
      {{"--from", "2026-12-14 17:50", "--duration", "5 minutes"}, "not a duration"},
      {{"--from", "2026-12-14 17:50", "--duration", "5m", "--dial-start", "2026-12-14 17:51"}, "--dial-start is after --from"},
      {{"--from", "2026-12-14 17:50", "--duration", "5m", "--down", "-5"}, "not a byte count for --down"},
      {{"--from", "2026-12-14 17:50", "--duration", "5m", "--samples", dir.file("bad.csv")}, "bad.csv:3: "},
      {{"--from", "2026-12-14 17:50", "--duration", "5m", "--samples", dir.file("short.csv")}, "short.csv:2: "},
      {{"--from", "2026-12-14 17:50", "--duration", "5m", "--samples", dir.file("empty.csv")}, ": empty"},
      {{"--from", "2026-12-14 17:50", "--duration", "5m", "--samples", dir.file("none.csv")}, "cannot be read"},
      {{"--from", "2026-12-14 17:50", "--duration", "5m", "--samples", dir.file("bad.csv"), "--down", "5"}, "not both"},
  };
  for (const auto& c : cases) {
    const RunResult r = logAdd(dir.path(), c.args);
    EXPECT_EQ(r.code, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(CallLog::existsIn(dir.path()));
  const RunResult missing = logAdd(dir.file("none"), {"--from", "2026-12-14 17:50", "--duration", "5m"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("none")));
}

}  // namespace
}  // namespace prandel::test
