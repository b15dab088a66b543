// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/Tariff.h"

#include <QDate>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <regex>
#include <set>
#include <sstream>
#include <toml++/toml.h>

#include "core/EnglishNames.h"
#include "core/HolidayList.h"
#include "format/ReadableText.h"
#include "store/Choices.h"
#include "store/Cp1252.h"

namespace prandel::format {

using store::ExpenseCondition;
namespace choices = store::choices;

namespace {

// --- Words ---------------------------------------------------------------------------

constexpr std::array<const char*, 4> kCharged = {"per hour", "per call", "per MB", "once"};
constexpr std::array<const char*, 8> kPeriods = {"every day", "weekday",  "month",    "period",
                                                 "holidays",  "weekdays", "weekends", "weekly"};
constexpr std::array<const char*, 4> kTimes = {"whole day", "between", "before", "after"};
constexpr std::array<const char*, 3> kTraffic = {"download + upload", "download only", "upload only"};

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The index of a word in a list, by its letters in any case.
template <std::size_t N>
std::optional<int> indexOf(const std::array<const char*, N>& words, const std::string& word) {
  for (std::size_t i = 0; i < N; ++i)
    if (lower(words[i]) == lower(word)) return static_cast<int>(i);
  return std::nullopt;
}

template <std::size_t N>
std::string oneOf(const std::array<const char*, N>& words) {
  std::string out;
  for (std::size_t i = 0; i < N; ++i) out += (i ? ", \"" : "\"") + std::string(words[i]) + "\"";
  return out;
}

// --- Writing ---------------------------------------------------------------------------

// A TOML basic string: quotes and backslashes escaped, control characters as \uXXXX.
std::string tomlString(const std::string& s) {
  std::string out = "\"";
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

// The shortest text that reads back as the same double, always with a decimal part.
std::string tomlNumber(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  std::string out(buf, ec == std::errc() ? end : buf);
  if (out.find_first_of(".e") == std::string::npos) out += ".0";
  return out;
}

std::string tomlDate(double d) {
  const auto date = Regional::datePart(d);
  if (!date) return tomlString("invalid date (" + number(d) + ")");
  return date->toString(QStringLiteral("yyyy-MM-dd")).toStdString();
}

// hh:mm of a time of day, with :ss when the seconds are not 0.
std::string clockText(double d, bool alwaysSeconds) {
  const auto t = Regional::timePart(d);
  if (!t || d < 0 || d >= 1) return "invalid time (" + number(d) + ")";
  const bool seconds = alwaysSeconds || t->second() != 0;
  return t->toString(seconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm")).toStdString();
}

std::string minuteOfWeekText(int minute) {
  if (minute < 0 || minute >= 7 * 1440) return "invalid (" + std::to_string(minute) + ")";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s %02d:%02d", kWeekdayNames[static_cast<std::size_t>(minute / 1440)],
                minute % 1440 / 60, minute % 60);
  return buf;
}

std::string rtrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

template <std::size_t N>
std::string itemOr(const std::array<const char*, N>& words, long long i) {
  if (i >= 0 && static_cast<std::size_t>(i) < N) return words[static_cast<std::size_t>(i)];
  return "unknown (" + std::to_string(i) + ")";
}

}  // namespace

std::string conditionTable(const ExpenseCondition& c) {
  std::ostringstream out;
  const auto line = [&out](const char* key, const std::string& value) { out << key << " = " << value << "\n"; };
  const int charged = c.AmtKind == 2 ? 3 : c.AmtKind == 3 ? 2 : c.PerCall ? 1 : 0;
  const bool timeBased = charged <= 1;
  line("amount", tomlNumber(c.Amt));
  line("charged", tomlString(kCharged[static_cast<std::size_t>(charged)]));
  if (charged == 2) line("traffic", tomlString(kTraffic[c.BwMode == 1 ? 1 : c.BwMode == 2 ? 2 : 0]));

  line("period", tomlString(itemOr(kPeriods, c.PerType)));
  switch (c.PerType) {
    case 1: line("weekday", tomlString(itemOr(kWeekdayNames, c.PerNum))); break;
    case 2: line("month", tomlString(itemOr(kMonthNames, c.PerNum))); break;
    case 3:
      line("period_from", tomlDate(c.PerStart));
      line("period_to", tomlDate(c.PerEnd));
      break;
    case 7:
      line("period_from", tomlString(minuteOfWeekText(c.WkStart)));
      line("period_to", tomlString(minuteOfWeekText(c.WkEnd)));
      line("include_holidays", c.InclHoli ? "true" : "false");
      break;
    default: break;
  }
  // A weekly period holds its own times.
  if (c.PerType != 7) {
    line("time", tomlString(itemOr(kTimes, c.TimeType)));
    if (c.TimeType == 1 || c.TimeType == 3) line("time_from", tomlString(clockText(c.TimeStart, false)));
    if (c.TimeType == 1) line("time_to", tomlString(clockText(c.TimeEnd, false)));
    if (c.TimeType == 2) line("time_to", tomlString(clockText(c.TimeStart, false)));
  }
  if (timeBased && c.InCall) line("initial_cost", tomlNumber(c.InCallAmt));
  if (timeBased && c.InTimeOn) line("initial_time", tomlString(clockText(c.InTime, true)));
  if (charged == 1 && c.CustCall) line("call_time", tomlString(clockText(c.CallTime, true)));
  if (charged == 1 && c.IspOn == 12) line("other_isp_charge", tomlNumber(c.IspAmt));
  if (c.ConVal) line("connection", tomlString(rtrim(c.ConNm)));
  if (c.CondItem != 0) {
    const int counter = c.CondItem - 1;
    std::string value;
    if (choices::isTimeCounter(counter)) {
      if (std::isfinite(c.CondVal) && std::fabs(c.CondVal) < 1e12) {
        const auto secs = static_cast<long long>(std::llround(c.CondVal));
        char buf[48];
        std::snprintf(buf, sizeof buf, "%02lld:%02lld", secs / 3600, std::llabs(secs) / 60 % 60);
        value = tomlString(buf);
      } else {
        value = tomlString("invalid (" + number(c.CondVal) + ")");
      }
    } else {
      value = tomlNumber(c.CondVal);
    }
    line("filter", "{ counter = " + tomlString(itemOr(choices::kFilterCounters, counter)) +
                       ", comparison = " + tomlString(itemOr(choices::kFilterComparisons, c.CondCmp)) +
                       ", value = " + value + " }");
  }
  return out.str();
}

std::string writeTariff(const FolderRecords& r, TariffPart part, const std::string& guide) {
  const bool conditions = part != TariffPart::Holidays;
  const bool holidays = part != TariffPart::Conditions;
  std::ostringstream out;
  out << "# Zelkora tariff file, written by zktrack export; zktrack import reads it back.\n"
      << "# Amounts are in the tracker's currency, " << readable(r.main.CurSymbol) << ".\n"
      << "# Every key is described in " << guide << ".\n";
  std::vector<const ExpenseCondition*> used;
  for (const auto& c : r.live)
    if (c.InUse) used.push_back(&c);
  // Keys of the document itself come before its tables.
  if (holidays) {
    std::string days;
    for (std::size_t d = 0; d < 7; ++d)
      if (r.main.WeekOff[d]) days += (days.empty() ? "" : ", ") + tomlString(kWeekdayNames[d]);
    out << "days_off = [" << days << "]\n";
    if (r.holidays.empty()) out << "holiday = []\n";
  }
  if (conditions && used.empty()) out << "condition = []\n";

  if (conditions) {
    for (const ExpenseCondition* c : used) {
      out << "\n";
      for (const auto& l : conditionDescription(*c, r.main)) out << "# " << l << "\n";
      out << "[[condition]]\n" << conditionTable(*c);
    }
  }
  if (holidays) {
    for (const auto& h : r.holidays) {
      out << "\n[[holiday]]\n"
          << "date = " << tomlDate(h.HoliDate) << "\n";
      const std::string name = rtrim(h.HoliName);
      if (!name.empty()) out << "description = " << tomlString(name) << "\n";
    }
  }
  return out.str();
}

// --- Reading ---------------------------------------------------------------------------

namespace {

int lineOf(const toml::node& n) { return static_cast<int>(n.source().begin.line); }

// Reads the keys of one table, each checked for its kind and turned into panel values.
class Reader {
 public:
  Reader(const std::string& name, const Regional& notation) : name_(name), notation_(notation) {}

  const std::string& error() const { return error_; }

  bool fail(int line, const std::string& message) {
    error_ = name_ + ":" + std::to_string(line) + ": " + message;
    return false;
  }

  bool text(const toml::node& n, const char* key, std::string& out) {
    const auto* v = n.as_string();
    if (!v) return fail(lineOf(n), std::string(key) + " must be a text in quotes");
    out = v->get();
    return fitsCodePage(n, key, out);
  }

  bool fitsCodePage(const toml::node& n, const char* key, const std::string& value) {
    const auto bytes = store::utf8ToCp1252(value);
    if (store::cp1252ToUtf8(bytes) != value)
      return fail(lineOf(n), std::string(key) + " holds a character the tracker's files cannot hold (they are Windows-1252)");
    return true;
  }

  // A text that someone types into a window's box: a name or a description. A line
  // break, a tab or a NUL cannot be typed there, and a connection named with one could
  // never be chosen in the expense window again.
  bool typedText(const toml::node& n, const char* key, std::string& out, const char* window) {
    if (!text(n, key, out)) return false;
    for (const char32_t c : QString::fromStdString(out).toStdU32String()) {
      if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
        return fail(lineOf(n), std::string(key) + " holds a control character (" + code + "), which the " + window +
                                   " cannot take");
      }
    }
    return true;
  }

  // A number of the file as the text a panel box would hold. An amount box takes
  // digits and a decimal mark only, so -0.0, which reads as 0 but is stored with its
  // sign, is no amount.
  bool numberBox(const toml::node& n, const char* key, QString& out, bool amount = false) {
    if (const auto* i = n.as_integer()) {
      out = QString::number(i->get());
    } else if (const auto* f = n.as_floating_point()) {
      if (amount && f->get() == 0 && std::signbit(f->get()))
        return fail(lineOf(n), std::string(key) + " is a negative zero, which the expense window cannot take; write 0");
      out = QString::fromStdString(tomlNumber(f->get()));
      if (out.endsWith(QStringLiteral(".0"))) out.chop(2);
    } else {
      return fail(lineOf(n), std::string(key) + " must be a number");
    }
    return true;
  }

  // A time as a panel box would hold it: a time of day "hh:mm", which is all the
  // expense window shows and takes, or a duration "hh:mm:ss" (or "mm:ss"); its range
  // is the editor's to judge.
  bool clockBox(const toml::node& n, const char* key, QString& out, bool seconds) {
    std::string t;
    if (!text(n, key, t)) return false;
    static const std::regex kClock(R"(\d{1,2}:\d{2})");
    static const std::regex kDuration(R"(\d{1,2}:\d{2}(:\d{2})?)");
    if (!seconds && std::regex_match(t, kDuration) && !std::regex_match(t, kClock))
      return fail(lineOf(n), std::string(key) + " must be a time hh:mm, without seconds (the expense window takes none), not \"" +
                                 t + "\"");
    if (!std::regex_match(t, seconds ? kDuration : kClock))
      return fail(lineOf(n), std::string(key) + " must be a time " + (seconds ? "hh:mm:ss" : "hh:mm") + ", not \"" + t + "\"");
    out = QString::fromStdString(t);
    return true;
  }

  // The hours and minutes of a time filter's value, as its two boxes hold them. The
  // hours box takes up to four digits and the minutes box no number past 59; text
  // that is no number at all is the editor's to report.
  bool filterTime(const toml::node& n, const std::string& v, QString& hours, QString& minutes) {
    const auto colon = v.find(':');
    const std::string h = v.substr(0, colon);
    const std::string m = colon == std::string::npos ? std::string() : v.substr(colon + 1);
    const auto digits = [](const std::string& part) {
      return !part.empty() && std::all_of(part.begin(), part.end(), [](unsigned char c) { return std::isdigit(c); });
    };
    const auto notWhole = [&](const std::string& part) {
      const auto number = notation_.parseNumber(QString::fromStdString(part));
      return !part.empty() && !digits(part) && number && *number >= 0;
    };
    // Capped, so that any number of digits is counted without overflow.
    const auto value = [](const std::string& part) {
      long long out = 0;
      for (const char c : part) out = std::min<long long>(out * 10 + (c - '0'), 1000000);
      return out;
    };
    const std::string shown = "\"" + v + "\"";
    if (notWhole(h) || notWhole(m))
      return fail(lineOf(n), "value of a time counter must be whole hours and minutes, as \"02:30\", not " + shown);
    if (digits(h) && value(h) > 9999)
      return fail(lineOf(n), "value has more than 9999 hours, the most the expense window takes: " + shown);
    if (digits(m) && value(m) > 59)
      return fail(lineOf(n), "value has more than 59 minutes: " + shown);
    hours = QString::fromStdString(h);
    minutes = colon == std::string::npos ? QString() : QString::fromStdString(m);
    return true;
  }

  template <std::size_t N>
  bool word(const toml::node& n, const char* key, const std::array<const char*, N>& words, int& out) {
    std::string t;
    if (!text(n, key, t)) return false;
    const auto i = indexOf(words, t);
    if (!i) return fail(lineOf(n), std::string(key) + " must be one of " + oneOf(words) + ", not \"" + t + "\"");
    out = *i;
    return true;
  }

  bool date(const toml::node& n, const char* key, QDate& out) {
    const auto* d = n.as_date();
    if (!d) return fail(lineOf(n), std::string(key) + " must be a date yyyy-mm-dd (without quotes)");
    out = QDate(d->get().year, d->get().month, d->get().day);
    if (!out.isValid()) return fail(lineOf(n), std::string(key) + " is no date");
    return true;
  }

  bool readCondition(const toml::table& t, TariffCondition& out);
  bool readHoliday(const toml::table& t, TariffHoliday& out);

 private:
  struct ConditionKeys;
  // A condition's parts, in the order the editor's panel reads them; each says the
  // first thing wrong in its part.
  bool readConditionKeys(const toml::table& t, ConditionKeys& keys);
  bool meaningless(const ConditionKeys& keys, const char* key, const std::string& why);
  bool readCharge(ConditionKeys& keys);
  bool readPeriod(ConditionKeys& keys);
  bool readWeeklyPeriod(ConditionKeys& keys);
  bool readTimeOfDay(ConditionKeys& keys);
  bool readExtras(ConditionKeys& keys);
  bool readFilter(ConditionKeys& keys);

  std::string name_;
  const Regional& notation_;
  std::string error_;
};

std::string source(const std::string& key, const toml::node& n) {
  std::ostringstream out;
  out << key << " = ";
  if (n.is_table()) {
    out << "{ ... }";
  } else if (const auto* str = n.as_string()) {
    out << tomlString(str->get());
  } else if (const auto* f = n.as_floating_point()) {
    out << tomlNumber(f->get());
  } else {
    n.visit([&out](auto&& v) { out << v; });
  }
  return out.str();
}

// The keys of one condition table and the condition they fill, with where each of its
// panel's fields came from (line and source text, for the messages of the rule check).
struct Reader::ConditionKeys {
  std::map<std::string, const toml::node*> nodes;
  TariffCondition& out;

  bool has(const char* key) const { return nodes.count(key) != 0; }
  const toml::node& operator[](const char* key) const { return *nodes.at(key); }
  void from(PanelField f, const std::string& key) {
    out.lines[f] = lineOf(*nodes.at(key));
    out.sources[f] = source(key, *nodes.at(key));
  }
};

std::string chargedWhy(const ConditionPanel& p) {
  return std::string("a condition charged ") + kCharged[static_cast<std::size_t>(p.amountItem)];
}

bool Reader::readCondition(const toml::table& t, TariffCondition& out) {
  ConditionKeys keys{{}, out};
  if (!readConditionKeys(t, keys)) return false;
  out.line = lineOf(t);
  return readCharge(keys) && readPeriod(keys) && readTimeOfDay(keys) && readExtras(keys) && readFilter(keys);
}

bool Reader::readConditionKeys(const toml::table& t, ConditionKeys& keys) {
  static const std::set<std::string> kKeys = {
      "amount",     "charged",   "traffic",      "period",           "weekday",    "month",
      "period_from", "period_to", "include_holidays", "time",        "time_from",  "time_to",
      "initial_cost", "initial_time", "call_time", "other_isp_charge", "connection", "filter"};
  for (auto&& [k, v] : t) {
    if (!kKeys.count(std::string(k.str())))
      return fail(static_cast<int>(k.source().begin.line), "unknown key " + std::string(k.str()) + " in a condition");
    keys.nodes[std::string(k.str())] = &v;
  }
  return true;
}

// A key that means nothing for what the condition is: a mistake worth saying (true when
// it was said).
bool Reader::meaningless(const ConditionKeys& keys, const char* key, const std::string& why) {
  return keys.has(key) ? !fail(lineOf(keys[key]), std::string(key) + " has no meaning for " + why) : false;
}

// The amount, what it is charged by and, charged by traffic, which traffic.
bool Reader::readCharge(ConditionKeys& keys) {
  ConditionPanel& p = keys.out.panel;
  if (keys.has("amount")) {
    if (!numberBox(keys["amount"], "amount", p.amount, true)) return false;
    keys.from(PanelField::Amount, "amount");
  }
  if (keys.has("charged") && !word(keys["charged"], "charged", kCharged, p.amountItem)) return false;
  if (p.amountItem == 2) {
    if (keys.has("traffic") && !word(keys["traffic"], "traffic", kTraffic, p.trafficMode)) return false;
  } else if (meaningless(keys, "traffic", chargedWhy(p))) {
    return false;
  }
  return true;
}

// The period and what it needs: a weekday, a month, two dates or two times of the week.
bool Reader::readPeriod(ConditionKeys& keys) {
  ConditionPanel& p = keys.out.panel;
  const int line = keys.out.line;
  if (keys.has("period") && !word(keys["period"], "period", kPeriods, p.period)) return false;
  const std::string periodWhy = std::string("the period ") + kPeriods[static_cast<std::size_t>(p.period)];
  if (p.period == 1) {
    if (!keys.has("weekday")) return fail(line, "a condition of the period weekday needs weekday = \"Monday\" or another day");
    if (!word(keys["weekday"], "weekday", kWeekdayNames, p.periodNum)) return false;
  } else if (meaningless(keys, "weekday", periodWhy)) {
    return false;
  }
  if (p.period == 2) {
    if (!keys.has("month")) return fail(line, "a condition of the period month needs month = \"January\" or another month");
    if (!word(keys["month"], "month", kMonthNames, p.periodNum)) return false;
  } else if (meaningless(keys, "month", periodWhy)) {
    return false;
  }
  if (p.period == 3) {
    const std::pair<const char*, PanelField> ends[] = {{"period_from", PanelField::PeriodFrom},
                                                       {"period_to", PanelField::PeriodTo}};
    for (std::size_t i = 0; i < 2; ++i) {
      if (!keys.has(ends[i].first)) continue;
      QDate d;
      if (!date(keys[ends[i].first], ends[i].first, d)) return false;
      p.periodDates[i] = notation_.formatDate(Regional::fromDate(d), QStringLiteral("Short Date"));
      keys.from(ends[i].second, ends[i].first);
    }
  } else if (p.period == 7) {
    if (!readWeeklyPeriod(keys)) return false;
  } else {
    if (meaningless(keys, "period_from", periodWhy) || meaningless(keys, "period_to", periodWhy)) return false;
  }
  return p.period == 7 || !meaningless(keys, "include_holidays", periodWhy);
}

// A weekly period: a day and a time at each end, and whether holidays count.
bool Reader::readWeeklyPeriod(ConditionKeys& keys) {
  ConditionPanel& p = keys.out.panel;
  const std::pair<const char*, PanelField> ends[] = {{"period_from", PanelField::WeekTimeFrom},
                                                     {"period_to", PanelField::WeekTimeTo}};
  for (std::size_t i = 0; i < 2; ++i) {
    if (!keys.has(ends[i].first)) continue;
    const toml::node& n = keys[ends[i].first];
    std::string v;
    if (!text(n, ends[i].first, v)) return false;
    const auto blank = v.find(' ');
    const auto day = blank == std::string::npos ? std::nullopt : indexOf(kWeekdayNames, v.substr(0, blank));
    static const std::regex kClock(R"(\d{1,2}:\d{2})");
    if (!day || !std::regex_match(v.substr(blank + 1), kClock))
      return fail(lineOf(n), std::string(ends[i].first) + " of a weekly period must be a day and a time, as \"Sunday 09:30\", not \"" + v + "\"");
    p.weekDays[i] = *day;
    p.weekTimes[i] = QString::fromStdString(v.substr(blank + 1));
    keys.from(ends[i].second, ends[i].first);
  }
  if (keys.has("include_holidays")) {
    const auto* b = keys["include_holidays"].as_boolean();
    if (!b) return fail(lineOf(keys["include_holidays"]), "include_holidays must be true or false");
    p.includeHolidays = b->get();
  }
  return true;
}

// The time of day (none for a weekly period, whose ends hold the times).
bool Reader::readTimeOfDay(ConditionKeys& keys) {
  ConditionPanel& p = keys.out.panel;
  if (p.period == 7) {
    const std::string why = "a weekly period, whose period_from and period_to hold the times";
    return !(meaningless(keys, "time", why) || meaningless(keys, "time_from", why) || meaningless(keys, "time_to", why));
  }
  if (keys.has("time") && !word(keys["time"], "time", kTimes, p.timeKind)) return false;
  const std::string timeWhy = std::string("the time ") + kTimes[static_cast<std::size_t>(p.timeKind)];
  // Between fills both boxes; before names its end and after its start, each in the first box.
  const bool fromUsed = p.timeKind == 1 || p.timeKind == 3;
  const bool toUsed = p.timeKind == 1 || p.timeKind == 2;
  if (!fromUsed && meaningless(keys, "time_from", timeWhy)) return false;
  if (!toUsed && meaningless(keys, "time_to", timeWhy)) return false;
  if (fromUsed && keys.has("time_from")) {
    if (!clockBox(keys["time_from"], "time_from", p.times[0], false)) return false;
    keys.from(PanelField::TimeFrom, "time_from");
  }
  if (toUsed && keys.has("time_to")) {
    const std::size_t box = p.timeKind == 1 ? 1 : 0;
    if (!clockBox(keys["time_to"], "time_to", p.times[box], false)) return false;
    keys.from(box == 1 ? PanelField::TimeTo : PanelField::TimeFrom, "time_to");
  }
  return true;
}

// The ticked extras: initial cost and call time, a call time of its own, another ISP's
// charge, a connection.
bool Reader::readExtras(ConditionKeys& keys) {
  ConditionPanel& p = keys.out.panel;
  const std::string why = chargedWhy(p);
  const bool timeBased = p.amountItem <= 1;
  if (!timeBased && (meaningless(keys, "initial_cost", why) || meaningless(keys, "initial_time", why))) return false;
  if (p.amountItem != 1 && (meaningless(keys, "call_time", why) || meaningless(keys, "other_isp_charge", why)))
    return false;
  if (keys.has("initial_cost")) {
    p.initialOn = true;
    if (!numberBox(keys["initial_cost"], "initial_cost", p.initialAmount, true)) return false;
    keys.from(PanelField::InitialAmount, "initial_cost");
  }
  // Charged per hour, the expense window lets the initial call time be ticked only
  // while the initial cost is; per call, either alone.
  if (p.amountItem == 0 && keys.has("initial_time") && !keys.has("initial_cost"))
    return fail(lineOf(keys["initial_time"]),
                "initial_time of a condition charged per hour needs an initial_cost, as in the expense window");
  if (keys.has("initial_time")) {
    p.initialTimeOn = true;
    if (!clockBox(keys["initial_time"], "initial_time", p.initialTime, true)) return false;
    keys.from(PanelField::InitialTime, "initial_time");
  }
  if (keys.has("call_time")) {
    p.customCallTime = true;
    if (!clockBox(keys["call_time"], "call_time", p.callTime, true)) return false;
    keys.from(PanelField::CallTime, "call_time");
  }
  if (keys.has("other_isp_charge")) {
    p.ispOn = true;
    if (!numberBox(keys["other_isp_charge"], "other_isp_charge", p.ispAmount, true)) return false;
    keys.from(PanelField::IspAmount, "other_isp_charge");
  }
  if (keys.has("connection")) {
    std::string name;
    if (!typedText(keys["connection"], "connection", name, "expense window")) return false;
    if (store::utf8ToCp1252(name).size() > 20)
      return fail(lineOf(keys["connection"]), "connection is longer than 20 characters, the most the tracker keeps");
    p.connectionOn = true;
    p.connection = QString::fromStdString(name);
    keys.from(PanelField::Connection, "connection");
  }
  return true;
}

// The filter table: a counter, a comparison and a value (hours and minutes for a time).
bool Reader::readFilter(ConditionKeys& keys) {
  if (!keys.has("filter")) return true;
  ConditionPanel& p = keys.out.panel;
  const toml::node& fn = keys["filter"];
  const auto* ft = fn.as_table();
  if (!ft) return fail(lineOf(fn), "filter must be a table: { counter = \"...\", comparison = \"...\", value = ... }");
  p.filterOn = true;
  std::map<std::string, const toml::node*> sub;
  for (auto&& [k, v] : *ft) {
    const std::string key(k.str());
    if (key != "counter" && key != "comparison" && key != "value")
      return fail(static_cast<int>(k.source().begin.line), "unknown key " + key + " in a filter");
    sub[key] = &v;
  }
  for (const PanelField f : {PanelField::FilterCounter, PanelField::FilterComparison, PanelField::FilterHours,
                             PanelField::FilterMinutes, PanelField::FilterValue})
    keys.from(f, "filter");
  if (sub.count("counter") && !word(*sub["counter"], "counter", choices::kFilterCounters, p.filterCounter)) return false;
  if (sub.count("comparison") && !word(*sub["comparison"], "comparison", choices::kFilterComparisons, p.filterComparison))
    return false;
  if (sub.count("value")) {
    const toml::node& vn = *sub["value"];
    if (choices::isTimeCounter(p.filterCounter)) {
      // Hours and minutes, as the window's two boxes hold them; what is in each
      // is the editor's to judge.
      std::string v;
      if (!text(vn, "value", v)) return false;
      if (!filterTime(vn, v, p.filterHours, p.filterMinutes)) return false;
    } else if (!numberBox(vn, "value", p.filterValue)) {
      return false;
    }
  }
  return true;
}

bool Reader::readHoliday(const toml::table& t, TariffHoliday& out) {
  out.line = lineOf(t);
  const toml::node* date = nullptr;
  for (auto&& [k, v] : t) {
    const std::string key(k.str());
    if (key == "date") {
      date = &v;
    } else if (key == "description") {
      if (!typedText(v, "description", out.description, "holiday window")) return false;
      if (store::utf8ToCp1252(out.description).size() > 40)
        return fail(lineOf(v), "description is longer than 40 characters, the most the holiday list keeps");
    } else {
      return fail(static_cast<int>(k.source().begin.line), "unknown key " + key + " in a holiday");
    }
  }
  // The holiday editor's own word for a date that is not one.
  const std::string invalid = holidayFaultText(HolidayFault::InvalidDate).toStdString();
  const auto* d = date ? date->as_date() : nullptr;
  if (!d) return fail(date ? lineOf(*date) : out.line, invalid);
  const QDate qd(d->get().year, d->get().month, d->get().day);
  if (!qd.isValid()) return fail(lineOf(*date), invalid);
  // The holiday window takes no year before 100 (nor do the record's dates), and a
  // holiday stored there would be exported as no date at all.
  if (qd.year() < 100) return fail(lineOf(*date), invalid + ": the holiday list takes years from 100 on");
  out.date = Regional::fromDate(qd);
  return true;
}

}  // namespace

bool readTariff(const std::string& text, const std::string& name, const Regional& notation, Tariff& out,
                std::string& error) {
  if (text.size() > kMaxTariffBytes) {
    error = name + ": larger than 1 MiB; a tariff file is a few kilobytes";
    return false;
  }
  toml::table doc;
  try {
    doc = toml::parse(text, std::string_view(name));
  } catch (const toml::parse_error& e) {
    error = name + ":" + std::to_string(e.source().begin.line) + ":" + std::to_string(e.source().begin.column) +
            ": " + std::string(e.description());
    return false;
  }
  Reader reader(name, notation);
  const auto tables = [&](const toml::node& n, const char* key, auto&& each) {
    const auto* arr = n.as_array();
    if (!arr) return reader.fail(lineOf(n), std::string(key) + " must be a list of tables [[" + key + "]]");
    for (const auto& item : *arr) {
      const auto* t = item.as_table();
      if (!t) return reader.fail(lineOf(item), std::string(key) + " must be a list of tables [[" + key + "]]");
      if (!each(*t)) return false;
    }
    return true;
  };
  for (auto&& [k, v] : doc) {
    const std::string key(k.str());
    bool ok = true;
    if (key == "condition") {
      out.conditions.emplace();
      ok = tables(v, "condition", [&](const toml::table& t) {
        // More than the tracker holds is refused before any more is read.
        if (out.conditions->size() == ExpenseCondition::Slots)
          return reader.fail(lineOf(t), "more than 20 conditions; the tracker holds 20");
        TariffCondition c;
        if (!reader.readCondition(t, c)) return false;
        out.conditions->push_back(std::move(c));
        return true;
      });
    } else if (key == "holiday") {
      out.holidays.emplace();
      ok = tables(v, "holiday", [&](const toml::table& t) {
        if (holidayListFull(out.holidays->size()))
          return reader.fail(lineOf(t), holidayFaultText(HolidayFault::ListFull).toStdString());
        TariffHoliday h;
        if (!reader.readHoliday(t, h)) return false;
        out.holidays->push_back(std::move(h));
        return true;
      });
    } else if (key == "days_off") {
      const auto* arr = v.as_array();
      if (!arr) {
        ok = reader.fail(lineOf(v), "days_off must be a list of days, as [\"Saturday\", \"Sunday\"]");
      } else {
        out.daysOff.emplace();
        out.daysOff->fill(false);
        for (const auto& d : *arr) {
          int day = 0;
          if (!reader.word(d, "days_off", kWeekdayNames, day)) {
            ok = false;
            break;
          }
          (*out.daysOff)[static_cast<std::size_t>(day)] = true;
        }
      }
    } else {
      ok = reader.fail(static_cast<int>(k.source().begin.line),
                       "unknown key " + key + "; a tariff file holds condition, holiday and days_off");
    }
    if (!ok) {
      error = reader.error();
      return false;
    }
  }
  return true;
}

bool checkTariff(const Tariff& t, const std::string& name, const Regional& notation, const store::MainRecord& main,
                 std::string& error) {
  if (t.conditions) {
    for (const TariffCondition& c : *t.conditions) {
      ConditionPanel p = c.panel;
      adjustForSave(p);
      if (const PanelCheck check = Check_valid(notation, main, p); check != PanelCheck::Valid) {
        const PanelFault fault = panelFault(check);
        const auto line = c.lines.find(fault.field);
        const auto src = c.sources.find(fault.field);
        error = name + ":" + std::to_string(line != c.lines.end() ? line->second : c.line) + ": " +
                fault.message.toStdString() + (src != c.sources.end() ? " (" + src->second + ")" : std::string());
        return false;
      }
    }
  }
  if (t.holidays) {
    // Each holiday as if added to the list of those before it, as the holiday editor
    // adds them.
    std::vector<double> listed;
    for (const TariffHoliday& h : *t.holidays) {
      if (CheckDupliDate(listed, h.date)) {
        error = name + ":" + std::to_string(h.line) + ": " +
                holidayFaultText(HolidayFault::DuplicateDate).toStdString();
        return false;
      }
      listed.push_back(h.date);
    }
  }
  return true;
}

// --- Planning an import ----------------------------------------------------------------

ConditionPlan planConditions(const Regional& notation, const store::MainRecord& main, const FolderRecords& r,
                             const std::vector<TariffCondition>& conditions) {
  ConditionPlan plan;
  for (std::size_t i = 0; i < plan.records.size(); ++i) {
    const ExpenseCondition& live = i < r.live.size() ? r.live[i] : ExpenseCondition();
    ExpenseCondition next = live;
    const std::string slot = "condition " + std::to_string(i + 1);
    if (i < conditions.size()) {
      // As the editor saves a panel into a slot: cleared, in use, filled.
      ConditionPanel p = conditions[i].panel;
      adjustForSave(p);
      next.Clear_Profile();
      next.InUse = true;
      fillCondition(notation, main, p, next);
      if (live.InUse && conditionTable(next) == conditionTable(live)) {
        next = live;
      } else {
        std::string words;
        for (const auto& l : conditionDescription(next, main)) words += (words.empty() ? "" : "; ") + l;
        plan.changes.push_back((live.InUse ? "changed " : "added ") + slot + ": " + words);
      }
    } else if (live.InUse) {
      next.Clear_Profile();
      plan.changes.push_back("removed " + slot);
    }
    plan.records[i] = next;
  }
  return plan;
}

HolidayPlan planHolidays(const FolderRecords& r, const Tariff& t) {
  HolidayPlan plan;
  plan.weekOff = r.main.WeekOff;
  for (const auto& h : r.holidays) plan.days.push_back({h.HoliDate, rtrim(h.HoliName), 0});
  if (t.daysOff && *t.daysOff != r.main.WeekOff) {
    plan.weekOff = *t.daysOff;
    plan.changes.push_back("weekly days off: " + weekDaysText(std::vector<bool>(t.daysOff->begin(), t.daysOff->end())));
  }
  if (t.holidays) {
    // Holidays are the same when their dates and descriptions read the same.
    const auto same = [](const TariffHoliday& a, const TariffHoliday& b) {
      return a.date == b.date && rtrim(a.description) == rtrim(b.description);
    };
    const auto& next = *t.holidays;
    if (!std::equal(next.begin(), next.end(), plan.days.begin(), plan.days.end(), same)) {
      const auto missingFrom = [&](const std::vector<TariffHoliday>& from, const std::vector<TariffHoliday>& in) {
        return std::count_if(from.begin(), from.end(), [&](const TariffHoliday& h) {
          return std::none_of(in.begin(), in.end(), [&](const TariffHoliday& o) { return same(h, o); });
        });
      };
      plan.changes.push_back("holidays: " + std::to_string(next.size()) + " (" +
                             std::to_string(missingFrom(next, plan.days)) + " added, " +
                             std::to_string(missingFrom(plan.days, next)) + " removed)");
      plan.days = next;
    }
  }
  return plan;
}

std::vector<HolidayEntry> holidaysToSave(HolidayList current, const HolidayPlan& plan) {
  std::vector<HolidayEntry> entries;
  for (const TariffHoliday& h : plan.days) {
    const auto kept = std::find_if(current.entries.begin(), current.entries.end(), [&](const HolidayEntry& e) {
      return e.date == h.date && rtrim(e.name) == rtrim(h.description);
    });
    if (kept != current.entries.end()) {
      entries.push_back(*kept);
      current.entries.erase(kept);
    } else {
      entries.push_back({h.date, h.description, std::nullopt});
    }
  }
  return entries;
}

}  // namespace prandel::format
