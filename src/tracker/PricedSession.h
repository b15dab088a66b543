// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A priced call as the log keeps it.
#include <functional>
#include <string>

#include "core/Pricing.h"
#include "tracker/LogTypes.h"

namespace prandel::tracker {

// The session of a finished call: its moments and counters, its slices with each
// condition's description as labelOf gives it now, and the call's samples.
// The priced counters of a call (so far, or at its end) into its row.
void setPricedTotals(SessionRow& row, const core::PricedCall& priced);

LoggedSession finishedSession(const core::CallInput& call, const core::PricedCall& priced,
                              const std::function<std::string(int slot)>& labelOf);

}  // namespace prandel::tracker
