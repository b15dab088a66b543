// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/LiveSession.h"

#include <cstdlib>
#include <sstream>

namespace prandel::tracker {
namespace {

constexpr std::uint64_t k32 = 1ull << 32;

// The growth of a counter from one reading to the next. A 32-bit counter that went
// from its top half to a small value wrapped; any other fall is a reset, after
// which the new reading is the baseline.
std::uint64_t grown(std::uint64_t before, std::uint64_t now) {
  if (now >= before) return now - before;
  if (before < k32 && before >= k32 / 2 && now < k32 / 2) return now + (k32 - before);
  return 0;
}

}  // namespace

void SessionBytes::read(const platform::InterfaceCounters& c) {
  if (!c.valid) return;
  if (haveRaw_ && c.ifindex == ifindex_) {
    received_ += grown(rawReceived_, c.received);
    sent_ += grown(rawSent_, c.sent);
  }
  haveRaw_ = true;
  ifindex_ = c.ifindex;
  rawReceived_ = c.received;
  rawSent_ = c.sent;
}

void SessionBytes::resume(int ifindex, std::uint64_t rawReceived, std::uint64_t rawSent, std::uint64_t received,
                          std::uint64_t sent) {
  haveRaw_ = ifindex != 0;
  ifindex_ = ifindex;
  rawReceived_ = rawReceived;
  rawSent_ = rawSent;
  received_ = received;
  sent_ = sent;
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
