// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack log add: a finished call priced and written to the session log.
#include <CLI/CLI.hpp>

#include "LogTexts.h"

namespace zktrack {

void addLogAddCommand(CLI::App&, Context&) {}

}  // namespace zktrack
