// SPDX-License-Identifier: GPL-3.0-or-later
#include "CallArguments.h"

#include <QDateTime>
#include <QRegularExpression>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <sstream>
#include <tuple>

namespace zktrack {

using prandel::core::Epoch;
using prandel::core::LocalClock;

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

std::string joined(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

}  // namespace

std::optional<Epoch> parseLocalMoment(const std::string& text, const LocalClock& clock) {
  if (!text.empty() && text[0] == '@') {
    Epoch v = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data() + 1, end, v);
    if (ec != std::errc() || p != end || text.size() == 1) return std::nullopt;
    return v;
  }
  static const QRegularExpression withSeconds(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})[ T](\\d{2}):(\\d{2}):(\\d{2})$"));
  if (const auto m = withSeconds.match(QString::fromStdString(text)); m.hasMatch()) {
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime t(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!d.isValid() || !t.isValid()) return std::nullopt;
    return clock.fromWallClock(d, t);
  }
  const auto w = parseMoment(text);
  return w ? clock.fromWallClock(w->date, w->time) : std::nullopt;
}

void addCallOptions(CLI::App& cmd, CallArguments& o) {
  cmd.add_option("--from", o.from, "When the link came up: yyyy-mm-dd hh:mm[:ss], or @SECONDS since 1970")
      ->required()
      ->expected(1, 2)
      ->type_name("WHEN");
  cmd.add_option("--to", o.to, "When the call ended, as --from")->expected(1, 2)->type_name("WHEN");
  cmd.add_option("--duration", o.duration, "The call's length instead of --to: 45m, 2h, 1h30m, 90s or seconds")
      ->type_name("LENGTH");
  cmd.add_option("--dial-start", o.dialStart, "When dialling began, for the call settings that count it")
      ->expected(1, 2)
      ->type_name("WHEN");
  cmd.add_option("--connection", o.connection,
                 "The dial-up connection of the call: the conditions bound to it take part (default: none)")
      ->type_name("NAME");
  cmd.add_option("--down", o.down, "Bytes received in the call, spread evenly over it")->type_name("BYTES");
  cmd.add_option("--up", o.up, "Bytes sent in the call, spread evenly over it")->type_name("BYTES");
  cmd.add_option("--samples", o.samples, "The byte counters sampled during the call, a CSV file")->type_name("FILE");
}

std::optional<ParsedCall> readCall(const CallArguments& o, const LocalClock& clock, std::string& error) {
  const auto usage = [&error](const std::string& message) {
    error = message;
    return false;
  };
  const auto momentOf = [&](const std::string& what, const std::string& text) -> std::optional<Epoch> {
    const auto t = parseLocalMoment(text, clock);
    if (!t) usage("not a moment for " + what + ": " + readable(text) + " (use yyyy-mm-dd hh:mm[:ss] or @SECONDS)");
    return t;
  };
  ParsedCall p;
  auto& call = p.call;
  call.connection = o.connection;
  const auto up = momentOf("--from", joined(o.from));
  if (!up) return std::nullopt;
  call.up = *up;
  if (!o.to.empty() && !o.duration.empty()) return usage("--to and --duration: give one of them"), std::nullopt;
  if (o.to.empty() && o.duration.empty())
    return usage("give the call's end with --to or its length with --duration"), std::nullopt;
  if (!o.to.empty()) {
    const auto end = momentOf("--to", joined(o.to));
    if (!end) return std::nullopt;
    if (*end < call.up) return usage("--to is before --from"), std::nullopt;
    call.end = *end;
  } else {
    const auto secs = parseDuration(o.duration);
    if (!secs) return usage("not a duration: " + readable(o.duration) + " (use 45m, 2h, 1h30m, 90s or seconds)"), std::nullopt;
    call.end = call.up + std::min<std::int64_t>(*secs, prandel::core::kMaxCallSeconds + 1);
  }
  if (call.end == call.up) return usage("the call has no length"), std::nullopt;
  if (call.end - call.up > prandel::core::kMaxCallSeconds) return usage("a call is priced for 31 days at most"), std::nullopt;
  if (!o.dialStart.empty()) {
    const auto dial = momentOf("--dial-start", joined(o.dialStart));
    if (!dial) return std::nullopt;
    if (*dial > call.up) return usage("--dial-start is after --from"), std::nullopt;
    call.dialStart = *dial;
  }
  if (!o.samples.empty() && !(o.down.empty() && o.up.empty()))
    return usage("give the bytes either as totals (--down, --up) or as samples (--samples), not both"), std::nullopt;
  for (const auto& [name, text, value] : {std::tuple{"--down", &o.down, &p.received}, std::tuple{"--up", &o.up, &p.sent}}) {
    if (text->empty()) continue;
    const auto v = parseBytes(*text);
    if (!v) return usage(std::string("not a byte count for ") + name + ": " + readable(*text)), std::nullopt;
    *value = *v;
  }
  if (!o.samples.empty()) {
    if (const auto fault = readSamples(o.samples, call.up, call.end, clock, call.samples)) return usage(*fault), std::nullopt;
  } else if (p.received > 0 || p.sent > 0) {
    // Totals without samples: spread evenly over the call, a sample a second.
    p.totals = true;
    call.samples = prandel::core::evenSamples(call.up, call.end, p.received, p.sent);
  }
  return p;
}

}  // namespace zktrack
