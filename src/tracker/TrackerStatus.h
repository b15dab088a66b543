// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the running tracker tells `zktrack status`: a small JSON file in its runtime
// folder, replaced whole (write and rename) at each second of a session and at each
// change, so that a reader never sees half of one and the idle tracker is never
// asked anything.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/CallTypes.h"

namespace prandel::tracker {

struct SessionStatus {
  std::string connection;
  std::optional<core::Epoch> dialStart;
  core::Epoch up = 0;
  core::Epoch countFrom = 0;
  std::int64_t countedSeconds = 0;
  std::uint64_t received = 0, sent = 0;
  double cost = 0;
  int slot = 0;           // the condition the running unit is priced by; 0 none
  std::string condition;  // its description
  bool pickedUp = false;  // taken over from a tracker that ended while it ran
};

struct CountdownStatus {
  bool enabled = false;
  double total = 0;
  double left = 0;
};

struct TrackerStatus {
  std::int64_t pid = 0;
  std::string dataFolder;
  core::Epoch startedAt = 0;
  core::Epoch asOf = 0;       // the tracker's clock when it was written
  std::string monitorProblem;  // why connections cannot be watched; empty when they are
  std::vector<SessionStatus> sessions;
  CountdownStatus countdown;
};

std::string statusJson(const TrackerStatus& s);
// nullopt, with the reason, for a file that is no status of ours.
std::optional<TrackerStatus> parseStatusJson(const std::string& json, std::string& error);

// Replaces the file at path with the status: written beside it and renamed over it.
bool writeStatusFile(const std::string& path, const TrackerStatus& s, std::string& error);

}  // namespace prandel::tracker
