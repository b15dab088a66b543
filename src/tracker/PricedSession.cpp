// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/PricedSession.h"

#include <map>

namespace prandel::tracker {

void setPricedTotals(SessionRow& r, const core::PricedCall& priced) {
  r.countFrom = priced.countFrom;
  r.countedSeconds = priced.countedSeconds;
  r.unpricedSeconds = priced.unpricedSeconds;
  r.received = priced.received;
  r.sent = priced.sent;
  r.cost = priced.cost;
  r.countdownSeconds = priced.countdownUsed;
}

LoggedSession finishedSession(const core::CallInput& call, const core::PricedCall& priced,
                              const std::function<std::string(int slot)>& labelOf) {
  LoggedSession s;
  SessionRow& r = s.session;
  r.connection = call.connection;
  r.dialStart = call.dialStart;
  r.up = call.up;
  r.end = call.end;
  setPricedTotals(r, priced);
  r.state = SessionState::Finished;
  std::map<int, std::string> labels;
  for (const auto& slice : priced.slices) {
    auto it = labels.find(slice.slot);
    if (it == labels.end()) it = labels.emplace(slice.slot, labelOf(slice.slot)).first;
    s.slices.push_back({slice.from, slice.to, slice.slot, it->second, slice.units, slice.charge});
  }
  s.samples = call.samples;
  return s;
}

}  // namespace prandel::tracker
