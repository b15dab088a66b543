// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ConditionCoverage.h"

#include <gtest/gtest.h>

#include <QDate>
#include <functional>
#include <vector>

#include "core/Regional.h"
#include "store/DataFiles.h"
#include "store/RecordIO.h"
#include "support/TempDir.h"
#include "ConditionShapes.h"

namespace prandel {

void PrintTo(const ConditionCoverage::Gap& g, std::ostream* os) {
  *os << "{day " << g.day << ", " << g.from << ".." << g.to << "}";
}

namespace {

using store::ExpenseCondition;
using Gap = ConditionCoverage::Gap;

// Friday 25 December 2026; the two days after it are a weekend.
const QDate kFriday(2026, 12, 25);

using test::between;
using test::condition;
using namespace test::period;

ConditionCoverage coverage(const std::vector<ExpenseCondition>& conds, const QDate& first, int days) {
  test::TempDir dir;
  store::DataFiles files;
  files.openAll(dir.path());
  for (std::size_t i = 0; i < conds.size(); ++i)
    store::writeRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + 1 + static_cast<int>(i),
                       conds[i]);
  const ConditionMatcher matcher(files, store::MainRecord{}, ExpenseCondition::LiveBase, kDefaultConnection);
  return coverageOf(matcher, first, days);
}

TEST(ConditionCoverage, GapsAreMergedWithinEachDay) {
  struct Case {
    const char* what;
    std::vector<ExpenseCondition> conds;
    int days;
    std::vector<Gap> gaps;
    int uncovered;
  };
  const Case cases[] = {
      {"no condition: whole days", {}, 2, {{0, 0, 96}, {1, 0, 96}}, 192},
      {"every day: nothing", {condition(EveryDay)}, 3, {}, 0},
      {"weekdays 08-22: the night is split at midnight, the weekend is bare",
       {condition(MonFri, between(8, 22))},
       3,
       {{0, 0, 32}, {0, 88, 96}, {1, 0, 96}, {2, 0, 96}},
       232},
      {"22-06 over midnight and the weekend: the weekday's day time",
       {condition(EveryDay, between(22, 6)), condition(Weekend)},
       3,
       {{0, 24, 88}},
       64},
      {"00-23 and 23 to an end of 00:00: the whole day", {condition(EveryDay, between(0, 23)), condition(EveryDay, between(23, 0))},
       1, {}, 0},
  };
  for (const Case& k : cases) {
    const ConditionCoverage cov = coverage(k.conds, kFriday, k.days);
    EXPECT_EQ(cov.gaps, k.gaps) << k.what;
    EXPECT_EQ(cov.uncovered, k.uncovered) << k.what;
    EXPECT_EQ(cov.first, kFriday);
    EXPECT_EQ(cov.days, k.days);
  }
}

TEST(ConditionCoverage, CountsWinsAndWhoShadowsWhom) {
  // Slot 1 (10:00-12:00 every day) is beaten by slot 3 on Friday and by slot 2 at
  // the weekend; slot 4 (a January range) never applies.
  const ConditionCoverage cov = coverage(
      {condition(EveryDay, between(10, 12)), condition(Weekend), condition(MonFri, between(9, 17)),
       condition(DateRange, [](ExpenseCondition& c) {
         c.PerStart = Regional::fromDate(QDate(2027, 1, 1));
         c.PerEnd = Regional::fromDate(QDate(2027, 1, 31));
       })},
      kFriday, 3);
  const auto& one = cov.bySlot[1];
  EXPECT_EQ(one.applies, 24);
  EXPECT_EQ(one.wins, 0);
  EXPECT_EQ(one.lostTo[3], 8);
  EXPECT_EQ(one.lostTo[2], 16);
  EXPECT_EQ(one.shadowedMostBy(), 2);
  EXPECT_EQ(cov.bySlot[2].wins, 192);
  EXPECT_EQ(cov.bySlot[2].applies, 192);
  EXPECT_EQ(cov.bySlot[3].wins, 32);
  EXPECT_EQ(cov.bySlot[4].applies, 0);
  EXPECT_EQ(cov.bySlot[4].shadowedMostBy(), 0);

  ConditionCoverage::Slot tie;
  tie.lostTo[7] = 3;
  tie.lostTo[4] = 3;
  EXPECT_EQ(tie.shadowedMostBy(), 4);
}

// Days before the runtime's day 0 (30 December 1899) count their time backwards;
// a quarter hour must still land on its own day and time.
TEST(ConditionCoverage, QuarterHoursLandOnTheirDayAndTime) {
  for (const QDate& day : {QDate(1890, 1, 1), QDate(1899, 12, 30), kFriday, QDate(9999, 12, 31)}) {
    for (int q : {0, 37, 95}) {
      const double m = quarterHourMoment(day, q);
      EXPECT_EQ(Regional::datePart(m), day) << day.toString().toStdString() << " " << q;
      EXPECT_EQ(Regional::timePart(m), QTime(q / 4, q % 4 * 15)) << day.toString().toStdString() << " " << q;
    }
  }
}

}  // namespace
}  // namespace prandel
