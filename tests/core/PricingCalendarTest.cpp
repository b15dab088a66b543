// SPDX-License-Identifier: GPL-3.0-or-later
// Calls across midnight, across a clock change and across the start of a billing
// cycle: the wall clock chooses the condition, the time counted is the real time, and
// the day's and cycle's counters start again where a new day or cycle begins.
#include <gtest/gtest.h>

#include "PricingKit.h"

namespace prandel::test {
namespace {

using core::CallHistory;
using core::LocalClock;
using core::PricedCall;

const QTimeZone kBerlin("Europe/Berlin");

void expectSlicesWithinOneDay(const PricedCall& p, const LocalClock& clock) {
  for (const auto& s : p.slices) {
    ASSERT_LT(s.from, s.to);
    EXPECT_EQ(clock.localDate(s.from), clock.localDate(s.to - 1)) << sliceLine(s, clock.zone());
  }
}

TEST(PricingCalendar, MidnightStartsTheDayAgain) {
  // Condition 1 costs 3.60 an hour (0.001 a second) once today's time reaches 01:00;
  // condition 2 is free. 3000 s were online today before this call, from 23:50 to
  // 00:10 in 1-second units. Before midnight today's time runs 3000 to 3599; after it
  // the new day starts at 0. Free throughout; kept as one day, the ten minutes after
  // midnight would have cost 0.60.
  const auto t = tariff({cond({perHour(3.60), filter(2, cmp::Ge, 3600)}), cond({perHour(0)})});
  CallHistory h;
  h.daySeconds = 3000;
  h.dayCalls = 4;
  h.cycleSeconds = 50000;
  const LocalClock utc = LocalClock::fixed(0);
  const PricedCall p = price(t, call(dec(14, 23, 50), dec(15, 0, 10)), h, utc);
  EXPECT_TRUE(sameAmount(p.cost, 0));
  EXPECT_EQ(sliceLines(p), (std::vector<std::string>{"23:50:00-00:00:00 #2 x600 0.00000", "00:00:00-00:10:00 #2 x600 0.00000"}));
  const auto& lastBefore = p.units[599].counters;
  const auto& firstAfter = p.units[600].counters;
  EXPECT_EQ(lastBefore.daySeconds, 3599);
  EXPECT_EQ(lastBefore.dayCalls, 5);
  EXPECT_EQ(firstAfter.daySeconds, 0);
  EXPECT_EQ(firstAfter.dayCalls, 1);  // the call counts on each day it runs in
  // Same cycle: its counters go on.
  EXPECT_EQ(firstAfter.cycleSeconds, 50600);
  EXPECT_EQ(firstAfter.callSeconds, 600);
  expectSlicesWithinOneDay(p, utc);
}

TEST(PricingCalendar, AUnitOverMidnightIsChargedWhereItBegins) {
  // One-hour units at 3.60, 23:30 to 00:30: one unit, charged at 23:30; the slices
  // split its time at midnight, the charge staying with the part where it began.
  const auto t = tariff({cond({perHour(3.60)})}, timeOfDay(1, 0, 0));
  const PricedCall p = price(t, call(dec(14, 23, 30), dec(15, 0, 30)));
  ASSERT_EQ(p.units.size(), 1u);
  EXPECT_EQ(p.units[0].to, dec(15, 0, 30));
  EXPECT_EQ(p.units[0].length, 3600);
  EXPECT_EQ(sliceLines(p), (std::vector<std::string>{"23:30:00-00:00:00 #1 x1 3.60000", "00:00:00-00:30:00 #1 x0 0.00000"}));
  EXPECT_EQ(p.countedSeconds, 3600);
  expectSlicesWithinOneDay(p, LocalClock::fixed(0));
}

TEST(PricingCalendar, MidnightIsTheLocalOne) {
  // 23:50 to 00:10 in Berlin (22:50 to 23:10 UTC): the slices split at Berlin's
  // midnight, 23:00 UTC.
  const LocalClock berlin(kBerlin);
  const auto t = tariff({cond({perHour(3.60)})}, timeOfDay(0, 1, 0));
  const PricedCall p = price(t, call(wallAt(kBerlin, 2026, 12, 14, 23, 50), wallAt(kBerlin, 2026, 12, 15, 0, 10)), {}, berlin);
  ASSERT_EQ(p.slices.size(), 2u);
  EXPECT_EQ(p.slices[1].from, dec(14, 23, 0));
  EXPECT_TRUE(sameAmount(p.cost, 1.20));
  expectSlicesWithinOneDay(p, berlin);
}

TEST(PricingCalendar, ClockChangesChooseByTheWallClockAndCountRealTime) {
  // Condition 1: 3.60 an hour before 03:00 (score 132); condition 2: 1.80 an hour all
  // day (130). Minute units, in Berlin.
  const LocalClock berlin(kBerlin);
  {
    // 29 March 2026: at 02:00 the clock goes to 03:00. 01:50 to 03:10 on the wall
    // clock is 20 minutes: 10 before 02:00 at 0.06 and 10 after 03:00 at 0.03.
    const auto t = tariff({cond({perHour(3.60), before(3, 0)}), cond({perHour(1.80)})}, timeOfDay(0, 1, 0));
    const PricedCall p =
        price(t, call(wallAt(kBerlin, 2026, 3, 29, 1, 50), wallAt(kBerlin, 2026, 3, 29, 3, 10)), {}, berlin);
    EXPECT_EQ(p.countedSeconds, 1200);
    EXPECT_TRUE(sameAmount(p.cost, 0.90));
    EXPECT_EQ(sliceLines(p, kBerlin),
              (std::vector<std::string>{"01:50:00-03:00:00 #1 x10 0.60000", "03:00:00-03:10:00 #2 x10 0.30000"}));
  }
  {
    // 25 October 2026: at 03:00 summer time the clock goes back to 02:00. From 02:40
    // summer time (00:40 UTC) to 02:20 winter time (01:20 UTC) is 40 minutes, all of
    // them between 02:00 and 03:00 on the wall clock: 40 x 0.06 with condition 1
    // (between 02:00 and 03:00, score 136).
    const auto t = tariff({cond({perHour(3.60), between(2, 0, 3, 0)}), cond({perHour(1.80)})}, timeOfDay(0, 1, 0));
    const Epoch up = wallAt(QTimeZone::utc(), 2026, 10, 25, 0, 40);
    const PricedCall p = price(t, call(up, up + 2400), {}, berlin);
    EXPECT_EQ(p.countedSeconds, 2400);
    EXPECT_EQ(p.units.size(), 40u);
    EXPECT_TRUE(sameAmount(p.cost, 2.40));
    EXPECT_EQ(sliceLines(p, kBerlin), (std::vector<std::string>{"02:40:00-02:20:00 #1 x40 2.40000"}));
  }
}

TEST(PricingCalendar, ACycleStartBeginsTheCycleCountersAgain) {
  // Condition 1 costs 3.60 an hour once the cycle's time passes 10:00 (36000 s);
  // condition 2 is free. 40000 s are online in the cycle already. 23:50 to 00:10 on
  // 14/15 December in 1-second units.
  const auto conds = std::vector<ExpenseCondition>{cond({perHour(3.60), filter(3, cmp::Gt, 36000)}), cond({perHour(0)})};
  CallHistory h;
  h.cycleSeconds = 40000;
  h.cycleCalls = 30;
  h.cycleCost = 12.5;
  h.cycleReceived = 5 * MB;
  const Epoch up = dec(14, 23, 50), end = dec(15, 0, 10);
  const std::vector<core::ByteSample> samples = {{up + 60, MB, 0}, {up + 900, 3 * MB, 0}};
  {
    // Cycles from the 15th: the 600 s before midnight at 0.001 (0.60); after it the
    // new cycle's time is under 10:00.
    auto t = tariff(conds);
    t.cycleStartDay = 15;
    const PricedCall p = price(t, call(up, end, samples), h);
    EXPECT_TRUE(sameAmount(p.cost, 0.60));
    const auto& k = p.units[600].counters;
    EXPECT_EQ(k.cycleSeconds, 0);
    EXPECT_EQ(k.cycleCalls, 1);
    EXPECT_TRUE(sameAmount(k.cycleCost, 0));  // the 0.60 belong to the cycle before
    EXPECT_EQ(k.cycleReceived, 0u);           // as does the MB received at 23:51
    EXPECT_TRUE(sameAmount(k.callCost, 0.60));
    EXPECT_EQ(k.callReceived, MB);
    // At 00:05 the 2 MB of the sample at 00:05 (its growth) have not been counted yet,
    // at 00:05:01 they have.
    EXPECT_EQ(p.units[900].counters.cycleReceived, 0u);
    EXPECT_EQ(p.units[901].counters.cycleReceived, 2 * MB);
  }
  {
    // Cycles from the 1st: one cycle throughout, 1200 s at 0.001.
    auto t = tariff(conds);
    const PricedCall p = price(t, call(up, end, samples), h);
    EXPECT_TRUE(sameAmount(p.cost, 1.20));
    const auto& k = p.units[600].counters;
    EXPECT_EQ(k.cycleSeconds, 40600);
    EXPECT_EQ(k.cycleCalls, 31);
    EXPECT_TRUE(sameAmount(k.cycleCost, 13.10));
    EXPECT_EQ(k.cycleReceived, 6 * MB);
  }
}

}  // namespace
}  // namespace prandel::test
