// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The live tracker's clock: the wall clock, which says which condition is in force,
// and a clock that only runs forward, which says how long a connection lasted. Prandel
// moves the wall clock a minute ahead at every save and NTP may move it any way; a
// session's seconds must not move with it. Tests and the fast clock of the end-to-end
// runs put their own in place.
#include <cstdint>

#include "core/CallTypes.h"

namespace prandel::tracker {

// One reading of both clocks.
struct Instant {
  core::Epoch wall = 0;         // seconds since the Unix epoch
  std::int64_t steadyMs = 0;    // milliseconds of a clock that never goes back (boot time)
};

class TrackerClock {
 public:
  virtual ~TrackerClock() = default;
  virtual Instant now() const = 0;
};

// CLOCK_REALTIME and CLOCK_BOOTTIME: a connection that stays up while the machine
// sleeps is still charged for the time, so the sleep counts.
class SystemTrackerClock final : public TrackerClock {
 public:
  Instant now() const override;
};

// A clock that starts at a given wall moment and runs `speed` times fast from the
// moment it is made: for end-to-end runs of a session of hours in a minute.
class FastTrackerClock final : public TrackerClock {
 public:
  FastTrackerClock(core::Epoch start, int speed);
  Instant now() const override;
  int speed() const { return speed_; }

 private:
  SystemTrackerClock real_;
  Instant origin_;
  core::Epoch start_;
  int speed_;
};

// The moment a session's clock shows: the wall moment it was anchored at, and the
// whole seconds the steady clock has run since. It never goes back, and a change of
// the wall clock meanwhile moves it neither way.
class SessionTimeline {
 public:
  SessionTimeline() = default;
  explicit SessionTimeline(const Instant& anchor) : anchor_(anchor) {}
  core::Epoch at(const Instant& now) const;
  const Instant& anchor() const { return anchor_; }

 private:
  Instant anchor_;
};

}  // namespace prandel::tracker
