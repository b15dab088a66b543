// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <ostream>

namespace prandel {

// The tracker starts prandel without arguments. A person who starts it by hand with
// --help or --version alone is answered on out; any other argument is an error on
// err (exit code 2). Either way nothing else happens: no file is opened, no window.
// Returns the exit code when the command line was answered or refused, nothing when
// there is none and start-up goes on.
std::optional<int> answerCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace prandel
