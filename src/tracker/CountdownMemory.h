// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the tracker remembers of the countdown across its own restarts, in the
// session log's settings: which warnings it gave for the countdown now running, so
// that none is given twice, and the last reset it applied, so that a reset missed
// while the machine was off is applied at the next start, once.
#include <cstdint>
#include <optional>
#include <string>

#include "core/CallTypes.h"
#include "store/MainRecord.h"

namespace prandel::tracker {

class CallLog;

// One countdown, from its start (a refill by the countdown window, a reset) to the
// next: the warnings given for it.
struct CountdownMemory {
  double total = 0;       // CdTotal when it began
  double used = 0;        // CdUsed as the tracker last read or wrote it
  unsigned warned = 0;    // CountdownWarning bits given
  core::Epoch since = 0;  // when the tracker saw it begin

  static constexpr const char* kKey = "countdown_warnings";

  // Takes in the main record as read: a countdown of another length, or one whose
  // CdUsed went down (the window set it anew, a reset), is a new countdown, whose
  // warnings are all still to give. Returns whether anything changed.
  bool observe(const store::MainRecord& main, core::Epoch now);

  std::string text() const;
  static std::optional<CountdownMemory> parse(const std::string& text);
};

// The last reset applied, and the rule it was applied by.
struct ResetMemory {
  std::string rule;       // ResetRule::signature(); empty when none was kept
  core::Epoch applied = 0;

  static constexpr const char* kKey = "countdown_reset";

  std::string text() const;
  static std::optional<ResetMemory> parse(const std::string& text);
};

// Reads them from the log; a missing or garbled value is a memory of nothing. False
// when the log cannot be read.
bool readCountdownMemory(CallLog& log, CountdownMemory& countdown, ResetMemory& reset);

}  // namespace prandel::tracker
