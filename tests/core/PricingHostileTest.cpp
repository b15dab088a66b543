// SPDX-License-Identifier: GPL-3.0-or-later
// What a damaged data folder, a confused tracker or a careless script can hand the
// pricing: it never crashes, never hangs, never returns a cost that is no number,
// and each case follows the rule docs/pricing.md states for it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "PricingKit.h"

namespace prandel::test {
namespace {

using core::CallHistory;
using core::PricedCall;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(PricingHostile, AmountsThatAreNoNumberOrBelowZeroAreFreeAndHugeOnesCapped) {
  // One minute in 1-second units.
  const Epoch up = dec(14, 10, 0);
  struct Case {
    const char* what;
    ExpenseCondition c;
    double cost;
  };
  const Case cases[] = {
      {"NaN per hour", cond({perHour(kNaN)}), 0},
      {"-inf per hour", cond({perHour(-kInf)}), 0},
      {"negative per hour", cond({perHour(-3.60)}), 0},
      // Capped at 10^12 an hour: 10^12 x 60 / 3600.
      {"inf per hour", cond({perHour(kInf)}), 1e12 / 60},
      {"1e300 per hour", cond({perHour(1e300)}), 1e12 / 60},
      // The initial amount in place of the first second's charge: NaN is 0; then 59 s at 0.001.
      {"NaN initial amount", cond({perHour(3.60), initialAmount(kNaN)}), 0.059},
      {"NaN ISP charges", cond({perCall(0.50), callTime(0, 1, 0), isp(kNaN)}), 0.50},
      {"inf per MB", cond({perMB(kInf)}), 1e12},  // 1 MB received
      {"NaN only at once", cond({onlyAtOnce(kNaN)}), 0},
  };
  for (const Case& k : cases) {
    const PricedCall p = price(tariff({k.c}), call(up, up + 60, {{up + 1, MB, 0}}));
    EXPECT_TRUE(std::isfinite(p.cost)) << k.what;
    EXPECT_NEAR(p.cost, k.cost, std::fabs(k.cost) * 1e-12 + 1e-9) << k.what;
  }
}

TEST(PricingHostile, DurationsAreWholeSecondsWithinTheLongestCall) {
  // Per hour 3.60 (0.001 a second) for 5 minutes from 10:00.
  const Epoch up = dec(14, 10, 0);
  struct Case {
    const char* what;
    ExpenseCondition c;
    double incTime;
    std::size_t units;
    double cost;
  };
  const Case cases[] = {
      // A few microseconds round to 0 s: 1-second units for per hour...
      {"increment of 5 microseconds, per hour", cond({perHour(3.60)}), 5e-6 / 86400, 300, 0.30},
      // ...and the rest of the call for per call.
      {"increment of 5 microseconds, per call", cond({perCall(0.50)}), 5e-6 / 86400, 1, 0.50},
      {"NaN increment", cond({perHour(3.60)}), kNaN, 300, 0.30},
      {"negative increment", cond({perHour(3.60)}), -0.5, 300, 0.30},
      // Longer than the longest call priced (31 days): that long, charged whole.
      {"huge increment", cond({perHour(3.60)}), 1e300, 1, 3.60 * 31 * 24},
      {"an initial time of 0 is none", cond({perHour(3.60), initialAmount(0.1), initialTime(0, 0, 0)}), 0, 300, 0.399},
      {"NaN call time is the rest of the call", cond({perCall(0.50), [](ExpenseCondition& c) {
                                                   c.CustCall = true;
                                                   c.CallTime = kNaN;
                                                 }}),
       0, 1, 0.50},
  };
  for (const Case& k : cases) {
    const PricedCall p = price(tariff({k.c}, k.incTime), call(up, up + 300));
    EXPECT_EQ(p.units.size(), k.units) << k.what;
    EXPECT_TRUE(sameAmount(p.cost, k.cost)) << k.what;
    EXPECT_EQ(p.countedSeconds, 300) << k.what;
  }
  auto inf = cond({perHour(3.60), initialTime(0, 0, 0)});
  inf.InTime = kInf;
  EXPECT_EQ(price(tariff({inf}), call(up, up + 300)).units.front().length, core::kMaxCallSeconds);
}

TEST(PricingHostile, CallsOfNoLengthBackwardsOrBeyondTheYears) {
  auto t = tariff({cond({perHour(3.60)})}, timeOfDay(1, 0, 0));
  const Epoch up = dec(14, 10, 0);
  // Nothing to price.
  const PricedCall empty = price(t, call(up, up));
  EXPECT_TRUE(empty.units.empty());
  EXPECT_TRUE(empty.slices.empty());
  EXPECT_EQ(empty.cost, 0);
  // An end before the link came up ends at it.
  EXPECT_TRUE(price(t, call(up, up - 3600)).units.empty());
  // ...where 30 s of dialling still count: one hour unit begun, 3.60.
  t.main.CallStart = 0;
  t.main.AddDialTime = 1;
  t.main.DialSeconds = 30;
  const PricedCall dialled = price(t, call(up, up - 3600));
  EXPECT_EQ(dialled.countedSeconds, 30);
  EXPECT_TRUE(sameAmount(dialled.cost, 3.60));
  // DialSeconds is a byte: 255 s at most, as stored.
  t.main.DialSeconds = 255;
  EXPECT_EQ(price(t, call(up, up)).countFrom, up - 255);
  t.main.CallStart = 1;

  // A span longer than 31 days is priced for its first 31 days: 744 hour units.
  const PricedCall longest = price(t, call(0, std::numeric_limits<Epoch>::max()));
  EXPECT_EQ(longest.countedSeconds, core::kMaxCallSeconds);
  EXPECT_EQ(longest.units.size(), 744u);
  // Moments beyond the years a Date holds are held to them.
  const PricedCall far = price(t, call(std::numeric_limits<Epoch>::min(), std::numeric_limits<Epoch>::min() + 5));
  EXPECT_TRUE(far.units.empty());
  const PricedCall late = price(t, call(std::numeric_limits<Epoch>::max() - 5, std::numeric_limits<Epoch>::max()));
  EXPECT_TRUE(late.units.empty());
}

TEST(PricingHostile, CountersThatGoDownAndAMillionSamples) {
  const Epoch up = dec(14, 10, 0);
  // 1000 received, then 500 (the counter was reset: 500 since), then 800 (300 more):
  // 1800 in all, never a negative growth.
  const PricedCall reset =
      price(tariff({cond({perMB(1.00)})}), call(up, up + 60, {{up + 1, 1000, 0}, {up + 2, 500, 7}, {up + 3, 800, 7}}));
  EXPECT_EQ(reset.received, 1800u);
  EXPECT_EQ(reset.sent, 7u);
  EXPECT_TRUE(sameAmount(reset.cost, 1807.0 / MB));

  // A million samples, a byte more each, in an hour, some before the call and some
  // after it: every byte counted once, at 1.00 a MB.
  std::vector<core::ByteSample> many;
  many.reserve(1'000'000);
  for (std::uint64_t i = 1; i <= 1'000'000; ++i)
    many.push_back({up - 10 + static_cast<Epoch>(i / 275), i, 0});
  const PricedCall p = price(tariff({cond({perMB(1.00)})}), call(up, up + 3600, many));
  EXPECT_EQ(p.received, 1'000'000u);
  EXPECT_TRUE(sameAmount(p.cost, 1e6 / MB));
  // Samples out of time order are taken in it.
  std::vector<core::ByteSample> shuffled = {{up + 3, 300, 0}, {up + 1, 100, 0}, {up + 2, 200, 0}};
  EXPECT_EQ(price(tariff({cond({perMB(1.00)})}), call(up, up + 60, shuffled)).received, 300u);
}

TEST(PricingHostile, SettingsAndHistoryOutOfRange) {
  const Epoch up = dec(14, 10, 0);
  auto t = tariff({cond({perHour(3.60), filter(1, cmp::Lt, kInf)}), cond({perHour(0)})});
  // A countdown that is no number never runs and holds nothing; an unknown expense
  // mode holds nothing.
  t.main.CdEnabled = true;
  t.main.CdExpenseMode = 1;
  t.main.CdTotal = kNaN;
  PricedCall p = price(t, call(up, up + 60));
  EXPECT_TRUE(sameAmount(p.cost, 0.06));
  EXPECT_FALSE(p.countdownOut);
  t.main.CdTotal = 600;
  t.main.CdExpenseMode = 77;
  EXPECT_TRUE(sameAmount(price(t, call(up, up + 60)).cost, 0.06));
  // CdUsed of -inf: endless time left, the hold lasts.
  t.main.CdExpenseMode = 1;
  t.main.CdUsed = -kInf;
  EXPECT_TRUE(sameAmount(price(t, call(up, up + 60)).cost, 0));

  // History from a damaged log: counts below 0 are 0, a cost that is no number is 0.
  CallHistory h;
  h.daySeconds = -5;
  h.dayCalls = std::numeric_limits<std::int64_t>::min();
  h.cycleSeconds = std::numeric_limits<std::int64_t>::max();
  h.cycleCost = kNaN;
  t.main.CdEnabled = false;
  p = price(t, call(up, up + 60), h);
  EXPECT_EQ(p.units[0].counters.daySeconds, 0);
  EXPECT_EQ(p.units[0].counters.dayCalls, 1);
  EXPECT_EQ(p.units[0].counters.cycleCost, 0);
  EXPECT_GT(p.units[59].counters.cycleSeconds, 0);

  // A connection name of any length and content.
  auto c = call(up, up + 60);
  c.connection = std::string(1000, 'x') + "\xF0\x9F\x98\x80" + std::string(3, '\0');
  EXPECT_TRUE(sameAmount(price(t, c).cost, 0.06));

  // The meter fed nonsense: a jump to the end of time, then back.
  core::CallMeter m(tariff({cond({perHour(3.60)})}, timeOfDay(1, 0, 0)), {}, core::LocalClock::fixed(0), "",
                    std::numeric_limits<Epoch>::max(), up);
  m.addSample({std::numeric_limits<Epoch>::min(), 5, 5});
  m.advanceTo(std::numeric_limits<Epoch>::max());
  m.advanceTo(std::numeric_limits<Epoch>::min());
  const PricedCall fed = m.finish(up);
  EXPECT_EQ(fed.units.size(), 744u);
  EXPECT_EQ(fed.received, 5u);
  EXPECT_TRUE(sameAmount(fed.cost, 3.60 * 744));
}

}  // namespace
}  // namespace prandel::test
