// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "CallArguments.h"
#include "LogTexts.h"
#include "Zktrack.h"
#include "core/Pricing.h"
#include "store/RecordIO.h"

namespace zktrack {

using prandel::core::CallHistory;
using prandel::core::CallInput;
using prandel::core::Epoch;
using prandel::core::LocalClock;
using prandel::core::PricedCall;

namespace {

// --- The log's part ------------------------------------------------------------------

// The totals of the earlier calls of the day and of the billing cycle the call's
// counting starts in, and the day the cycle starts on, from the session log, read
// without creating or changing it. Without a log there are no earlier calls and
// cycles start on the 1st.
struct EarlierCalls {
  CallHistory history;
  int cycleStartDay = prandel::core::kDefaultCycleStartDay;
};

std::optional<EarlierCalls> earlierCalls(const prandel::DataFolder& folder, const store::DataFiles& files,
                                         const CallInput& call, const LocalClock& clock) {
  EarlierCalls earlier;
  prandel::tracker::CallLog log;
  bool none = false;
  if (std::string why; !openLogForReading(folder.path, log, none, why)) {
    if (none) return earlier;
    std::cerr << "zktrack: " << why << "\n";
    return std::nullopt;
  }
  const auto day = log.cycleStartDay();
  if (!day) {
    std::cerr << "zktrack: cannot read the session log: " << log.error() << "\n";
    return std::nullopt;
  }
  earlier.cycleStartDay = *day;
  // Where counting starts decides whose day and cycle count.
  const auto countFrom = prandel::core::priceCall(prandel::core::readTariffSettings(files, *day), call, {}, clock).countFrom;
  const auto history = log.historyBefore(countFrom, *day, 0, clock.zone());
  if (!history) {
    std::cerr << "zktrack: cannot read the session log: " << log.error() << "\n";
    return std::nullopt;
  }
  earlier.history = *history;
  return earlier;
}

// --- What it prints ------------------------------------------------------------------

std::string at(Epoch t, const LocalClock& clock, const char* pattern) {
  return QDateTime::fromSecsSinceEpoch(t, clock.zone()).toString(QString::fromLatin1(pattern)).toStdString();
}

// The end of a slice: its time of day; the midnight that ends a day is 24:00:00.
std::string sliceEnd(const prandel::core::CallSlice& s, const LocalClock& clock) {
  if (clock.localDate(s.to) != clock.localDate(s.from)) return "24:00:00";
  return at(s.to, clock, "HH:mm:ss");
}

std::string conditionLabel(int slot, const prandel::core::TariffSettings& t) {
  if (slot == 0) return "No Condition";
  const auto lines = conditionDescription(t.conditions[static_cast<std::size_t>(slot - 1)], t.main);
  std::string label = "Condition " + std::to_string(slot);
  if (!lines.empty()) label += " (" + lines.front() + ")";
  return label;
}

std::string shown(double amount, const prandel::core::TariffSettings& t) {
  return amountShown(prandel::core::roundAmount(amount), t.main);
}

std::string padRight(std::string s, std::size_t width) {
  s.resize(std::max(s.size(), width), ' ');
  return s;
}
std::string padLeft(const std::string& s, std::size_t width) {
  return std::string(width > s.size() ? width - s.size() : 0, ' ') + s;
}

void printTable(const prandel::DataFolder& folder, const prandel::core::TariffSettings& t, const CallInput& call,
                const PricedCall& p, const LocalClock& clock) {
  std::cout << dataFolderLine(folder) << "\n";
  std::cout << "Call: " << at(call.up, clock, "ddd yyyy-MM-dd HH:mm:ss") << " to "
            << at(call.end, clock, clock.localDate(call.end) == clock.localDate(call.up) ? "HH:mm:ss" : "ddd yyyy-MM-dd HH:mm:ss")
            << " (" << secondsText(static_cast<double>(call.end - call.up)) << ")";
  if (!call.connection.empty()) std::cout << ", connection " << quoted(call.connection);
  std::cout << "\n";

  struct Row {
    std::string from, to, condition, units, charge;
  };
  std::vector<Row> rows;
  rows.push_back({"From", "To", "Condition", "Units", "Charge"});
  for (const auto& s : p.slices)
    rows.push_back({at(s.from, clock, "yyyy-MM-dd HH:mm:ss"), sliceEnd(s, clock), conditionLabel(s.slot, t),
                    std::to_string(s.units), shown(s.charge, t)});
  std::size_t w[5] = {};
  for (const Row& r : rows) {
    w[0] = std::max(w[0], r.from.size());
    w[1] = std::max(w[1], r.to.size());
    w[2] = std::max(w[2], r.condition.size());
    w[3] = std::max(w[3], r.units.size());
    w[4] = std::max(w[4], r.charge.size());
  }
  for (const Row& r : rows) {
    std::string line = padRight(r.from, w[0]) + "  " + padRight(r.to, w[1]) + "  " + padRight(r.condition, w[2]) + "  " +
                       padLeft(r.units, w[3]) + "  " + padLeft(r.charge, w[4]);
    std::cout << line.substr(0, line.find_last_not_of(' ') + 1) << "\n";
  }
  std::cout << "Total: " << shown(p.cost, t) << "\n";

  if (t.main.CallStart == 2) {
    std::cout << "Counted time: none (the call settings count no time)\n";
  } else {
    std::cout << "Counted time: " << secondsText(static_cast<double>(p.countedSeconds)) << " from "
              << at(p.countFrom, clock, "HH:mm:ss");
    if (p.countFrom < call.up) std::cout << " (with " << plural(call.up - p.countFrom, "second", "seconds") << " of dialling)";
    std::cout << "\n";
  }
  std::cout << "Unpriced: " << plural(p.unpricedSeconds, "second", "seconds") << "\n";
  if (t.main.CdEnabled) {
    std::cout << "Countdown: " << secondsText(p.countdownUsed) << " used of " << secondsText(t.main.CdTotal - t.main.CdUsed)
              << " left";
    if (p.countdownOut) std::cout << ", ran out at " << at(*p.countdownOut, clock, "yyyy-MM-dd HH:mm:ss");
    std::cout << "\n";
  }
}

// --- JSON, written as it goes: a month of 1-second units is millions of them ----------

std::string jsonString(const std::string& s) {
  std::string out = "\"";
  for (const char c : readable(s)) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

std::string jsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

std::string jsonAmount(double v) { return jsonNumber(prandel::core::roundAmount(v)); }

std::string jsonMoment(Epoch t, const LocalClock& clock) {
  return "\"" + QDateTime::fromSecsSinceEpoch(t, clock.zone()).toString(Qt::ISODate).toStdString() + "\"";
}

void printJson(const prandel::DataFolder& folder, const prandel::core::TariffSettings& t, const CallInput& call,
               const PricedCall& p, const LocalClock& clock) {
  std::string out;
  out.reserve(4096 + p.units.size() * 420);
  out += "{\n  \"dataFolder\": " + jsonString(folder.path) + ",\n";
  out += "  \"currency\": " + jsonString(t.main.CurSymbol) + ",\n";
  out += "  \"call\": {\"connection\": " + jsonString(call.connection) + ", \"dialStart\": " +
         (call.dialStart ? jsonMoment(*call.dialStart, clock) : std::string("null")) + ", \"up\": " +
         jsonMoment(call.up, clock) + ", \"end\": " + jsonMoment(call.end, clock) + "},\n";
  out += "  \"countFrom\": " + jsonMoment(p.countFrom, clock) + ",\n";
  out += "  \"countedSeconds\": " + std::to_string(p.countedSeconds) + ",\n";
  out += "  \"unpricedSeconds\": " + std::to_string(p.unpricedSeconds) + ",\n";
  out += "  \"received\": " + std::to_string(p.received) + ",\n";
  out += "  \"sent\": " + std::to_string(p.sent) + ",\n";
  out += "  \"total\": " + jsonAmount(p.cost) + ",\n";
  out += "  \"countdownUsed\": " + jsonNumber(p.countdownUsed) + ",\n";
  out += "  \"countdownOut\": " + (p.countdownOut ? jsonMoment(*p.countdownOut, clock) : std::string("null")) + ",\n";
  out += "  \"slices\": [";
  for (std::size_t i = 0; i < p.slices.size(); ++i) {
    const auto& s = p.slices[i];
    out += std::string(i ? "," : "") + "\n    {\"from\": " + jsonMoment(s.from, clock) + ", \"to\": " + jsonMoment(s.to, clock) +
           ", \"slot\": " + std::to_string(s.slot) + ", \"units\": " + std::to_string(s.units) + ", \"charge\": " +
           jsonAmount(s.charge) + "}";
  }
  out += p.slices.empty() ? "],\n" : "\n  ],\n";
  out += "  \"units\": [";
  std::cout << out;
  for (std::size_t i = 0; i < p.units.size(); ++i) {
    const auto& u = p.units[i];
    const auto& k = u.counters;
    out = std::string(i ? "," : "") + "\n    {\"from\": " + jsonMoment(u.from, clock) + ", \"to\": " + jsonMoment(u.to, clock) +
          ", \"length\": " + std::to_string(u.length) + ", \"slot\": " + std::to_string(u.slot) +
          ", \"charge\": " + jsonAmount(u.charge) + ", \"counters\": {\"time\": " + std::to_string(k.callSeconds) +
          ", \"todaysTime\": " + std::to_string(k.daySeconds) + ", \"totalTime\": " + std::to_string(k.cycleSeconds) +
          ", \"expense\": " + jsonAmount(k.callCost) + ", \"totalExpense\": " + jsonAmount(k.cycleCost) +
          ", \"calls\": " + std::to_string(k.dayCalls) + ", \"totalCalls\": " + std::to_string(k.cycleCalls) +
          ", \"countdown\": " + jsonNumber(k.countdownLeft) + ", \"received\": " + std::to_string(k.callReceived) +
          ", \"sent\": " + std::to_string(k.callSent) + ", \"totalReceived\": " + std::to_string(k.cycleReceived) +
          ", \"totalSent\": " + std::to_string(k.cycleSent) + "}}";
    std::cout << out;
  }
  std::cout << (p.units.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

// --- The command --------------------------------------------------------------------

struct PriceOptions {
  CallArguments call;
  std::string data;
  bool json = false;
};

int runPrice(const Context& ctx, const PriceOptions& o) {
  const LocalClock clock = LocalClock::system();
  std::string why;
  const auto parsed = readCall(o.call, clock, why);
  if (!parsed) {
    std::cerr << "zktrack: " << why << "\n";
    return 2;
  }
  const CallInput& call = parsed->call;

  const prandel::DataFolder folder = dataFolderFor(ctx, o.data);
  store::DataFiles files;
  if (!openRecordsForReading(folder, files)) return 1;
  const auto earlier = earlierCalls(folder, files, call, clock);
  if (!earlier) return 1;
  const auto tariff = prandel::core::readTariffSettings(files, earlier->cycleStartDay);
  const PricedCall priced = prandel::core::priceCall(tariff, call, earlier->history, clock);
  if (o.json) printJson(folder, tariff, call, priced, clock);
  else printTable(folder, tariff, call, priced, clock);
  return 0;
}

}  // namespace

void addPriceCommand(CLI::App& app, Context& ctx) {
  auto o = std::make_shared<PriceOptions>();
  auto* cmd = app.add_subcommand("price", "Work out what a call costs with the live tariff");
  cmd->footer(
      "Prices a call as the tracker does: its counted time cut into units, each priced by\n"
      "the expense condition in force at its first second (with the filters and the\n"
      "countdown), on the live conditions, holidays and call settings. Prints the\n"
      "stretches of one condition, the total in the data folder's currency, the time\n"
      "counted, the seconds no condition prices, and the countdown used. Moments are\n"
      "local wall-clock times (yyyy-mm-dd hh:mm[:ss], or with a T), or @SECONDS. Bytes, for per MB\n"
      "conditions and filters, come as totals spread evenly over the call or as a CSV\n"
      "file: a header line, then seconds_since_up,received,sent per line (or an ISO\n"
      "moment in the first column), the counters cumulative. Reads the record files and\n"
      "never creates or changes one.\n"
      "Exit codes: 0 priced, 1 no records, 2 a wrong command line or samples file.");
  addCallOptions(*cmd, o->call);
  cmd->add_flag("--json", o->json, "Print every unit with its counters as JSON");
  addDataOption(*cmd, o->data);
  cmd->callback([&ctx, o] { ctx.exitCode = runPrice(ctx, *o); });
}

}  // namespace zktrack
