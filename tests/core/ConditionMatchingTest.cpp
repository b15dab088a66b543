// SPDX-License-Identifier: GPL-3.0-or-later
// The condition matching: which condition is in force at a moment, one moment at a
// time and over one reading for many moments, from the files and from records in
// memory, against the literal reading.
#include "core/ConditionMatching.h"

#include <gtest/gtest.h>

#include <QDate>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "LiteralMatching.h"
#include "MatchingCases.h"
#include "store/RecordIO.h"
#include "support/FolderKit.h"

namespace prandel {
namespace {

using namespace test::matching;

// A data folder of its own; conditions go into the working slots. s holds the old
// module's variables over it, on which the literal reading works; its MainRec is the
// main record the matching is given.
struct MatchKit : test::FolderKit {
  literal::Module s{files(), regional()};

  void conditions(const std::vector<Cond>& conds) { writeConditions(files(), conds); }
  void holidayList(const std::vector<double>& dates) { writeHolidays(files(), s.MainRec, dates); }
  int winner(double moment, const QString& conn = kDefault) {
    return activeCondition(files(), s.MainRec, ExpenseCondition::WorkBase, moment, conn).slot;
  }
};

struct Case {
  const char* what;
  std::vector<Cond> conds;
  double moment;
  int winner;
  std::vector<double> holidayDates = {};
  std::array<bool, 7> weekOff = {};
  const char* conn = "MILUFE";
};

void runCases(const std::vector<Case>& cases) {
  for (const Case& k : cases) {
    MatchKit kit;
    kit.conditions(k.conds);
    kit.holidayList(k.holidayDates);
    kit.s.MainRec.WeekOff = k.weekOff;
    EXPECT_EQ(kit.winner(k.moment, QString::fromUtf8(k.conn)), k.winner) << k.what;
  }
}

TEST(ActiveCondition, PeriodKinds) {
  const std::array<bool, 7> sundayOff = {true, false, false, false, false, false, false};
  runCases({
      {"no condition in use", {}, dec(kWed, 10), 0},
      {"every day", {every()}, dec(kSat, 3), 1},
      {"weekday Wednesday on a Wednesday", {weekday(3)}, dec(kWed, 10), 1},
      {"weekday Wednesday on a Thursday", {weekday(3)}, dec(kThu, 10), 0},
      {"weekday Sunday", {weekday(0)}, dec(kSun, 0), 1},
      {"month December", {month(11)}, dec(kWed), 1},
      {"month January in December", {month(0)}, dec(kWed), 0},
      {"range: first day", {range(dec(kTue), dec(kWed))}, dec(kTue, 0), 1},
      {"range: late on the last day", {range(dec(kTue), dec(kWed))}, dec(kWed, 23, 59), 1},
      {"range: the day after", {range(dec(kTue), dec(kWed))}, dec(kThu, 0), 0},
      {"range: the day before", {range(dec(kTue), dec(kWed))}, dec(kMon, 23, 59), 0},
      {"Mon-Fri on Monday", {monFri()}, dec(kMon, 0), 1},
      {"Mon-Fri on Saturday", {monFri()}, dec(kSat, 12), 0},
      {"weekend on Sunday", {weekend()}, dec(kSun, 12), 1},
      {"weekend on Friday", {weekend()}, dec(27, 23, 59), 0},
      {"holiday on a listed day", {holidays()}, dec(kWed, 10), 1, {dec(kWed)}},
      {"holiday on the weekly day off", {holidays()}, dec(kSun, 10), 1, {dec(kWed)}, sundayOff},
      {"holiday on an ordinary day", {holidays()}, dec(kMon, 10), 0, {dec(kWed)}, sundayOff},
      {"holiday stored with a time of day", {holidays()}, dec(kWed, 1), 1, {dec(kWed, 15)}},
      {"holiday of another year", {holidays()}, dec(kWed, 1), 0, {dayOf(2023, 12, 25)}},
      {"holiday one second before midnight rounds into the next day", {holidays()}, dec(kWed, 1), 1,
       {dec(kTue, 23, 59, 59.6)}},
  });
}

TEST(ActiveCondition, TimeKindsAndWrapAround) {
  runCases({
      {"between 08-18 at 08:00", {every().between(hm(8, 0), hm(18, 0))}, dec(kTue, 8), 1},
      {"between 08-18 at 17:59", {every().between(hm(8, 0), hm(18, 0))}, dec(kTue, 17, 59), 1},
      {"between 08-18 at 18:00", {every().between(hm(8, 0), hm(18, 0))}, dec(kTue, 18), 0},
      {"over midnight 22-06 at 23:30", {every().between(hm(22, 0), hm(6, 0))}, dec(kTue, 23, 30), 1},
      {"over midnight 22-06 at 05:59", {every().between(hm(22, 0), hm(6, 0))}, dec(kTue, 5, 59), 1},
      {"over midnight 22-06 at 06:00", {every().between(hm(22, 0), hm(6, 0))}, dec(kTue, 6), 0},
      {"over midnight 22-06 at 21:59", {every().between(hm(22, 0), hm(6, 0))}, dec(kTue, 21, 59), 0},
      {"before 08:00 at 07:59", {every().before(hm(8, 0))}, dec(kTue, 7, 59), 1},
      {"before 08:00 at 08:00", {every().before(hm(8, 0))}, dec(kTue, 8), 0},
      {"after 18:00 at 18:00", {every().after(hm(18, 0))}, dec(kTue, 18), 1},
      {"after 18:00 at 17:59", {every().after(hm(18, 0))}, dec(kTue, 17, 59), 0},
      // Moments are rounded to the second, then cut to whole minutes.
      {"07:59:59.998 is 08:00", {every().between(hm(8, 0), hm(18, 0))}, dec(kTue, 7, 59, 59.998), 1},
      {"07:59:59.4 is 07:59", {every().between(hm(8, 0), hm(18, 0))}, dec(kTue, 7, 59, 59.4), 0},
      {"a start of 08:00:40 counts as 08:00", {every().between(hm(8, 0, 40), hm(18, 0))}, dec(kTue, 8), 1},
      {"a start a hair below 08:00 is 08:00", {every().between(hm(8, 0) - 1e-9, hm(18, 0))}, dec(kTue, 8), 1},
      {"a time of day stored with a date", {every().between(dec(kMon, 8), dec(kMon, 18))}, dec(kTue, 9), 1},
      {"weekly Sat 22:00 to Sun 06:00, Sun 03:00", {weekly(9960, 360)}, dec(kSun, 3), 1},
      {"weekly Sat 22:00 to Sun 06:00, Sat 23:00", {weekly(9960, 360)}, dec(kSat, 23), 1},
      {"weekly Sat 22:00 to Sun 06:00, Sat 21:00", {weekly(9960, 360)}, dec(kSat, 21), 0},
      {"weekly Sat 22:00 to Sun 06:00, Sun 06:00", {weekly(9960, 360)}, dec(kSun, 6), 0},
      {"weekly Sun 09:30 to Mon 17:00, Mon 16:59", {weekly(570, 2460)}, dec(kMon, 16, 59), 1},
      {"weekly Sun 09:30 to Mon 17:00, Mon 17:00", {weekly(570, 2460)}, dec(kMon, 17), 0},
      {"weekly ignores the time kind", {weekly(0, 10080).between(hm(1, 0), hm(2, 0))}, dec(kWed, 12), 1},
      {"weekly with holidays, on a holiday outside the window", {weekly(0, 60, true)}, dec(kWed, 12), 1,
       {dec(kWed)}},
      {"weekly without holidays, on a holiday outside the window", {weekly(0, 60)}, dec(kWed, 12), 0, {dec(kWed)}},
  });
}

// Each kind, where it applies, beats every kind below it, whichever slot it is in.
TEST(ActiveCondition, PrecedenceOfTheKinds) {
  // Wednesday 25 December 2024, 10:00, a listed holiday; all of these apply then.
  const std::vector<std::pair<const char*, Cond>> ranked = {
      {"weekly period on a holiday", weekly(0, 60, true)},
      {"holiday", holidays()},
      {"one weekday", weekday(3)},
      {"weekly period", weekly(3 * 1440, 4 * 1440)},
      {"date range", range(dec(1), dec(31))},
      {"month", month(11)},
      {"Mon-Fri between", monFri().between(hm(9, 0), hm(11, 0))},
      {"Mon-Fri after", monFri().after(hm(9, 0))},
      {"Mon-Fri whole day", monFri()},
      {"every day between", every().between(hm(9, 0), hm(11, 0))},
      {"every day before", every().before(hm(11, 0))},
      {"every day whole day", every()},
  };
  for (std::size_t k = 0; k + 1 < ranked.size(); ++k) {
    const auto& [higher, hi] = ranked[k];
    const auto& [lower, lo] = ranked[k + 1];
    MatchKit kit;
    kit.holidayList({dec(kWed)});
    kit.conditions({lo, hi});
    EXPECT_EQ(kit.winner(dec(kWed, 10)), 2) << higher << " over " << lower;
    kit.conditions({hi, lo});
    EXPECT_EQ(kit.winner(dec(kWed, 10)), 1) << higher << " over " << lower;
  }
  // A weekend (1024 + 2) just beats a weekly period (1024 + 1).
  runCases({{"weekend over weekly period", {weekly(0, 10080), weekend()}, dec(kSat, 10), 2}});
}

TEST(ActiveCondition, TiesGoToTheLowerSlot) {
  runCases({
      {"equal scores in conds 3 and 7",
       {month(0), month(0), every(), month(0), month(0), month(0), every()},
       dec(kWed, 10),
       3},
      {"the same condition twice", {monFri().after(hm(8, 0)), monFri().after(hm(8, 0))}, dec(kWed, 10), 1},
  });
}

TEST(ActiveCondition, ConnectionFilter) {
  const std::vector<Cond> conds = {every(), Cond(every()).bound("ISP A"), monFri()};
  runCases({
      {"bound condition for its connection", conds, dec(kWed, 10), 2, {}, {}, "ISP A"},
      {"default leaves bound conditions out", conds, dec(kWed, 10), 3, {}, {}, "MILUFE"},
      {"another connection sees only its own", conds, dec(kWed, 10), 0, {}, {}, "ISP B"},
      {"names compare exactly, case included", conds, dec(kWed, 10), 0, {}, {}, "isp a"},
      {"the tracker's own use, no connection in use", conds, dec(kWed, 10), 3, {}, {}, ""},
      {"only the conditions bound to the connection take part", {holidays(), Cond(every()).bound("ISP A"), Cond(holidays()).bound("ISP B")},
       dec(kWed, 10), 2, {dec(kWed)}, {}, "ISP A"},
      {"a name over 20 characters matches its first 20",
       {Cond(every()).bound("Connection-with-a-long-name")}, dec(kWed, 10), 1, {}, {},
       "Connection-with-a-long-name"},
      {"also when its 20th character is a blank",
       {Cond(every()).bound("A connection with a long name")}, dec(kWed, 10), 1, {}, {},
       "A connection with a long name"},
      {"a bound condition named MILUFE counts as the default",
       {Cond(monFri()).bound("MILUFE"), every()}, dec(kWed, 10), 1, {}, {}, "MILUFE"},
  });
}

TEST(ActiveCondition, CountdownHoldsConditionsOnlyForTheTracker) {
  MatchKit kit;
  kit.conditions({every(), every(), every()});
  kit.s.MainRec.CdEnabled = true;
  kit.s.MainRec.CdExpenseMode = 1;
  EXPECT_EQ(kit.winner(dec(kWed, 10), QString()), 0);
  EXPECT_EQ(kit.winner(dec(kWed, 10), kDefault), 1);  // the map ignores the countdown
  kit.s.MainRec.CdExpenseMode = 2;
  kit.s.MainRec.CdCondOn[3] = true;
  EXPECT_EQ(kit.winner(dec(kWed, 10), QString()), 3);
  kit.s.MainRec.CdEnabled = false;
  EXPECT_EQ(kit.winner(dec(kWed, 10), QString()), 1);
}

TEST(ActiveCondition, BadRecordsNeverApplyAndNeverCrash) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  Cond badPeriod(200);
  Cond badTime = every().time(9, hm(1, 0), hm(2, 0));
  runCases({
      {"period kind 200", {badPeriod}, dec(kWed, 10), 0},
      {"time kind 9", {badTime}, dec(kWed, 10), 0},
      {"NaN start time", {every().between(nan, hm(18, 0))}, dec(kWed, 10), 0},
      {"NaN after", {every().after(nan)}, dec(kWed, 10), 0},
      {"infinite end time", {every().between(hm(8, 0), inf)}, dec(kWed, 10), 0},
      {"NaN date range", {range(nan, nan)}, dec(kWed, 10), 0},
      {"weekly -100 to 20000 holds everything", {weekly(-100, 20000)}, dec(kSat, 23, 59), 1},
      {"weekly 20000 to -5 holds nothing", {weekly(20000, -5)}, dec(kSat, 23, 59), 0},
      {"NaN, huge and negative holidays", {holidays()}, dec(kWed, 10), 0, {nan, 1e308, -inf, -5.0, 3e6}},
      {"a good holiday after bad ones", {holidays()}, dec(kWed, 10), 1, {nan, 1e308, dec(kWed)}},
      {"weekday number 9", {weekday(9)}, dec(kWed, 10), 0},
      {"month number 200", {month(200)}, dec(kWed, 10), 0},
  });
}

// One reading for many moments, as the condition map's week and zktrack check use
// it, against the literal reading at each moment: the winner, and which conditions
// applied (their period and time of day held).
TEST(ConditionMatcher, OneReadingAgreesWithTheLiteralReadingAtEveryMoment) {
  std::mt19937 rng(20261224);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 10; ++round) {
    MatchKit kit;
    randomRecords(kit, rng);

    literal::Module& s = kit.s;
    for (const QString& conn : {kDefault, QStringLiteral("ISP A"), QString()}) {
      const ConditionMatcher matcher(s.files, s.MainRec, ExpenseCondition::WorkBase, conn);
      // Two weeks of quarter hours around the holidays, with a second now and then.
      for (int q = 0; q < 14 * 96; ++q) {
        const double moment = dec(20) + q / 96.0 + (q % 11 == 0 ? pick(900) / 86400.0 : 0);
        const ConditionMatch got = matcher.match(moment);
        s.EvalMoment = moment;
        s.EvalConn = conn;
        ASSERT_EQ(got.winner, literal::GetActiveCondition(s, ExpenseCondition::WorkBase))
            << "round " << round << ", quarter hour " << q << ", " << conn.toStdString();
        for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
          bool applies = false;
          if (i <= matcher.lastSlot() && matcher.letIn(i)) {
            store::readRecord(s.files, ExpenseCondition::Channel, ExpenseCondition::WorkBase + i, s.CondRec);
            applies = literal::Check_Period(s, s.CondRec.PerType, s.CondRec.PerNum, s.CondRec.PerStart,
                                            s.CondRec.PerEnd) > 0 &&
                      literal::Check_Time(s, s.CondRec.TimeType, s.CondRec.TimeStart, s.CondRec.TimeEnd) > 0;
          }
          ASSERT_EQ(got.applies[static_cast<std::size_t>(i)], applies) << "round " << round << ", slot " << i;
        }
      }
    }
  }
}

// The tracker builds its matcher from records it holds in memory: the same answer
// as one built from the files, at every moment, for every choice of connection.
// Each slot's score is what the winner was chosen by (the best, ties to the lower
// slot), and without the countdown's hold the answer is that of a countdown that
// does not run.
TEST(ConditionMatcher, RecordsInMemoryAndScoresAgreeWithTheFiles) {
  std::mt19937 rng(20261214);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  int held = 0;
  for (int round = 0; round < 10; ++round) {
    MatchKit kit;
    randomRecords(kit, rng);
    literal::Module& s = kit.s;
    std::array<ExpenseCondition, ExpenseCondition::Slots> conds;
    for (int i = 1; i <= ExpenseCondition::Slots; ++i)
      store::readRecord(s.files, ExpenseCondition::Channel, ExpenseCondition::WorkBase + i,
                        conds[static_cast<std::size_t>(i - 1)]);
    std::vector<double> holidayDates;
    for (int k = 1; k <= s.MainRec.HolidayCount; ++k) {
      HolidayRecord h;
      store::readRecord(s.files, HolidayRecord::Channel, HolidayRecord::Base + k, h);
      holidayDates.push_back(h.HoliDate);
    }
    store::MainRecord noCountdown = s.MainRec;
    noCountdown.CdEnabled = false;
    for (const QString& conn : {kDefault, QStringLiteral("ISP A"), QString()}) {
      const ConditionMatcher fromFiles(s.files, s.MainRec, ExpenseCondition::WorkBase, conn, QStringLiteral("ISP B"));
      const ConditionMatcher inMemory(conds, holidayDates, s.MainRec, conn, QStringLiteral("ISP B"));
      const ConditionMatcher unheld(conds, holidayDates, noCountdown, conn, QStringLiteral("ISP B"));
      for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
        ASSERT_EQ(inMemory.letIn(i), fromFiles.letIn(i)) << i;
        ASSERT_EQ(inMemory.heldByCountdown(i), fromFiles.heldByCountdown(i)) << i;
        held += inMemory.heldByCountdown(i);
      }
      for (int q = 0; q < 14 * 96; q += 1 + pick(5)) {
        const double moment = dec(20) + q / 96.0 + pick(900) / 86400.0;
        const ConditionMatch a = fromFiles.match(moment);
        const ConditionMatch b = inMemory.match(moment);
        ASSERT_EQ(a.winner, b.winner) << "round " << round << ", " << q;
        ASSERT_EQ(a.applies, b.applies) << "round " << round << ", " << q;
        ASSERT_EQ(a.scores, b.scores) << "round " << round << ", " << q;
        int best = 0, winner = 0;
        for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
          const auto k = static_cast<std::size_t>(i);
          ASSERT_EQ(a.scores[k] > 0, a.applies[k]) << i;
          if (a.scores[k] > best) best = a.scores[k], winner = i;
        }
        ASSERT_EQ(a.winner, winner);
        const ConditionMatch off = inMemory.match(moment, CountdownHold::Off);
        const ConditionMatch none = unheld.match(moment);
        ASSERT_EQ(off.winner, none.winner) << "round " << round << ", " << q;
        ASSERT_EQ(off.scores, none.scores) << "round " << round << ", " << q;
      }
    }
  }
  EXPECT_GT(held, 0);  // the countdown held some conditions in some rounds
}

// Only the first HolidayCount of the saved holidays count from the files; from
// memory, every date given (the tracker reads HolidayCount of them).
TEST(ConditionMatcher, HolidaysInMemoryAreTheDatesGiven) {
  MatchKit kit;
  kit.holidayList({dec(kMon), dec(kWed)});
  kit.s.MainRec.HolidayCount = 1;
  const std::vector<ExpenseCondition> conds = {holidays().c};
  const std::vector<double> both = {dec(kWed), dec(kMon)};
  const ConditionMatcher inMemory(conds, both, kit.s.MainRec, kDefault);
  EXPECT_EQ(inMemory.match(dec(kWed, 10)).winner, 1);
  EXPECT_EQ(inMemory.match(dec(kMon, 10)).winner, 1);
  EXPECT_EQ(inMemory.match(dec(kTue, 10)).winner, 0);
  kit.conditions({holidays()});
  const ConditionMatcher fromFiles(kit.s.files, kit.s.MainRec, ExpenseCondition::WorkBase, kDefault);
  EXPECT_EQ(fromFiles.match(dec(kMon, 10)).winner, 1);
  EXPECT_EQ(fromFiles.match(dec(kWed, 10)).winner, 0);
}

TEST(ConditionMatcher, SaysWhatEachSlotIsAndWhichTakePart) {
  MatchKit kit;
  kit.conditions({every(), Cond(every()).bound("  ISP A "), Cond(monFri()).bound("MILUFE"), Cond(), every()});
  const ConditionMatcher asDefault(kit.s.files, kit.s.MainRec, ExpenseCondition::WorkBase, kDefault);
  EXPECT_EQ(asDefault.lastSlot(), 3);
  const bool inUse[] = {true, true, true, false, true, false};
  const bool letIn[] = {true, false, true, false, true, false};
  for (int i = 1; i <= 6; ++i) {
    EXPECT_EQ(asDefault.inUse(i), inUse[i - 1]) << i;
    EXPECT_EQ(asDefault.letIn(i), letIn[i - 1]) << i;
  }
  EXPECT_EQ(asDefault.boundTo(1), QString());
  EXPECT_EQ(asDefault.boundTo(2), QStringLiteral("ISP A"));
  const ConditionMatcher forA(kit.s.files, kit.s.MainRec, ExpenseCondition::WorkBase, QStringLiteral("ISP A"));
  EXPECT_FALSE(forA.letIn(1));
  EXPECT_TRUE(forA.letIn(2));
  EXPECT_EQ(forA.match(dec(kWed, 10)).winner, 2);
  // Slot 5 lies past the empty slot 4: let in by the filter, yet never in force.
  EXPECT_FALSE(asDefault.match(dec(kMon, 10)).applies[5]);
}

}  // namespace
}  // namespace prandel
