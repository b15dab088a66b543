// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the pricing engine, the session log and the live tracker pass between them:
// one call (a connection from dialling to hang-up), what came before it, and what
// it cost. Plain values, no Qt, so that every front end can hold them.
//
// Moments are seconds since the Unix epoch (UTC): durations are differences of
// them and never jump with a clock change; the local wall clock, which decides the
// condition in force, is worked out from them. A duration is whole seconds.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace prandel::core {

using Epoch = std::int64_t;

// The byte counters of a call at one moment, cumulative since the link came up.
struct ByteSample {
  Epoch at = 0;
  std::uint64_t received = 0;
  std::uint64_t sent = 0;
};

// One call as the tracker saw it, or as a user describes it.
struct CallInput {
  std::string connection;           // UTF-8; the matching uses it cut to 20 bytes of Windows-1252
  std::optional<Epoch> dialStart;   // t0; unknown for a pppd hook
  Epoch up = 0;                     // t1, the link came up
  Epoch end = 0;                    // t2, hang-up
  std::vector<ByteSample> samples;  // in time order
};

// The counters a condition's filter compares (CondItem 1 to 14), as they stand at a
// unit's first second, before that unit is charged. Times in seconds, money in the
// tracker's currency, bytes as bytes (a filter compares megabytes of 1 048 576).
struct CallCounters {
  std::int64_t callSeconds = 0;   // 1 Time
  std::int64_t daySeconds = 0;    // 2 Todays Time
  std::int64_t cycleSeconds = 0;  // 3 Total Time
  double callCost = 0;            // 4 Expense
  double cycleCost = 0;           // 5 Total Expense
  std::int64_t dayCalls = 0;      // 6 Calls
  std::int64_t cycleCalls = 0;    // 7 Total Calls
  double countdownLeft = 0;       // 8 Countdown: CdTotal - CdUsed, seconds
  std::uint64_t callReceived = 0, callSent = 0;    // 9, 11, 13
  std::uint64_t cycleReceived = 0, cycleSent = 0;  // 10, 12, 14
};

// What the log knew before the call: the totals of the day and of the billing cycle
// in which the call's counting starts, other calls only.
struct CallHistory {
  std::int64_t daySeconds = 0;
  std::int64_t dayCalls = 0;
  std::int64_t cycleSeconds = 0;
  std::int64_t cycleCalls = 0;
  double cycleCost = 0;
  std::uint64_t cycleReceived = 0;
  std::uint64_t cycleSent = 0;
};

// One priced unit: from its first second to the second after its last.
struct PricedUnit {
  Epoch from = 0;
  Epoch to = 0;  // the last unit ends with the call, even when it is charged for longer
  int slot = 0;  // the live condition 1..20 in force at `from`; 0 none
  std::int64_t length = 0;  // seconds it is charged for: to - from, or more for the last unit
  double charge = 0;
  CallCounters counters;  // as the unit was judged with
};

// Consecutive units under the same condition, folded into one line.
struct CallSlice {
  Epoch from = 0;
  Epoch to = 0;
  int slot = 0;
  std::int64_t units = 0;
  double charge = 0;
};

}  // namespace prandel::core
