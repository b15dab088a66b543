// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <string>

namespace zktrack {

// Where a chart to be shown is drawn: `name` in the user's runtime folder
// ($XDG_RUNTIME_DIR/zelkora), made when missing; nullopt, with why, when that folder
// is not the user's own.
std::optional<std::string> shownChartPath(const std::string& name, std::string& why);
// Hands the file to the desktop's viewer (xdg-open); false, with why, when none took it.
bool openInViewer(const std::string& path, std::string& why);

}  // namespace zktrack
