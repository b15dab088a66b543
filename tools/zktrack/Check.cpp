// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDate>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>

#include "Zktrack.h"
#include "core/ConditionCoverage.h"
#include "core/ConditionMatching.h"
#include "core/Regional.h"
#include "store/RecordIO.h"

namespace zktrack {

using prandel::ConditionCoverage;
using prandel::ConditionMatcher;

namespace {

constexpr int kMaxDays = 366;

// hh:mm of quarter hour q of a day; 96 is the day's end, 24:00.
std::string quarterText(int q) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%02d:%02d", q / 4, q % 4 * 15);
  return buf;
}

// The check for one choice of connection; true when every quarter hour is covered
// and every condition of that choice is in force somewhere.
bool checkConnection(const store::DataFiles& files, const store::MainRecord& main, const QDate& first, int days,
                     const QString& evalConn) {
  const ConditionMatcher matcher(files, main, store::ExpenseCondition::LiveBase, evalConn);
  const ConditionCoverage cov = prandel::coverageOf(matcher, first, days);
  const bool asDefault = evalConn == prandel::kDefaultConnection;

  std::cout << "Connection: " << connectionLabel(evalConn) << "\n";
  if (cov.uncovered > 0) {
    std::cout << "No condition in force in " << plural(cov.uncovered, "quarter hour", "quarter hours") << ":\n";
    for (const auto& gap : cov.gaps)
      std::cout << "  " << dayLabel(first.addDays(gap.day)) << " " << quarterText(gap.from) << "-" << quarterText(gap.to)
                << "\n";
  }

  int neverInForce = 0;
  std::vector<std::string> leftOut;
  for (int i = 1; i <= ConditionMatcher::kSlots; ++i) {
    if (!matcher.inUse(i)) continue;
    if (!matcher.letIn(i)) {
      if (asDefault) leftOut.push_back("Condition " + std::to_string(i) + " " + quoted(matcher.boundTo(i).toStdString()));
      continue;
    }
    const auto& slot = cov.bySlot[static_cast<std::size_t>(i)];
    if (slot.wins > 0) continue;
    if (neverInForce++ == 0) std::cout << "Never in force:\n";
    std::cout << "  Condition " << i << ": ";
    if (i > matcher.lastSlot()) {
      std::cout << "never counts, slot " << matcher.lastSlot() + 1 << " before it is empty\n";
    } else if (slot.applies == 0) {
      std::cout << "never applies in the span\n";
    } else {
      const int by = slot.shadowedMostBy();
      std::cout << "shadowed most by Condition " << by << " (" << slot.lostTo[static_cast<std::size_t>(by)] << " of its "
                << plural(slot.applies, "quarter hour", "quarter hours") << ")\n";
    }
  }
  if (!leftOut.empty()) {
    std::cout << "Left out, bound to a connection:";
    for (std::size_t k = 0; k < leftOut.size(); ++k) std::cout << (k ? ", " : " ") << leftOut[k];
    std::cout << "\n";
  }

  if (cov.uncovered == 0 && neverInForce == 0) {
    std::cout << "Result: every quarter hour covered, every condition in force somewhere\n";
    return true;
  }
  std::cout << "Result: " << plural(cov.uncovered, "quarter hour", "quarter hours") << " without a condition, "
            << plural(neverInForce, "condition", "conditions") << " never in force\n";
  return false;
}

// Default, then every connection a condition in use is bound to, in slot order.
std::vector<QString> everyConnection(const store::DataFiles& files, const store::MainRecord& main) {
  const ConditionMatcher any(files, main, store::ExpenseCondition::LiveBase, prandel::kDefaultConnection);
  std::vector<QString> out{prandel::kDefaultConnection};
  for (int i = 1; i <= ConditionMatcher::kSlots; ++i) {
    const QString name = any.boundTo(i);
    // A condition bound to "MILUFE" counts as the default's.
    if (name.isEmpty() || name == prandel::kDefaultConnection) continue;
    if (std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
  }
  return out;
}

}  // namespace

int runCheck(const prandel::DataFolder& folder, const QDate& first, int days, const std::string& connection,
             bool eachConnection) {
  store::DataFiles files;
  if (!openRecordsForReading(folder, files)) return 1;
  store::MainRecord main;
  store::MainRecIO(files, main, false);

  std::cout << dataFolderLine(folder) << "\n"
            << "Span: " << dayLabel(first) << " to " << dayLabel(first.addDays(days - 1)) << ", "
            << plural(days, "day", "days") << "\n";
  const std::vector<QString> connections =
      eachConnection ? everyConnection(files, main) : std::vector<QString>{evalConnFor(connection)};
  bool allWell = true;
  for (const QString& evalConn : connections) allWell = checkConnection(files, main, first, days, evalConn) && allWell;
  return allWell ? 0 : 1;
}

void addCheckCommand(CLI::App& app, Context& ctx) {
  struct Options {
    std::string from;
    int days = 7;
    std::string connection;
    bool eachConnection = false;
    std::string data;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("check", "Find the quarter hours without an expense condition, and the conditions never in force");
  cmd->footer(
      "Evaluates every quarter hour of the span with the condition map's matching, on the\n"
      "live conditions (the ones the tracker prices calls by), and prints the quarter hours\n"
      "in which no condition is in force, as ranges within each day (a stretch over\n"
      "midnight ends at 24:00 and goes on at 00:00 on the next line), and each condition\n"
      "that is never in force: shadowed most by the condition that wins most of the\n"
      "quarter hours in which it applies, or never applies in the span at all. Days are\n"
      "local wall-clock days of 96 quarter hours, also on a day the clock changes.\n"
      "Reads the record files and never creates or changes one.\n"
      "Exit codes: 0 every quarter hour covered and every condition in force somewhere,\n"
      "1 not so (or no records), 2 a wrong command line.");
  cmd->add_option("--from", opts->from, "First day of the span, yyyy-mm-dd (default: today)")->type_name("DATE");
  cmd->add_option("--days", opts->days, "Number of days, 1 to 366 (default: 7)")->type_name("N");
  auto* conn = addConnectionOption(*cmd, opts->connection);
  cmd->add_flag("--each-connection", opts->eachConnection,
                "Check Default and then every connection a condition is bound to")
      ->excludes(conn);
  addDataOption(*cmd, opts->data);
  cmd->callback([&ctx, opts] {
    QDate first = QDate::currentDate();
    if (!opts->from.empty()) {
      const auto day = parseDay(opts->from);
      if (!day) {
        std::cerr << "zktrack: not a day: " << readable(opts->from) << " (use yyyy-mm-dd)\n";
        ctx.exitCode = 2;
        return;
      }
      first = *day;
    }
    if (opts->days < 1 || opts->days > kMaxDays) {
      std::cerr << "zktrack: --days must be 1 to " << kMaxDays << ", not " << opts->days << "\n";
      ctx.exitCode = 2;
      return;
    }
    if (!recordHoldsDay(first.addDays(opts->days - 1))) {
      std::cerr << "zktrack: the span runs past the last day a record can hold, 9999-12-31\n";
      ctx.exitCode = 2;
      return;
    }
    ctx.exitCode = runCheck(dataFolderFor(ctx, opts->data), first, opts->days, opts->connection, opts->eachConnection);
  });
}

}  // namespace zktrack
