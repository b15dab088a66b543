// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack check: uncovered quarter hours and conditions never in force, for a crafted
// set and the demo; and what which and check share: the command line, a folder
// without records, garbage records, and that looking changes nothing.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <QDate>
#include <QLocale>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>

#include "ZktrackKit.h"
#include "core/ConditionShapes.h"
#include "core/Regional.h"
#include "store/ExpenseCondition.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"

namespace prandel::test {
namespace {

using store::ExpenseCondition;

std::vector<std::string> lines(const std::string& out) {
  std::vector<std::string> v;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

RunResult zktrack(std::vector<std::string> args, const std::string& folder) {
  args.insert(args.end(), {"--data", folder});
  return runProgram(ZKTRACK_PATH, args);
}

using namespace period;

// A folder whose records hold these live conditions and no holidays.
void writeConditions(const std::string& folder, const std::vector<ExpenseCondition>& conds) {
  editRecords(folder, [&](store::DataFiles& files) {
    store::MainRecord main;
    store::MainRecIO(files, main, true);
    for (std::size_t i = 0; i < conds.size(); ++i)
      store::writeRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + 1 + static_cast<int>(i),
                         conds[i]);
  });
}

// Friday 25 December 2026 and the weekend after it: weekday nights uncovered,
// slot 5 always beaten, slot 6 outside the span, slot 7 bound to a connection,
// slot 9 behind the empty slot 8.
std::vector<ExpenseCondition> craftedSet() {
  return {
      condition(EveryDay, between(8, 22)),
      condition(Weekend),
      condition(Weekday, [](ExpenseCondition& c) {  // Saturday after 20:00
        c.PerNum = 6;
        c.TimeType = 3;
        c.TimeStart = Regional::fromTime(20, 0, 0);
      }),
      condition(MonFri, between(9, 17)),
      condition(EveryDay, between(10, 12)),
      condition(DateRange, [](ExpenseCondition& c) {  // January 2027
        c.PerStart = Regional::fromDate(QDate(2027, 1, 1));
        c.PerEnd = Regional::fromDate(QDate(2027, 1, 31));
      }),
      condition(EveryDay, [](ExpenseCondition& c) {
        c.ConVal = true;
        c.ConNm = "ISP A";
      }),
      ExpenseCondition{},
      condition(EveryDay),
  };
}

TEST(Check, FindsTheUncoveredHoursAndTheConditionsNeverInForce) {
  TempDir data;
  writeConditions(data.path(), craftedSet());
  const std::string head = "Data folder: " + data.path() + " (given with --data)";
  const std::string span = "Span: Fri 2026-12-25 to Sun 2026-12-27, 3 days";
  const std::vector<std::string> asDefault = {
      "Connection: Default",
      "No condition in force in 40 quarter hours:",
      "  Fri 2026-12-25 00:00-08:00",
      "  Fri 2026-12-25 22:00-24:00",
      "Never in force:",
      "  Condition 5: shadowed most by Condition 2 (16 of its 24 quarter hours)",
      "  Condition 6: never applies in the span",
      "  Condition 9: never counts, slot 8 before it is empty",
      "Left out, bound to a connection: Condition 7 \"ISP A\"",
      "Result: 40 quarter hours without a condition, 3 conditions never in force",
  };
  const std::vector<std::string> forA = {
      "Connection: \"ISP A\"",
      "Result: every quarter hour covered, every condition in force somewhere",
  };
  auto joined = [&](std::initializer_list<const std::vector<std::string>*> parts) {
    std::vector<std::string> v = {head, span};
    for (const auto* p : parts) v.insert(v.end(), p->begin(), p->end());
    return v;
  };
  struct Case {
    std::vector<std::string> options;
    std::vector<std::string> out;
    int code;
  };
  const Case cases[] = {
      {{}, joined({&asDefault}), 1},
      {{"--connection", "ISP A"}, joined({&forA}), 0},
      {{"--each-connection"}, joined({&asDefault, &forA}), 1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"check", "--from", "2026-12-25", "--days", "3"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult r = zktrack(args, data.path());
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(lines(r.out), c.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST(Check, TheDemoIsCoveredButItsWeekendLosesToChristmas) {
  TempDir data;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()}).code, 0);
  // A week of no listed holiday: Sunday, the weekly day off, goes to the holiday
  // condition, Saturday to the weekend's.
  RunResult r = zktrack({"check", "--from", "2026-12-07"}, data.path());
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(lines(r.out).back(), "Result: every quarter hour covered, every condition in force somewhere");
  EXPECT_TRUE(r.has("Span: Mon 2026-12-07 to Sun 2026-12-13, 7 days")) << r.out;
  // Boxing Day is a Saturday: the weekend condition never wins that week.
  r = zktrack({"check", "--from", "2026-12-21"}, data.path());
  EXPECT_EQ(r.code, 1);
  const std::vector<std::string> tail = {
      "Connection: Default",
      "Never in force:",
      "  Condition 3: shadowed most by Condition 4 (192 of its 192 quarter hours)",
      "Result: 0 quarter hours without a condition, 1 condition never in force",
  };
  const auto got = lines(r.out);
  ASSERT_GE(got.size(), tail.size());
  EXPECT_EQ(std::vector<std::string>(got.end() - static_cast<std::ptrdiff_t>(tail.size()), got.end()), tail);
  // Without --from the span starts today.
  r = zktrack({"check", "--days", "1"}, data.path());
  const QDate today = QDate::currentDate();
  const std::string day = QLocale::c().toString(today, QStringLiteral("ddd yyyy-MM-dd")).toStdString();
  EXPECT_TRUE(r.has("Span: " + day + " to " + day + ", 1 day")) << r.out;
}

// The tracker's dates are wall-clock times: the day the clock goes forward still has
// 96 quarter hours, and 02:30 on it is a moment like any other.
TEST(Check, EveryDayHasNinetySixQuarterHoursWhateverTheClockDoes) {
  TempDir data;
  writeConditions(data.path(), {});
  const char* old = ::getenv("TZ");
  const std::string saved = old ? old : "";
  ::setenv("TZ", "Europe/Berlin", 1);
  const RunResult check = zktrack({"check", "--from", "2026-03-29", "--days", "1"}, data.path());
  const RunResult which = zktrack({"which", "2026-03-29 02:30"}, data.path());
  if (old) ::setenv("TZ", saved.c_str(), 1);
  else ::unsetenv("TZ");
  EXPECT_TRUE(check.has("No condition in force in 96 quarter hours:")) << check.out;
  EXPECT_TRUE(check.has("  Sun 2026-03-29 00:00-24:00")) << check.out;
  EXPECT_EQ(which.out, "Sun 2026-03-29 02:30: No Condition\n");
}

TEST(WhichAndCheck, RefuseAWrongCommandLine) {
  TempDir data;
  const std::string empty = data.path() + "/none";
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{"which"}, "WHEN is required"},
      {{"which", "tomorrow"}, "zktrack: not a moment: tomorrow"},
      {{"which", "2026-13-01"}, "zktrack: not a moment: 2026-13-01"},
      {{"which", "2026-02-30 10:00"}, "zktrack: not a moment: 2026-02-30 10:00"},
      {{"which", "2026-12-24 24:00"}, "zktrack: not a moment: 2026-12-24 24:00"},
      {{"which", "2026-12-24 9:00"}, "zktrack: not a moment"},
      {{"which", "24.12.2026"}, "zktrack: not a moment"},
      {{"which", "0099-12-31"}, "zktrack: not a moment"},
      {{"which", "2026-12-24", "20:00", "x"}, "zktrack: not a moment: 2026-12-24 20:00 x"},
      {{"which", "now", "--json"}, "--json"},
      {{"check", "--days", "0"}, "zktrack: --days must be 1 to 366, not 0"},
      {{"check", "--days", "367"}, "zktrack: --days must be 1 to 366, not 367"},
      {{"check", "--days", "-1"}, "zktrack: --days must be 1 to 366, not -1"},
      {{"check", "--days", "seven"}, "--days"},
      {{"check", "--from", "2026-02-30"}, "zktrack: not a day: 2026-02-30"},
      {{"check", "--from", "2026-12-24 10:00"}, "zktrack: not a day"},
      {{"check", "--from", "9999-12-31", "--days", "2"}, "zktrack: the span runs past"},
      {{"check", "--connection", "A", "--each-connection"}, "excludes"},
      {{"check", "2026-12-24"}, "2026-12-24"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--data", empty});
    const RunResult r = runProgram(ZKTRACK_PATH, args);
    EXPECT_EQ(r.code, 2) << c.args.back() << "\n" << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args.back() << "\n" << r.err;
    EXPECT_EQ(r.out, "") << c.args.back();
  }
  EXPECT_FALSE(std::filesystem::exists(empty));

  for (const char* command : {"which", "check"}) {
    const RunResult help = runProgram(ZKTRACK_PATH, {command, "--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* says : {"--connection", "--data", "never creates or changes", "Exit codes"})
      EXPECT_NE(help.out.find(says), std::string::npos) << command << " --help lacks " << says;
  }
  const RunResult help = runProgram(ZKTRACK_PATH, {"check", "--help"});
  for (const char* says : {"--from", "--days", "--each-connection", "1 to 366", "24:00"})
    EXPECT_NE(help.out.find(says), std::string::npos) << "check --help lacks " << says;
  EXPECT_NE(runProgram(ZKTRACK_PATH, {"which", "--help"}).out.find("yyyy-mm-ddThh:mm"), std::string::npos);
}

TEST(WhichAndCheck, WantRecordsAndMakeNone) {
  TempDir data;
  for (const auto& args : {std::vector<std::string>{"which", "now"}, std::vector<std::string>{"check"}}) {
    const RunResult r = zktrack(args, data.path());
    EXPECT_EQ(r.code, 1) << args[0];
    EXPECT_NE(r.err.find("zktrack: no records in " + data.path()), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_TRUE(std::filesystem::is_empty(data.path()));
}

// Looking leaves no trace, also when files are missing or read-only.
TEST(WhichAndCheck, NeverCreateOrChangeAFile) {
  TempDir data;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", data.path()}).code, 0);
  std::filesystem::remove(data.file("bit.zkt"));
  std::filesystem::permissions(data.file("sif.zkt"), std::filesystem::perms::owner_read);
  const auto before = listing(data.path());
  const auto mlif = readFileBytes(data.file("mlif.zkt"));
  EXPECT_EQ(zktrack({"which", "2026-12-25 10:00"}, data.path()).code, 0);
  EXPECT_EQ(zktrack({"check", "--from", "2026-01-01", "--days", "366", "--each-connection"}, data.path()).code, 0);
  EXPECT_EQ(listing(data.path()), before);
  EXPECT_EQ(readFileBytes(data.file("mlif.zkt")), mlif);
}

// Random bytes for records: any answer will do, but an answer, in plain text.
TEST(WhichAndCheck, SurviveGarbageRecords) {
  TempDir data;
  std::mt19937 random(1224);
  for (const std::size_t size : {std::size_t{1}, std::size_t{700}, std::size_t{20000}, std::size_t{70000}}) {
    std::vector<std::uint8_t> noise(size);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    writeFileBytes(data.file("mlif.zkt"), noise);
    for (const auto& args : {std::vector<std::string>{"which", "2026-12-24 20:00"},
                             std::vector<std::string>{"check", "--from", "2026-01-01", "--days", "366"},
                             std::vector<std::string>{"check", "--each-connection", "--days", "3"}}) {
      const RunResult r = zktrack(args, data.path());
      EXPECT_TRUE(r.code == 0 || r.code == 1) << args[0] << " on " << size << " bytes: " << r.code << r.err;
      EXPECT_FALSE(r.out.empty()) << args[0] << " on " << size << " bytes";
      for (const char c : r.out)
        ASSERT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << "a control byte reached the terminal";
    }
    EXPECT_EQ(readFileBytes(data.file("mlif.zkt")), noise);
  }
}

}  // namespace
}  // namespace prandel::test
