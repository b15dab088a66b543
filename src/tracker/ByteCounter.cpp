// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/ByteCounter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace prandel::tracker {

namespace {

constexpr std::uint64_t kWrap32 = std::uint64_t{1} << 32;

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
  return b > std::numeric_limits<std::uint64_t>::max() - a ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

}  // namespace

ByteCounter::ByteCounter(CounterLimits limits) : limits_(limits) {
  // Limits that make no sense fall back to the defaults rather than turn a guard off.
  const CounterLimits defaults;
  if (!std::isfinite(limits_.maxBytesPerSecond) || limits_.maxBytesPerSecond <= 0)
    limits_.maxBytesPerSecond = defaults.maxBytesPerSecond;
  if (limits_.maxGapSeconds <= 0) limits_.maxGapSeconds = defaults.maxGapSeconds;
  if (limits_.wrapWindow == 0 || limits_.wrapWindow > kWrap32) limits_.wrapWindow = defaults.wrapWindow;
}

CounterStep ByteCounter::step(std::uint64_t before, std::uint64_t now, double allowed, std::uint64_t& total) const {
  const auto plausible = [&](std::uint64_t growth) { return static_cast<double>(growth) <= allowed; };
  std::uint64_t growth = 0;
  CounterStep kind = CounterStep::Grew;
  if (now >= before) {
    growth = now - before;
  } else if (before < kWrap32 && kWrap32 - before + now <= limits_.wrapWindow) {
    // now < before < 2^32, so the wrapped growth cannot overflow.
    growth = kWrap32 - before + now;
    kind = CounterStep::Wrapped;
  } else {
    growth = now;
    kind = CounterStep::Reset;
  }
  if (!plausible(growth)) return CounterStep::Implausible;
  total = saturatingAdd(total, growth);
  return kind;
}

ReadingVerdict ByteCounter::add(const platform::InterfaceCounters& reading, core::Epoch at) {
  ReadingVerdict verdict;
  if (!reading.valid) return verdict;  // Skipped: the baseline stays

  const platform::InterfaceCounters before = baseline_;
  const core::Epoch beforeAt = baselineAt_;
  const bool hadBaseline = haveBaseline_;
  baseline_ = reading;
  baselineAt_ = at;
  haveBaseline_ = true;

  if (!hadBaseline) {
    verdict.kind = ReadingKind::Baseline;
    return verdict;
  }
  if (before.ifindex != 0 && reading.ifindex != 0 && before.ifindex != reading.ifindex) {
    verdict.kind = ReadingKind::NewInterface;
    return verdict;
  }
  if (at < beforeAt) {  // the clock was set back: the time between is unknown
    verdict.kind = ReadingKind::Gap;
    return verdict;
  }
  // at >= beforeAt, so the difference fits in 64 unsigned bits whatever the moments.
  const std::uint64_t elapsed = static_cast<std::uint64_t>(at) - static_cast<std::uint64_t>(beforeAt);
  if (elapsed > static_cast<std::uint64_t>(limits_.maxGapSeconds)) {
    verdict.kind = ReadingKind::Gap;
    return verdict;
  }
  const double allowed = limits_.maxBytesPerSecond * static_cast<double>(std::max<std::uint64_t>(elapsed, 1));
  verdict.kind = ReadingKind::Counted;
  verdict.received = step(before.received, reading.received, allowed, received_);
  verdict.sent = step(before.sent, reading.sent, allowed, sent_);
  return verdict;
}

}  // namespace prandel::tracker
