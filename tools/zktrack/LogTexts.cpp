// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogTexts.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <limits>

#include "core/Regional.h"
#include "store/RecordIO.h"

namespace zktrack {

using prandel::tracker::CallLog;

std::string MoneyStyle::number(double v, int decimals) const {
  if (!std::isfinite(v)) return zktrack::number(v);
  char buf[64];
  const double shown = std::fabs(v) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : v;  // no "-0.00"
  std::snprintf(buf, sizeof buf, "%.*f", decimals, shown);
  std::string text = buf;
  if (decimal != u'.') {
    const std::string mark = QString(decimal).toStdString();
    if (const auto dot = text.find('.'); dot != std::string::npos) text.replace(dot, 1, mark);
  }
  return text;
}

std::string MoneyStyle::money(double v) const {
  const std::string amount = number(v, 2);
  return currency.empty() ? amount : currency + " " + amount;
}

std::string MoneyStyle::bytes(std::uint64_t n) const {
  if (n < 1024) return std::to_string(n) + " B";
  const char* units[] = {"KB", "MB", "GB", "TB"};
  double v = static_cast<double>(n) / 1024;
  int u = 0;
  while (v >= 1024 && u < 3) {
    v /= 1024;
    ++u;
  }
  return number(v, v < 10 ? 2 : (v < 100 ? 1 : 0)) + " " + units[u];
}

MoneyStyle moneyStyleOf(const store::MainRecord& main) {
  MoneyStyle s;
  s.currency = readable(main.CurSymbol);
  if (main.CommaDecimal) s.decimal = u',';
  else {
    const QString sep = prandel::Regional().decimalSeparator();
    s.decimal = sep.isEmpty() ? QChar(u'.') : sep.front();
  }
  return s;
}

store::MainRecord readMainRecord(const std::string& folder) {
  store::MainRecord main;
  if (!recordsIn(folder)) return main;
  store::DataFiles files;
  files.openAllForReading(folder);
  if (files.isOpen(store::MainRecord::Channel)) store::MainRecIO(files, main, false);
  return main;
}

bool openLogForReading(const std::string& folder, CallLog& log, bool& none, std::string& error) {
  none = false;
  if (!CallLog::existsIn(folder)) {
    if (!std::filesystem::is_directory(folder)) {
      error = "no data folder " + folder;
      return false;
    }
    none = true;
    return false;
  }
  if (!log.open(folder, CallLog::Access::Read)) {
    error = "cannot read the session log: " + log.error();
    return false;
  }
  return true;
}

std::string noCallsYet(const std::string& folder) { return "No calls logged yet in " + folder; }

bool openLogForWriting(const std::string& folder, CallLog& log, std::string& error) {
  if (!std::filesystem::is_directory(folder)) {
    error = "no data folder " + folder;
    return false;
  }
  if (!log.open(folder, CallLog::Access::Write)) {
    error = "cannot write the session log: " + log.error();
    return false;
  }
  return true;
}

std::string localMoment(Epoch t) {
  return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

std::string isoMoment(Epoch t) {
  return QDateTime::fromSecsSinceEpoch(t).toOffsetFromUtc(QDateTime::fromSecsSinceEpoch(t).offsetFromUtc())
      .toString(Qt::ISODate)
      .toStdString();
}

Epoch dayStart(const QDate& day) { return day.startOfDay().toSecsSinceEpoch(); }

bool daySpan(const std::string& from, const std::string& to, prandel::tracker::Span& span, std::string& error) {
  span = {std::numeric_limits<std::int64_t>::min() / 2, std::numeric_limits<std::int64_t>::max() / 2};
  std::optional<QDate> first, last;
  if (!from.empty() && !(first = parseDay(from))) {
    error = "not a day: " + readable(from) + " (use yyyy-mm-dd)";
    return false;
  }
  if (!to.empty() && !(last = parseDay(to))) {
    error = "not a day: " + readable(to) + " (use yyyy-mm-dd)";
    return false;
  }
  if (first && last && *last < *first) {
    error = "--to " + to + " lies before --from " + from;
    return false;
  }
  if (first) span.from = dayStart(*first);
  if (last) span.to = dayStart(last->addDays(1));
  return true;
}

namespace {

std::size_t width(const std::string& s) { return static_cast<std::size_t>(QString::fromStdString(s).toUcs4().size()); }

}  // namespace

void printTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& right,
                const std::string& indent) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], width(row[c]));
  }
  for (const auto& row : rows) {
    std::string line = indent;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const std::string pad(widths[c] - width(row[c]), ' ');
      const bool r = c < right.size() && right[c];
      if (c > 0) line += "  ";
      line += r ? pad + row[c] : row[c] + (c + 1 < row.size() ? pad : "");
    }
    out << line << "\n";
  }
}

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace zktrack
