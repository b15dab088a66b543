// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/LiveSession.h"

#include <cstdlib>
#include <sstream>

namespace prandel::tracker {
void SessionBytes::read(const platform::InterfaceCounters& c, core::Epoch at) {
  if (!c.valid) return;
  counter_.add(c, at);
  last_ = c;
}

void SessionBytes::resume(int ifindex, std::uint64_t rawReceived, std::uint64_t rawSent, core::Epoch at,
                          std::uint64_t received, std::uint64_t sent) {
  counter_ = ByteCounter();
  baseReceived_ = received;
  baseSent_ = sent;
  last_ = {};
  // The kept reading is the baseline: what the counters did while no tracker ran
  // counts by the guard's rules (not after a long gap, not on a new interface).
  if (ifindex != 0) read({true, ifindex, rawReceived, rawSent}, at);
}

std::string runningText(const std::vector<LiveTracker::Stale>& running) {
  std::string out;
  for (const auto& r : running)
    out += std::to_string(r.session) + " " + std::to_string(r.ifindex) + " " + std::to_string(r.rawReceived) + " " +
           std::to_string(r.rawSent) + " " + r.connectionId + "\n";
  return out;
}

std::vector<LiveTracker::Stale> parseRunning(const std::string& text) {
  std::vector<LiveTracker::Stale> out;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    LiveTracker::Stale s;
    // The connection's id is the rest of the line, blanks and all.
    if (!(in >> s.session >> s.ifindex >> s.rawReceived >> s.rawSent) || s.session <= 0) continue;
    std::getline(in >> std::ws, s.connectionId);
    out.push_back(std::move(s));
  }
  return out;
}

}  // namespace prandel::tracker
