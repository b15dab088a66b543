// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack which: the condition map's answer for every quarter hour of the demo week,
// and what it prints.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDate>
#include <QLocale>
#include <memory>
#include <set>
#include <sstream>

#include "ZktrackKit.h"
#include "core/ConditionCoverage.h"
#include "core/ConditionMatching.h"
#include "core/Regional.h"
#include "expense/frmmExpGraph.h"
#include "store/RecordIO.h"
#include "support/WindowKit.h"
#include "ui/Style.h"

namespace prandel::test {
namespace {

using store::ExpenseCondition;

std::string dayLabel(const QDate& d) { return QLocale::c().toString(d, QStringLiteral("ddd yyyy-MM-dd")).toStdString(); }

std::string firstLine(const std::string& out) { return out.substr(0, out.find('\n')); }

// The demo, and two conditions bound to a connection, in both sets.
void addBoundConditions(store::DataFiles& files) {
  ExpenseCondition nights;
  nights.InUse = true;
  nights.PerType = 5;
  nights.TimeType = 1;
  nights.TimeStart = Regional::fromTime(18, 0, 0);
  nights.TimeEnd = Regional::fromTime(8, 0, 0);
  nights.ConVal = true;
  nights.ConNm = "ISP A";
  ExpenseCondition holidays = nights;
  holidays.PerType = 4;
  holidays.TimeType = 0;
  for (int base : {ExpenseCondition::LiveBase, ExpenseCondition::WorkBase}) {
    store::writeRecord(files, ExpenseCondition::Channel, base + 5, nights);
    store::writeRecord(files, ExpenseCondition::Channel, base + 6, holidays);
  }
}

// The map's week from Monday 21 December 2026: Christmas and Boxing Day are listed
// holidays, Sunday is the weekly day off. For each choice of the map's connection
// list, every quarter hour the map coloured must be what which answers, in process
// by the function which calls and, for a sample, by zktrack itself.
TEST(Which, AgreesWithTheConditionMapOnEveryQuarterHourOfTheDemoWeek) {
  WindowKit kit;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", kit.dir.path()}).code, 0);
  kit.s.OpenDataFiles();
  addBoundConditions(kit.s.files);
  kit.s.MainRecIO(false);
  const QDate monday(2026, 12, 21);
  kit.fake.clock.set(QDateTime(monday, QTime(10, 0)));
  kit.fake.dialup.names = {"ISP A"};
  ui::applyAppStyle();
  frmmExpGraph map(kit.ctx);

  int sampled = 0;
  for (const auto& [item, conn] : {std::pair{0, QString()}, std::pair{1, QStringLiteral("ISP A")}}) {
    choose(map.cmbExpCon, item);
    const auto& drawn = map.slotConditions();
    const ConditionMatcher matcher(kit.s.files, kit.s.MainRec, ExpenseCondition::LiveBase,
                                   conn.isEmpty() ? kDefaultConnection : conn);
    std::set<int> seen;
    for (int slot = 0; slot < 7 * kQuarterHoursPerDay; ++slot) {
      const QDate day = monday.addDays(slot / kQuarterHoursPerDay);
      const int q = slot % kQuarterHoursPerDay;
      const int want = drawn[static_cast<std::size_t>(slot)];
      seen.insert(want);
      ASSERT_EQ(matcher.match(quarterHourMoment(day, q)).winner, want) << "slot " << slot << " " << conn.toStdString();
      // A sample for zktrack itself: a stride that visits every quarter of the hour.
      if (slot % 13 != 0) continue;
      const std::string when = day.toString(QStringLiteral("yyyy-MM-dd")).toStdString() + " " +
                               QTime(q / 4, q % 4 * 15).toString(QStringLiteral("HH:mm")).toStdString();
      std::vector<std::string> args = {"which", when, "--data", kit.dir.path()};
      if (!conn.isEmpty()) args.insert(args.end(), {"--connection", conn.toStdString()});
      const RunResult r = runProgram(ZKTRACK_PATH, args);
      ASSERT_EQ(r.code, 0) << r.err;
      const std::string answer = want == 0 ? "No Condition" : "Condition " + std::to_string(want);
      ASSERT_EQ(firstLine(r.out), dayLabel(day) + " " + when.substr(11) +
                                      (conn.isEmpty() ? "" : ", connection \"ISP A\"") + ": " + answer);
      ++sampled;
    }
    // Not a toothless week: the holidays take the weekend from condition 3, and for
    // "ISP A" none of its conditions holds on weekdays' day times.
    const std::set<int> shown = conn.isEmpty() ? std::set<int>{1, 2, 4} : std::set<int>{0, 5, 6};
    EXPECT_EQ(seen, shown) << conn.toStdString();
  }
  EXPECT_EQ(sampled, 2 * 52);
}

TEST(Which, PrintsTheMomentAndTheConditionInForce) {
  TempDir data;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()}).code, 0);
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const Case cases[] = {
      {{"2026-12-24 20:00"},
       "Thu 2026-12-24 20:00: Condition 1\n"
       "  Amount : $ 1.20 Per Hour\n"
       "  Period : Every Day\n"
       "  Time : For a Whole Day\n"},
      {{"2026-12-22T10:00"},
       "Tue 2026-12-22 10:00: Condition 2\n"
       "  Amount : $ 2.50 Per Hour\n"
       "  Period : On Weekdays (Mon-Fri).\n"
       "  Time : From 08:00 To 18:00\n"
       "  Initial Call Amount : $ 0.10\n"},
      {{"2026-12-25"},
       "Fri 2026-12-25 00:00: Condition 4\n"
       "  Amount : Free of charge\n"
       "  Period : On Holidays.\n"
       "  Time : For a Whole Day\n"},
      // Unquoted, the moment is two words.
      {{"2026-12-19", "13:15"},
       "Sat 2026-12-19 13:15: Condition 3\n"
       "  Amount : $ 0.50 Per Call\n"
       "  Period : On Weekends (Sat-Sun).\n"
       "  Time : For a Whole Day\n"
       "  Custom Call Time : 00:01:00\n"
       "  Other ISP Charges : $ 0.80\n"},
      {{"2026-12-22 17:59", "--connection", "ISP B"}, "Tue 2026-12-22 17:59, connection \"ISP B\": No Condition\n"},
      {{"2026-12-22 17:59", "--connection", "Default"}, "Tue 2026-12-22 17:59: Condition 2"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"which"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"--data", data.path()});
    const RunResult r = runProgram(ZKTRACK_PATH, args);
    EXPECT_EQ(r.code, 0) << c.args[0] << r.err;
    if (c.out.find('\n') == std::string::npos) EXPECT_EQ(firstLine(r.out), c.out) << c.args[0];
    else EXPECT_EQ(r.out, c.out) << c.args[0];
    EXPECT_EQ(r.err, "") << c.args[0];
  }

  const QDate before = QDate::currentDate();
  const RunResult now = runProgram(ZKTRACK_PATH, {"which", "now", "--data", data.path()});
  const QDate after = QDate::currentDate();
  EXPECT_EQ(now.code, 0) << now.err;
  EXPECT_TRUE(now.out.starts_with(dayLabel(before) + " ") || now.out.starts_with(dayLabel(after) + " ")) << now.out;
}

// The working set holds the expense window's unsaved (or discarded) edits; what a
// user asks about is what the tracker prices by, the live set.
TEST(WhichAndCheck, ReadTheLiveConditionsNotTheUnsavedEdits) {
  TempDir data;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()}).code, 0);
  // Condition 1 deleted in the working set: the slots after it would not count.
  editRecords(data.path(), [](store::DataFiles& files) {
    store::writeRecord(files, ExpenseCondition::Channel, ExpenseCondition::WorkBase + 1, ExpenseCondition{});
  });
  const RunResult which = runProgram(ZKTRACK_PATH, {"which", "2026-12-24 20:00", "--data", data.path()});
  EXPECT_EQ(firstLine(which.out), "Thu 2026-12-24 20:00: Condition 1");
  const RunResult check = runProgram(ZKTRACK_PATH, {"check", "--from", "2026-12-07", "--data", data.path()});
  EXPECT_EQ(check.code, 0) << check.out;
}

}  // namespace
}  // namespace prandel::test
