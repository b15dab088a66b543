// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A call described on the command line: when the link came up and ended (or how
// long it lasted), when dialling began, its connection, and its bytes as totals or
// as a CSV file of samples. What `log add` takes, for any command that prices a call.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Zktrack.h"
#include "core/Pricing.h"

namespace zktrack {

struct CallArguments {
  std::string from, to, duration, dialStart, connection, samples, down, up;
};

// Adds --from, --to, --duration, --dial-start, --connection, --down, --up and
// --samples to a command.
void addCallOptions(CLI::App& command, CallArguments& args);

struct ParsedCall {
  prandel::core::CallInput call;
  // Bytes given as totals: the even samples the pricing takes are in call.samples,
  // the totals themselves here.
  bool totals = false;
  std::uint64_t received = 0, sent = 0;
};

// The call the arguments describe, moments on clock's wall clock; nullopt with a
// message ("zktrack: ...") on standard error when they describe none.
std::optional<ParsedCall> parseCall(const CallArguments& args, const prandel::core::LocalClock& clock);

// A local moment: yyyy-mm-dd hh:mm[:ss] (also with a T), or @SECONDS since the Unix
// epoch; a time the clock skips is the moment the gap ends.
std::optional<prandel::core::Epoch> parseLocalMoment(const std::string& text, const prandel::core::LocalClock& clock);
// 45m, 2h, 1h30m, 90s, 1h2m3s, or plain seconds.
std::optional<std::int64_t> parseDuration(const std::string& text);

}  // namespace zktrack
