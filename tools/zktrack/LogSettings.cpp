// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack log settings: the tracker's settings that live in the session log: the day
// the billing cycle starts, and which connections the live tracker times and whether
// it ends them when the countdown runs out.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "LogTexts.h"
#include "core/BillingCycle.h"
#include "tracker/TrackerOptions.h"

namespace zktrack {

using prandel::tracker::CallLog;

namespace {

std::string ordinal(int day) {
  const char* suffix = (day % 10 == 1 && day != 11) ? "st" : (day % 10 == 2 && day != 12) ? "nd" : (day % 10 == 3 && day != 13) ? "rd" : "th";
  return std::to_string(day) + suffix;
}

std::string cycleLine(int day) {
  return "cycle-start-day " + std::to_string(day) + " (the billing cycle starts on the " + ordinal(day) + " of each month)";
}

std::string trackedLine(const prandel::tracker::TrackerOptions& o) {
  if (o.trackAll) return "tracked-connections all (the live tracker times every connection)";
  if (!o.tracked)
    return "tracked-connections default (the live tracker times dial-up, mobile and metered connections, and those "
           "a condition is bound to)";
  std::string names;
  for (const auto& n : *o.tracked) names += (names.empty() ? "" : ", ") + readable(n);
  return "tracked-connections " + names + " (the live tracker times these connections only)";
}

std::string disconnectLine(const prandel::tracker::TrackerOptions& o) {
  return o.disconnectAtZero ? "disconnect-at-zero on (the live tracker ends the connections when the countdown runs out)"
                            : "disconnect-at-zero off (connections stay up when the countdown runs out)";
}

int showSettings(const std::string& folder, const std::string& key) {
  CallLog log;
  bool none = false;
  int day = prandel::core::kDefaultCycleStartDay;
  prandel::tracker::TrackerOptions options;
  std::string why;
  if (openLogForReading(folder, log, none, why)) {
    const auto stored = log.cycleStartDay();
    const auto o = stored ? prandel::tracker::readTrackerOptions(log) : std::nullopt;
    if (!o) {
      std::cerr << "zktrack: cannot read the session log: " << log.error() << "\n";
      return 1;
    }
    day = *stored;
    options = *o;
  } else if (!none) {
    std::cerr << "zktrack: " << why << "\n";
    return 1;
  }
  if (key.empty() || key == "cycle-start-day") std::cout << cycleLine(day) << "\n";
  if (key.empty() || key == "tracked-connections") std::cout << trackedLine(options) << "\n";
  if (key.empty() || key == "disconnect-at-zero") std::cout << disconnectLine(options) << "\n";
  return 0;
}

int setCycleStartDay(const std::string& folder, const std::string& value) {
  int day = 0;
  std::size_t used = 0;
  try {
    day = std::stoi(value, &used);
  } catch (...) {
    used = 0;
  }
  if (used != value.size() || !prandel::core::validCycleStartDay(day)) {
    std::cerr << "zktrack: the cycle start day is a day of the month, 1 to 31, not " << readable(value) << "\n";
    return 2;
  }
  CallLog log;
  if (std::string why; !openLogForWriting(folder, log, why)) {
    std::cerr << "zktrack: " << why << "\n";
    return 1;
  }
  if (!log.setCycleStartDay(day)) {
    std::cerr << "zktrack: cannot write the session log: " << log.error() << "\n";
    return 1;
  }
  std::cout << "cycle-start-day " << day << " (the billing cycle starts on the " << ordinal(day)
            << " of each month";
  if (day > 28) std::cout << ", or on a shorter month's last day";
  std::cout << ")\n";
  return 0;
}

// The live tracker's settings: checked, stored as the tracker reads them, and shown
// as it will take them.
int setTrackerSetting(const std::string& folder, const std::string& key, const std::string& value) {
  using prandel::tracker::TrackerOptions;
  TrackerOptions o;
  std::string stored = value;
  if (key == "tracked-connections") {
    if (value == "default") stored.clear();
    prandel::tracker::parseTracked(stored, o);
    if (!stored.empty() && !o.tracked) {
      std::cerr << "zktrack: tracked-connections takes names separated by commas, all or default, not "
                << readable(value) << "\n";
      return 2;
    }
  } else {
    const auto on = prandel::tracker::parseSwitch(value);
    if (!on) {
      std::cerr << "zktrack: disconnect-at-zero is on or off, not " << readable(value) << "\n";
      return 2;
    }
    o.disconnectAtZero = *on;
    stored = *on ? "on" : "off";
  }
  CallLog log;
  if (std::string why; !openLogForWriting(folder, log, why)) {
    std::cerr << "zktrack: " << why << "\n";
    return 1;
  }
  if (!log.setSetting(key == "tracked-connections" ? TrackerOptions::kTrackedKey : TrackerOptions::kDisconnectKey, stored)) {
    std::cerr << "zktrack: cannot write the session log: " << log.error() << "\n";
    return 1;
  }
  std::cout << (key == "tracked-connections" ? trackedLine(o) : disconnectLine(o)) << "\n";
  return 0;
}

}  // namespace

void addLogSettingsCommand(CLI::App& log, Context& ctx) {
  struct Options {
    std::string key, value, data;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = log.add_subcommand("settings", "Show or set the tracker's settings kept in the session log");
  cmd->footer(
      "Without KEY, shows every setting. With KEY, shows it; with KEY and VALUE, sets it,\n"
      "making the session log when the data folder has none. Keys:\n"
      "  cycle-start-day DAY  the day of the month the billing cycle starts, 1 to 31\n"
      "                       (default 1); a month without that day starts on its last\n"
      "                       day. Reports and the counters of the conditions' filters\n"
      "                       (Total Time, Total Expense, ...) go by this cycle.\n"
      "  tracked-connections NAME,NAME... | all | default\n"
      "                       the connections the live tracker (zktrack run) times, by\n"
      "                       their names; default: dial-up, mobile and metered ones and\n"
      "                       those a condition is bound to. Taken when one comes up.\n"
      "  disconnect-at-zero on|off\n"
      "                       whether the live tracker ends the connections when the\n"
      "                       countdown runs out (default off).\n"
      "Exit codes: 0 done, 1 the log cannot be read or written, 2 a wrong command line.");
  cmd->add_option("KEY", opts->key, "The setting: cycle-start-day, tracked-connections, disconnect-at-zero")
      ->type_name("");
  cmd->add_option("VALUE", opts->value, "Its new value")->type_name("");
  addDataOption(*cmd, opts->data);
  cmd->callback([&ctx, opts] {
    const std::string& key = opts->key;
    if (!key.empty() && key != "cycle-start-day" && key != "tracked-connections" && key != "disconnect-at-zero") {
      std::cerr << "zktrack: no setting " << readable(key)
                << " (there are cycle-start-day, tracked-connections and disconnect-at-zero)\n";
      ctx.exitCode = 2;
      return;
    }
    const auto folder = dataFolderFor(ctx, opts->data);
    if (opts->value.empty()) ctx.exitCode = showSettings(folder.path, key);
    else if (key == "cycle-start-day") ctx.exitCode = setCycleStartDay(folder.path, opts->value);
    else ctx.exitCode = setTrackerSetting(folder.path, key, opts->value);
  });
}

}  // namespace zktrack
