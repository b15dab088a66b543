// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack log add: a finished call priced with the data folder's live conditions and
// the history of the log, and written to the log with its slices and samples in one
// transaction. What a pppd ip-down hook calls.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "CallArguments.h"
#include "LogTexts.h"
#include "core/ConditionTexts.h"
#include "tracker/PricedSession.h"

namespace zktrack {

using prandel::tracker::CallLog;

std::string sliceLabel(const prandel::core::TariffSettings& settings, int slot) {
  if (slot < 1 || slot > store::ExpenseCondition::Slots) return "No condition";
  const auto lines = conditionDescription(settings.conditions[static_cast<std::size_t>(slot - 1)], settings.main);
  std::string first = lines.empty() ? std::string() : lines.front();
  if (const auto colon = first.find(" : "); colon != std::string::npos) first = first.substr(colon + 3);
  const std::string entry = prandel::conditionEntry(slot).toStdString();
  return first.empty() ? entry : entry + ": " + first;
}

namespace {

int runLogAdd(const prandel::DataFolder& folder, const CallArguments& args) {
  const auto clock = prandel::core::LocalClock::system();
  std::string why;
  const auto parsed = readCall(args, clock, why);
  if (!parsed) {
    std::cerr << "zktrack: " << why << "\n";
    return 2;
  }

  CallLog log;
  if (std::string why; !openLogForWriting(folder.path, log, why)) {
    std::cerr << "zktrack: " << why << "\n";
    return 1;
  }
  const auto startDay = log.cycleStartDay();
  if (!startDay) {
    std::cerr << "zktrack: cannot read the session log: " << log.error() << "\n";
    return 1;
  }
  // The live conditions, read without creating or changing a record file.
  store::DataFiles files;
  if (recordsIn(folder.path)) files.openAllForReading(folder.path);
  else std::cerr << "zktrack: no records in " << folder.path << ": the call is logged with no conditions, unpriced\n";
  const auto settings = prandel::core::readTariffSettings(files, *startDay);

  // Where counting starts decides whose day and cycle the history is of.
  const auto first = prandel::core::priceCall(settings, parsed->call, {}, clock);
  const auto history = log.historyBefore(first.countFrom, *startDay, 0, clock.zone());
  if (!history) {
    std::cerr << "zktrack: cannot read the session log: " << log.error() << "\n";
    return 1;
  }
  const auto priced = prandel::core::priceCall(settings, parsed->call, *history, clock);
  auto session = prandel::tracker::finishedSession(parsed->call, priced,
                                                   [&](int slot) { return sliceLabel(settings, slot); });
  // Totals are kept as they were given, not as a sample a second.
  if (parsed->totals) session.samples = {{parsed->call.up, 0, 0}, {parsed->call.end, parsed->received, parsed->sent}};
  if (!log.addFinished(session)) {
    std::cerr << "zktrack: cannot write the session log: " << log.error() << "\n";
    return 1;
  }
  const MoneyStyle style = moneyStyleOf(settings.main);
  const auto& s = session.session;
  std::cout << "Logged session " << s.id << ": " << localMoment(s.up).substr(0, 16) << " to "
            << localMoment(*s.end).substr(0, 16) << ", " << (s.connection.empty() ? "no connection" : quoted(s.connection))
            << ", counted " << secondsText(static_cast<double>(s.countedSeconds)) << ", cost " << style.money(s.cost)
            << "\n";
  return 0;
}

}  // namespace

void addLogAddCommand(CLI::App& log, Context& ctx) {
  struct Options {
    CallArguments call;
    std::string data;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = log.add_subcommand("add", "Price a finished call and record it in the session log");
  cmd->footer(
      "Prices the call with the data folder's live conditions, call settings and countdown\n"
      "(the record files are read, never written) and the earlier calls of its day and\n"
      "billing cycle from the log, then writes the session with its priced slices and its\n"
      "byte samples in one transaction, making the log when the folder has none. Moments\n"
      "are local wall-clock times (yyyy-mm-dd hh:mm[:ss]); a pppd ip-down hook can pass\n"
      "@SECONDS (date +%s). Bytes come as totals or as a CSV file of samples, as for price.\n"
      "Exit codes: 0 logged, 1 the log cannot be written, 2 a wrong command line or call.");
  addCallOptions(*cmd, opts->call);
  addDataOption(*cmd, opts->data);
  cmd->callback([&ctx, opts] { ctx.exitCode = runLogAdd(dataFolderFor(ctx, opts->data), opts->call); });
}

}  // namespace zktrack
