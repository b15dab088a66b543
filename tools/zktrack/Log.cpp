// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack log: the sessions of the session log, as a table, JSON or CSV; and the
// commands within it (log add, log settings).
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>

#include "LogTexts.h"

namespace zktrack {

using prandel::tracker::CallLog;
using prandel::tracker::SessionRow;
using prandel::tracker::SessionState;

namespace {

enum class Form { Table, Json, Csv };

std::string stateText(const SessionRow& s) { return s.state == SessionState::Running ? "running" : "finished"; }

// The seconds from the link coming up to hang-up, or to its last write while it runs.
std::int64_t durationOf(const SessionRow& s) { return std::max<std::int64_t>(0, s.end.value_or(s.lastWrite) - s.up); }

void printTableForm(const std::vector<SessionRow>& rows, const MoneyStyle& style) {
  std::vector<std::vector<std::string>> cells = {{"Start", "Duration", "Connection", "Received", "Sent", "Cost"}};
  std::int64_t seconds = 0;
  double cost = 0;
  for (const auto& s : rows) {
    std::string duration = secondsText(static_cast<double>(durationOf(s)));
    if (s.state == SessionState::Running) duration += " (running)";
    cells.push_back({localMoment(s.up).substr(0, 16), duration, readable(s.connection), style.bytes(s.received),
                     style.bytes(s.sent), style.money(s.cost)});
    seconds += s.countedSeconds;
    cost += s.cost;
  }
  printTable(std::cout, cells, {false, true, false, true, true, true});
  std::cout << plural(static_cast<long long>(rows.size()), "session", "sessions") << ", counted time "
            << secondsText(static_cast<double>(seconds)) << ", cost " << style.money(cost) << "\n";
}

QJsonValue optionalMoment(const std::optional<Epoch>& t) {
  return t ? QJsonValue(QString::fromStdString(isoMoment(*t))) : QJsonValue(QJsonValue::Null);
}

void printJson(const std::vector<SessionRow>& rows, const MoneyStyle& style, const std::string& folder) {
  QJsonArray list;
  for (const auto& s : rows) {
    QJsonObject o;
    o[QStringLiteral("id")] = static_cast<qint64>(s.id);
    o[QStringLiteral("connection")] = QString::fromStdString(s.connection);
    o[QStringLiteral("dial_start")] = optionalMoment(s.dialStart);
    o[QStringLiteral("up")] = QString::fromStdString(isoMoment(s.up));
    o[QStringLiteral("end")] = optionalMoment(s.end);
    o[QStringLiteral("count_from")] = QString::fromStdString(isoMoment(s.countFrom));
    o[QStringLiteral("counted_seconds")] = static_cast<qint64>(s.countedSeconds);
    o[QStringLiteral("unpriced_seconds")] = static_cast<qint64>(s.unpricedSeconds);
    // Byte counts above 2^53 would lose digits as JSON numbers.
    o[QStringLiteral("received")] = static_cast<double>(s.received);
    o[QStringLiteral("sent")] = static_cast<double>(s.sent);
    o[QStringLiteral("cost")] = s.cost;
    o[QStringLiteral("countdown_seconds")] = s.countdownSeconds;
    o[QStringLiteral("state")] = QString::fromStdString(stateText(s));
    o[QStringLiteral("last_write")] = QString::fromStdString(isoMoment(s.lastWrite));
    list.append(o);
  }
  QJsonObject top;
  top[QStringLiteral("data_folder")] = QString::fromStdString(folder);
  top[QStringLiteral("currency")] = QString::fromStdString(style.currency);
  top[QStringLiteral("sessions")] = list;
  std::cout << QJsonDocument(top).toJson(QJsonDocument::Indented).toStdString();
}

void printCsv(const std::vector<SessionRow>& rows) {
  // RFC 4180: CRLF after every record, the header included.
  std::cout << "id,connection,dial_start,up,end,count_from,counted_seconds,unpriced_seconds,received,sent,cost,"
               "countdown_seconds,state,last_write\r\n";
  for (const auto& s : rows) {
    std::cout << s.id << "," << csvField(s.connection) << "," << (s.dialStart ? isoMoment(*s.dialStart) : "") << ","
              << isoMoment(s.up) << "," << (s.end ? isoMoment(*s.end) : "") << "," << isoMoment(s.countFrom) << ","
              << s.countedSeconds << "," << s.unpricedSeconds << "," << s.received << "," << s.sent << ","
              << number(s.cost) << "," << number(s.countdownSeconds) << "," << stateText(s) << "," << isoMoment(s.lastWrite)
              << "\r\n";
  }
}

int runLogList(const prandel::DataFolder& folder, const prandel::tracker::SessionFilter& filter, Form form) {
  CallLog log;
  bool none = false;
  if (form == Form::Table) std::cout << dataFolderLine(folder) << "\n";
  std::vector<SessionRow> rows;
  if (std::string why; !openLogForReading(folder.path, log, none, why)) {
    if (!none) {
      std::cerr << "zktrack: " << why << "\n";
      return 1;
    }
    // The forms for scripts stay what they are, empty; the note goes beside them.
    (form == Form::Table ? std::cout : std::cerr) << noCallsYet(folder.path) << "\n";
    if (form == Form::Table) return 0;
  } else if (!log.sessions(filter, rows)) {
    std::cerr << "zktrack: cannot read the session log: " << log.error() << "\n";
    return 1;
  }
  const MoneyStyle style = moneyStyleOf(readMainRecord(folder.path));
  switch (form) {
    case Form::Table: printTableForm(rows, style); break;
    case Form::Json: printJson(rows, style, folder.path); break;
    case Form::Csv: printCsv(rows); break;
  }
  return 0;
}

}  // namespace

void addLogCommand(CLI::App& app, Context& ctx) {
  struct Options {
    std::string connection, from, to, data;
    bool json = false, csv = false;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("log", "List the logged calls (sessions), or record one (log add)");
  cmd->require_subcommand(0, 1);
  cmd->footer(
      "Without a command, lists the sessions of the session log (zelkora.sqlite in the data\n"
      "folder): when each started (the link came up), how long it lasted, its connection,\n"
      "the bytes received and sent and its cost, in the data folder's currency. DATE is\n"
      "yyyy-mm-dd, a local day; --to's day is included. A session belongs to the day its\n"
      "counting started. Reads the log and never creates or changes a file.\n"
      "Exit codes: 0 listed (also when no call is logged yet), 1 the log cannot be read,\n"
      "2 a wrong command line.");
  cmd->add_option("--connection", opts->connection, "Only the sessions of the connection NAME")->type_name("NAME");
  cmd->add_option("--from", opts->from, "Only sessions from this day on")->type_name("DATE");
  cmd->add_option("--to", opts->to, "Only sessions up to this day, included")->type_name("DATE");
  auto* json = cmd->add_flag("--json", opts->json, "Every field of every session as JSON");
  cmd->add_flag("--csv", opts->csv, "Every field of every session as CSV (RFC 4180, one header line)")->excludes(json);
  addDataOption(*cmd, opts->data);
  addLogAddCommand(*cmd, ctx);
  addLogSettingsCommand(*cmd, ctx);
  cmd->callback([cmd, &ctx, opts] {
    if (!cmd->get_subcommands().empty()) return;
    prandel::tracker::SessionFilter filter;
    if (std::string why; !daySpan(opts->from, opts->to, filter.span, why)) {
      std::cerr << "zktrack: " << why << "\n";
      ctx.exitCode = 2;
      return;
    }
    if (!opts->connection.empty()) filter.connection = opts->connection;
    const Form form = opts->json ? Form::Json : (opts->csv ? Form::Csv : Form::Table);
    ctx.exitCode = runLogList(dataFolderFor(ctx, opts->data), filter, form);
  });
}

}  // namespace zktrack
