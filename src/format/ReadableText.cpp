// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/ReadableText.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <cmath>
#include <cstdio>

#include "core/ConditionTexts.h"
#include "core/EnglishNames.h"
#include "store/Codec.h"

namespace prandel::format {

namespace {

std::string qs(const QString& s) { return s.toStdString(); }

// Day and time of a minute of the week counted from Sunday 00:00.
std::string weekMinute(long long minute) {
  if (minute < 0 || minute >= 7 * 1440) return "minute " + std::to_string(minute) + " of the week (out of range)";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s %02lld:%02lld", kWeekdayNames[static_cast<std::size_t>(minute / 1440)], minute % 1440 / 60, minute % 60);
  return buf;
}

// An item of a list without its access-key ampersand.
std::string itemText(const char* item) {
  std::string out;
  for (const char* p = item; *p; ++p)
    if (*p != '&') out.push_back(*p);
  return out;
}
}  // namespace

std::int64_t fieldInteger(std::span<const std::uint8_t> bytes, const store::FieldInfo& f) {
  using store::FieldType;
  switch (f.type) {
    case FieldType::Integer:
    case FieldType::Boolean: return store::getInt16(bytes, f.offset);
    case FieldType::Long: return store::getInt32(bytes, f.offset);
    case FieldType::Byte: return store::getByte(bytes, f.offset);
    default: return 0;
  }
}

std::vector<bool> fieldFlags(std::span<const std::uint8_t> bytes, const store::FieldInfo& f) {
  std::vector<bool> out;
  for (std::size_t i = 0; i + 1 < f.width; i += 2) out.push_back(store::getBool(bytes, f.offset + i));
  return out;
}

std::string fieldHex(std::span<const std::uint8_t> bytes, const store::FieldInfo& f) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < f.width; ++i) {
    const auto b = bytes[f.offset + i];
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string readable(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0) {
      out.push_back(' ');  // zero bytes are the padding of a fresh file
    } else if (c < 0x20 || c == 0x7F) {
      out.push_back('?');
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      out.push_back('?');  // a C1 control
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return store::trimSpaces(out);
}

// Appended piece by piece: GCC 12 takes "..." + std::string&& for an overlapping copy (-Wrestrict).
std::string quoted(const std::string& text) {
  std::string out(1, '"');
  out += readable(text);
  out += '"';
  return out;
}

std::string plural(long long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string number(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

std::string money(const std::string& currency, double v) {
  std::string amount;
  if (std::isfinite(v) && std::fabs(v) < 1e15) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.2f", std::fabs(v) < 0.005 ? 0.0 : v);  // no "-0.00"
    amount = buf;
  } else {
    amount = number(v);
  }
  const std::string cur = readable(currency);
  return cur.empty() ? amount : cur + " " + amount;
}

std::string dayText(const QDate& d) { return qs(d.toString(QStringLiteral("yyyy-MM-dd"))); }

std::string dateText(double d) {
  const auto date = Regional::datePart(d);
  return date ? dayText(*date) : "invalid date (" + number(d) + ")";
}

std::string timeText(double d) {
  const auto t = Regional::timePart(d);
  return t ? qs(t->toString(QStringLiteral("HH:mm:ss"))) : "invalid time (" + number(d) + ")";
}

std::string dateTimeText(double d) {
  if (!Regional::isValidDate(d)) return "invalid (" + number(d) + ")";
  const double r = Regional::roundToSecond(d);
  if (r >= 0 && r < 1) return timeText(r);
  if (r == std::floor(r)) return dateText(r);
  return dateText(r) + " " + timeText(r);
}

std::string secondsText(double secs) {
  if (!std::isfinite(secs) || std::fabs(secs) > 1e12) return number(secs) + " s";
  const auto total = static_cast<long long>(std::llround(std::fabs(secs)));
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld", secs < 0 && total > 0 ? "-" : "", total / 3600, total / 60 % 60,
                total % 60);
  return buf;
}

std::string weekDaysText(const std::vector<bool>& days) {
  std::string out;
  for (std::size_t d = 0; d < days.size() && d < 7; ++d)
    if (days[d]) out += (out.empty() ? "" : ", ") + std::string(kWeekdayNames[d]);
  return out.empty() ? "none" : out;
}

const Regional& userRegional() {
  // Read only: built once, shared by every caller (and thread).
  static const Regional regional{QLocale::system()};
  return regional;
}

std::string amountShown(double amount, const store::MainRecord& main, const Regional& r) {
  return readable(qs(prandel::money(r, main, amount)));
}

std::vector<std::string> conditionDescription(const store::ExpenseCondition& c, const store::MainRecord& main,
                                              const Regional& r) {
  std::vector<std::string> lines;
  for (const auto& line : describeCondition(r, main, c))
    if (line) lines.push_back(readable(qs(*line)));
  return lines;
}

std::string holidayLine(const store::HolidayRecord& h) { return dateText(h.HoliDate) + " " + readable(h.HoliName); }

std::string bookmarkLine(const Bookmark& b) {
  std::string line = std::to_string(b.recNo) + ": " + quoted(b.rec.BmName);
  if (const std::string more = readable(b.rec.BmNameMore); !more.empty()) line += " (more: \"" + more + "\")";
  return line + " -> " + readable(b.rec.BmLink);
}

std::string fieldLabel(const store::FieldInfo& f) { return f.label ? f.label : f.name; }

std::string fieldValue(std::span<const std::uint8_t> bytes, const store::FieldInfo& f) {
  using store::FieldType;
  using store::Meaning;
  const bool isDouble = f.type == FieldType::Double || f.type == FieldType::Date;
  const double d = isDouble ? store::getDouble(bytes, f.offset) : 0.0;
  switch (f.meaning) {
    case Meaning::Flag: return fieldInteger(bytes, f) != 0 ? "yes" : "no";
    case Meaning::Choice: {
      const auto i = fieldInteger(bytes, f);
      if (i >= 0 && static_cast<std::size_t>(i) < f.items.size()) return itemText(f.items[static_cast<std::size_t>(i)]);
      return "unknown (" + std::to_string(i) + ")";
    }
    case Meaning::Seconds: return secondsText(d);
    case Meaning::DayFraction: return timeText(d);
    case Meaning::SecondsOfDay: {
      if (!std::isfinite(d) || d < 0 || d >= 86400) return "invalid time (" + number(d) + " s)";
      const auto secs = static_cast<long long>(std::llround(d));
      char buf[16];
      std::snprintf(buf, sizeof buf, "%02lld:%02lld", secs / 3600 % 24, secs / 60 % 60);
      return buf;
    }
    case Meaning::Date: return d == 0 ? "none" : dateText(d);
    case Meaning::Text: return quoted(store::getText(bytes, f.offset, f.width));
    case Meaning::Weekdays: return weekDaysText(fieldFlags(bytes, f));
    case Meaning::Numbered: {
      std::string out;
      const auto on = fieldFlags(bytes, f);
      for (std::size_t i = 1; i < on.size(); ++i)
        if (on[i]) {
          if (!out.empty()) out += ' ';  // piece by piece, for GCC 12's -Wrestrict as above
          out += std::to_string(i);
        }
      return out.empty() ? "none" : out;
    }
    case Meaning::Money: return money("", d);
    case Meaning::MinuteOfWeek: return weekMinute(fieldInteger(bytes, f));
    case Meaning::Unused: return fieldHex(bytes, f);
    case Meaning::Number: break;
  }
  if (isDouble) return number(d);
  if (f.type == FieldType::Text) return quoted(store::getText(bytes, f.offset, f.width));
  if (f.type == FieldType::Bytes || f.type == FieldType::BoolArray) return fieldHex(bytes, f);
  return std::to_string(fieldInteger(bytes, f));
}

}  // namespace prandel::format
