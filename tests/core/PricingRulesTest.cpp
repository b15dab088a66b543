// SPDX-License-Identifier: GPL-3.0-or-later
// The pricing rules, one table each: where counting starts, how long the units are,
// what each kind of condition charges. Every case is a small tariff and call whose
// total is worked out by hand in its comment. Calls run on Monday 14 December 2026,
// in UTC, unless a case says otherwise.
#include <gtest/gtest.h>

#include <sstream>

#include "PricingKit.h"

namespace prandel::test {
namespace {

using core::CallHistory;
using core::PricedCall;

// The units as lengths, runs folded: "60x5 60(30)" is five units of 60 s and one
// charged for 60 s of which the call used 30.
std::string unitShape(const PricedCall& p) {
  std::ostringstream out;
  std::size_t i = 0;
  while (i < p.units.size()) {
    const auto& u = p.units[i];
    const std::int64_t used = u.to - u.from;
    std::size_t run = 1;
    while (i + run < p.units.size() && p.units[i + run].length == u.length &&
           p.units[i + run].to - p.units[i + run].from == used)
      ++run;
    if (out.tellp() > 0) out << ' ';
    out << u.length;
    if (used != u.length) out << '(' << used << ')';
    if (run > 1) out << 'x' << run;
    i += run;
  }
  return out.str();
}

// --- Where counting starts --------------------------------------------------------

TEST(Pricing, CountedSpanByCallStartAndDialTime) {
  // One condition, 3.60 an hour: 0.001 a second, in units of 1 s. The link comes up
  // at 10:00:00 and the call ends at 10:01:00 (60 s); dialling began 40 s before the
  // link; the call settings add 30 s of dialling.
  const Epoch up = dec(14, 10, 0);
  struct Case {
    const char* what;
    int callStart, addDial;
    bool dialKnown;
    Epoch from;
    std::int64_t counted, units;
    double cost;
  };
  const Case cases[] = {
      // 90 s: 30 of dialling and 60 of the call; 90 x 0.001 = 0.090.
      {"after making call, 30 s of dialling added", 0, 1, true, up - 30, 90, 90, 0.090},
      {"the dialling added also where the dial start is unknown", 0, 1, false, up - 30, 90, 90, 0.090},
      // From the dial start: 100 s.
      {"after making call, from the dial start", 0, 0, true, up - 40, 100, 100, 0.100},
      {"after making call, dial start unknown (pppd): from the link", 0, 0, false, up, 60, 60, 0.060},
      {"after connection: the dialling time is ignored", 1, 1, true, up, 60, 60, 0.060},
      // Never: the units are laid from the link, but no time counts and time is free.
      {"never: no time counted, nothing charged for time", 2, 1, true, up, 0, 60, 0.0},
      {"a CallStart the window cannot show counts as After Connection", 7, 1, true, up, 60, 60, 0.060},
  };
  for (const Case& k : cases) {
    auto t = tariff({cond({perHour(3.60)})});
    t.main.CallStart = static_cast<std::int16_t>(k.callStart);
    t.main.AddDialTime = static_cast<std::uint8_t>(k.addDial);
    t.main.DialSeconds = 30;
    auto c = call(up, up + 60);
    if (k.dialKnown) c.dialStart = up - 40;
    const PricedCall p = price(t, c);
    EXPECT_EQ(p.countFrom, k.from) << k.what;
    EXPECT_EQ(p.countedSeconds, k.counted) << k.what;
    EXPECT_EQ(p.units.size(), static_cast<std::size_t>(k.units)) << k.what;
    EXPECT_TRUE(sameAmount(p.cost, k.cost)) << k.what;
    ASSERT_FALSE(p.units.empty()) << k.what;
    EXPECT_EQ(p.units.front().from, k.from) << k.what;
    EXPECT_EQ(p.units.back().to, up + 60) << k.what;
  }
  // A dial start after the link came up is no dial start.
  auto t = tariff({cond({perHour(3.60)})});
  t.main.CallStart = 0;
  auto c = call(up, up + 60);
  c.dialStart = up + 5;
  EXPECT_EQ(price(t, c).countFrom, up);
}

// --- Unit lengths ---------------------------------------------------------------------

TEST(Pricing, UnitLengthsByKind) {
  // Calls of 5 min 30 s (330 s) from 10:00:00.
  const Epoch up = dec(14, 10, 0);
  const double oneMinute = timeOfDay(0, 1, 0);
  struct Case {
    const char* what;
    std::vector<ExpenseCondition> conds;
    double incTime;
    std::string shape;
  };
  const Case cases[] = {
      {"no condition: 1 s", {}, oneMinute, "1x330"},
      {"per hour without an increment: 1 s", {cond({perHour(1)})}, 0, "1x330"},
      // 5 whole minutes, then a sixth of which 30 s are used, charged whole.
      {"per hour: the increment", {cond({perHour(1)})}, oneMinute, "60x5 60(30)"},
      {"per hour: 24 Hours is 23:59:58", {cond({perHour(1)})}, timeOfDay(23, 59, 58), "86398(330)"},
      // An increment is rounded to the second: 90.6 s is 91 s; 3 x 91 = 273, then 57 s used.
      {"an increment rounded to the second", {cond({perHour(1)})}, 90.6 / 86400, "91x3 91(57)"},
      {"per call: the custom call time", {cond({perCall(1), callTime(0, 2, 0)})}, oneMinute, "120x2 120(90)"},
      {"per call: the default call time is the increment", {cond({perCall(1)})}, oneMinute, "60x5 60(30)"},
      {"per call without a length: the rest of the call is one unit", {cond({perCall(1)})}, 0, "330"},
      {"per call: a custom call time of 0 is the rest of the call", {cond({perCall(1), callTime(0, 0, 0)})}, oneMinute,
       "330"},
      {"only at once: 1 s", {cond({onlyAtOnce(1)})}, oneMinute, "1x330"},
      {"per MB: 1 s", {cond({perMB(1)})}, oneMinute, "1x330"},
      // 45, then four of 60 (285 s), then 45 s of a sixth.
      {"the first unit takes the initial time", {cond({perCall(1), initialTime(0, 0, 45)})}, oneMinute,
       "45 60x4 60(45)"},
      // 120, then three of 60 (300 s), then 30 s of a fifth.
      {"per hour with the initial amount and time", {cond({perHour(1), initialAmount(0.1), initialTime(0, 2, 0)})},
       oneMinute, "120 60x3 60(30)"},
      // The expense window greys the initial time for per MB and only at once.
      {"no initial time for per MB", {cond({perMB(1), initialTime(0, 2, 0)})}, oneMinute, "1x330"},
      {"no initial time for only at once", {cond({onlyAtOnce(1), initialTime(0, 2, 0)})}, oneMinute, "1x330"},
  };
  for (const Case& k : cases) {
    const PricedCall p = price(tariff(k.conds, k.incTime), call(up, up + 330));
    EXPECT_EQ(unitShape(p), k.shape) << k.what;
    EXPECT_EQ(p.countedSeconds, 330) << k.what;
    EXPECT_EQ(p.unpricedSeconds, k.conds.empty() ? 330 : 0) << k.what;
  }
}

// --- Charges -----------------------------------------------------------------------

struct ChargeCase {
  const char* what;
  std::vector<ExpenseCondition> conds;
  double incTime;
  std::int64_t seconds;  // the call's length, from Monday 10:00:00
  double cost;
  std::int64_t unpriced = 0;
};

void runCharges(const std::vector<ChargeCase>& cases) {
  const Epoch up = dec(14, 10, 0);
  for (const ChargeCase& k : cases) {
    const PricedCall p = price(tariff(k.conds, k.incTime), call(up, up + k.seconds));
    EXPECT_TRUE(sameAmount(p.cost, k.cost)) << k.what;
    EXPECT_EQ(p.unpricedSeconds, k.unpriced) << k.what;
    double units = 0, slices = 0;
    for (const auto& u : p.units) units += u.charge;
    for (const auto& s : p.slices) slices += s.charge;
    EXPECT_TRUE(sameAmount(units, p.cost)) << k.what;
    EXPECT_TRUE(sameAmount(slices, p.cost)) << k.what;
  }
}

TEST(Pricing, ChargesOfTimeBasedConditions) {
  const double oneMinute = timeOfDay(0, 1, 0);
  runCharges({
      // 10 units of 2.40 x 60 / 3600 = 0.04.
      {"per hour", {cond({perHour(2.40)})}, oneMinute, 600, 0.40},
      // Units of 10 min at 0.40; 25 minutes begin 3 of them.
      {"per hour: the last unit is charged whole", {cond({perHour(2.40)})}, timeOfDay(0, 10, 0), 1500, 1.20},
      // 150 s in units of a minute: 3 x 0.50.
      {"per call", {cond({perCall(0.50), callTime(0, 1, 0)})}, 0, 150, 1.50},
      // Each unit 0.50 + 0.60 x 60 / 3600 = 0.51; 3 of them.
      {"per call with other ISP charges", {cond({perCall(0.50), callTime(0, 1, 0), isp(0.60)})}, 0, 150, 1.53},
      {"ISP charges only at IspOn 12", {cond({perCall(0.50), callTime(0, 1, 0), isp(0.60, 1)})}, 0, 150, 1.50},
      // The expense window offers ISP charges for per call only.
      {"no ISP charges per hour", {cond({perHour(2.40), isp(0.60)})}, oneMinute, 600, 0.40},
      // One unit of 25 min: 0.50 + 3.60 x 1500 / 3600 = 2.00.
      {"per call, the rest of the call one unit, with ISP charges", {cond({perCall(0.50), isp(3.60)})}, 0, 1500, 2.00},
      // 0.25 in place of the first minute's 0.06, then 4 x 0.06.
      {"the initial call amount in place of the first unit's charge", {cond({perHour(3.60), initialAmount(0.25)})},
       oneMinute, 300, 0.49},
      // A 3-minute first unit for 0.20, then 2 units of 0.50.
      {"the initial amount with its own duration",
       {cond({perCall(0.50), callTime(0, 1, 0), initialAmount(0.20), initialTime(0, 3, 0)})}, 0, 300, 1.20},
      // One unit of 5 min: 0.20 in place of 0.50, and 0.60 x 300 / 3600 = 0.05 on top.
      {"the initial amount keeps the ISP charges",
       {cond({perCall(0.50), callTime(0, 1, 0), initialAmount(0.20), initialTime(0, 5, 0), isp(0.60)})}, 0, 300, 0.25},
      // A free first unit: only what follows is charged, 4 x 0.06.
      {"an initial amount of 0", {cond({perHour(3.60), initialAmount(0)})}, oneMinute, 300, 0.24},
      {"Amt 0 is free", {cond({perHour(0)})}, oneMinute, 300, 0.0},
      {"Amt 0 per call is free", {cond({perCall(0)})}, 0, 300, 0.0},
  });
}

TEST(Pricing, ChargesOnceAndWithoutCondition) {
  runCharges({
      {"only at once", {cond({onlyAtOnce(1.00)})}, 0, 300, 1.00},
      // Condition 2 (between: 8 + 128) outranks condition 1 from 10:01 to 10:02:
      // 1.00 once, and 60 s at 0.001; condition 1 is not charged again after it.
      {"only at once: once per call, even when another condition comes between",
       {cond({onlyAtOnce(1.00)}), cond({perHour(3.60), between(10, 1, 10, 2)})}, 0, 180, 1.06},
      // Condition 1 until 10:01 (before: 4 + 128), then condition 2: each once.
      {"two conditions only at once: each once", {cond({onlyAtOnce(1.00), before(10, 1)}), cond({onlyAtOnce(2.00)})},
       0, 300, 3.00},
      {"no condition: nothing charged, every second unpriced", {cond({perHour(3.60), between(11, 0, 12, 0)})}, 0, 300,
       0.0, 300},
      // Only 10:01 to 10:02 is priced, 60 x 0.001; the other 240 s are unpriced.
      {"a gap in the tariff", {cond({perHour(3.60), between(10, 1, 10, 2)})}, 0, 300, 0.06, 240},
  });
}

TEST(Pricing, ChargesPerMB) {
  // A one-minute call from 10:00:00. Samples: at 10:00:10, 1 MB received and half a
  // MB sent; at 10:00:20, 3 MB received and 1 MB sent in all. 2.00 a MB.
  const Epoch up = dec(14, 10, 0);
  const std::vector<core::ByteSample> samples = {{up + 10, 1 * MB, MB / 2}, {up + 20, 3 * MB, 1 * MB}};
  struct Case {
    const char* what;
    std::uint8_t bwMode;
    double cost;
  };
  const Case cases[] = {
      {"received and sent: 4 MB", 0, 8.00},
      {"received only: 3 MB", 1, 6.00},
      {"sent only: 1 MB", 2, 2.00},
      {"an unknown mode counts both", 9, 8.00},
  };
  for (const Case& k : cases) {
    const PricedCall p = price(tariff({cond({perMB(2.00, k.bwMode)})}), call(up, up + 60, samples));
    EXPECT_TRUE(sameAmount(p.cost, k.cost)) << k.what;
    EXPECT_EQ(p.received, 3 * MB) << k.what;
    EXPECT_EQ(p.sent, 1 * MB) << k.what;
    // The growth of each sample is charged in the unit its moment falls in.
    EXPECT_TRUE(sameAmount(p.units[10].charge, k.bwMode == 2 ? 1.00 : k.bwMode == 1 ? 2.00 : 3.00)) << k.what;
  }

  // Totals without samples, spread over the minute: 2 MB down and 1 MB up at 1.00.
  const auto even = core::evenSamples(up, up + 60, 2 * MB, 1 * MB);
  ASSERT_EQ(even.size(), 60u);
  EXPECT_EQ(even.back().at, up + 60);
  EXPECT_EQ(even.back().received, 2 * MB);
  EXPECT_EQ(even[29].received, MB);  // half way, half of it
  EXPECT_TRUE(sameAmount(price(tariff({cond({perMB(1.00)})}), call(up, up + 60, even)).cost, 3.00));
  EXPECT_TRUE(sameAmount(price(tariff({cond({perMB(1.00, 1)})}), call(up, up + 60, even)).cost, 2.00));

  // Condition 1 (per hour, free, before 10:01) outranks the per-MB condition 2 until
  // 10:01. Of 1 MB at 10:00:30 and 1 MB more at 10:01:30 only the second is charged.
  const auto t = tariff({cond({perHour(0), before(10, 1)}), cond({perMB(1.00)})});
  const PricedCall p = price(t, call(up, up + 120, {{up + 30, MB, 0}, {up + 90, 2 * MB, 0}}));
  EXPECT_TRUE(sameAmount(p.cost, 1.00));
  EXPECT_EQ(p.received, 2 * MB);
}

// --- Filters -----------------------------------------------------------------------

struct FilterCase {
  const char* what;
  std::vector<ExpenseCondition> conds;
  CallHistory history;
  std::vector<core::ByteSample> samples;  // moments from the call's start
  std::int64_t seconds;
  double cost;
  double incTime = 0;
  std::vector<std::string> slices = {};
};

TEST(Pricing, FiltersChooseBetweenConditions) {
  // Condition 1 carries the filter; condition 2 is the same kind of period without
  // one. Both score alike, so condition 1 wins wherever its filter holds.
  const auto expensive = [](std::uint8_t item, std::uint8_t how, double value) {
    return cond({perHour(3.60), filter(item, how, value)});  // 0.001 a second
  };
  const ExpenseCondition free = cond({perHour(0)});
  const ExpenseCondition cheap = cond({perHour(1.80)});  // 0.03 a minute
  CallHistory day7000;
  day7000.daySeconds = 7000;
  CallHistory cycle7100;
  cycle7100.cycleSeconds = 7100;
  CallHistory firstCall, thirdCall, tenthInCycle, spent, cycleBytes, cycleSent;
  thirdCall.dayCalls = 2;
  tenthInCycle.cycleCalls = 9;
  spent.cycleCost = 9.99;
  cycleBytes.cycleReceived = 99 * MB;
  cycleSent.cycleSent = 1 * MB;
  const double oneMinute = timeOfDay(0, 1, 0);
  const std::vector<FilterCase> cases = {
      // Todays Time > 02:00 with 7000 s today already: unit k begins at 7000 + 60 k,
      // over 7200 from k = 4. Units 0-3 cheap (4 x 0.03), 4-9 expensive (6 x 0.06).
      {"Todays Time is greater than 02:00, with history",
       {cond({perHour(3.60), filter(2, cmp::Gt, 7200)}), cheap},
       day7000,
       {},
       600,
       0.48,
       oneMinute,
       {"10:00:00-10:04:00 #2 x4 0.12000", "10:04:00-10:10:00 #1 x6 0.36000"}},
      {"Todays Time without history stays under 02:00", {cond({perHour(3.60), filter(2, cmp::Gt, 7200)}), cheap}, {},
       {}, 600, 0.30, oneMinute},
      // Expense < 0.10: 100 seconds at 0.001, then free. Compared as shown, the sum of
      // a hundred 0.001 is 0.10, not a hair under it.
      {"Expense is less than 0.10",
       {expensive(4, cmp::Lt, 0.10), free},
       {},
       {},
       600,
       0.10,
       0,
       {"10:00:00-10:01:40 #1 x100 0.10000", "10:01:40-10:10:00 #2 x500 0.00000"}},
      // Total Expense < 10.00 with 9.99 spent in the cycle: 10 seconds.
      {"Total Expense is less than 10.00", {expensive(5, cmp::Lt, 10.00), free}, spent, {}, 120, 0.010},
      {"Calls equals 1: the first call of the day", {expensive(6, cmp::Eq, 1), free}, firstCall, {}, 60, 0.060},
      {"Calls equals 1: not the third", {expensive(6, cmp::Eq, 1), free}, thirdCall, {}, 60, 0.0},
      {"Total Calls is at least 10: this is the tenth", {expensive(7, cmp::Ge, 10), free}, tenthInCycle, {}, 60, 0.060},
      // Time >= 00:01: from the 60th second, 60 x 0.001.
      {"Time is at least 00:01", {expensive(1, cmp::Ge, 60), free}, {}, {}, 120, 0.060},
      // Total Time > 02:00 with 7000 s in the day but none in the cycle (the history
      // says so): never within 120 s. With 7100 s in the cycle: from the 101st
      // second, 19 x 0.001.
      {"Total Time counts the cycle, not the day", {expensive(3, cmp::Gt, 7200), free}, day7000, {}, 120, 0.0},
      {"Total Time is greater than 02:00", {expensive(3, cmp::Gt, 7200), free}, cycle7100, {}, 120, 0.019},
      // 1 MB received at +30 is not more than 1 MB; 1.5 MB at +60 is, from +61 (a
      // sample counts from the second after its own): 59 x 0.001.
      {"Receive (in MB) is greater than 1",
       {expensive(13, cmp::Gt, 1), free},
       {},
       {{30, MB, 0}, {60, MB + MB / 2, 0}},
       120,
       0.059},
      // 99 MB in the cycle and 1 MB at +30: from +31, 89 x 0.001.
      {"Total Receive (in MB) is at least 100", {expensive(14, cmp::Ge, 100), free}, cycleBytes, {{30, MB, 0}}, 120,
       0.089},
      // One byte sent at +10: from +11, 109 x 0.001.
      {"Sent (in MB) is greater than 0", {expensive(11, cmp::Gt, 0), free}, {}, {{10, 0, 1}}, 120, 0.109},
      // Half a MB each way, the second half at +20: from +21, 99 x 0.001.
      {"Sent + Receive (in MB) is at least 1",
       {expensive(9, cmp::Ge, 1), free},
       {},
       {{10, MB / 2, 0}, {20, MB / 2, MB / 2}},
       120,
       0.099},
      {"Total Sent + Total Receive (in MB) is at least 1: from the start", {expensive(10, cmp::Ge, 1), free}, cycleSent,
       {}, 120, 0.120},
      // 1 MB sent in the cycle, one byte more at +30: from +31, 89 x 0.001.
      {"Total Sent (in MB) is greater than 1", {expensive(12, cmp::Gt, 1), free}, cycleSent, {{30, 0, 1}}, 120, 0.089},
      {"a filter value that is no number leaves the condition out", {expensive(1, cmp::Ne, std::nan("")), free}, {}, {},
       120, 0.0},
      {"an unknown comparison leaves the condition out", {expensive(1, 9, 0), free}, {}, {}, 120, 0.0},
      {"a counter beyond 14 is no filter", {cond({perHour(3.60), filter(15, cmp::Lt, 0)}), free}, {}, {}, 120, 0.120},
  };
  const Epoch up = dec(14, 10, 0);
  for (const FilterCase& k : cases) {
    std::vector<core::ByteSample> samples = k.samples;
    for (auto& s : samples) s.at += up;
    const PricedCall p = price(tariff(k.conds, k.incTime), call(up, up + k.seconds, samples), k.history);
    EXPECT_TRUE(sameAmount(p.cost, k.cost)) << k.what;
    if (!k.slices.empty()) {
      EXPECT_EQ(sliceLines(p), k.slices) << k.what;
    }
  }
}

// The countdown counter compares CdTotal - CdUsed, less what this call has used.
TEST(Pricing, CountdownFilter) {
  // 100 s left: under 00:01 (60 s) from the 41st second on; a 120 s call pays
  // seconds 41 to 119, 79 x 0.001.
  auto t = tariff({cond({perHour(3.60), filter(8, cmp::Lt, 60)}), cond({perHour(0)})});
  t.main.CdEnabled = true;
  t.main.CdTotal = 100;
  const Epoch up = dec(14, 10, 0);
  EXPECT_TRUE(sameAmount(price(t, call(up, up + 120)).cost, 0.079));
  // Switched off, the countdown stands still at 100 s: never under 60.
  t.main.CdEnabled = false;
  EXPECT_TRUE(sameAmount(price(t, call(up, up + 120)).cost, 0.0));
}

// --- The countdown ------------------------------------------------------------------

TEST(Pricing, CountdownHoldsTheConditionsWhileItRuns) {
  struct Case {
    const char* what;
    std::int16_t mode;
    double total, used;
    bool activeOnly;
    std::int16_t callStart;
    double incTime;
    std::int64_t seconds;
    double cost;
    double usedByCall;
    std::int64_t outAfter;  // -1: it does not run out in the call
    std::int64_t unpriced;
    bool enabled = true;
  };
  // Condition 1: 3.60 an hour (0.001 a second), not listed for the countdown;
  // condition 2: 1.80 an hour, listed; condition 1 wins when both take part.
  const Case cases[] = {
      // 300 s held without a condition (unpriced), then 300 x 0.001.
      {"disable all (free hours): 300 s left of 600", 1, 600, 300, false, 1, 0, 600, 0.30, 600, 300, 300},
      // 120 s at 0.0005 (condition 2) = 0.06, then 180 s at 0.001 = 0.18.
      {"enable listed: 120 s left", 2, 120, 0, false, 1, 0, 300, 0.24, 300, 120, 0},
      // Held off, no second has a condition, so none counts: it never runs out.
      {"disable all with active conditions only: never runs out", 1, 600, 300, true, 1, 0, 600, 0.0, 0, -1, 600},
      // Minute units, 90 s left: the units at 0 and 60 begin with time left (condition
      // 2, 0.03 each); it runs out at 90; the unit at 120 is condition 1's (0.06).
      {"runs out inside a unit", 2, 90, 0, false, 1, timeOfDay(0, 1, 0), 180, 0.12, 180, 90, 0},
      // 99.5 s left: held at the units 0 to 99, out at the 100th second; 200 x 0.001.
      {"a fraction of a second left counts as a second", 1, 100, 0.5, false, 1, 0, 300, 0.20, 300, 100, 100},
      {"not enabled: no hold, nothing counted", 1, 600, 0, false, 1, 0, 300, 0.30, 0, -1, 0, false},
      // Already run out: no hold; the seconds still add to CdUsed while it is enabled.
      {"already run out", 1, 600, 600, false, 1, 0, 300, 0.30, 300, -1, 0},
      // Never counting: the countdown does not move, so it holds the whole call.
      {"never counting", 1, 600, 0, false, 2, 0, 300, 0.0, 0, -1, 300},
  };
  const Epoch up = dec(14, 10, 0);
  for (const Case& k : cases) {
    auto t = tariff({cond({perHour(3.60)}), cond({perHour(1.80)})}, k.incTime);
    t.main.CdEnabled = k.enabled;
    t.main.CdExpenseMode = k.mode;
    t.main.CdTotal = k.total;
    t.main.CdUsed = k.used;
    t.main.CdActiveOnly = k.activeOnly ? 1 : 0;
    t.main.CdCondOn[2] = true;
    t.main.CallStart = k.callStart;
    const PricedCall p = price(t, call(up, up + k.seconds));
    EXPECT_TRUE(sameAmount(p.cost, k.cost)) << k.what;
    EXPECT_EQ(p.countdownUsed, k.usedByCall) << k.what;
    if (k.outAfter < 0) {
      EXPECT_FALSE(p.countdownOut) << k.what;
    } else {
      EXPECT_EQ(p.countdownOut, up + k.outAfter) << k.what;
    }
    EXPECT_EQ(p.unpricedSeconds, k.unpriced) << k.what;
  }

  // Active conditions only, leaving the conditions as they are: the 180 s of a call
  // that no condition covers do not count (condition 1 only from 10:00 to 10:02).
  auto t = tariff({cond({perHour(3.60), between(10, 0, 10, 2)})});
  t.main.CdEnabled = true;
  t.main.CdTotal = 3600;
  t.main.CdActiveOnly = 1;
  const PricedCall p = price(t, call(up, up + 300));
  EXPECT_EQ(p.countdownUsed, 120);
  EXPECT_EQ(p.unpricedSeconds, 180);
  EXPECT_TRUE(sameAmount(p.cost, 0.12));
}

// --- One condition after another ----------------------------------------------------

TEST(Pricing, CallCrossingIntoAnEveningRate) {
  // Weekdays 08:00 to 18:00 at 2.50 an hour, weekday evenings from 18:00 at 1.20;
  // 1-minute units; Monday 17:50 to 18:20. Before 18:00 10 units of 2.50 / 60
  // (0.041667, 0.41667 in all); after it 20 units of 1.20 / 60 = 0.02 (0.40).
  const auto t = tariff({cond({perHour(2.50), monFri(), between(8, 0, 18, 0)}), cond({perHour(1.20), monFri(), after(18, 0)})},
                        timeOfDay(0, 1, 0));
  const PricedCall p = price(t, call(dec(14, 17, 50), dec(14, 18, 20)));
  EXPECT_EQ(sliceLines(p), (std::vector<std::string>{"17:50:00-18:00:00 #1 x10 0.41667", "18:00:00-18:20:00 #2 x20 0.40000"}));
  EXPECT_TRUE(sameAmount(p.cost, 0.81667));
  ASSERT_EQ(p.units.size(), 30u);
  EXPECT_EQ(p.units[9].slot, 1);
  EXPECT_EQ(p.units[10].slot, 2);
  EXPECT_EQ(p.units[10].from, dec(14, 18, 0));

  // Units of 7 minutes: 17:50 and 17:57 begin before 18:00 and are the day rate's,
  // charged whole (2 x 2.50 x 7 / 60 = 0.58333) though the second runs to 18:04;
  // 18:04, 18:11 and 18:18 are the evening's (3 x 1.20 x 7 / 60 = 0.42).
  auto t7 = t;
  t7.main.IncTime = timeOfDay(0, 7, 0);
  const PricedCall p7 = price(t7, call(dec(14, 17, 50), dec(14, 18, 20)));
  EXPECT_EQ(sliceLines(p7), (std::vector<std::string>{"17:50:00-18:04:00 #1 x2 0.58333", "18:04:00-18:20:00 #2 x3 0.42000"}));
  EXPECT_TRUE(sameAmount(p7.cost, 1.00333));
  EXPECT_EQ(p7.units.back().to, dec(14, 18, 20));
  EXPECT_EQ(p7.units.back().length, 7 * 60);
}

TEST(Pricing, ConnectionBoundConditionsFollowTheCallsConnection) {
  // Condition 1 for any connection at 3.60 an hour; condition 2 only for "ISP A" at
  // 1.80, which outranks it (+4096) on that connection only. A minute each.
  const auto t = tariff({cond({perHour(3.60)}), cond({perHour(1.80), boundTo("ISP A")})});
  const Epoch up = dec(14, 10, 0);
  auto c = call(up, up + 60);
  c.connection = "ISP A";
  EXPECT_TRUE(sameAmount(price(t, c).cost, 0.03));
  c.connection = "ISP B";
  EXPECT_TRUE(sameAmount(price(t, c).cost, 0.06));
  // Cut to its first 20 bytes, as a record holds it.
  auto tLong = tariff({cond({perHour(3.60)}), cond({perHour(1.80), boundTo("Connection-with-a-long-name")})});
  c.connection = "Connection-with-a-long-name";
  EXPECT_TRUE(sameAmount(price(tLong, c).cost, 0.03));
}

}  // namespace
}  // namespace prandel::test
