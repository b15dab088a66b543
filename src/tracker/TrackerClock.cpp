// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/TrackerClock.h"

#include <ctime>

namespace prandel::tracker {
namespace {

std::int64_t millisOf(clockid_t id) {
  timespec ts{};
  ::clock_gettime(id, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

Instant SystemTrackerClock::now() const {
  timespec wall{};
  ::clock_gettime(CLOCK_REALTIME, &wall);
  return {static_cast<core::Epoch>(wall.tv_sec), millisOf(CLOCK_BOOTTIME)};
}

FastTrackerClock::FastTrackerClock(core::Epoch start, int speed)
    : origin_(real_.now()), start_(start), speed_(speed < 1 ? 1 : speed) {}

Instant FastTrackerClock::now() const {
  const std::int64_t ran = (real_.now().steadyMs - origin_.steadyMs) * speed_;
  return {start_ + ran / 1000, ran};
}

core::Epoch SessionTimeline::at(const Instant& now) const {
  const std::int64_t ran = now.steadyMs > anchor_.steadyMs ? now.steadyMs - anchor_.steadyMs : 0;
  return anchor_.wall + ran / 1000;
}

}  // namespace prandel::tracker
