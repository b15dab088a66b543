#include "common/Regional.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <vector>

namespace prandel {
namespace {

// Days of 0100-01-01 and of 9999-12-31 in the tracker's date numbers.
constexpr double kFirstDay = -657434.0;
constexpr double kLastDay = 2958465.0;

const QDate& baseDate() {
  static const QDate base(1899, 12, 30);
  return base;
}

// Date number -> calendar date and seconds of the day, rounded to the second.
// The whole part counts days (toward zero), the fraction is the time of day even
// for negative numbers, as the old runtime kept them.
bool decompose(double d, QDate& date, int& secs) {
  if (!Regional::isValidDate(d)) return false;
  const double whole = std::trunc(d);
  const double frac = std::fabs(d - whole);
  auto s = static_cast<long long>(std::llround(frac * 86400.0));
  long long day = static_cast<long long>(whole);
  date = baseDate().addDays(day);
  if (s >= 86400) {
    s -= 86400;
    date = date.addDays(1);
  }
  secs = static_cast<int>(s);
  return date.isValid() && date.year() >= 100 && date.year() <= 9999;
}

QString pad(long long v, int width) {
  QString digits = QString::number(v < 0 ? -v : v);
  while (digits.size() < width) digits.prepend(QLatin1Char('0'));
  return v < 0 ? QLatin1Char('-') + digits : digits;
}

QString stripDot(QString s) {
  while (s.endsWith(QLatin1Char('.'))) s.chop(1);
  return s.trimmed();
}

}  // namespace

Regional::Regional(QLocale locale) : locale_(std::move(locale)), currentYear_(QDate::currentDate().year()) {}

// --- Date values ------------------------------------------------------------------

bool Regional::isValidDate(double d) { return std::isfinite(d) && d >= kFirstDay && d < kLastDay + 1.0; }

double Regional::roundToSecond(double d) {
  QDate date;
  int secs = 0;
  if (!decompose(d, date, secs)) return d;
  return fromDateTime(date, QTime(0, 0).addSecs(secs));
}

std::optional<QDate> Regional::datePart(double d) {
  QDate date;
  int secs = 0;
  if (!decompose(d, date, secs)) return std::nullopt;
  return date;
}

std::optional<QTime> Regional::timePart(double d) {
  QDate date;
  int secs = 0;
  if (!decompose(d, date, secs)) return std::nullopt;
  return QTime(0, 0).addSecs(secs);
}

double Regional::fromDate(const QDate& date) { return static_cast<double>(baseDate().daysTo(date)); }

double Regional::fromTime(int h, int m, int s) { return (h * 3600.0 + m * 60.0 + s) / 86400.0; }

double Regional::fromDateTime(const QDate& date, const QTime& time) {
  const double day = fromDate(date);
  const double frac = time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0;
  return day >= 0 ? day + frac : day - frac;
}

int Regional::weekday(double d) {
  const auto date = datePart(d);
  if (!date) return 0;
  return date->dayOfWeek() % 7 + 1;
}

// --- Names -----------------------------------------------------------------------

QString Regional::dayName(int weekday, bool abbreviated) const {
  if (weekday < 1 || weekday > 7) return {};
  const int qtDay = weekday == 1 ? 7 : weekday - 1;
  return abbreviated ? locale_.standaloneDayName(qtDay, QLocale::ShortFormat) : locale_.dayName(qtDay, QLocale::LongFormat);
}

QString Regional::monthName(int month, bool abbreviated) const {
  if (month < 1 || month > 12) return {};
  return abbreviated ? locale_.standaloneMonthName(month, QLocale::ShortFormat)
                     : locale_.monthName(month, QLocale::LongFormat);
}

// --- Separators ------------------------------------------------------------------

QString Regional::decimalSeparator() const {
  const QString half = locale_.toString(0.5);
  return half.size() >= 2 ? half.mid(1, 1) : QStringLiteral(".");
}

QString Regional::timeSeparator() const {
  const QString fmt = locale_.timeFormat(QLocale::ShortFormat);
  const qsizetype h = fmt.indexOf(QRegularExpression(QStringLiteral("[hH]")));
  if (h >= 0) {
    for (qsizetype i = h; i < fmt.size(); ++i) {
      const QChar c = fmt.at(i);
      if (c == QLatin1Char('h') || c == QLatin1Char('H')) continue;
      if (!c.isLetter() && c != QLatin1Char('\'') && !c.isSpace()) return QString(c);
      break;
    }
  }
  return QStringLiteral(":");
}

QString Regional::dateSeparator() const {
  const QString fmt = locale_.dateFormat(QLocale::ShortFormat);
  for (const QChar c : fmt) {
    if (!c.isLetter() && c != QLatin1Char('\'') && !c.isSpace()) return QString(c);
  }
  return QStringLiteral("/");
}

QString Regional::shortDatePattern() const {
  QString fmt = locale_.dateFormat(QLocale::ShortFormat);
  // Two-digit years are ambiguous to read back; the tracker's platform used four.
  static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
  fmt.replace(twoDigitYear, QStringLiteral("yyyy"));
  return fmt;
}

// --- Formatting --------------------------------------------------------------------

QString Regional::formatDate(double d, const QString& pattern) const {
  QDate date;
  int secs = 0;
  if (!decompose(d, date, secs)) return {};
  const QTime time = QTime(0, 0).addSecs(secs);

  const QString lower = pattern.toLower();
  if (lower == QLatin1String("short date")) return locale_.toString(date, shortDatePattern());
  if (lower == QLatin1String("short time")) return formatDate(d, QStringLiteral("hh:mm"));
  if (lower == QLatin1String("long time")) return locale_.toString(time, QLocale::LongFormat);

  const bool twelveHour = lower.contains(QLatin1String("am/pm")) || lower.contains(QLatin1String("a/p"));
  QString out;
  bool lastWasHour = false;
  const qsizetype n = pattern.size();
  for (qsizetype i = 0; i < n;) {
    const QChar c = pattern.at(i);
    const QChar lc = c.toLower();
    if (c == QLatin1Char('"')) {
      const qsizetype close = pattern.indexOf(QLatin1Char('"'), i + 1);
      const qsizetype end = close < 0 ? n : close;
      out += pattern.mid(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    if (c == QLatin1Char('\\') && i + 1 < n) {
      out += pattern.at(i + 1);
      i += 2;
      continue;
    }
    if (twelveHour && (lower.mid(i, 5) == QLatin1String("am/pm") || lower.mid(i, 3) == QLatin1String("a/p"))) {
      const bool full = lower.mid(i, 5) == QLatin1String("am/pm");
      const bool pm = time.hour() >= 12;
      QString marker = full ? (pm ? QStringLiteral("PM") : QStringLiteral("AM")) : (pm ? QStringLiteral("P") : QStringLiteral("A"));
      if (c.isLower()) marker = marker.toLower();
      out += marker;
      i += full ? 5 : 3;
      continue;
    }
    if (lc == QLatin1Char('d') || lc == QLatin1Char('m') || lc == QLatin1Char('y') || lc == QLatin1Char('h') ||
        lc == QLatin1Char('n') || lc == QLatin1Char('s')) {
      qsizetype run = 1;
      while (i + run < n && pattern.at(i + run).toLower() == lc) ++run;
      bool minute = lc == QLatin1Char('n');
      if (lc == QLatin1Char('m') && run <= 2) {
        // m after an hour, or before seconds, is the minute.
        qsizetype j = i + run;
        while (j < n && !pattern.at(j).isLetter()) ++j;
        minute = lastWasHour || (j < n && pattern.at(j).toLower() == QLatin1Char('s'));
      }
      if (lc == QLatin1Char('d')) {
        if (run == 1) out += QString::number(date.day());
        else if (run == 2) out += pad(date.day(), 2);
        else out += dayName(date.dayOfWeek() % 7 + 1, run == 3);
      } else if (minute) {
        out += run == 1 ? QString::number(time.minute()) : pad(time.minute(), 2);
      } else if (lc == QLatin1Char('m')) {
        if (run == 1) out += QString::number(date.month());
        else if (run == 2) out += pad(date.month(), 2);
        else out += monthName(date.month(), run == 3);
      } else if (lc == QLatin1Char('y')) {
        if (run >= 3) out += pad(date.year(), 4);
        else if (run == 2) out += pad(date.year() % 100, 2);
        else out += QString::number(date.dayOfYear());
      } else if (lc == QLatin1Char('h')) {
        int h = time.hour();
        if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
        out += run == 1 ? QString::number(h) : pad(h, 2);
      } else {
        out += run == 1 ? QString::number(time.second()) : pad(time.second(), 2);
      }
      lastWasHour = lc == QLatin1Char('h');
      i += run;
      continue;
    }
    if (c == QLatin1Char('/')) out += dateSeparator();
    else if (c == QLatin1Char(':')) out += timeSeparator();
    else out += c;
    ++i;
  }
  return out;
}

QString Regional::formatNumber(double v, const QString& pattern) const {
  if (!std::isfinite(v)) return {};
  const qsizetype dot = pattern.indexOf(QLatin1Char('.'));
  const QString intPart = dot < 0 ? pattern : pattern.left(dot);
  const int decimals = dot < 0 ? 0 : static_cast<int>(pattern.size() - dot - 1);
  const int minInt = static_cast<int>(intPart.count(QLatin1Char('0')));
  // Half away from zero, as the old runtime's Format rounded.
  const double scale = std::pow(10.0, decimals);
  double r = std::round(std::fabs(v) * scale) / scale;
  if (!std::isfinite(r)) r = std::fabs(v);
  QString text = QString::number(r, 'f', decimals);
  QString whole = dot < 0 ? text : text.section(QLatin1Char('.'), 0, 0);
  const QString fraction = decimals > 0 ? text.section(QLatin1Char('.'), 1) : QString();
  if (whole == QLatin1String("0") && minInt == 0) whole.clear();
  while (whole.size() < minInt) whole.prepend(QLatin1Char('0'));
  QString out = whole;
  if (decimals > 0) out += decimalSeparator() + fraction;
  const bool negative = v < 0 && r != 0;
  return negative ? QLatin1Char('-') + out : out;
}

QString Regional::numberText(double v) const {
  if (std::isnan(v)) return QStringLiteral("NaN");
  if (std::isinf(v)) return v < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
  if (v == 0) return QStringLiteral("0");
  const double a = std::fabs(v);
  QString text;
  if (a >= 1e-4 && a < 1e15) {
    text = QString::number(v, 'g', 15);
  } else {
    text = QString::number(v, 'E', 14);
    const qsizetype e = text.indexOf(QLatin1Char('E'));
    QString mantissa = text.left(e);
    const QString exponent = text.mid(e);
    if (mantissa.contains(QLatin1Char('.'))) {
      while (mantissa.endsWith(QLatin1Char('0'))) mantissa.chop(1);
      if (mantissa.endsWith(QLatin1Char('.'))) mantissa.chop(1);
    }
    text = mantissa + exponent;
  }
  text.replace(QLatin1Char('.'), decimalSeparator());
  return text;
}

// --- Parsing ---------------------------------------------------------------------

int Regional::expandYear(int twoDigitYear) { return twoDigitYear < 30 ? 2000 + twoDigitYear : 1900 + twoDigitYear; }

namespace {

struct DateToken {
  bool numeric;
  QString text;
};

// Splits a date text at its separators; false when it holds anything else.
bool tokenizeDate(const QString& text, const QString& localeSep, std::vector<DateToken>& out) {
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n;) {
    const QChar c = text.at(i);
    if (c.isDigit()) {
      qsizetype j = i;
      while (j < n && text.at(j).isDigit()) ++j;
      out.push_back({true, text.mid(i, j - i)});
      i = j;
    } else if (c.isLetter()) {
      qsizetype j = i;
      while (j < n && text.at(j).isLetter()) ++j;
      out.push_back({false, text.mid(i, j - i)});
      i = j;
    } else if (c.isSpace() || c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.') ||
               c == QLatin1Char(',') || (!localeSep.isEmpty() && c == localeSep.at(0))) {
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<double> Regional::parseDate(const QString& input) const {
  const QString text = input.trimmed();
  if (text.isEmpty() || text.size() > 64) return std::nullopt;
  std::vector<DateToken> tokens;
  if (!tokenizeDate(text, dateSeparator(), tokens)) return std::nullopt;
  if (tokens.size() < 2 || tokens.size() > 3) return std::nullopt;

  // Order of day, month and year in the user's pattern.
  const QString pat = shortDatePattern().toLower();
  std::vector<std::pair<qsizetype, char>> order = {
      {pat.indexOf(QLatin1Char('d')), 'd'}, {pat.indexOf(QLatin1Char('m')), 'm'}, {pat.indexOf(QLatin1Char('y')), 'y'}};
  std::sort(order.begin(), order.end());

  int nameMonth = 0;
  std::vector<QString> numbers;
  for (const auto& t : tokens) {
    if (t.numeric) {
      if (t.text.size() > 4) return std::nullopt;
      numbers.push_back(t.text);
      continue;
    }
    if (nameMonth) return std::nullopt;
    const QString word = stripDot(t.text).toLower();
    for (int m = 1; m <= 12 && !nameMonth; ++m) {
      for (const QString& name : {locale_.monthName(m, QLocale::LongFormat), locale_.monthName(m, QLocale::ShortFormat),
                                  locale_.standaloneMonthName(m, QLocale::LongFormat),
                                  locale_.standaloneMonthName(m, QLocale::ShortFormat)}) {
        if (!name.isEmpty() && stripDot(name).toLower() == word) {
          nameMonth = m;
          break;
        }
      }
    }
    if (!nameMonth) return std::nullopt;
  }

  auto yearOf = [](const QString& digits) {
    const int v = digits.toInt();
    return digits.size() <= 2 ? expandYear(v) : v;
  };
  auto make = [](int y, int m, int d) -> std::optional<double> {
    const QDate date(y, m, d);
    if (!date.isValid() || y < 100 || y > 9999) return std::nullopt;
    return fromDate(date);
  };

  if (nameMonth) {
    if (numbers.size() == 1) return make(currentYear_, nameMonth, numbers[0].toInt());
    if (numbers.size() != 2) return std::nullopt;
    // The two numbers are day and year, in the order of the pattern; a four-digit
    // first number can only be the year.
    const bool yearFirst = numbers[0].size() > 2 || (order[0].second == 'y' && numbers[1].size() <= 2);
    if (yearFirst) return make(yearOf(numbers[0]), nameMonth, numbers[1].toInt());
    return make(yearOf(numbers[1]), nameMonth, numbers[0].toInt());
  }

  if (numbers.size() == 2) {
    // Day and month of the current year, in the pattern's order, else the other way.
    const bool dayFirst = pat.indexOf(QLatin1Char('d')) < pat.indexOf(QLatin1Char('m'));
    const int a = numbers[0].toInt(), b = numbers[1].toInt();
    if (auto r = dayFirst ? make(currentYear_, b, a) : make(currentYear_, a, b)) return r;
    return dayFirst ? make(currentYear_, a, b) : make(currentYear_, b, a);
  }

  // Three numbers: the pattern's order first; if it gives no date, the readings the
  // old runtime also tried (a leading four-digit year, or day and month swapped).
  int d = 0, m = 0, y = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const int v = numbers[i].toInt();
    switch (order[i].second) {
      case 'd': d = v; break;
      case 'm': m = v; break;
      default: y = yearOf(numbers[i]); break;
    }
  }
  const bool yearInPlace = numbers[std::find_if(order.begin(), order.end(), [](auto& o) { return o.second == 'y'; }) -
                                   order.begin()]
                               .size() != 3;
  if (yearInPlace) {
    if (auto r = make(y, m, d)) return r;
    if (auto r = make(y, d, m)) return r;
  }
  if (numbers[0].size() > 2) return make(yearOf(numbers[0]), numbers[1].toInt(), numbers[2].toInt());
  return std::nullopt;
}

std::optional<double> Regional::parseTime(const QString& input) const {
  const QString text = input.trimmed();
  if (text.isEmpty() || text.size() > 32) return std::nullopt;
  const QString sep = QRegularExpression::escape(timeSeparator());
  const QRegularExpression re(QStringLiteral("^(\\d{1,2})(?:(?::|%1)(\\d{1,2})(?:(?::|%1)(\\d{1,2}))?)?\\s*([ap]m?)?$")
                                  .arg(sep),
                              QRegularExpression::CaseInsensitiveOption);
  const auto match = re.match(text);
  if (!match.hasMatch()) return std::nullopt;
  int h = match.captured(1).toInt();
  const int m = match.captured(2).isEmpty() ? 0 : match.captured(2).toInt();
  const int s = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
  const QString ampm = match.captured(4).toLower();
  if (m > 59 || s > 59) return std::nullopt;
  if (!ampm.isEmpty()) {
    if (h > 12) return std::nullopt;
    const bool pm = ampm.startsWith(QLatin1Char('p'));
    if (h == 12) h = 0;
    if (pm) h += 12;
  } else if (h > 23) {
    return std::nullopt;
  }
  return fromTime(h, m, s);
}

std::optional<double> Regional::parseDateTime(const QString& input) const {
  const QString text = input.trimmed();
  if (auto t = parseTime(text)) return t;
  if (auto d = parseDate(text)) return d;
  // A date followed by a time: try each blank as the place where the time begins.
  for (qsizetype i = text.indexOf(QLatin1Char(' ')); i > 0; i = text.indexOf(QLatin1Char(' '), i + 1)) {
    const auto d = parseDate(text.left(i));
    if (!d) continue;
    const auto t = parseTime(text.mid(i + 1));
    if (t) return *d >= 0 ? *d + *t : *d - *t;
  }
  return std::nullopt;
}

std::optional<double> Regional::parseNumber(const QString& input) const {
  const QString text = input.trimmed();
  if (text.isEmpty() || text.size() > 400) return std::nullopt;
  const QString dec = decimalSeparator();
  const QString group = locale_.groupSeparator();
  QString plain;
  plain.reserve(text.size());
  qsizetype i = 0;
  const qsizetype n = text.size();
  if (text.at(0) == QLatin1Char('+') || text.at(0) == QLatin1Char('-')) {
    plain += text.at(0);
    ++i;
  }
  int digits = 0;
  bool seenDec = false;
  for (; i < n; ++i) {
    const QChar c = text.at(i);
    if (c.isDigit() && c.unicode() < 128) {
      plain += c;
      ++digits;
    } else if (!seenDec && text.mid(i, dec.size()) == dec) {
      plain += QLatin1Char('.');
      seenDec = true;
      i += dec.size() - 1;
    } else if (!seenDec && !group.isEmpty() && text.mid(i, group.size()) == group && digits > 0 && i + group.size() < n &&
               text.at(i + group.size()).isDigit()) {
      i += group.size() - 1;  // a group separator between digits of the whole part
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
    qsizetype j = i + 1;
    QString exp = QStringLiteral("e");
    if (j < n && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-'))) exp += text.at(j++);
    const qsizetype startDigits = j;
    while (j < n && text.at(j).isDigit() && text.at(j).unicode() < 128) exp += text.at(j++);
    if (j == startDigits) return std::nullopt;
    plain += exp;
    i = j;
  }
  if (i != n) return std::nullopt;
  bool ok = false;
  const double v = plain.toDouble(&ok);
  if (!ok && !plain.contains(QLatin1Char('e'))) return std::nullopt;
  return v;
}

double Regional::val(const QString& text) {
  QString plain;
  bool digits = false, dot = false, exp = false, expDigits = false;
  for (const QChar c : text) {
    if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) continue;
    if (plain.isEmpty() && (c == QLatin1Char('+') || c == QLatin1Char('-'))) {
      plain += c;
    } else if (c.isDigit() && c.unicode() < 128) {
      plain += c;
      if (exp) expDigits = true;
      else digits = true;
    } else if (c == QLatin1Char('.') && !dot && !exp) {
      plain += c;
      dot = true;
    } else if ((c == QLatin1Char('e') || c == QLatin1Char('E') || c == QLatin1Char('d') || c == QLatin1Char('D')) &&
               digits && !exp) {
      plain += QLatin1Char('e');
      exp = true;
    } else if (exp && !expDigits && (c == QLatin1Char('+') || c == QLatin1Char('-')) &&
               plain.endsWith(QLatin1Char('e'))) {
      plain += c;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  if (exp && !expDigits) plain = plain.left(plain.lastIndexOf(QLatin1Char('e')));
  bool ok = false;
  const double v = plain.toDouble(&ok);
  if (ok) return v;
  // Out of range: the sign of the number, as large as a double goes.
  return plain.startsWith(QLatin1Char('-')) ? -HUGE_VAL : HUGE_VAL;
}

}  // namespace prandel
