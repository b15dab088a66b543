// SPDX-License-Identifier: GPL-3.0-or-later
#include "CallArguments.h"

#include <QRegularExpression>
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstring>
#include <iostream>
#include <limits>
#include <sstream>
#include <tuple>

namespace zktrack {

using prandel::core::Epoch;

namespace {

// A file of samples is read whole; one sample a second for the longest call.
constexpr std::uintmax_t kMaxSamplesFile = 64ull << 20;

bool fail(const std::string& message) {
  std::cerr << "zktrack: " << message << "\n";
  return false;
}

template <class T>
std::optional<T> wholeNumber(std::string_view text) {
  T v{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return v;
}

std::string trim(const std::string& s) {
  const auto a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

// The rows of a samples file: a header line, then seconds_since_up (or a moment),
// received, sent.
bool readSamples(const std::string& path, Epoch up, const prandel::core::LocalClock& clock,
                 std::vector<prandel::core::ByteSample>& out) {
  const SmallFile f = readSmallFile(path, kMaxSamplesFile);
  using Fault = SmallFile::Fault;
  switch (f.fault) {
    case Fault::None: break;
    case Fault::Missing: return fail("cannot read " + path + ": " + std::strerror(f.error));
    case Fault::TooBig: return fail(path + " is larger than 64 MiB");
    case Fault::NotRegular: return fail(path + " is no regular file");
    default: return fail("cannot read " + path);
  }
  std::istringstream in(f.text);
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    if (n == 1) continue;  // the header
    line = trim(line);
    if (line.empty()) continue;
    std::vector<std::string> cells;
    std::istringstream row(line);
    for (std::string cell; std::getline(row, cell, ',');) cells.push_back(trim(cell));
    const std::string where = path + ":" + std::to_string(n) + ": ";
    if (cells.size() != 3) return fail(where + "a sample is three fields, seconds_since_up,received,sent");
    prandel::core::ByteSample s;
    if (const auto secs = wholeNumber<std::int64_t>(cells[0])) {
      if (*secs < 0 || *secs > prandel::core::kMaxCallSeconds) return fail(where + "seconds since the link came up out of range");
      s.at = up + *secs;
    } else if (const auto moment = parseLocalMoment(cells[0], clock)) {
      s.at = *moment;
    } else {
      return fail(where + "not a count of seconds or a moment: " + readable(cells[0]));
    }
    const auto received = wholeNumber<std::uint64_t>(cells[1]), sent = wholeNumber<std::uint64_t>(cells[2]);
    if (!received || !sent) return fail(where + "byte counts are whole numbers of 0 or more");
    s.received = *received;
    s.sent = *sent;
    out.push_back(s);
  }
  if (n == 0) return fail(path + " is empty (a header line, then seconds_since_up,received,sent)");
  return true;
}

}  // namespace

void addCallOptions(CLI::App& command, CallArguments& a) {
  command.add_option("--from", a.from, "When the link came up: yyyy-mm-dd hh:mm[:ss], or @SECONDS since 1970 (UTC)")
      ->type_name("WHEN")
      ->required();
  auto* to = command.add_option("--to", a.to, "When the call ended, as --from")->type_name("WHEN");
  auto* duration = command.add_option("--duration", a.duration, "How long the link was up: 45m, 2h, 1h30m, 90s, or seconds")
                       ->type_name("TIME");
  to->excludes(duration);
  command.add_option("--dial-start", a.dialStart, "When dialling began, as --from (unknown without it)")->type_name("WHEN");
  command.add_option("--connection", a.connection, "The connection's name (NetworkManager id or pppd peer)")->type_name("NAME");
  auto* down = command.add_option("--down", a.down, "Bytes received in the whole call")->type_name("BYTES");
  auto* up = command.add_option("--up", a.up, "Bytes sent in the whole call")->type_name("BYTES");
  auto* samples = command.add_option("--samples", a.samples,
                                     "The byte counters as CSV: a header line, then seconds_since_up (or a moment),received,sent")
                      ->type_name("FILE.csv");
  samples->excludes(down)->excludes(up);
}

std::optional<Epoch> parseLocalMoment(const std::string& text, const prandel::core::LocalClock& clock) {
  if (!text.empty() && text[0] == '@') return wholeNumber<std::int64_t>(std::string_view(text).substr(1));
  static const QRegularExpression form(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})[ T](\\d{2}):(\\d{2})(?::(\\d{2}))?$"));
  const auto m = form.match(QString::fromStdString(text));
  if (!m.hasMatch()) return std::nullopt;
  const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  const QTime t(m.captured(4).toInt(), m.captured(5).toInt(), m.hasCaptured(6) ? m.captured(6).toInt() : 0);
  if (!d.isValid() || !t.isValid()) return std::nullopt;
  return clock.fromWallClock(d, t);
}

std::optional<std::int64_t> parseDuration(const std::string& text) {
  if (const auto secs = wholeNumber<std::int64_t>(text)) return secs;
  static const QRegularExpression form(QStringLiteral("^(?:(\\d{1,4})h)?(?:(\\d{1,6})m)?(?:(\\d{1,8})s)?$"));
  const auto m = form.match(QString::fromStdString(text));
  if (text.empty() || !m.hasMatch()) return std::nullopt;
  return m.captured(1).toLongLong() * 3600 + m.captured(2).toLongLong() * 60 + m.captured(3).toLongLong();
}

std::optional<ParsedCall> parseCall(const CallArguments& a, const prandel::core::LocalClock& clock) {
  ParsedCall p;
  auto& call = p.call;
  const auto moment = [&](const std::string& text, const char* option) -> std::optional<Epoch> {
    const auto t = parseLocalMoment(text, clock);
    if (!t) fail(std::string("not a moment for ") + option + ": " + readable(text) + " (use yyyy-mm-dd hh:mm[:ss] or @SECONDS)");
    return t;
  };
  const auto up = moment(a.from, "--from");
  if (!up) return std::nullopt;
  call.up = *up;
  if (!a.to.empty()) {
    const auto end = moment(a.to, "--to");
    if (!end) return std::nullopt;
    call.end = *end;
  } else if (!a.duration.empty()) {
    const auto secs = parseDuration(a.duration);
    if (!secs) {
      fail("not a duration: " + readable(a.duration) + " (use 45m, 2h, 1h30m, 90s or seconds)");
      return std::nullopt;
    }
    call.end = call.up + *secs;
  } else {
    fail("say when the call ended: --to or --duration");
    return std::nullopt;
  }
  if (call.end <= call.up) {
    fail(call.end < call.up ? "the call ends before its link came up" : "the call lasted no time");
    return std::nullopt;
  }
  if (call.end - call.up > prandel::core::kMaxCallSeconds) {
    fail("a call of more than 31 days");
    return std::nullopt;
  }
  if (!a.dialStart.empty()) {
    const auto t0 = moment(a.dialStart, "--dial-start");
    if (!t0) return std::nullopt;
    if (*t0 > call.up) {
      fail("dialling began after the link came up");
      return std::nullopt;
    }
    call.dialStart = t0;
  }
  call.connection = a.connection;
  if (!a.samples.empty()) {
    if (!readSamples(a.samples, call.up, clock, call.samples)) return std::nullopt;
  } else if (!a.down.empty() || !a.up.empty()) {
    for (const auto& [text, option, into] : {std::tuple{&a.down, "--down", &p.received}, std::tuple{&a.up, "--up", &p.sent}}) {
      if (text->empty()) continue;
      const auto bytes = wholeNumber<std::uint64_t>(*text);
      if (!bytes || *bytes > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        fail(std::string("not a count of bytes for ") + option + ": " + readable(*text));
        return std::nullopt;
      }
      *into = *bytes;
    }
    p.totals = true;
    call.samples = prandel::core::evenSamples(call.up, call.end, p.received, p.sent);
  }
  return p;
}

}  // namespace zktrack
