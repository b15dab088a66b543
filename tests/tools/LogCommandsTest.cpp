// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack log, log settings and report on logs written through the session log
// itself: what they print in each form, what they refuse, and that reading creates
// and changes nothing.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>

#include "ZktrackKit.h"
#include "store/RecordIO.h"
#include "tracker/CallLog.h"

namespace prandel::test {
namespace {

using tracker::CallLog;
using tracker::LoggedSession;

tracker::Epoch utc(int y, int mo, int d, int h, int mi) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone::utc()).toSecsSinceEpoch();
}

LoggedSession session(const std::string& conn, tracker::Epoch up, std::int64_t secs, double cost,
                      std::uint64_t received, std::uint64_t sent) {
  LoggedSession s;
  s.session.connection = conn;
  s.session.up = s.session.countFrom = up;
  s.session.end = up + secs;
  s.session.countedSeconds = secs;
  s.session.cost = cost;
  s.session.received = received;
  s.session.sent = sent;
  s.slices = {{up, up + secs, 2, "Condition 2: $ 2.50 Per Hour", secs, cost}};
  s.samples = {{up, 0, 0}, {up + secs, received, sent}};
  return s;
}

// A seeded data folder ($, a countdown) with three sessions in December 2026, the
// second of a connection whose name needs quoting in CSV, and one running.
class LogCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", dir.path()}).code, 0);
    CallLog log;
    ASSERT_TRUE(log.open(dir.path(), CallLog::Access::Write)) << log.error();
    for (auto s : {session("ISP A", utc(2026, 12, 14, 17, 50), 1800, 1.25, 3 << 20, 300 << 10),
                   session("Work, \"night\"", utc(2026, 12, 15, 22, 0), 600, 0.5, 1000, 200),
                   session("ISP A", utc(2027, 1, 2, 9, 0), 60, 0.01, 10, 10)})
      ASSERT_TRUE(log.addFinished(s)) << log.error();
    tracker::SessionRow running;
    running.connection = "ISP A";
    running.up = running.countFrom = utc(2026, 12, 20, 8, 0);
    running.countedSeconds = 120;
    running.cost = 0.1;
    running.state = tracker::SessionState::Running;
    ASSERT_TRUE(log.saveRunning(running, {}, {}));
  }
  RunResult zk(std::vector<std::string> args) const {
    args.insert(args.end(), {"--data", dir.path()});
    return runProgram(ZKTRACK_PATH, args);
  }
  TempDir dir;
};

TEST_F(LogCommands, ListsTheSessionsAsATable) {
  const RunResult r = zk({"log", "--to", "2026-12-31"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.has("Start                       Duration  Connection     Received    Sent    Cost")) << r.out;
  EXPECT_TRUE(r.has("2026-12-14 17:50            00:30:00  ISP A           3.00 MB  300 KB  $ 1.25")) << r.out;
  EXPECT_TRUE(r.has("2026-12-15 22:00            00:10:00  Work, \"night\"    1000 B   200 B  $ 0.50")) << r.out;
  EXPECT_TRUE(r.has("2026-12-20 08:00  00:02:00 (running)  ISP A               0 B     0 B  $ 0.10")) << r.out;
  EXPECT_TRUE(r.has("3 sessions, counted time 00:42:00, cost $ 1.85")) << r.out;

  const RunResult one = zk({"log", "--connection", "ISP A", "--from", "2026-12-15"});
  ASSERT_EQ(one.code, 0) << one.err;
  EXPECT_TRUE(one.has("2 sessions, counted time 00:03:00, cost $ 0.11")) << one.out;

  // The decimal comma of the main record.
  editRecords(dir.path(), [](store::DataFiles& f) {
    store::MainRecord m;
    store::MainRecIO(f, m, false);
    m.CommaDecimal = true;
    store::MainRecIO(f, m, true);
  });
  EXPECT_TRUE(zk({"log"}).has("4 sessions, counted time 00:43:00, cost $ 1,86"));
}

TEST_F(LogCommands, ExportsEveryFieldAsJsonAndCsv) {
  const RunResult j = zk({"log", "--json", "--from", "2026-12-15", "--to", "2026-12-15"});
  ASSERT_EQ(j.code, 0) << j.err;
  const QJsonObject top = QJsonDocument::fromJson(QByteArray::fromStdString(j.out)).object();
  EXPECT_EQ(top[QStringLiteral("currency")].toString(), QStringLiteral("$"));
  const QJsonArray list = top[QStringLiteral("sessions")].toArray();
  ASSERT_EQ(list.size(), 1);
  const QJsonObject s = list[0].toObject();
  EXPECT_EQ(s[QStringLiteral("connection")].toString(), QStringLiteral("Work, \"night\""));
  EXPECT_EQ(s[QStringLiteral("up")].toString(), QStringLiteral("2026-12-15T22:00:00Z"));
  EXPECT_EQ(s[QStringLiteral("end")].toString(), QStringLiteral("2026-12-15T22:10:00Z"));
  EXPECT_TRUE(s[QStringLiteral("dial_start")].isNull());
  EXPECT_EQ(s[QStringLiteral("counted_seconds")].toInt(), 600);
  EXPECT_EQ(s[QStringLiteral("received")].toInt(), 1000);
  EXPECT_DOUBLE_EQ(s[QStringLiteral("cost")].toDouble(), 0.5);
  EXPECT_EQ(s[QStringLiteral("state")].toString(), QStringLiteral("finished"));
  EXPECT_EQ(s[QStringLiteral("last_write")].toString(), QStringLiteral("2026-12-15T22:10:00Z"));
  EXPECT_EQ(s.keys().size(), 14);

  const RunResult c = zk({"log", "--csv", "--to", "2026-12-20"});
  ASSERT_EQ(c.code, 0) << c.err;
  EXPECT_EQ(c.out,
            "id,connection,dial_start,up,end,count_from,counted_seconds,unpriced_seconds,received,sent,cost,"
            "countdown_seconds,state,last_write\r\n"
            "1,ISP A,,2026-12-14T17:50:00Z,2026-12-14T18:20:00Z,2026-12-14T17:50:00Z,1800,0,3145728,307200,1.25,0,finished,"
            "2026-12-14T18:20:00Z\r\n"
            "2,\"Work, \"\"night\"\"\",,2026-12-15T22:00:00Z,2026-12-15T22:10:00Z,2026-12-15T22:00:00Z,600,0,1000,200,0.5,0,"
            "finished,2026-12-15T22:10:00Z\r\n"
            "4,ISP A,,2026-12-20T08:00:00Z,,2026-12-20T08:00:00Z,120,0,0,0,0.1,0,running,2026-12-20T08:02:00Z\r\n");
}

TEST_F(LogCommands, ReportsACycleAndDrawsItsChart) {
  const RunResult r = zk({"report", "--at", "2026-12-14", "--chart", dir.file("cycle.png")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.has("Billing cycle 2026-12-01 to 2026-12-31 (it starts on day 1)")) << r.out;
  EXPECT_TRUE(r.has("Sessions              3")) << r.out;
  EXPECT_TRUE(r.has("Counted time   00:42:00")) << r.out;
  EXPECT_TRUE(r.has("Cost             $ 1.85")) << r.out;
  EXPECT_TRUE(r.has("  ISP A                 2      00:32:00   3.00 MB  300 KB  $ 1.35")) << r.out;
  EXPECT_TRUE(r.has("  Condition 2: $ 2.50 Per Hour  00:40:00   2400  $ 1.75")) << r.out;
  EXPECT_TRUE(r.has("  2026-12-14 17:50-18:20  ISP A          Condition 2: $ 2.50 Per Hour  $ 1.25")) << r.out;
  const QImage chart(QString::fromStdString(dir.file("cycle.png")));
  EXPECT_FALSE(chart.isNull());

  // A cycle from the 15th: the 14th's session is in the cycle before.
  ASSERT_EQ(zk({"log", "settings", "cycle-start-day", "15"}).code, 0);
  const RunResult later = zk({"report", "--at", "2026-12-20", "--chart", dir.file("later.svg")});
  EXPECT_TRUE(later.has("Billing cycle 2026-12-15 to 2027-01-14 (it starts on day 15)")) << later.out;
  EXPECT_TRUE(later.has("Sessions              3")) << later.out;
  EXPECT_NE(readText(dir.file("later.svg")).find("Billing cycle 2026-12-15"), std::string::npos);

  const RunResult day = zk({"report", "--day", "--at", "2026-12-15", "--connection", "ISP A"});
  EXPECT_TRUE(day.has("Day Tue 2026-12-15, connection \"ISP A\"")) << day.out;
  EXPECT_TRUE(day.has("Sessions              0")) << day.out;
  EXPECT_TRUE(zk({"report", "--month", "--at", "2027-01-31"}).has("Month January 2027"));
}

TEST_F(LogCommands, TheCycleStartDaySetting) {
  EXPECT_TRUE(zk({"log", "settings"}).has("cycle-start-day 1 (the billing cycle starts on the 1st of each month)"));
  const RunResult set = zk({"log", "settings", "cycle-start-day", "31"});
  EXPECT_EQ(set.code, 0) << set.err;
  EXPECT_TRUE(set.has("cycle-start-day 31 (the billing cycle starts on the 31st of each month, or on a shorter month's last day)"))
      << set.out;
  EXPECT_TRUE(zk({"log", "settings", "cycle-start-day"}).has("cycle-start-day 31 (the billing cycle starts on the 31st of each month)"));
  for (const char* bad : {"0", "32", "x", "15x", ""}) {
    const RunResult r = zk({"log", "settings", "cycle-start-day", bad});
    if (std::string(bad).empty()) continue;  // no value: shown, not set
    EXPECT_EQ(r.code, 2) << bad;
    EXPECT_NE(r.err.find("1 to 31"), std::string::npos) << r.err;
  }
  EXPECT_EQ(zk({"log", "settings", "colour", "red"}).code, 2);
  EXPECT_TRUE(zk({"log", "settings"}).has("cycle-start-day 31 (the billing cycle starts on the 31st of each month)"));
}

TEST(LogCommandsWithoutLog, SayNoCallsLoggedYetAndCreateNothing) {
  TempDir dir;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", dir.path()}).code, 0);
  const auto before = listing(dir.path());
  const std::vector<std::vector<std::string>> reads = {
      {"log", "--from", "2026-12-01"}, {"log", "--json"}, {"log", "--csv"}, {"report", "--day"}};
  for (auto args : reads) {
    args.insert(args.end(), {"--data", dir.path()});
    const RunResult r = runProgram(ZKTRACK_PATH, args);
    EXPECT_EQ(r.code, 0) << args[0] << r.err;
    const bool forScripts = args[1] == "--json" || args[1] == "--csv";
    EXPECT_NE((forScripts ? r.err : r.out).find("No calls logged yet"), std::string::npos) << args[1] << r.out;
    if (args[1] == "--csv") {
      EXPECT_EQ(r.out.substr(0, 14), "id,connection,");
    }
    if (args[1] == "--json") {
      EXPECT_NE(r.out.find("\"sessions\": [\n    ]"), std::string::npos) << r.out;
    }
  }
  EXPECT_TRUE(runProgram(ZKTRACK_PATH, {"log", "settings", "--data", dir.path()}).has("cycle-start-day 1 (the billing cycle starts on the 1st of each month)"));
  EXPECT_EQ(listing(dir.path()), before);

  // A missing folder is an error, for reading and for writing, and is not made.
  const std::string missing = dir.file("none");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"log", "--data", missing}, {"report", "--data", missing}, {"log", "settings", "cycle-start-day", "5", "--data", missing}}) {
    const RunResult r = runProgram(ZKTRACK_PATH, args);
    EXPECT_EQ(r.code, 1) << args[0];
    EXPECT_NE(r.err.find("no data folder"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(LogCommandsWrongLine, ExitTwoWithAMessage) {
  TempDir dir;
  const std::vector<std::vector<std::string>> cases = {
      {"log", "--from", "2026-13-01"},
      {"log", "--from", "2026-12-15", "--to", "2026-12-14"},
      {"log", "--json", "--csv"},
      {"report", "--at", "yesterday"},
      {"report", "--day", "--month"},
      {"report", "--chart", "x.gif"},
  };
  for (auto args : cases) {
    args.insert(args.end(), {"--data", dir.path()});
    const RunResult r = runProgram(ZKTRACK_PATH, args);
    EXPECT_EQ(r.code, 2) << args[1];
    EXPECT_FALSE(r.err.empty()) << args[1];
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace prandel::test
