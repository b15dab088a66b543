// SPDX-License-Identifier: GPL-3.0-or-later
// The meter the live tracker feeds as a call runs against priceCall, which feeds it
// the whole call at once: a second at a time, in irregular steps, samples before or
// after the moment they report, the result must be the same to the last bit. And what
// the meter shows while the call runs, and settings changed in the middle of a call.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "PricingKit.h"

namespace prandel::test {
namespace {

using core::CallHistory;
using core::CallMeter;
using core::LocalClock;
using core::PricedCall;

void expectSameCounters(const core::CallCounters& a, const core::CallCounters& b, std::size_t i) {
  EXPECT_EQ(a.callSeconds, b.callSeconds) << i;
  EXPECT_EQ(a.daySeconds, b.daySeconds) << i;
  EXPECT_EQ(a.cycleSeconds, b.cycleSeconds) << i;
  EXPECT_EQ(a.callCost, b.callCost) << i;
  EXPECT_EQ(a.cycleCost, b.cycleCost) << i;
  EXPECT_EQ(a.dayCalls, b.dayCalls) << i;
  EXPECT_EQ(a.cycleCalls, b.cycleCalls) << i;
  EXPECT_EQ(a.countdownLeft, b.countdownLeft) << i;
  EXPECT_EQ(a.callReceived, b.callReceived) << i;
  EXPECT_EQ(a.callSent, b.callSent) << i;
  EXPECT_EQ(a.cycleReceived, b.cycleReceived) << i;
  EXPECT_EQ(a.cycleSent, b.cycleSent) << i;
}

// Equal in every field, amounts bit for bit.
void expectSame(const PricedCall& a, const PricedCall& b, const char* what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(a.units.size(), b.units.size());
  for (std::size_t i = 0; i < a.units.size(); ++i) {
    const auto &x = a.units[i], &y = b.units[i];
    ASSERT_EQ(x.from, y.from) << i;
    ASSERT_EQ(x.to, y.to) << i;
    ASSERT_EQ(x.slot, y.slot) << i;
    ASSERT_EQ(x.length, y.length) << i;
    ASSERT_EQ(x.charge, y.charge) << i;
    expectSameCounters(x.counters, y.counters, i);
  }
  ASSERT_EQ(a.slices.size(), b.slices.size());
  for (std::size_t i = 0; i < a.slices.size(); ++i) {
    EXPECT_EQ(a.slices[i].from, b.slices[i].from) << i;
    EXPECT_EQ(a.slices[i].to, b.slices[i].to) << i;
    EXPECT_EQ(a.slices[i].slot, b.slices[i].slot) << i;
    EXPECT_EQ(a.slices[i].units, b.slices[i].units) << i;
    EXPECT_EQ(a.slices[i].charge, b.slices[i].charge) << i;
  }
  EXPECT_EQ(a.countFrom, b.countFrom);
  EXPECT_EQ(a.countedSeconds, b.countedSeconds);
  EXPECT_EQ(a.unpricedSeconds, b.unpricedSeconds);
  EXPECT_EQ(a.received, b.received);
  EXPECT_EQ(a.sent, b.sent);
  EXPECT_EQ(a.cost, b.cost);
  EXPECT_EQ(a.countdownUsed, b.countdownUsed);
  EXPECT_EQ(a.countdownOut, b.countdownOut);
}

// A tariff that uses every rule at once. On a Monday evening, with the countdown
// holding conditions 4 and 5 off until it runs out (about 18:13):
//   until 18:00  1: weekdays 08:00 to 18:00, 2.50 an hour, the first unit 0.10
//   18:00-18:10  3: per MB, received only
//   18:10-18:13  2: per call of 90 s with ISP charges, once today's time passes 600 s
//   18:13-18:35  5: 1.00 an hour once 2 MB are received (held off before)
//   18:35-18:40  2 again
//   18:40-18:45  none
//   from 18:45   4: 0.25 only at once, once the call has cost 0.50
core::TariffSettings everyRule() {
  auto t = tariff(
      {
          cond({perHour(2.50), monFri(), between(8, 0, 18, 0), initialAmount(0.10)}),
          cond({perCall(0.50), callTime(0, 1, 30), isp(0.60), before(18, 40), filter(2, cmp::Gt, 600)}),
          cond({perMB(1.00, 1), between(18, 0, 18, 10)}),
          cond({onlyAtOnce(0.25), after(18, 45), filter(4, cmp::Gt, 0.5)}),
          cond({perHour(1.00), between(18, 12, 18, 35), filter(13, cmp::Gt, 2)}),
          cond({perHour(0.80), before(0, 20)}),
      },
      timeOfDay(0, 0, 45));
  t.main.CallStart = 0;
  t.main.CdEnabled = true;
  t.main.CdExpenseMode = 2;
  for (int listed : {1, 2, 3}) t.main.CdCondOn[static_cast<std::size_t>(listed)] = true;
  t.main.CdTotal = 1500;
  t.main.CdUsed = 100;
  t.main.CdActiveOnly = 1;
  return t;
}

struct Call {
  core::CallInput input;
  CallHistory history;
};

// Monday 17:49:40 dialling, 17:50:00 up, 18:50:17 down; samples every 7 s with a
// counter reset in the middle, one before the link came up and one after the end.
Call eveningCall(std::mt19937& rng) {
  Call c;
  c.input.dialStart = dec(14, 17, 49, 40);
  c.input.up = dec(14, 17, 50);
  c.input.end = dec(14, 18, 50, 17);
  c.input.connection = "ISP A";
  std::uint64_t received = 0, sent = 0;
  c.input.samples.push_back({c.input.up - 5, 1000, 10});
  for (Epoch t = c.input.up + 3; t < c.input.end; t += 7) {
    received += rng() % 300000;
    sent += rng() % 20000;
    if (t == c.input.up + 3 + 7 * 200) received = 5000;  // the counter was reset
    c.input.samples.push_back({t, received, sent});
  }
  c.input.samples.push_back({c.input.end + 4, received + 100, sent + 100});
  c.history.daySeconds = 500;
  c.history.dayCalls = 2;
  c.history.cycleCost = 3.5;
  return c;
}

// Feeds a meter: samples up to each step's moment (before or after advancing to it),
// steps from stepper, then the end.
template <class Stepper>
PricedCall feed(const core::TariffSettings& t, const Call& c, const LocalClock& clock, Stepper step, bool samplesFirst,
                std::vector<PricedCall>* seen = nullptr) {
  CallMeter m(t, c.history, clock, c.input.connection, c.input.dialStart, c.input.up);
  std::size_t next = 0;
  const auto addUpTo = [&](Epoch now) {
    while (next < c.input.samples.size() && c.input.samples[next].at <= now) m.addSample(c.input.samples[next++]);
  };
  for (Epoch now = *c.input.dialStart; now < c.input.end; now = step(now)) {
    if (samplesFirst) addUpTo(now);
    m.advanceTo(now);
    if (!samplesFirst) addUpTo(now);
    if (seen && now % 97 == 0) seen->push_back(m.soFar());
  }
  while (next < c.input.samples.size()) m.addSample(c.input.samples[next++]);
  return m.finish(c.input.end);
}

TEST(CallMeter, FedAsTheCallRunsGivesExactlyWhatPriceCallGives) {
  std::mt19937 rng(20261214);
  const LocalClock utc = LocalClock::fixed(0);
  const Call c = eveningCall(rng);
  const auto t = everyRule();
  const PricedCall whole = core::priceCall(t, c.input, c.history, utc);

  // Not a toothless tariff: every condition wins some unit, the countdown runs out
  // and bytes are charged.
  std::set<int> winners;
  for (const auto& u : whole.units) winners.insert(u.slot);
  EXPECT_EQ(winners, (std::set<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(whole.countdownOut, dec(14, 18, 13));  // 1400 s after 17:49:40
  EXPECT_EQ(whole.unpricedSeconds, 300);

  std::vector<PricedCall> seen;
  const auto second = [](Epoch now) { return now + 1; };
  expectSame(feed(t, c, utc, second, true, &seen), whole, "second by second, samples first");
  expectSame(feed(t, c, utc, second, false), whole, "second by second, samples after");
  for (int round = 0; round < 4; ++round) {
    const auto irregular = [&](Epoch now) { return now + 1 + static_cast<Epoch>(rng() % (round == 0 ? 20 : 400)); };
    expectSame(feed(t, c, utc, irregular, true), whole, "irregular steps");
  }

  // What the meter showed on the way: the units it had laid, as they are in the end
  // (the last one may still grow), and a cost that never fell.
  double cost = 0;
  for (const PricedCall& p : seen) {
    ASSERT_LE(p.units.size(), whole.units.size());
    for (std::size_t i = 0; i + 1 < p.units.size(); ++i) {
      ASSERT_EQ(p.units[i].from, whole.units[i].from);
      ASSERT_EQ(p.units[i].slot, whole.units[i].slot);
      ASSERT_EQ(p.units[i].charge, whole.units[i].charge);
    }
    EXPECT_GE(p.cost, cost);
    cost = p.cost;
  }
  EXPECT_GT(seen.size(), 30u);
}

TEST(CallMeter, AcrossMidnightAndAClockChangeInBerlin) {
  // 25 October 2026, the night the clock goes back: a call from 23:40 on the 24th
  // to 03:30 (winter time) with a per-call unit for the rest of the call from 00:20,
  // its ISP charges growing with it.
  const LocalClock berlin(QTimeZone("Europe/Berlin"));
  auto t = tariff({cond({perHour(1.80), between(23, 0, 0, 20)}), cond({perCall(0.50), isp(0.60)})}, 0);
  Call c;
  c.input.up = wallAt(QTimeZone("Europe/Berlin"), 2026, 10, 24, 23, 40);
  c.input.dialStart = c.input.up;
  c.input.end = wallAt(QTimeZone("Europe/Berlin"), 2026, 10, 25, 3, 30);
  const PricedCall whole = core::priceCall(t, c.input, {}, berlin);
  // 23:40 to 00:20: 2400 units of 1 s at 0.0005 (1.20); then one unit for the rest:
  // from 00:20 summer time to 03:30 winter time is 4 h 10 min (15000 s), 0.50 +
  // 0.60 x 15000 / 3600 = 3.00. In all 4.20.
  EXPECT_TRUE(sameAmount(whole.cost, 4.20));
  EXPECT_EQ(whole.units.back().length, 15000);
  expectSame(feed(t, c, berlin, [](Epoch now) { return now + 1; }, true), whole, "second by second");
}

TEST(CallMeter, ShowsTheCallSoFarAndTakesNewSettingsFromTheNextUnit) {
  // 3.60 an hour in minute units (0.06 each) from 10:00. At 10:02:30 the settings
  // change to 1.80 (0.03): the unit of 10:02 keeps its price, those of 10:03 and
  // 10:04 take the new one. 0.06 x 3 + 0.03 x 2 = 0.24.
  const auto before = tariff({cond({perHour(3.60)})}, timeOfDay(0, 1, 0));
  const auto after = tariff({cond({perHour(1.80)})}, timeOfDay(0, 1, 0));
  const Epoch up = dec(14, 10, 0);
  CallMeter m(before, {}, LocalClock::fixed(0), "", std::nullopt, up);
  m.advanceTo(up + 150);
  EXPECT_EQ(m.soFar().units.size(), 3u);
  EXPECT_EQ(m.soFar().units.back().to, up + 150);  // runs as far as the call has
  EXPECT_EQ(m.soFar().countedSeconds, 150);
  EXPECT_TRUE(sameAmount(m.soFar().cost, 0.18));
  m.reload(after);
  m.advanceTo(up + 240);
  // The unit of 10:04 begins at 10:04:00 and has begun only after it.
  EXPECT_EQ(m.soFar().units.size(), 4u);
  m.advanceTo(up + 120);  // time does not go back
  const PricedCall p = m.finish(up + 300);
  EXPECT_TRUE(sameAmount(p.cost, 0.24));
  EXPECT_EQ(p.units.size(), 5u);
  // An end before a moment already given ends there: nothing is taken back.
  CallMeter late(before, {}, LocalClock::fixed(0), "", std::nullopt, up);
  late.advanceTo(up + 130);
  EXPECT_EQ(late.finish(up + 100).units.size(), 3u);
}

TEST(CallMeter, ANewCountdownFromTheReloadedSettings) {
  // Disable all while it runs, 600 s of 600 left; 3.60 an hour in 1-second units.
  // After 120 s the tracker has written CdUsed 120 and the user shortened the
  // countdown to 180 s: 60 s left from the reload, so it runs out at 180, and the
  // call pays its last 120 s: 0.12.
  auto t = tariff({cond({perHour(3.60)})});
  t.main.CdEnabled = true;
  t.main.CdExpenseMode = 1;
  t.main.CdTotal = 600;
  const Epoch up = dec(14, 10, 0);
  CallMeter m(t, {}, LocalClock::fixed(0), "", std::nullopt, up);
  m.advanceTo(up + 120);
  t.main.CdTotal = 180;
  t.main.CdUsed = 120;
  m.reload(t);
  const PricedCall p = m.finish(up + 300);
  EXPECT_EQ(p.countdownOut, up + 180);
  EXPECT_EQ(p.countdownUsed, 300);
  EXPECT_TRUE(sameAmount(p.cost, 0.12));
}

}  // namespace
}  // namespace prandel::test
