// SPDX-License-Identifier: GPL-3.0-or-later
// The session's bytes from raw interface counters: resets, wraps, new interfaces,
// suspends and bad readings never give negative or bogus traffic.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tracker/ByteCounter.h"

namespace prandel::tracker {
namespace {

constexpr std::uint64_t k2to32 = std::uint64_t{1} << 32;
constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

struct Reading {
  core::Epoch at;
  bool valid;
  int ifindex;
  std::uint64_t received, sent;
};

Reading ok(core::Epoch at, int ifindex, std::uint64_t received, std::uint64_t sent) {
  return {at, true, ifindex, received, sent};
}
Reading gone(core::Epoch at) { return {at, false, 0, 0, 0}; }

struct Case {
  std::string name;
  std::vector<Reading> readings;
  std::uint64_t received, sent;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ByteCounterSequences : public ::testing::TestWithParam<Case> {};

TEST_P(ByteCounterSequences, GiveTheSessionsBytes) {
  const Case& c = GetParam();
  ByteCounter counter;
  std::uint64_t lastReceived = 0, lastSent = 0;
  for (const auto& r : c.readings) {
    counter.add({r.valid, r.ifindex, r.received, r.sent}, r.at);
    EXPECT_GE(counter.received(), lastReceived) << "at " << r.at;
    EXPECT_GE(counter.sent(), lastSent) << "at " << r.at;
    lastReceived = counter.received();
    lastSent = counter.sent();
  }
  EXPECT_EQ(counter.received(), c.received);
  EXPECT_EQ(counter.sent(), c.sent);
}

const Case kCases[] = {
    {"growth between readings counts", {ok(100, 3, 100, 10), ok(101, 3, 1100, 510), ok(111, 3, 5100, 1510)}, 5000, 1500},
    {"the first reading is the baseline, however large",
     {ok(100, 3, 9'000'000'000, 7'000'000'000)}, 0, 0},
    {"a counter that goes down far from 2^32 was reset: its new value counts",
     {ok(0, 3, 5000, 5000), ok(1, 3, 7000, 6000), ok(2, 3, 300, 6500)}, 2300, 1500},
    {"a drop from a small value is a reset, never a wrap of 4 GiB",
     {ok(0, 3, 100000, 0), ok(1, 3, 50, 0)}, 50, 0},
    {"a 32-bit counter near its top that reads low has wrapped",
     {ok(0, 3, k2to32 - 1000, k2to32 - 10), ok(1, 3, 500, 20), ok(2, 3, 800, 20)}, 1800, 30},
    {"a drop from further than 256 MiB below 2^32 is a reset",
     {ok(0, 3, k2to32 - 512 * kMiB, 0), ok(1, 3, 1000, 0)}, 1000, 0},
    {"a 64-bit counter above 2^32 that goes down was reset",
     {ok(0, 3, 5'000'000'000, 6'000'000'000), ok(1, 3, 1000, 2000)}, 1000, 2000},
    {"another ifindex is a new interface: a new baseline, nothing counted for it",
     {ok(0, 3, 1000, 1000), ok(1, 4, 500, 500), ok(2, 4, 800, 900)}, 300, 400},
    {"an interface that went away and came back anew",
     {ok(0, 3, 1000, 1000), ok(5, 3, 2000, 1500), gone(6), gone(7), ok(8, 9, 40, 40), ok(9, 9, 140, 90)}, 1100, 550},
    {"an invalid reading is skipped and the next is judged against the last good one",
     {ok(0, 3, 1000, 1000), gone(1), ok(2, 3, 3000, 2000)}, 2000, 1000},
    {"a gap of an hour (a suspend) is a new baseline: nothing meanwhile counts",
     {ok(0, 3, 1000, 1000), ok(10, 3, 2000, 1100), ok(3610, 3, 900'000'000, 800'000'000),
      ok(3620, 3, 900'000'100, 800'000'050)}, 1100, 150},
    {"a gap made of invalid readings is a gap too",
     {ok(0, 3, 1000, 1000), gone(10), gone(2000), ok(4000, 3, 900'000'000, 900'000'000), ok(4010, 3, 900'000'500, 900'000'000)},
     500, 0},
    {"the clock set back: a new baseline, never a negative time",
     {ok(100, 3, 1000, 1000), ok(50, 3, 2000, 2000), ok(60, 3, 2100, 2050)}, 100, 50},
    {"a jump faster than 10 Gbit/s is bogus; counting goes on from it",
     {ok(0, 3, 0, 0), ok(1, 3, 20'000'000'000, 100), ok(2, 3, 20'000'000'500, 200)}, 500, 200},
    {"the allowance grows with the time between readings",
     {ok(0, 3, 0, 0), ok(10, 3, 12'000'000'000, 0)}, 12'000'000'000, 0},
    {"a reset whose new value is bogus counts nothing",
     {ok(0, 3, 5'000'000'000, 0), ok(1, 3, 4'000'000'000, 0), ok(2, 3, 4'000'001'000, 0)}, 1000, 0},
    {"an unknown ifindex (0) is not taken for a new interface",
     {ok(0, 0, 1000, 1000), ok(1, 0, 2000, 1500), ok(2, 5, 2500, 1600)}, 1500, 600},
    {"pppd's 32-bit counts wrapping on a long call sampled every 10 s",
     {ok(0, 7, k2to32 - 60000, 1000), ok(10, 7, k2to32 - 5000, 2000), ok(20, 7, 50000, 3000)}, 110000, 2000},
    {"moments at the ends of the range do not overflow",
     {ok(std::numeric_limits<core::Epoch>::min(), 3, 0, 0), ok(std::numeric_limits<core::Epoch>::max(), 3, 10, 10),
      ok(std::numeric_limits<core::Epoch>::max(), 3, 20, 20)}, 10, 10},
};

INSTANTIATE_TEST_SUITE_P(Readings, ByteCounterSequences, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ByteCounter, SaysWhatItTookEachReadingFor) {
  ByteCounter counter;
  EXPECT_EQ(counter.add({false, 0, 0, 0}, 0).kind, ReadingKind::Skipped);
  EXPECT_EQ(counter.add({true, 3, 1000, k2to32 - 100}, 1).kind, ReadingKind::Baseline);
  const auto wrapped = counter.add({true, 3, 10, 50}, 2);
  EXPECT_EQ(wrapped.kind, ReadingKind::Counted);
  EXPECT_EQ(wrapped.received, CounterStep::Reset);
  EXPECT_EQ(wrapped.sent, CounterStep::Wrapped);
  const auto bogus = counter.add({true, 3, 30'000'000'000, 60}, 3);
  EXPECT_EQ(bogus.received, CounterStep::Implausible);
  EXPECT_EQ(bogus.sent, CounterStep::Grew);
  EXPECT_EQ(counter.add({true, 4, 0, 0}, 4).kind, ReadingKind::NewInterface);
  EXPECT_EQ(counter.add({true, 4, 0, 0}, 4 + 16 * 60).kind, ReadingKind::Gap);
}

// Limits that make no sense keep the guards on instead of turning them off.
TEST(ByteCounter, NonsenseLimitsKeepTheGuards) {
  CounterLimits nonsense;
  nonsense.maxBytesPerSecond = std::nan("");
  nonsense.maxGapSeconds = -5;
  nonsense.wrapWindow = 0;
  ByteCounter counter(nonsense);
  counter.add({true, 3, k2to32 - 100, 0}, 0);
  counter.add({true, 3, 100, 0}, 1);                       // a wrap within the default window
  counter.add({true, 3, 100 + 20'000'000'000, 0}, 2);      // too fast for the default rate
  counter.add({true, 3, 100 + 20'000'000'000 + 7, 0}, 3);  // on from there
  counter.add({true, 3, 100 + 20'000'000'000 + 7 + 9, 0}, 3 + 3600);  // after a suspend
  EXPECT_EQ(counter.received(), 207u);
}

}  // namespace
}  // namespace prandel::tracker
