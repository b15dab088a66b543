// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A call described on the command line, as `price` and `log add` take it: when the
// link came up and ended (or how long it lasted), when dialling began, its
// connection, and its bytes as totals or as a CSV file of samples. One reader, so
// that the two commands can never read the same words as different calls.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Zktrack.h"
#include "core/Pricing.h"

namespace zktrack {

struct CallArguments {
  std::vector<std::string> from, to, dialStart;  // unquoted, "2026-12-14 17:50" is two words
  std::string duration, connection, down, up, samples;
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

// The call the arguments describe, moments on clock's wall clock; nullopt, and error
// says what is wrong with them, when they describe none.
std::optional<ParsedCall> readCall(const CallArguments& args, const prandel::core::LocalClock& clock,
                                   std::string& error);

// A local moment: what `which` takes (yyyy-mm-dd hh:mm, with a T, a day, now), a time
// with seconds (yyyy-mm-dd hh:mm:ss), or @SECONDS since the Unix epoch. A time the
// clock skips is the moment the gap ends.
std::optional<prandel::core::Epoch> parseLocalMoment(const std::string& text, const prandel::core::LocalClock& clock);

}  // namespace zktrack
