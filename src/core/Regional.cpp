// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Regional.h"

#include <QList>
#include <QStringView>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

namespace prandel {
namespace {

constexpr int kSecondsPerDay = 86400;
// Day numbers of 0100-01-01 and 9999-12-31.
constexpr long long kFirstDay = -657434;
constexpr long long kLastDay = 2958465;

const QDate& epoch() {
  static const QDate e(1899, 12, 30);
  return e;
}

// Checked before any conversion to an integer type, so that NaN, infinities and
// huge values never reach a cast.
bool roughlyInRange(double d) {
  return std::isfinite(d) && d > static_cast<double>(kFirstDay - 1) && d < static_cast<double>(kLastDay + 1);
}

// A value split into its calendar day and its second of the day, rounded to the
// nearest second. The integer part toward zero is the day even for negative values,
// whose absolute fraction is the time (the old runtime's reading).
struct Moment {
  long long day;
  int seconds;
};

Moment splitRounded(double d) {
  const double whole = std::trunc(d);
  long long day = static_cast<long long>(whole);
  long long secs = std::llround(std::fabs(d - whole) * kSecondsPerDay);
  if (secs >= kSecondsPerDay) {
    ++day;
    secs -= kSecondsPerDay;
  }
  return {day, static_cast<int>(secs)};
}

std::optional<Moment> moment(double d) {
  if (!roughlyInRange(d)) return std::nullopt;
  const Moment m = splitRounded(d);
  if (m.day < kFirstDay || m.day > kLastDay) return std::nullopt;
  return m;
}

double compose(long long day, double fraction, bool negative) {
  const auto whole = static_cast<double>(day);
  return (day < 0 || (day == 0 && negative)) ? whole - fraction : whole + fraction;
}

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
int digitValue(QChar c) { return c.unicode() - u'0'; }

QString padded(long long n, int width) {
  return QString::number(n).rightJustified(width, QLatin1Char('0'));
}

// Qt numbers the week from Monday; the old runtime from Sunday.
int qtDayOfWeek(int weekday) { return weekday == 1 ? 7 : weekday - 1; }

// --- Format patterns ---------------------------------------------------------------

enum class Kind {
  Literal,
  DateSep,
  TimeSep,
  Day,
  DayName,
  Month,
  MonthName,
  Year,
  DayOfYear,
  Weekday,
  Quarter,
  Hour,
  Minute,
  Second,
  AmPm,
  ShortDate,
  LongDate,
  GeneralDate,
};

struct Token {
  Token(Kind k, int w = 1, bool f = false, QString t = {}, QString p = {})
      : kind(k), width(w), force24(f), text(std::move(t)), pm(std::move(p)) {}
  Kind kind;
  int width;     // digits, or 2 = abbreviated / 4 = full name, 4 = four-digit year
  bool force24;  // Qt's "H": 24-hour even beside AM/PM
  QString text;  // literal text, or the AM text
  QString pm;
};

void addLiteral(QList<Token>& out, const QString& text) {
  if (text.isEmpty()) return;
  if (!out.isEmpty() && out.last().kind == Kind::Literal)
    out.last().text += text;
  else
    out.append(Token(Kind::Literal, 1, false, text));
}

int runLength(const QString& p, qsizetype i, bool caseInsensitive) {
  const QChar c = caseInsensitive ? p[i].toLower() : p[i];
  qsizetype j = i;
  while (j < p.size() && (caseInsensitive ? p[j].toLower() : p[j]) == c) ++j;
  return static_cast<int>(j - i);
}

bool matchesAt(const QString& p, qsizetype i, QLatin1String what) {
  return QStringView(p).mid(i, what.size()).compare(what, Qt::CaseInsensitive) == 0;
}

// The old runtime's custom date patterns.
QList<Token> tokenizeVb(const QString& p, const QLocale& locale) {
  QList<Token> out;
  bool afterHour = false;  // "m" next to an hour is the minute
  qsizetype i = 0;
  while (i < p.size()) {
    const QChar c = p[i];
    const char16_t lc = c.toLower().unicode();
    if (c == QLatin1Char('"')) {
      const qsizetype end = p.indexOf(QLatin1Char('"'), i + 1);
      const qsizetype stop = end < 0 ? p.size() : end;
      addLiteral(out, p.mid(i + 1, stop - i - 1));
      i = stop + 1;
      continue;
    }
    if (c == QLatin1Char('\\')) {
      if (i + 1 < p.size()) addLiteral(out, p.mid(i + 1, 1));
      i += 2;
      continue;
    }
    if (c == QLatin1Char('/')) {
      out.emplace_back(Kind::DateSep);
      ++i;
      continue;
    }
    if (c == QLatin1Char(':')) {
      out.emplace_back(Kind::TimeSep);
      ++i;
      continue;
    }
    if (lc == u'a') {
      if (matchesAt(p, i, QLatin1String("am/pm"))) {
        out.emplace_back(Kind::AmPm, 1, false, p.mid(i, 2), p.mid(i + 3, 2));
        i += 5;
      } else if (matchesAt(p, i, QLatin1String("a/p"))) {
        out.emplace_back(Kind::AmPm, 1, false, p.mid(i, 1), p.mid(i + 2, 1));
        i += 3;
      } else if (matchesAt(p, i, QLatin1String("ampm"))) {
        out.emplace_back(Kind::AmPm, 1, false, locale.amText(), locale.pmText());
        i += 4;
      } else {
        addLiteral(out, p.mid(i, 1));
        ++i;
      }
      afterHour = false;
      continue;
    }
    const int n = (lc == u'd' || lc == u'm' || lc == u'y' || lc == u'h' || lc == u'n' || lc == u's' ||
                   lc == u'w' || lc == u'q' || lc == u'c')
                      ? runLength(p, i, true)
                      : 0;
    if (n == 0) {
      addLiteral(out, p.mid(i, 1));
      ++i;
      continue;
    }
    bool hour = false;
    switch (lc) {
      case u'd':
        if (n <= 2) out.emplace_back(Kind::Day, n);
        else if (n <= 4) out.emplace_back(Kind::DayName, n == 3 ? 2 : 4);
        else out.emplace_back(n == 5 ? Kind::ShortDate : Kind::LongDate);
        break;
      case u'm':
        if (n <= 2 && afterHour) out.emplace_back(Kind::Minute, n);
        else if (n <= 2) out.emplace_back(Kind::Month, n);
        else out.emplace_back(Kind::MonthName, n == 3 ? 2 : 4);
        break;
      case u'y':
        if (n == 1) out.emplace_back(Kind::DayOfYear);
        else out.emplace_back(Kind::Year, n == 2 ? 2 : 4);
        break;
      case u'h':
        out.emplace_back(Kind::Hour, std::min(n, 2));
        hour = true;
        break;
      case u'n': out.emplace_back(Kind::Minute, std::min(n, 2)); break;
      case u's': out.emplace_back(Kind::Second, std::min(n, 2)); break;
      case u'w': out.emplace_back(Kind::Weekday); break;
      case u'q': out.emplace_back(Kind::Quarter); break;
      default: out.emplace_back(Kind::GeneralDate); break;
    }
    afterHour = hour;
    i += n;
  }
  return out;
}

// Qt's date and time patterns (the locale's own formats), whose separators are
// already the locale's and therefore literal.
QList<Token> tokenizeQt(const QString& p, const QLocale& locale) {
  QList<Token> out;
  qsizetype i = 0;
  while (i < p.size()) {
    const QChar c = p[i];
    if (c == QLatin1Char('\'')) {
      qsizetype j = i + 1;
      QString text;
      while (j < p.size()) {
        if (p[j] == QLatin1Char('\'')) {
          if (j + 1 < p.size() && p[j + 1] == QLatin1Char('\'')) {
            text += QLatin1Char('\'');
            j += 2;
            continue;
          }
          break;
        }
        text += p[j++];
      }
      // '' outside quotes is one quote.
      addLiteral(out, j == i + 1 ? QStringLiteral("'") : text);
      i = j + 1;
      continue;
    }
    const int n = runLength(p, i, false);
    switch (c.unicode()) {
      case u'd':
        if (n <= 2) out.emplace_back(Kind::Day, n);
        else out.emplace_back(Kind::DayName, n == 3 ? 2 : 4);
        break;
      case u'M':
        if (n <= 2) out.emplace_back(Kind::Month, n);
        else out.emplace_back(Kind::MonthName, n == 3 ? 2 : 4);
        break;
      case u'y': out.emplace_back(Kind::Year, n == 2 ? 2 : 4); break;
      case u'h': out.emplace_back(Kind::Hour, std::min(n, 2)); break;
      case u'H': out.emplace_back(Kind::Hour, std::min(n, 2), true); break;
      case u'm': out.emplace_back(Kind::Minute, std::min(n, 2)); break;
      case u's': out.emplace_back(Kind::Second, std::min(n, 2)); break;
      case u'z':
      case u't': break;  // no milliseconds or time zones in these values
      case u'A':
      case u'a': {
        const bool upper = c == QLatin1Char('A');
        const int len = (i + 1 < p.size() && (p[i + 1] == QLatin1Char('P') || p[i + 1] == QLatin1Char('p'))) ? 2 : 1;
        out.emplace_back(Kind::AmPm, 1, false, upper ? locale.amText().toUpper() : locale.amText().toLower(),
                         upper ? locale.pmText().toUpper() : locale.pmText().toLower());
        i += len;
        continue;
      }
      default: addLiteral(out, QString(n, c)); break;
    }
    i += n;
  }
  return out;
}

struct FormatContext {
  const QLocale& locale;
  const QString& dateSep;
  const QString& timeSep;
  const QString& shortDatePattern;
};

// The locale's short time with seconds: what the old runtime's "Long Time" gave.
QString longTimePattern(const QLocale& locale) {
  QString p = locale.timeFormat(QLocale::ShortFormat);
  const qsizetype m = p.indexOf(QLatin1Char('m'));
  if (m >= 0 && !p.contains(QLatin1Char('s'))) {
    qsizetype end = m;
    while (end < p.size() && p[end] == QLatin1Char('m')) ++end;
    const QString sep = m > 0 ? p.mid(m - 1, 1) : QStringLiteral(":");
    p.insert(end, sep + QStringLiteral("ss"));
  }
  return p;
}

QString render(const QList<Token>& tokens, const Moment& mo, const FormatContext& ctx);

QString generalDate(const Moment& mo, const FormatContext& ctx) {
  QString date, time;
  if (mo.day != 0) date = render(tokenizeQt(ctx.shortDatePattern, ctx.locale), mo, ctx);
  if (mo.seconds != 0 || mo.day == 0) time = render(tokenizeQt(longTimePattern(ctx.locale), ctx.locale), mo, ctx);
  if (date.isEmpty()) return time;
  if (time.isEmpty()) return date;
  return date + QLatin1Char(' ') + time;
}

QString render(const QList<Token>& tokens, const Moment& mo, const FormatContext& ctx) {
  const QDate date = epoch().addDays(mo.day);
  const int hour = mo.seconds / 3600;
  bool twelve = false;
  for (const Token& t : tokens) twelve = twelve || t.kind == Kind::AmPm;
  const int weekday = date.dayOfWeek() % 7 + 1;

  QString out;
  for (const Token& t : tokens) {
    switch (t.kind) {
      case Kind::Literal: out += t.text; break;
      case Kind::DateSep: out += ctx.dateSep; break;
      case Kind::TimeSep: out += ctx.timeSep; break;
      case Kind::Day: out += padded(date.day(), t.width); break;
      case Kind::DayName:
        out += t.width == 2 ? ctx.locale.standaloneDayName(date.dayOfWeek(), QLocale::ShortFormat)
                            : ctx.locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
        break;
      case Kind::Month: out += padded(date.month(), t.width); break;
      case Kind::MonthName:
        out += t.width == 2 ? ctx.locale.standaloneMonthName(date.month(), QLocale::ShortFormat)
                            : ctx.locale.monthName(date.month(), QLocale::LongFormat);
        break;
      case Kind::Year: out += t.width == 2 ? padded(date.year() % 100, 2) : padded(date.year(), 4); break;
      case Kind::DayOfYear: out += QString::number(date.dayOfYear()); break;
      case Kind::Weekday: out += QString::number(weekday); break;
      case Kind::Quarter: out += QString::number((date.month() - 1) / 3 + 1); break;
      case Kind::Hour: {
        int h = hour;
        if (twelve && !t.force24) h = h % 12 == 0 ? 12 : h % 12;
        out += padded(h, t.width);
        break;
      }
      case Kind::Minute: out += padded(mo.seconds / 60 % 60, t.width); break;
      case Kind::Second: out += padded(mo.seconds % 60, t.width); break;
      case Kind::AmPm: out += hour < 12 ? t.text : t.pm; break;
      case Kind::ShortDate: out += render(tokenizeQt(ctx.shortDatePattern, ctx.locale), mo, ctx); break;
      case Kind::LongDate:
        out += render(tokenizeQt(ctx.locale.dateFormat(QLocale::LongFormat), ctx.locale), mo, ctx);
        break;
      case Kind::GeneralDate: out += generalDate(mo, ctx); break;
    }
  }
  return out;
}

// --- Numbers ------------------------------------------------------------------------

// The value as 15 significant decimal digits and the power of ten of the first one;
// to_chars is free of the C library's locale, which the application sets.
struct Decimal15 {
  std::string digits;  // exactly 15, the first non-zero unless the value is zero
  int exponent;
  bool negative;
};

Decimal15 decimal15(double v) {
  std::array<char, 64> buf{};
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::scientific, 14);
  std::string s(buf.data(), r.ptr);
  Decimal15 d{{}, 0, false};
  std::size_t i = 0;
  if (s[i] == '-') {
    d.negative = true;
    ++i;
  }
  const std::size_t e = s.find('e');
  for (; i < e; ++i)
    if (s[i] != '.') d.digits += s[i];
  std::from_chars(s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0), s.data() + s.size(), d.exponent);
  return d;
}

// Adds one to a string of decimal digits.
void increment(std::string& n) {
  for (auto it = n.rbegin(); it != n.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return;
    }
    *it = '0';
  }
  n.insert(n.begin(), '1');
}

// From the ASCII form of a number; out of range gives the infinity or zero that the
// C library would.
double toDouble(const std::string& mantissaInt, const std::string& mantissaFrac, long long exponent, bool negative) {
  std::string s = negative ? "-" : "";
  s += mantissaInt.empty() ? std::string("0") : mantissaInt;
  if (!mantissaFrac.empty()) s += '.' + mantissaFrac;
  s += 'e' + std::to_string(exponent);
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    const auto firstInt = mantissaInt.find_first_not_of('0');
    long long magnitude = exponent;
    const auto firstFrac = mantissaFrac.find_first_not_of('0');
    if (firstInt != std::string::npos)
      magnitude += static_cast<long long>(mantissaInt.size() - firstInt);
    else if (firstFrac != std::string::npos)
      magnitude -= static_cast<long long>(firstFrac);
    v = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    if (negative) v = -v;
  }
  return v;
}

// Reads exponent digits without overflowing; beyond this any value is zero or infinite.
void addExponentDigit(long long& e, QChar c) {
  if (e < 100000) e = e * 10 + digitValue(c);
}

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

}  // namespace

// --- Construction and separators ------------------------------------------------------

Regional::Regional(QLocale locale) : locale_(std::move(locale)), currentYear_(QDate::currentDate().year()) {
  const QString half = locale_.toString(0.5);
  decimalSep_ = half.size() > 1 ? half.mid(1, 1) : QStringLiteral(".");

  timeSep_ = QStringLiteral(":");
  const QString tf = locale_.timeFormat(QLocale::ShortFormat);
  qsizetype i = 0;
  while (i < tf.size() && tf[i] != QLatin1Char('h') && tf[i] != QLatin1Char('H')) ++i;
  while (i < tf.size() && (tf[i] == QLatin1Char('h') || tf[i] == QLatin1Char('H'))) ++i;
  for (; i < tf.size(); ++i) {
    if (!tf[i].isLetter() && tf[i] != QLatin1Char('\'')) {
      timeSep_ = tf.mid(i, 1);
      break;
    }
  }

  const QString df = locale_.dateFormat(QLocale::ShortFormat);
  // Only a two-letter year outside quotes is widened.
  bool quoted = false;
  for (qsizetype j = 0; j < df.size();) {
    if (df[j] == QLatin1Char('\'')) quoted = !quoted;
    if (!quoted && df[j] == QLatin1Char('y')) {
      const int n = runLength(df, j, false);
      shortDatePattern_ += n == 2 ? QStringLiteral("yyyy") : QString(n, QLatin1Char('y'));
      j += n;
      continue;
    }
    shortDatePattern_ += df[j++];
  }
  // Some locales (C among them) write the month as a name even in the short form;
  // date boxes take digits only, so such a pattern becomes numeric, in its own order.
  if (shortDatePattern_.contains(QLatin1String("MMM"))) {
    std::vector<std::pair<qsizetype, QString>> parts = {{shortDatePattern_.indexOf(QLatin1Char('d')), QStringLiteral("dd")},
                                                        {shortDatePattern_.indexOf(QLatin1Char('M')), QStringLiteral("MM")},
                                                        {shortDatePattern_.indexOf(QLatin1Char('y')), QStringLiteral("yyyy")}};
    std::sort(parts.begin(), parts.end());
    shortDatePattern_ = parts[0].second + QLatin1Char('/') + parts[1].second + QLatin1Char('/') + parts[2].second;
  }

  dateSep_ = QStringLiteral("/");
  quoted = false;
  for (const QChar c : shortDatePattern_) {
    if (c == QLatin1Char('\'')) {
      quoted = !quoted;
      continue;
    }
    if (!quoted && !c.isLetter()) {
      dateSep_ = QString(c);
      break;
    }
  }
}

QString Regional::decimalSeparator() const { return decimalSep_; }
QString Regional::timeSeparator() const { return timeSep_; }
QString Regional::dateSeparator() const { return dateSep_; }
QString Regional::shortDatePattern() const { return shortDatePattern_; }

// --- Date values ------------------------------------------------------------------------

bool Regional::isValidDate(double d) { return moment(d).has_value(); }

double Regional::roundToSecond(double d) {
  if (!roughlyInRange(d)) return d;
  const Moment m = splitRounded(d);
  return compose(m.day, static_cast<double>(m.seconds) / kSecondsPerDay, d < 0);
}

std::optional<QDate> Regional::datePart(double d) {
  const auto m = moment(d);
  if (!m) return std::nullopt;
  return epoch().addDays(m->day);
}

std::optional<QTime> Regional::timePart(double d) {
  const auto m = moment(d);
  if (!m) return std::nullopt;
  return QTime(m->seconds / 3600, m->seconds / 60 % 60, m->seconds % 60);
}

double Regional::fromDate(const QDate& date) {
  if (!date.isValid()) return std::numeric_limits<double>::quiet_NaN();
  return static_cast<double>(epoch().daysTo(date));
}

double Regional::fromTime(int h, int m, int s) {
  long long total = (static_cast<long long>(h) * 3600 + static_cast<long long>(m) * 60 + s) % kSecondsPerDay;
  if (total < 0) total += kSecondsPerDay;
  return static_cast<double>(total) / kSecondsPerDay;
}

double Regional::fromDateTime(const QDate& date, const QTime& time) {
  if (!date.isValid()) return std::numeric_limits<double>::quiet_NaN();
  const double t = time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0;
  return compose(epoch().daysTo(date), t, false);
}

int Regional::weekday(double d) {
  const auto m = moment(d);
  if (!m) return 0;
  return epoch().addDays(m->day).dayOfWeek() % 7 + 1;
}

// --- Formatting ------------------------------------------------------------------------

QString Regional::formatDate(double d, const QString& pattern) const {
  const auto m = moment(d);
  if (!m) return {};
  const FormatContext ctx{locale_, dateSep_, timeSep_, shortDatePattern_};
  const QString named = pattern.trimmed();
  const auto is = [&](const char* name) { return named.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
  if (named.isEmpty() || is("General Date")) return generalDate(*m, ctx);
  if (is("Short Date")) return render(tokenizeQt(shortDatePattern_, locale_), *m, ctx);
  if (is("Long Date")) return render(tokenizeQt(locale_.dateFormat(QLocale::LongFormat), locale_), *m, ctx);
  if (is("Medium Date")) return render(tokenizeVb(QStringLiteral("dd-mmm-yy"), locale_), *m, ctx);
  if (is("Long Time")) return render(tokenizeQt(longTimePattern(locale_), locale_), *m, ctx);
  if (is("Medium Time")) return render(tokenizeVb(QStringLiteral("hh:mm AM/PM"), locale_), *m, ctx);
  if (is("Short Time")) return render(tokenizeVb(QStringLiteral("hh:mm"), locale_), *m, ctx);
  return render(tokenizeVb(pattern, locale_), *m, ctx);
}

// Rounds the 15-digit decimal form, the one numberText shows, so that a value that
// reads 0.125 becomes 0.13 whatever its binary tail.
QString Regional::formatNumber(double v, const QString& pattern) const {
  if (!std::isfinite(v)) return {};
  // The placeholders' run; text before and after it is literal.
  qsizetype first = 0;
  const auto isPlaceholder = [](QChar c) {
    return c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('.') || c == QLatin1Char(',');
  };
  while (first < pattern.size() && !isPlaceholder(pattern[first])) ++first;
  qsizetype last = first;
  while (last < pattern.size() && isPlaceholder(pattern[last])) ++last;
  int intMin = 0, decMin = 0, decMax = 0;
  bool inDecimals = false;
  for (qsizetype i = first; i < last; ++i) {
    const QChar c = pattern[i];
    if (c == QLatin1Char('.')) {
      inDecimals = true;
    } else if (c == QLatin1Char('0')) {
      ++(inDecimals ? decMin : intMin);
      if (inDecimals) ++decMax;
    } else if (c == QLatin1Char('#') && inDecimals) {
      ++decMax;
    }
  }

  const Decimal15 d = decimal15(v);
  // The value times 10^decMax, as a whole number in decimal digits.
  const long long keep = static_cast<long long>(d.exponent) + decMax + 1;
  std::string scaled;
  bool roundUp = false;
  if (keep > 0) {
    const auto n = static_cast<std::size_t>(keep);
    scaled = d.digits.substr(0, std::min(n, d.digits.size()));
    if (n > d.digits.size()) scaled.append(n - d.digits.size(), '0');
    roundUp = n < d.digits.size() && d.digits[n] >= '5';
  } else if (keep == 0) {
    roundUp = d.digits[0] >= '5';
  }
  if (roundUp) increment(scaled);
  const auto nonZero = scaled.find_first_not_of('0');
  const bool zero = nonZero == std::string::npos;

  std::string frac, whole;
  const auto decimals = static_cast<std::size_t>(decMax);
  if (scaled.size() < decimals) scaled.insert(0, decimals - scaled.size(), '0');
  frac = scaled.substr(scaled.size() - decimals);
  whole = scaled.substr(0, scaled.size() - decimals);
  const auto lead = whole.find_first_not_of('0');
  whole = lead == std::string::npos ? std::string() : whole.substr(lead);
  if (whole.size() < static_cast<std::size_t>(intMin)) whole.insert(0, static_cast<std::size_t>(intMin) - whole.size(), '0');
  while (frac.size() > static_cast<std::size_t>(decMin) && frac.back() == '0') frac.pop_back();

  QString out = pattern.left(first);
  if (d.negative && !zero) out += QLatin1Char('-');
  out += QString::fromLatin1(whole.data(), static_cast<qsizetype>(whole.size()));
  if (!frac.empty()) out += decimalSep_ + QString::fromLatin1(frac.data(), static_cast<qsizetype>(frac.size()));
  out += pattern.mid(last);
  return out;
}

QString Regional::numberText(double v) const {
  if (std::isnan(v)) return QStringLiteral("NaN");
  if (std::isinf(v)) return v > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
  if (v == 0) return QStringLiteral("0");
  Decimal15 d = decimal15(v);
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  const auto digits = QString::fromLatin1(d.digits.data(), static_cast<qsizetype>(d.digits.size()));
  QString out = d.negative ? QStringLiteral("-") : QString();
  if (d.exponent >= -4 && d.exponent < 15) {
    if (d.exponent < 0) {
      out += QStringLiteral("0") + decimalSep_ + QString(-d.exponent - 1, QLatin1Char('0')) + digits;
    } else {
      const qsizetype whole = d.exponent + 1;
      out += digits.left(whole).leftJustified(whole, QLatin1Char('0'));
      if (digits.size() > whole) out += decimalSep_ + digits.mid(whole);
    }
    return out;
  }
  out += digits.left(1);
  if (digits.size() > 1) out += decimalSep_ + digits.mid(1);
  out += QStringLiteral("E") + QLatin1Char(d.exponent < 0 ? '-' : '+') + padded(std::abs(d.exponent), 2);
  return out;
}

// --- Names ---------------------------------------------------------------------------------

QString Regional::dayName(int weekday, bool abbreviated) const {
  if (weekday < 1 || weekday > 7) return {};
  return abbreviated ? locale_.standaloneDayName(qtDayOfWeek(weekday), QLocale::ShortFormat)
                     : locale_.dayName(qtDayOfWeek(weekday), QLocale::LongFormat);
}

QString Regional::monthName(int month, bool abbreviated) const {
  if (month < 1 || month > 12) return {};
  return abbreviated ? locale_.standaloneMonthName(month, QLocale::ShortFormat)
                     : locale_.monthName(month, QLocale::LongFormat);
}

// --- Parsing --------------------------------------------------------------------------------

int Regional::expandYear(int twoDigitYear) {
  if (twoDigitYear < 0 || twoDigitYear > 99) return twoDigitYear;
  return twoDigitYear < 30 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

namespace {

// One part of a typed date: a number, or a month by its name.
struct DatePart {
  bool name;
  int value;   // the number, or the month of a name
  int digits;
};

// The parts of a typed date, and whether a comma parted two of them.
struct DateParts {
  QList<DatePart> parts;
  bool comma = false;
};

bool isDateSeparator(QChar c) {
  return c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char(',');
}

// The month a word names in the locale, short or long, standalone or not (a name's
// closing dot left off), or 0.
int monthOfName(QStringView word, const QLocale& locale) {
  for (int m = 1; m <= 12; ++m) {
    for (QString name : {locale.standaloneMonthName(m, QLocale::ShortFormat),
                         locale.standaloneMonthName(m, QLocale::LongFormat), locale.monthName(m, QLocale::ShortFormat),
                         locale.monthName(m, QLocale::LongFormat)}) {
      if (name.endsWith(QLatin1Char('.'))) name.chop(1);
      if (word.compare(name, Qt::CaseInsensitive) == 0) return m;
    }
  }
  return 0;
}

// Two or three parts of at most four digits or a month's name, apart by blanks around at
// most one separator (/ - . , or the locale's own); nothing else.
std::optional<DateParts> scanDateParts(const QString& s, const QLocale& locale, const QString& dateSep) {
  DateParts out;
  bool nameDot = false;  // a dot after a month name already parts it from the next
  qsizetype i = 0;
  while (i < s.size()) {
    if (!out.parts.isEmpty()) {
      // Between two parts: blanks around at most one separator.
      const qsizetype start = i;
      while (i < s.size() && s[i].isSpace()) ++i;
      if (i < s.size()) {
        const QChar c = s[i];
        if (isDateSeparator(c) || QStringView(s).mid(i).startsWith(dateSep)) {
          out.comma = out.comma || c == QLatin1Char(',');
          i += isDateSeparator(c) ? 1 : dateSep.size();
          while (i < s.size() && s[i].isSpace()) ++i;
        }
      }
      if ((i == start && !nameDot) || i >= s.size()) return std::nullopt;
    }
    nameDot = false;
    if (out.parts.size() == 3) return std::nullopt;
    if (isAsciiDigit(s[i])) {
      int value = 0, digits = 0;
      for (; i < s.size() && isAsciiDigit(s[i]); ++i, ++digits) {
        if (digits == 4) return std::nullopt;
        value = value * 10 + digitValue(s[i]);
      }
      out.parts.append({false, value, digits});
    } else if (s[i].isLetter()) {
      const qsizetype start = i;
      while (i < s.size() && s[i].isLetter()) ++i;
      const int month = monthOfName(QStringView(s).mid(start, i - start), locale);
      if (month == 0) return std::nullopt;
      // A dot right after an abbreviated name belongs to it.
      if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        nameDot = true;
      }
      out.parts.append({true, month, 0});
    } else {
      return std::nullopt;
    }
  }
  if (out.parts.size() < 2) return std::nullopt;
  return out;
}

// Order of day, month and year in the locale's pattern ("dmy", "mdy", "ymd" ...), the
// ones it lacks at the end.
QString dateOrder(const QString& shortDatePattern) {
  QString order;
  for (const QChar c : shortDatePattern) {
    const QChar k = c == QLatin1Char('M') ? QLatin1Char('m') : c;
    if ((k == QLatin1Char('d') || k == QLatin1Char('m') || k == QLatin1Char('y')) && !order.contains(k)) order += k;
  }
  for (const QChar k : {QLatin1Char('d'), QLatin1Char('m'), QLatin1Char('y')})
    if (!order.contains(k)) order += k;
  return order;
}

// Which part is the day, the month and the year: a month's name is the month, and the
// numbers take the places of the locale's order (a year of more than two digits shows
// itself beside a name).
struct DateFields {
  DatePart day;
  int month;
  std::optional<DatePart> year;
};

std::optional<DateFields> assignDateParts(const DateParts& scanned, const QString& order) {
  QList<DatePart> numbers;
  int month = 0;
  for (const DatePart& p : scanned.parts) {
    if (p.name) {
      if (month != 0) return std::nullopt;
      month = p.value;
    } else {
      numbers.append(p);
    }
  }
  // A comma only separates parts around a month name ("Dec 25, 2024").
  if (scanned.comma && month == 0) return std::nullopt;

  std::optional<DatePart> day, monthPart, year;
  if (month != 0) {
    if (numbers.size() == 2) {
      const bool firstLong = numbers[0].digits > 2, secondLong = numbers[1].digits > 2;
      const bool dayFirst = firstLong != secondLong ? secondLong : order.indexOf(QLatin1Char('d')) < order.indexOf(QLatin1Char('y'));
      day = numbers[dayFirst ? 0 : 1];
      year = numbers[dayFirst ? 1 : 0];
    } else {
      day = numbers[0];
    }
  } else {
    const QString used = numbers.size() == 3 ? order : QString(order).remove(QLatin1Char('y'));
    for (qsizetype k = 0; k < used.size(); ++k) {
      const QChar c = used[k];
      (c == QLatin1Char('d') ? day : c == QLatin1Char('m') ? monthPart : year) = numbers[k];
    }
    if (monthPart->digits > 2) return std::nullopt;
    month = monthPart->value;
  }
  if (day->digits > 2) return std::nullopt;
  return DateFields{*day, month, year};
}

}  // namespace

std::optional<double> Regional::parseDate(const QString& text) const {
  const auto scanned = scanDateParts(text.trimmed(), locale_, dateSep_);
  if (!scanned) return std::nullopt;
  const auto fields = assignDateParts(*scanned, dateOrder(shortDatePattern_));
  if (!fields) return std::nullopt;
  int y = currentYear_;
  if (fields->year) y = fields->year->digits <= 2 ? expandYear(fields->year->value) : fields->year->value;
  if (y < 100 || y > 9999) return std::nullopt;
  const QDate date(y, fields->month, fields->day.value);
  if (!date.isValid()) return std::nullopt;
  return fromDate(date);
}

std::optional<double> Regional::parseTime(const QString& text) const {
  const QString s = text.trimmed();
  std::array<int, 3> fields{0, 0, 0};
  int count = 0;
  qsizetype i = 0;
  while (count < 3) {
    if (count > 0) {
      if (i < s.size() && s[i] == QLatin1Char(':'))
        ++i;
      else if (QStringView(s).mid(i).startsWith(timeSep_) && !timeSep_.isEmpty())
        i += timeSep_.size();
      else
        break;
    }
    int value = 0, digits = 0;
    for (; i < s.size() && isAsciiDigit(s[i]); ++i, ++digits) {
      if (digits == 2) return std::nullopt;
      value = value * 10 + digitValue(s[i]);
    }
    if (digits == 0) return std::nullopt;
    fields[static_cast<std::size_t>(count++)] = value;
  }
  while (i < s.size() && isBlank(s[i])) ++i;
  const QStringView rest = QStringView(s).mid(i);
  int half = -1;  // 0 am, 1 pm
  if (!rest.isEmpty()) {
    const auto is = [&](QStringView what) { return rest.compare(what, Qt::CaseInsensitive) == 0; };
    if (is(u"am") || is(u"a") || is(locale_.amText())) half = 0;
    else if (is(u"pm") || is(u"p") || is(locale_.pmText())) half = 1;
    else return std::nullopt;
  }
  // A bare number is not a time.
  if (count == 1 && half < 0) return std::nullopt;
  int h = fields[0];
  const int m = fields[1], sec = fields[2];
  if (m > 59 || sec > 59) return std::nullopt;
  if (half >= 0) {
    if (h < 1 || h > 12) return std::nullopt;
    h = h % 12 + (half == 1 ? 12 : 0);
  } else if (h > 23) {
    return std::nullopt;
  }
  return fromTime(h, m, sec);
}

std::optional<double> Regional::parseDateTime(const QString& text) const {
  if (const auto t = parseTime(text)) return t;
  if (const auto d = parseDate(text)) return d;
  const QString s = text.trimmed();
  for (qsizetype i = 1; i < s.size(); ++i) {
    if (!s[i].isSpace() || s[i - 1].isSpace()) continue;
    const auto d = parseDate(s.left(i));
    if (!d) continue;
    if (const auto t = parseTime(s.mid(i))) return compose(static_cast<long long>(*d), *t, false);
  }
  return std::nullopt;
}

std::optional<double> Regional::parseNumber(const QString& text) const {
  const QString s = text.trimmed();
  const QString group = locale_.groupSeparator();
  qsizetype i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) negative = s[i++] == QLatin1Char('-');
  std::string whole, frac;
  while (i < s.size()) {
    if (isAsciiDigit(s[i])) {
      whole += static_cast<char>(s[i++].unicode());
    } else if (!group.isEmpty() && !whole.empty() && QStringView(s).mid(i).startsWith(group) &&
               i + group.size() < s.size() && isAsciiDigit(s[i + group.size()])) {
      i += group.size();
    } else {
      break;
    }
  }
  if (!decimalSep_.isEmpty() && QStringView(s).mid(i).startsWith(decimalSep_)) {
    i += decimalSep_.size();
    while (i < s.size() && isAsciiDigit(s[i])) frac += static_cast<char>(s[i++].unicode());
  }
  if (whole.empty() && frac.empty()) return std::nullopt;
  long long exponent = 0;
  if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
    ++i;
    bool expNegative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) expNegative = s[i++] == QLatin1Char('-');
    if (i >= s.size() || !isAsciiDigit(s[i])) return std::nullopt;
    for (; i < s.size() && isAsciiDigit(s[i]); ++i) addExponentDigit(exponent, s[i]);
    if (expNegative) exponent = -exponent;
  }
  if (i != s.size()) return std::nullopt;
  const double v = toDouble(whole, frac, exponent, negative);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

double Regional::val(const QString& text) {
  const auto skipped = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'); };
  qsizetype i = 0;
  const auto skip = [&] {
    while (i < text.size() && skipped(text[i])) ++i;
  };
  skip();
  bool negative = false;
  if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    negative = text[i++] == QLatin1Char('-');
    skip();
  }
  std::string whole, frac;
  for (; i < text.size(); skip()) {
    if (!isAsciiDigit(text[i])) break;
    whole += static_cast<char>(text[i++].unicode());
  }
  if (i < text.size() && text[i] == QLatin1Char('.')) {
    ++i;
    for (skip(); i < text.size(); skip()) {
      if (!isAsciiDigit(text[i])) break;
      frac += static_cast<char>(text[i++].unicode());
    }
  }
  if (whole.empty() && frac.empty()) return 0.0;
  long long exponent = 0;
  // The old runtime also took D as the exponent mark (of its Double type).
  if (i < text.size() && QStringLiteral("eEdD").contains(text[i])) {
    qsizetype j = i + 1;
    while (j < text.size() && skipped(text[j])) ++j;
    bool expNegative = false;
    if (j < text.size() && (text[j] == QLatin1Char('-') || text[j] == QLatin1Char('+'))) {
      expNegative = text[j++] == QLatin1Char('-');
      while (j < text.size() && skipped(text[j])) ++j;
    }
    for (; j < text.size(); ++j) {
      if (skipped(text[j])) continue;
      if (!isAsciiDigit(text[j])) break;
      addExponentDigit(exponent, text[j]);
    }
    if (expNegative) exponent = -exponent;
  }
  // Adding zero turns -0 into 0.
  return toDouble(whole, frac, exponent, negative) + 0.0;
}

}  // namespace prandel
