// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bytes of one session from the raw counters of its interface.
//
// The kernel's counters (or NetworkManager's copy of them) are cumulative per
// interface, not per session, and they lie in known ways: they start again at zero
// when the interface is made anew or its driver is reset, 32-bit ones wrap after
// 4 GiB, and across a suspend anything may have happened to them. A counter monitor
// that takes every drop for a wrap counts a reset as up to 4 GiB of traffic (the
// failure vnStat warns of for counters it cannot tell to be 32 or 64 bits wide);
// one that takes every growth at its word counts bytes of another link, or of hours
// it never saw. So each reading is judged against the last good one before its
// growth is counted, and whatever cannot be told apart is dropped rather than
// guessed: a session may miss a few bytes, it never gains gigabytes. The rules:
//
// - The first valid reading is the baseline: the session counts from there.
// - An invalid reading (the interface was not there or could not be read) is
//   skipped; the baseline stays, and the next valid reading is judged against it
//   by the rules below, which catch whatever happened meanwhile.
// - Another ifindex (where both readings know theirs): the interface was made anew,
//   perhaps for another link. The reading is the new baseline; nothing is counted.
// - A moment more than maxGapSeconds after the baseline's: the machine slept or the
//   tracker was stopped. The reading is the new baseline; whatever the counters did
//   meanwhile is not taken as traffic. A moment before the baseline's (the clock
//   was set back) is treated the same way, as the time between cannot be judged.
// - Otherwise each counter on its own (received, sent):
//   - grown: the growth counts when it is plausible, at most maxBytesPerSecond over
//     the time since the baseline (at least one second); a larger jump is a bogus
//     reading and the counter counts nothing for it;
//   - dropped, from a value below 2^32 that was within wrapWindow of 2^32, with the
//     wrapped growth (2^32 - old + new) plausible as above: a 32-bit wrap, and the
//     wrapped growth counts;
//   - dropped otherwise: a reset. The counter started again from zero, so its new
//     value is the growth since, counted when plausible, as the pricing engine
//     takes a sample's counter that went down.
//   Either way the reading becomes the baseline.
#include <cstdint>

#include "core/CallTypes.h"
#include "platform/Connections.h"

namespace prandel::tracker {

struct CounterLimits {
  // The fastest traffic taken as real: 10 Gbit/s.
  double maxBytesPerSecond = 1.25e9;
  // A longer time between two readings is a suspend or a stopped tracker. The
  // tracker reads at least every 10 s, so a quarter of an hour is no delay.
  std::int64_t maxGapSeconds = 15 * 60;
  // A drop counts as a 32-bit wrap only from a value this close to 2^32, and only
  // for a wrapped growth no larger: 256 MiB.
  std::uint64_t wrapWindow = std::uint64_t{1} << 28;
};

// What one counter did between the baseline and a reading.
enum class CounterStep {
  Grew,         // counted
  Wrapped,      // a 32-bit wrap, the wrapped growth counted
  Reset,        // started again from zero, its new value counted
  Implausible,  // faster than maxBytesPerSecond: nothing counted
};

// What a reading was taken as.
enum class ReadingKind {
  Skipped,       // invalid, ignored
  Baseline,      // the first valid reading
  NewInterface,  // another ifindex: a new baseline
  Gap,           // too long after the last, or before it: a new baseline
  Counted,       // judged counter by counter: see received/sent
};

struct ReadingVerdict {
  ReadingKind kind = ReadingKind::Skipped;
  CounterStep received = CounterStep::Grew;  // meaningful for Counted only
  CounterStep sent = CounterStep::Grew;
};

class ByteCounter {
 public:
  explicit ByteCounter(CounterLimits limits = {});

  // One reading taken at `at`, seconds on a clock that runs on through a suspend
  // (the wall clock, not the monotonic one), in the order they were taken.
  ReadingVerdict add(const platform::InterfaceCounters& reading, core::Epoch at);

  // The session's bytes so far: never less than before.
  std::uint64_t received() const { return received_; }
  std::uint64_t sent() const { return sent_; }

 private:
  CounterStep step(std::uint64_t before, std::uint64_t now, double allowed, std::uint64_t& total) const;

  CounterLimits limits_;
  bool haveBaseline_ = false;
  platform::InterfaceCounters baseline_;
  core::Epoch baselineAt_ = 0;
  std::uint64_t received_ = 0;
  std::uint64_t sent_ = 0;
};

}  // namespace prandel::tracker
