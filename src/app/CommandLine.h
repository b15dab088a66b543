// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <ostream>

namespace prandel {

// The tracker starts prandel without arguments; a person who starts it by hand with
// --help or --version is answered and nothing else happens: no file is opened.
// Returns the exit code when the command line was answered; anything else (Qt's own
// options such as -platform) is left to the toolkit as before.
std::optional<int> answerCommandLine(int argc, char** argv, std::ostream& out);

}  // namespace prandel
