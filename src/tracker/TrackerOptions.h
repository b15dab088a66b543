// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The live tracker's own settings, kept in the session log beside the billing
// cycle's start day (`zktrack log settings` shows and sets them), and which
// connections it times.
#include <optional>
#include <string>
#include <vector>

#include "core/Pricing.h"
#include "platform/Connections.h"

namespace prandel::tracker {

class CallLog;

struct TrackerOptions {
  // Which connections are timed: nullopt for the default (dial-up, mobile and
  // metered connections, and those a live condition names); else these names, or
  // every connection when `all`.
  std::optional<std::vector<std::string>> tracked;
  bool trackAll = false;
  // End the connections when the countdown runs out.
  bool disconnectAtZero = false;

  static constexpr const char* kTrackedKey = "tracked_connections";
  static constexpr const char* kDisconnectKey = "disconnect_at_zero";
};

// "all", or names separated by commas (blanks around each dropped, empty ones
// skipped); an empty text is the default.
void parseTracked(const std::string& text, TrackerOptions& into);
// "on", "yes", "true", "1" are on; "off", "no", "false", "0" off; nullopt otherwise.
std::optional<bool> parseSwitch(const std::string& text);

// The options as the log holds them; a value another program wrote badly counts as
// the default. nullopt when the log cannot be read.
std::optional<TrackerOptions> readTrackerOptions(CallLog& log);

// A connection's name as the log and the matching take it: its first 20 characters.
std::string sessionName(const std::string& connectionName);

// Whether the tracker times this connection.
bool isTracked(const platform::ConnectionInfo& c, const TrackerOptions& options, const core::TariffSettings& tariff);

}  // namespace prandel::tracker
