// SPDX-License-Identifier: GPL-3.0-or-later
// The condition matching as the condition map asks for it, through the editor state:
// the count of slots it publishes, the buffers it leaves alone, the scores of the
// module's procedures, and its answers against the literal reading.
#include "ui/EditorMatching.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/LiteralMatching.h"
#include "core/MatchingCases.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
#include "support/StateKit.h"
#include "support/TempDir.h"

namespace prandel {
namespace {

using namespace test::matching;

// The editor state on a fresh data folder; conditions go into the working slots.
struct MatchKit {
  test::TempDir dir;
  test::FakePlatform fake;
  test::StandaloneState s{fake.services(), kEnUs};

  MatchKit() {
    s.DataPath = dir.path();
    s.OpenDataFiles();
  }
  void conditions(const std::vector<Cond>& conds) { writeConditions(s.files, conds); }
  void holidayList(const std::vector<double>& dates) { writeHolidays(s.files, s.MainRec, dates); }
  int winner(double moment, const QString& conn = kDefault) {
    s.EvalMoment = moment;
    s.EvalConn = conn;
    return GetActiveCondition(s, ExpenseCondition::WorkBase);
  }
};

TEST(GetActiveCondition, OnlyTheSlotsBeforeTheFirstEmptyOneCount) {
  struct CountCase {
    const char* what;
    std::vector<Cond> conds;
    int condCount;
    int winner;
  };
  std::vector<Cond> all20(20, month(0));
  all20[19] = every();
  const CountCase cases[] = {
      {"all empty", {}, 0, 0},
      {"slot 1 empty, slot 2 used", {Cond(), every()}, 0, 0},
      {"conds 1 to 3 used, 4 empty, 5 would win", {month(0), every(), every(), Cond(), weekday(3)}, 3, 2},
      {"all 20 used", all20, 20, 20},
  };
  for (const auto& k : cases) {
    MatchKit kit;
    kit.conditions(k.conds);
    kit.s.CondCount = 99;
    EXPECT_EQ(kit.winner(dec(kWed, 10)), k.winner) << k.what;
    EXPECT_EQ(kit.s.CondCount, k.condCount) << k.what;
  }
  // With no connection named the count is not published.
  MatchKit kit;
  kit.conditions({every()});
  kit.s.CondCount = 99;
  kit.winner(dec(kWed, 10), QString());
  EXPECT_EQ(kit.s.CondCount, 99);
}

TEST(GetActiveCondition, ReadsTheFilesAtEachCallAndLeavesTheBuffersAlone) {
  MatchKit kit;
  kit.conditions({every()});
  kit.s.CondRec.Amt = 12.5;
  kit.s.HoliRec.HoliName = "kept";
  EXPECT_EQ(kit.winner(dec(kWed, 10)), 1);
  kit.conditions({every(), weekday(3)});
  EXPECT_EQ(kit.winner(dec(kWed, 10)), 2);
  kit.holidayList({dec(kWed)});
  kit.conditions({every(), weekday(3), holidays()});
  EXPECT_EQ(kit.winner(dec(kWed, 10)), 3);
  EXPECT_EQ(kit.s.CondRec.Amt, 12.5);
  EXPECT_EQ(kit.s.HoliRec.HoliName, "kept");
  // Records that cannot be read hold no condition.
  kit.s.files.close(ExpenseCondition::Channel);
  EXPECT_EQ(kit.winner(dec(kWed, 10)), 0);
  EXPECT_EQ(kit.s.CondCount, 0);
}

TEST(IsHoliday, HolidayCountIsHeldToTheRecords) {
  MatchKit kit;
  // Holiday 191 lies past the holiday records; it never counts.
  std::vector<double> dates(191, dayOf(2001, 1, 1));
  dates[190] = dec(kWed);
  kit.holidayList(dates);
  kit.s.EvalMoment = dec(kWed, 10);
  for (std::int16_t count : {std::int16_t{191}, std::int16_t{32767}, std::int16_t{-1}, std::int16_t{-32768}}) {
    kit.s.MainRec.HolidayCount = count;
    EXPECT_FALSE(IsHoliday(kit.s)) << count;
  }
  kit.s.MainRec.HolidayCount = 190;
  kit.s.EvalMoment = dayOf(2001, 1, 1) + 0.99;
  EXPECT_TRUE(IsHoliday(kit.s));
}

TEST(CheckProcedures, ScoresAndWeeklyMinute) {
  MatchKit kit;
  ui::EditorState& s = kit.s;
  s.EvalMoment = dec(kMon, 16, 30);
  s.CondRec.WkStart = 570;
  s.CondRec.WkEnd = 2460;
  EXPECT_EQ(Check_Period(s, 7, 0, 0, 0), 1024);
  EXPECT_EQ(s.MinuteOfWeek, 1440 + 16 * 60 + 30);
  EXPECT_EQ(Check_Period(s, 5, 0, 0, 0), 196);
  EXPECT_EQ(Check_Period(s, 0, 0, 0, 0), 128);
  EXPECT_EQ(Check_Period(s, 8, 0, 0, 0), 0);
  s.CondRec.PerType = 7;
  EXPECT_EQ(Check_Time(s, 9, 0, 0), 1);
  s.CondRec.PerType = 0;
  EXPECT_EQ(Check_Time(s, 0, 0, 0), 2);
  EXPECT_EQ(Check_Time(s, 1, hm(16, 0), hm(17, 0)), 8);
  EXPECT_EQ(Check_Time(s, 2, hm(18, 0), 0), 4);
  EXPECT_EQ(Check_Time(s, 3, hm(18, 0), 0), 0);
  s.MainRec.WeekOff[1] = true;
  EXPECT_TRUE(IsHoliday(s));
}

// The real matching against the literal reading, on random weeks of random rules.
TEST(GetActiveCondition, AgreesWithTheLiteralReading) {
  std::mt19937 rng(20241225);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 12; ++round) {
    MatchKit kit;
    randomRecords(kit, rng);

    ui::EditorState& s = kit.s;
    for (const QString& conn : {kDefault, QStringLiteral("ISP A"), QString()}) {
      for (int slot = 0; slot <= 672; slot += 1 + pick(7)) {
        const double moment = dec(kSun) + slot / 96.0 + (pick(5) == 0 ? pick(900) / 86400.0 : 0);
        s.EvalMoment = moment;
        s.EvalConn = conn;
        s.CondCount = -1;
        const int got = GetActiveCondition(s, ExpenseCondition::WorkBase);
        const int gotCount = s.CondCount;
        s.CondCount = -1;
        const int want = literal::GetActiveCondition(s, ExpenseCondition::WorkBase);
        ASSERT_EQ(got, want) << "round " << round << ", slot " << slot << ", " << conn.toStdString();
        ASSERT_EQ(gotCount, s.CondCount);
      }
    }
  }
}

}  // namespace
}  // namespace prandel
