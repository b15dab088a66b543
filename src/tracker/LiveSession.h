// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One connection the live tracker times: its clock, its meter, its byte counters and
// what of it the log has not got yet. Only LiveTracker uses it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Pricing.h"
#include "platform/Connections.h"
#include "tracker/ByteCounter.h"
#include "tracker/LiveTracker.h"
#include "tracker/LogTypes.h"
#include "tracker/TrackerClock.h"

namespace prandel::tracker {

// The interface's counters turned into the bytes of the session by the counter
// guard (ByteCounter.h), on top of what the session had when this tracker took it
// over. The last valid reading is kept for a tracker after this one.
class SessionBytes {
 public:
  void read(const platform::InterfaceCounters& c, core::Epoch at);
  // Goes on from a reading kept earlier: the session had `received` and `sent` when
  // the interface `ifindex` read rawReceived and rawSent at `at` (0: none kept).
  void resume(int ifindex, std::uint64_t rawReceived, std::uint64_t rawSent, core::Epoch at, std::uint64_t received,
              std::uint64_t sent);
  std::uint64_t received() const { return baseReceived_ + counter_.received(); }
  std::uint64_t sent() const { return baseSent_ + counter_.sent(); }
  const platform::InterfaceCounters& lastReading() const { return last_; }

 private:
  ByteCounter counter_;
  std::uint64_t baseReceived_ = 0, baseSent_ = 0;
  platform::InterfaceCounters last_;
};

struct LiveTracker::Session {
  platform::ConnectionInfo info;
  std::string name;  // as logged: the connection's name, its first 20 characters
  SessionTimeline timeline;
  std::optional<core::Epoch> dialStart;
  bool up = false;
  bool pickedUp = false;
  std::optional<core::CallMeter> meter;
  SessionRow row;
  std::vector<core::ByteSample> unlogged;
  SessionBytes bytes;
  core::Epoch lastSampleAt = 0;
  std::uint64_t sampledReceived = 0, sampledSent = 0;
  double countdownWritten = 0;  // of the meter's countdown seconds, those in CdUsed already

  double countdownUnwritten() const { return meter ? meter->soFar().countdownUsed - countdownWritten : 0; }
};

// A session a tracker before this one left running, waiting for the monitor to say
// that its connection is still up.
struct LiveTracker::Stale {
  std::int64_t session = 0;
  std::string connectionId;
  int ifindex = 0;
  std::uint64_t rawReceived = 0, rawSent = 0;
};

// The running sessions' ties to their connections, one line each, as the log's
// settings keep them for a tracker that starts after this one ended.
std::string runningText(const std::vector<LiveTracker::Stale>& running);
std::vector<LiveTracker::Stale> parseRunning(const std::string& text);

}  // namespace prandel::tracker
