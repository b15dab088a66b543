// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack report: what the calls of a day, a month or a billing cycle came to, per
// connection and per condition, their largest charges, and a chart of it.
#include <QDateTime>
#include <QGuiApplication>
#include <QLocale>
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "LogTexts.h"
#include "ShowChart.h"
#include "chart/UsageChart.h"
#include "core/BillingCycle.h"
#include "tracker/Report.h"

namespace zktrack {

using prandel::tracker::CallLog;
using prandel::tracker::PeriodKind;

namespace {

constexpr std::size_t kTopCharges = 10;

struct ReportOptions {
  PeriodKind kind = PeriodKind::Cycle;
  QDate at;
  std::optional<std::string> connection;
  std::string chart;
};

std::string periodTitle(const prandel::tracker::Period& p, int cycleStartDay) {
  switch (p.kind) {
    case PeriodKind::Day: return "Day " + dayLabel(p.first);
    case PeriodKind::Month: return "Month " + QLocale::c().toString(p.first, QStringLiteral("MMMM yyyy")).toStdString();
    case PeriodKind::Cycle: break;
  }
  return "Billing cycle " + dayText(p.first) + " to " + dayText(p.last) + " (it starts on day " +
         std::to_string(cycleStartDay) + ")";
}

std::string seconds(std::int64_t s) { return secondsText(static_cast<double>(s)); }

void printReport(const prandel::tracker::Report& r, const MoneyStyle& style) {
  const auto& t = r.totals;
  printTable(std::cout,
             {{"Sessions", std::to_string(t.sessions)},
              {"Counted time", seconds(t.countedSeconds)},
              {"Unpriced time", seconds(t.unpricedSeconds)},
              {"Received", style.bytes(t.received)},
              {"Sent", style.bytes(t.sent)},
              {"Cost", style.money(t.cost)}},
             {false, true});
  if (t.sessions == 0) return;

  std::cout << "\nBy connection:\n";
  std::vector<std::vector<std::string>> rows = {{"Connection", "Sessions", "Counted time", "Received", "Sent", "Cost"}};
  for (const auto& c : r.connections) {
    rows.push_back({readable(c.connection), std::to_string(c.totals.sessions), seconds(c.totals.countedSeconds),
                    style.bytes(c.totals.received), style.bytes(c.totals.sent), style.money(c.totals.cost)});
  }
  printTable(std::cout, rows, {false, true, true, true, true, true}, "  ");

  std::cout << "\nBy condition:\n";
  rows = {{"Condition", "Time", "Units", "Charge"}};
  for (const auto& c : r.conditions)
    rows.push_back({readable(c.label), seconds(c.seconds), std::to_string(c.units), style.money(c.charge)});
  printTable(std::cout, rows, {false, true, true, true}, "  ");

  if (r.top.empty()) return;
  std::cout << "\nLargest charges:\n";
  rows = {{"When", "Connection", "Condition", "Charge"}};
  for (const auto& c : r.top) {
    rows.push_back({localMoment(c.from).substr(0, 16) + "-" + localMoment(c.to).substr(11, 5), readable(c.connection),
                    readable(c.label), style.money(c.charge)});
  }
  printTable(std::cout, rows, {false, false, false, true}, "  ");
}

// The chart needs fonts, and so a QGuiApplication: on the offscreen platform, which
// needs no display, made only now.
bool drawChart(const std::string& path, const prandel::tracker::Report& r, const MoneyStyle& style,
               const std::string& title, std::optional<double> countdownTotal) {
  static int argc = 1;
  static char name[] = "zktrack";
  static char* argv[] = {name, nullptr};
  std::unique_ptr<QGuiApplication> app;
  if (!QGuiApplication::instance()) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // A hook or a cron job has no runtime folder; Qt's warning about it means nothing
    // for a chart.
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
      if (type != QtWarningMsg || !m.startsWith(QLatin1String("QStandardPaths:"))) std::cerr << m.toStdString() << "\n";
    });
    app = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(previous);
  }
  prandel::chart::ChartOptions o;
  o.title = QString::fromStdString(title);
  o.currency = QString::fromStdString(style.currency);
  o.decimal = style.decimal;
  o.countdownTotal = countdownTotal;
  QString error;
  if (!prandel::chart::writeUsageChart(QString::fromStdString(path), r, o, error)) {
    std::cerr << "zktrack: " << error.toStdString() << "\n";
    return false;
  }
  std::cout << "\nChart: " << path << "\n";
  return true;
}

int runReport(const prandel::DataFolder& folder, const ReportOptions& opts) {
  std::cout << dataFolderLine(folder) << "\n";
  CallLog log;
  bool none = false;
  std::string why;
  const bool opened = openLogForReading(folder.path, log, none, why);
  if (!opened && !none) {
    std::cerr << "zktrack: " << why << "\n";
    return 1;
  }
  if (none) std::cout << noCallsYet(folder.path) << "\n";
  int startDay = prandel::core::kDefaultCycleStartDay;
  if (opened) {
    const auto stored = log.cycleStartDay();
    if (!stored) {
      std::cerr << "zktrack: cannot read the session log: " << log.error() << "\n";
      return 1;
    }
    startDay = *stored;
  }
  const auto period = prandel::tracker::periodHolding(opts.at, opts.kind, startDay);
  prandel::tracker::Report report;
  if (opened && !prandel::tracker::buildReport(log, period, opts.connection, kTopCharges, report)) {
    std::cerr << "zktrack: cannot read the session log: " << log.error() << "\n";
    return 1;
  }
  if (!opened) {
    report.period = period;
    for (QDate d = period.first; d <= period.last; d = d.addDays(1)) report.days.push_back({d, 0, 0, 0, 0, 0, {}, 0, {}});
  }
  const store::MainRecord main = readMainRecord(folder.path);
  std::optional<double> countdownTotal;
  if (main.CdEnabled && std::isfinite(main.CdTotal) && main.CdTotal > 0) {
    countdownTotal = main.CdTotal;
    if (opened && !prandel::tracker::addCountdown(log, main, QDateTime::currentSecsSinceEpoch(), report)) {
      std::cerr << "zktrack: cannot read the session log: " << log.error() << "\n";
      return 1;
    }
  }
  std::string title = periodTitle(period, startDay);
  if (opts.connection) title += ", connection " + quoted(*opts.connection);
  std::cout << title << "\n";
  const MoneyStyle style = moneyStyleOf(main);
  printReport(report, style);
  if (!opts.chart.empty() && !drawChart(opts.chart, report, style, title, countdownTotal)) return 1;
  return 0;
}

}  // namespace

void addReportCommand(CLI::App& app, Context& ctx) {
  struct Options {
    bool day = false, month = false, cycle = false, show = false;
    std::string at, connection, chart, data;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("report", "What the logged calls of a day, month or billing cycle came to");
  cmd->footer(
      "Totals of the period that holds --at (default today): sessions, counted time, bytes\n"
      "received and sent and cost; then the same per connection and per condition (as\n"
      "each read when its calls were priced), and the largest charges. A session belongs\n"
      "to the day its counting started. The billing cycle starts on the day 'zktrack log\n"
      "settings cycle-start-day' sets (the 1st unless set). --chart draws cost per day\n"
      "stacked by condition, traffic per day, and the countdown's time left when it is\n"
      "on; --show draws it into the runtime folder and opens it. Reads the log and never\n"
      "creates or changes a file but the chart's.\n"
      "Exit codes: 0 reported (also when no call is logged yet), 1 the log cannot be read\n"
      "or the chart written, 2 a wrong command line.");
  auto* day = cmd->add_flag("--day", opts->day, "The day that holds --at");
  auto* month = cmd->add_flag("--month", opts->month, "The calendar month that holds --at");
  auto* cycle = cmd->add_flag("--cycle", opts->cycle, "The billing cycle that holds --at (the default)");
  day->excludes(month)->excludes(cycle);
  month->excludes(cycle);
  cmd->add_option("--at", opts->at, "A day of the period, yyyy-mm-dd (default today)")->type_name("DATE");
  cmd->add_option("--connection", opts->connection, "Only the sessions of the connection NAME")->type_name("NAME");
  cmd->add_option("--chart", opts->chart, "Also draw the chart into FILE, an .svg or .png")->type_name("FILE");
  cmd->add_flag("--show", opts->show, "Draw the chart and open it in the desktop's viewer (xdg-open)");
  addDataOption(*cmd, opts->data);
  cmd->callback([&ctx, opts] {
    ReportOptions o;
    o.kind = opts->day ? PeriodKind::Day : (opts->month ? PeriodKind::Month : PeriodKind::Cycle);
    o.at = QDate::currentDate();
    if (!opts->at.empty()) {
      const auto d = parseDay(opts->at);
      if (!d) {
        std::cerr << "zktrack: not a day: " << readable(opts->at) << " (use yyyy-mm-dd)\n";
        ctx.exitCode = 2;
        return;
      }
      o.at = *d;
    }
    if (!opts->connection.empty()) o.connection = opts->connection;
    const std::string& chart = opts->chart;
    const auto ends = [&](const char* ext) {
      return chart.size() > 4 && QString::fromStdString(chart).endsWith(QLatin1String(ext), Qt::CaseInsensitive);
    };
    if (!chart.empty() && !ends(".svg") && !ends(".png")) {
      std::cerr << "zktrack: --chart takes a file name ending in .svg or .png, not " << readable(chart) << "\n";
      ctx.exitCode = 2;
      return;
    }
    o.chart = chart;
    std::string why;
    if (opts->show && o.chart.empty()) {
      const char* kinds[] = {"day", "month", "cycle"};
      const auto path = shownChartPath(std::string("report-") + kinds[static_cast<int>(o.kind)] + "-" +
                                           o.at.toString(QStringLiteral("yyyy-MM-dd")).toStdString() + ".png",
                                       why);
      if (!path) {
        std::cerr << "zktrack: cannot draw the chart to show: " << why << "\n";
        ctx.exitCode = 1;
        return;
      }
      o.chart = *path;
    }
    // The chart is drawn on Qt's offscreen platform; the viewer gets the user's own.
    const char* qpa = std::getenv("QT_QPA_PLATFORM");
    const std::optional<std::string> userQpa = qpa ? std::optional<std::string>(qpa) : std::nullopt;
    ctx.exitCode = runReport(dataFolderFor(ctx, opts->data), o);
    if (userQpa) ::setenv("QT_QPA_PLATFORM", userQpa->c_str(), 1);
    else ::unsetenv("QT_QPA_PLATFORM");
    if (ctx.exitCode == 0 && opts->show && !openInViewer(o.chart, why)) {
      std::cerr << "zktrack: " << why << "\n";
      ctx.exitCode = 1;
    }
  });
}

}  // namespace zktrack
