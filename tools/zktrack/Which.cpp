// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "Zktrack.h"
#include "core/ConditionMatching.h"
#include "core/Regional.h"
#include "store/RecordIO.h"

namespace zktrack {

using prandel::Regional;

int runWhich(const prandel::DataFolder& folder, const WallClock& moment, const QString& evalConn) {
  store::DataFiles files;
  if (!openRecordsForReading(folder, files)) return 1;
  store::MainRecord main;
  store::MainRecIO(files, main, false);

  // The live conditions: the ones the tracker prices calls by.
  using store::ExpenseCondition;
  const prandel::ConditionMatcher matcher(files, main, ExpenseCondition::LiveBase, evalConn);
  const int winner = matcher.match(Regional::fromDateTime(moment.date, moment.time)).winner;

  std::cout << dayLabel(moment.date) << " " << moment.time.toString(QStringLiteral("HH:mm")).toStdString();
  if (evalConn != prandel::kDefaultConnection) std::cout << ", connection " << connectionLabel(evalConn);
  if (winner == 0) {
    std::cout << ": No Condition\n";
    return 0;
  }
  std::cout << ": Condition " << winner << "\n";
  ExpenseCondition c;
  store::readRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + winner, c);
  for (const auto& line : conditionDescription(c, main)) std::cout << "  " << line << "\n";
  return 0;
}

void addWhichCommand(CLI::App& app, Context& ctx) {
  struct Options {
    std::vector<std::string> when;
    std::string connection;
    std::string data;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("which", "Say which expense condition is in force at a moment");
  cmd->footer(
      "WHEN is 'now', yyyy-mm-dd hh:mm (or yyyy-mm-ddThh:mm), or yyyy-mm-dd for its 00:00,\n"
      "a local wall-clock time. Prints the moment and the number and description of the\n"
      "condition in force then, or \"No Condition\", by the same matching as the condition\n"
      "map, on the live conditions (the ones the tracker prices calls by). Reads the\n"
      "record files and never creates or changes one.\n"
      "Exit codes: 0 answered, 1 no records, 2 a wrong command line.");
  cmd->add_option("WHEN", opts->when, "The moment: now, yyyy-mm-dd hh:mm, yyyy-mm-ddThh:mm or yyyy-mm-dd")
      ->required()
      ->type_name("");
  addConnectionOption(*cmd, opts->connection);
  addDataOption(*cmd, opts->data);
  cmd->callback([&ctx, opts] {
    // Unquoted, "2026-12-24 20:00" comes as two words.
    std::string when;
    for (const auto& word : opts->when) when += (when.empty() ? "" : " ") + word;
    const auto moment = parseMoment(when);
    if (!moment) {
      std::cerr << "zktrack: not a moment: " << readable(when)
                << " (use now, yyyy-mm-dd hh:mm, yyyy-mm-ddThh:mm or yyyy-mm-dd)\n";
      ctx.exitCode = 2;
      return;
    }
    ctx.exitCode = runWhich(dataFolderFor(ctx, opts->data), *moment, evalConnFor(opts->connection));
  });
}

}  // namespace zktrack
