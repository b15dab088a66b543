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

// A byte-counter file of a month-long call sampled every second is some 60 MiB.
constexpr std::uintmax_t kMaxSamplesBytes = 64u << 20;

// --- What the user gives -------------------------------------------------------------

// 45m, 2h, 1h30m, 90s, 1h30m15s, or plain seconds.
std::optional<std::int64_t> parseDuration(const std::string& text) {
  static const QRegularExpression form(QStringLiteral("^(?:(\\d{1,7})h)?(?:(\\d{1,9})m)?(?:(\\d{1,11})s)?$"));
  static const QRegularExpression plain(QStringLiteral("^\\d{1,11}$"));
  const QString t = QString::fromStdString(text);
  if (plain.match(t).hasMatch()) return t.toLongLong();
  const auto m = form.match(t);
  if (t.isEmpty() || !m.hasMatch()) return std::nullopt;
  return m.captured(1).toLongLong() * 3600 + m.captured(2).toLongLong() * 60 + m.captured(3).toLongLong();
}

std::optional<std::uint64_t> parseBytes(const std::string& text) {
  if (text.empty() || text.size() > 20 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  errno = 0;
  const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (errno == ERANGE) return std::nullopt;
  return v;
}

std::optional<Epoch> epochOf(const WallClock& w, const LocalClock& clock) { return clock.fromWallClock(w.date, w.time); }

// An ISO moment of a samples file: with an offset it says which moment; without one
// it is a local wall-clock time, as --from is.
std::optional<Epoch> parseIsoMoment(QString text, const LocalClock& clock) {
  text.replace(QLatin1Char(' '), QLatin1Char('T'));
  const QDateTime dt = QDateTime::fromString(text, Qt::ISODate);
  if (!dt.isValid()) return std::nullopt;
  if (dt.timeSpec() == Qt::LocalTime) return clock.fromWallClock(dt.date(), dt.time());
  return dt.toSecsSinceEpoch();
}

std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> fieldsOf(const std::string& line) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, ',')) out.push_back(trimmed(field));
  if (!line.empty() && line.back() == ',') out.emplace_back();
  return out;
}

bool allDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The samples of a CSV file: a header line, then seconds_since_up (or an ISO
// moment),received,sent with cumulative counters. A message with the line of the
// first fault, or none.
std::optional<std::string> readSamples(const std::string& path, Epoch up, Epoch end, const LocalClock& clock,
                                       std::vector<prandel::core::ByteSample>& samples) {
  using Fault = SmallFile::Fault;
  const SmallFile file = readSmallFile(path, kMaxSamplesBytes);
  switch (file.fault) {
    case Fault::None: break;
    case Fault::Missing: return path + ": cannot be read: " + std::strerror(file.error);
    case Fault::NotRegular: return path + ": is not a regular file";
    case Fault::TooBig: return path + ": larger than 64 MiB";
    case Fault::CannotOpen: return path + ": cannot be opened";
    case Fault::Unreadable: return path + ": cannot be read";
    case Fault::Changed: return path + ": changed while it was read";
  }
  std::istringstream in(file.text);
  std::string line;
  int lineNo = 0, lastLine = 0;
  bool header = true;
  const auto fault = [&](const std::string& what) { return path + ":" + std::to_string(lineNo) + ": " + what; };
  while (std::getline(in, line)) {
    ++lineNo;
    if (trimmed(line).empty()) continue;
    const auto f = fieldsOf(line);
    if (header) {
      header = false;
      // A first line of numbers is a sample without its header, which would be lost.
      if (!f.empty() && (allDigits(f[0]) || parseIsoMoment(QString::fromStdString(f[0]), clock)))
        return fault("the first line is the header: seconds_since_up,received,sent");
      continue;
    }
    if (f.size() != 3)
      return fault("expected 3 fields (seconds_since_up,received,sent), found " + std::to_string(f.size()));
    std::optional<Epoch> at;
    if (allDigits(f[0])) {
      if (f[0].size() <= 11) at = up + std::stoll(f[0]);
    } else {
      at = parseIsoMoment(QString::fromStdString(f[0]), clock);
    }
    if (!at) return fault("not a moment: " + readable(f[0]) + " (seconds since the link came up, or yyyy-mm-ddThh:mm:ss)");
    const auto received = parseBytes(f[1]);
    if (!received) return fault("not a byte count: " + readable(f[1]));
    const auto sent = parseBytes(f[2]);
    if (!sent) return fault("not a byte count: " + readable(f[2]));
    if (*at < up) return fault("before the link came up (--from)");
    if (*at > end) return fault("after the call's end");
    if (!samples.empty() && *at < samples.back().at) return fault("earlier than line " + std::to_string(lastLine));
    samples.push_back({*at, *received, *sent});
    lastLine = lineNo;
  }
  if (header) return path + ": empty; it needs a header line: seconds_since_up,received,sent";
  return std::nullopt;
}

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
  if (!openLogForReading(folder.path, log, none)) {
    if (none) return earlier;
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
  std::vector<std::string> from, to, dialStart;  // unquoted, "2026-12-14 17:50" is two words
  std::string duration, connection, down, up, samples, data;
  bool json = false;
};

std::string joined(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

int usage(const std::string& message) {
  std::cerr << "zktrack: " << message << "\n";
  return 2;
}

int runPrice(const Context& ctx, const PriceOptions& o) {
  const LocalClock clock = LocalClock::system();
  const auto momentOf = [&](const std::string& what, const std::string& text) -> std::optional<Epoch> {
    const auto w = parseMoment(text);
    const auto t = w ? epochOf(*w, clock) : std::nullopt;
    if (!t) std::cerr << "zktrack: not a moment for " << what << ": " << readable(text) << " (use yyyy-mm-dd hh:mm)\n";
    return t;
  };
  CallInput call;
  call.connection = o.connection;
  const auto up = momentOf("--from", joined(o.from));
  if (!up) return 2;
  call.up = *up;
  if (!o.to.empty() && !o.duration.empty()) return usage("--to and --duration: give one of them");
  if (o.to.empty() && o.duration.empty()) return usage("give the call's end with --to or its length with --duration");
  if (!o.to.empty()) {
    const auto end = momentOf("--to", joined(o.to));
    if (!end) return 2;
    if (*end < call.up) return usage("--to is before --from");
    call.end = *end;
  } else {
    const auto secs = parseDuration(o.duration);
    if (!secs) return usage("not a duration: " + readable(o.duration) + " (use 45m, 2h, 1h30m, 90s or seconds)");
    call.end = call.up + std::min<std::int64_t>(*secs, prandel::core::kMaxCallSeconds + 1);
  }
  if (call.end == call.up) return usage("the call has no length");
  if (call.end - call.up > prandel::core::kMaxCallSeconds) return usage("a call is priced for 31 days at most");
  if (!o.dialStart.empty()) {
    const auto dial = momentOf("--dial-start", joined(o.dialStart));
    if (!dial) return 2;
    if (*dial > call.up) return usage("--dial-start is after --from");
    call.dialStart = *dial;
  }
  if (!o.samples.empty() && !(o.down.empty() && o.up.empty()))
    return usage("give the bytes either as totals (--down, --up) or as samples (--samples), not both");
  std::uint64_t down = 0, upBytes = 0;
  for (const auto& [name, text, value] : {std::tuple{"--down", &o.down, &down}, std::tuple{"--up", &o.up, &upBytes}}) {
    if (text->empty()) continue;
    const auto v = parseBytes(*text);
    if (!v) return usage(std::string("not a byte count for ") + name + ": " + readable(*text));
    *value = *v;
  }
  if (!o.samples.empty()) {
    if (const auto fault = readSamples(o.samples, call.up, call.end, clock, call.samples)) return usage(*fault);
  } else if (down > 0 || upBytes > 0) {
    // Totals without samples: spread evenly over the call, a sample a second.
    call.samples = prandel::core::evenSamples(call.up, call.end, down, upBytes);
  }

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
      "local wall-clock times (yyyy-mm-dd hh:mm, or with a T between). Bytes, for per MB\n"
      "conditions and filters, come as totals spread evenly over the call or as a CSV\n"
      "file: a header line, then seconds_since_up,received,sent per line (or an ISO\n"
      "moment in the first column), the counters cumulative. Reads the record files and\n"
      "never creates or changes one.\n"
      "Exit codes: 0 priced, 1 no records, 2 a wrong command line or samples file.");
  cmd->add_option("--from", o->from, "When the link came up: yyyy-mm-dd hh:mm")
      ->required()
      ->expected(1, 2)
      ->type_name("WHEN");
  cmd->add_option("--to", o->to, "When the call ended: yyyy-mm-dd hh:mm")->expected(1, 2)->type_name("WHEN");
  cmd->add_option("--duration", o->duration, "The call's length instead of --to: 45m, 2h, 1h30m, 90s or seconds")
      ->type_name("LENGTH");
  cmd->add_option("--dial-start", o->dialStart, "When dialling began, for the call settings that count it")
      ->expected(1, 2)
      ->type_name("WHEN");
  cmd->add_option("--connection", o->connection,
                  "The dial-up connection of the call: the conditions bound to it take part (default: none)")
      ->type_name("NAME");
  cmd->add_option("--down", o->down, "Bytes received in the call, spread evenly over it")->type_name("BYTES");
  cmd->add_option("--up", o->up, "Bytes sent in the call, spread evenly over it")->type_name("BYTES");
  cmd->add_option("--samples", o->samples, "The byte counters sampled during the call, a CSV file")->type_name("FILE");
  cmd->add_flag("--json", o->json, "Print every unit with its counters as JSON");
  addDataOption(*cmd, o->data);
  cmd->callback([&ctx, o] { ctx.exitCode = runPrice(ctx, *o); });
}

}  // namespace zktrack
