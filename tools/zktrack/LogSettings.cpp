// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack log settings: the tracker's settings that live in the session log, for
// now the day the billing cycle starts.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "LogTexts.h"
#include "core/BillingCycle.h"

namespace zktrack {

using prandel::tracker::CallLog;

namespace {

std::string ordinal(int day) {
  const char* suffix = (day % 10 == 1 && day != 11) ? "st" : (day % 10 == 2 && day != 12) ? "nd" : (day % 10 == 3 && day != 13) ? "rd" : "th";
  return std::to_string(day) + suffix;
}

int showSettings(const std::string& folder) {
  CallLog log;
  bool none = false;
  int day = prandel::core::kDefaultCycleStartDay;
  std::string why;
  if (openLogForReading(folder, log, none, why)) {
    const auto stored = log.cycleStartDay();
    if (!stored) {
      std::cerr << "zktrack: cannot read the session log: " << log.error() << "\n";
      return 1;
    }
    day = *stored;
  } else if (!none) {
    std::cerr << "zktrack: " << why << "\n";
    return 1;
  }
  std::cout << "cycle-start-day " << day << " (the billing cycle starts on the " << ordinal(day)
            << " of each month)\n";
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
      "Exit codes: 0 done, 1 the log cannot be read or written, 2 a wrong command line.");
  cmd->add_option("KEY", opts->key, "The setting: cycle-start-day")->type_name("");
  cmd->add_option("VALUE", opts->value, "Its new value")->type_name("");
  addDataOption(*cmd, opts->data);
  cmd->callback([&ctx, opts] {
    if (!opts->key.empty() && opts->key != "cycle-start-day") {
      std::cerr << "zktrack: no setting " << readable(opts->key) << " (there is cycle-start-day)\n";
      ctx.exitCode = 2;
      return;
    }
    const auto folder = dataFolderFor(ctx, opts->data);
    ctx.exitCode = opts->value.empty() ? showSettings(folder.path) : setCycleStartDay(folder.path, opts->value);
  });
}

}  // namespace zktrack
