// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the session log holds: one row per call (session), its priced slices and its
// byte samples. Moments are seconds since the Unix epoch (UTC), money is in the
// tracker's currency, rounded to 1/100 000 when stored.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/CallTypes.h"

namespace prandel::tracker {

using core::Epoch;

enum class SessionState { Running, Finished };

struct SessionRow {
  std::int64_t id = 0;  // 0 until the log has it
  std::string connection;
  std::optional<Epoch> dialStart;  // t0; unknown for a pppd hook
  Epoch up = 0;                    // t1
  std::optional<Epoch> end;        // t2; none while it runs
  // Where counting started: the moment whose local day and billing cycle the
  // session belongs to (t1, or earlier when the dial time counts).
  Epoch countFrom = 0;
  std::int64_t countedSeconds = 0;
  std::uint64_t received = 0;
  std::uint64_t sent = 0;
  double cost = 0;
  std::int64_t unpricedSeconds = 0;
  double countdownSeconds = 0;  // added to the countdown's CdUsed by this session
  SessionState state = SessionState::Finished;
  // When the session was last written: its end once finished; while it runs, the
  // moment the tracker wrote it (countFrom + countedSeconds when it says none).
  Epoch lastWrite = 0;
};

// A slice as the log keeps it: the condition's description as it read when the
// call was priced, since the condition in its slot may be changed later.
struct SliceRow {
  Epoch from = 0;
  Epoch to = 0;
  int slot = 0;  // 0: no condition
  std::string label;
  std::int64_t units = 0;
  double charge = 0;
};

struct LoggedSession {
  SessionRow session;
  std::vector<SliceRow> slices;
  std::vector<core::ByteSample> samples;
};

}  // namespace prandel::tracker
