// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack status: what the live tracker of a data folder is doing, from the status
// file it keeps in its runtime folder. The tracker is never asked anything, so that
// looking costs it nothing, whoever started it (a terminal, systemd).
#include <QJsonDocument>
#include <QJsonObject>
#include <CLI/CLI.hpp>
#include <cmath>
#include <iostream>
#include <memory>

#include "LogTexts.h"
#include "platform/linux/TrackerLock.h"
#include "tracker/TrackerStatus.h"

namespace zktrack {

using prandel::tracker::TrackerStatus;

namespace {

// The exit code when no tracker runs for the folder, as systemctl status has it.
constexpr int kNoTracker = 3;

std::string hms(double seconds) { return secondsText(seconds); }

void printStatus(const TrackerStatus& st, const MoneyStyle& style) {
  std::cout << "Tracker: process " << st.pid << ", running since " << localMoment(st.startedAt) << "\n";
  if (!st.monitorProblem.empty()) std::cout << "Connections: cannot be watched: " << st.monitorProblem << "\n";
  if (st.sessions.empty()) std::cout << "No session runs.\n";
  for (const auto& s : st.sessions) {
    std::cout << "Session " << quoted(s.connection) << ": up since " << localMoment(s.up);
    if (s.dialStart) std::cout << " (dialling from " << localMoment(*s.dialStart).substr(11) << ")";
    if (s.pickedUp) std::cout << ", taken over from a tracker that ended";
    std::cout << "\n";
    printTable(std::cout,
               {{"Time", hms(static_cast<double>(s.countedSeconds)) + " counted"},
                {"Bytes", style.bytes(s.received) + " received, " + style.bytes(s.sent) + " sent"},
                {"Condition", s.slot == 0 ? std::string("none (the time is not priced)") : readable(s.condition)},
                {"Cost so far", style.money(s.cost)}},
               {false, false}, "  ");
  }
  const auto& cd = st.countdown;
  if (!cd.enabled) std::cout << "Countdown: off\n";
  else if (cd.left <= 0) std::cout << "Countdown: ran out (of " << hms(cd.total) << ")\n";
  else std::cout << "Countdown: " << hms(cd.left) << " left of " << hms(cd.total) << "\n";
  std::cout << "As of " << localMoment(st.asOf) << ".\n";
}

int runStatus(const prandel::DataFolder& folder, bool json) {
  const std::string runtime = prandel::platform::trackerRuntimeFolder();
  const auto holder = prandel::platform::trackerHolding(runtime, folder.path);
  if (!holder) {
    if (json) {
      const QJsonObject o{{QStringLiteral("dataFolder"), QString::fromStdString(folder.path)},
                          {QStringLiteral("running"), false}};
      std::cout << QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
    } else {
      std::cout << dataFolderLine(folder) << "\n"
                << "No tracker runs for this data folder. Start one with 'zktrack run', or as a service with\n"
                   "'systemctl --user enable --now zelkora-tracker'.\n";
    }
    return kNoTracker;
  }
  // A status of an earlier tracker (killed before it could remove it) is no status.
  std::string why;
  std::optional<TrackerStatus> st;
  const SmallFile file = readSmallFile(prandel::platform::trackerStatusPath(runtime, folder.path), 1 << 20);
  if (file.fault == SmallFile::Fault::None) st = prandel::tracker::parseStatusJson(file.text, why);
  if (st && holder->pid > 0 && st->pid != holder->pid) st.reset();
  if (json) {
    QJsonObject o;
    if (st) o = QJsonDocument::fromJson(QByteArray::fromStdString(prandel::tracker::statusJson(*st))).object();
    o.insert(QStringLiteral("dataFolder"), QString::fromStdString(folder.path));
    o.insert(QStringLiteral("running"), true);
    o.insert(QStringLiteral("pid"), static_cast<qint64>(holder->pid));
    std::cout << QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
    return 0;
  }
  std::cout << dataFolderLine(folder) << "\n";
  if (!st) {
    std::cout << "A tracker runs for this data folder (process " << holder->pid << "); it has written no status yet.\n";
    return 0;
  }
  printStatus(*st, moneyStyleOf(readMainRecord(folder.path)));
  return 0;
}

}  // namespace

void addStatusCommand(CLI::App& app, Context& ctx) {
  struct Options {
    bool json = false;
    std::string data;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("status", "What the live tracker is doing: the running session and the countdown");
  cmd->footer(
      "Shows whether a tracker ('zktrack run') runs for the data folder and, when one does,\n"
      "the sessions it times (connection, time counted, bytes, the condition in force,\n"
      "cost so far) and the countdown's time left, as of its last second. It reads the\n"
      "status file the tracker keeps in the runtime folder and asks the tracker nothing.\n"
      "Exit codes: 0 a tracker runs, 3 none runs for the folder, 2 a wrong command line.");
  cmd->add_flag("--json", opts->json, "Print it as JSON");
  addDataOption(*cmd, opts->data);
  cmd->callback([&ctx, opts] { ctx.exitCode = runStatus(dataFolderFor(ctx, opts->data), opts->json); });
}

}  // namespace zktrack
