// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Regional conversions in the user's locale, as the old runtime did them: is this
// text a date, a time, a number; turn it into a value; format a value with a
// pattern. Dates are Doubles of days since 1899-12-30 whose fraction is the time of
// day. Every extraction of a part and every formatting first rounds the value to the
// nearest second. Values that are NaN, infinite or outside the years 100..9999 are
// invalid: they format as an empty text and every test on them is false.
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>
#include <optional>

namespace prandel {

class Regional {
 public:
  explicit Regional(QLocale locale = QLocale::system());
  const QLocale& locale() const { return locale_; }

  // --- Date values --------------------------------------------------------------
  static bool isValidDate(double d);
  // Rounded to the nearest second; an invalid value is returned as it is.
  static double roundToSecond(double d);
  // Calendar date and time of day of a value (after rounding); nullopt if invalid.
  static std::optional<QDate> datePart(double d);
  static std::optional<QTime> timePart(double d);
  static double fromDate(const QDate& date);          // midnight of that date
  static double fromTime(int h, int m, int s);        // a pure time of day, 0 <= t < 1
  // An invalid date gives NaN; an invalid time counts as midnight.
  static double fromDateTime(const QDate& date, const QTime& time);
  // 1 = Sunday .. 7 = Saturday; 0 when invalid.
  static int weekday(double d);

  // --- Formatting -------------------------------------------------------------------
  // Patterns of the old runtime's Format: "Short Date", "Short Time", "Long Time",
  // and custom date patterns built of d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn
  // s ss (letters in any case; m after h is the minute), "/" (the date separator),
  // ":" (the time separator), AM/PM and literal text.
  QString formatDate(double d, const QString& pattern) const;
  // Numeric patterns: "00" (at least two integer digits, no decimals) and "#0.00"
  // (at least one integer digit, exactly two decimals), rounded; the locale's decimal
  // sign, no digit grouping. Rounding is half away from zero on the 15-digit form
  // that numberText shows; NaN and infinities give an empty text.
  QString formatNumber(double v, const QString& pattern) const;
  // The ordinary text of a number: up to 15 significant digits, shortest form, the
  // locale's decimal sign, no grouping (what the old runtime's CStr gave).
  QString numberText(double v) const;

  // --- Names --------------------------------------------------------------------
  // weekday 1 = Sunday .. 7 = Saturday; month 1..12.
  QString dayName(int weekday, bool abbreviated) const;
  QString monthName(int month, bool abbreviated) const;

  // --- Separators -----------------------------------------------------------------
  QString decimalSeparator() const;  // second character of 0.5 as text
  QString timeSeparator() const;     // second character of 01:00 as "h:mm"
  QString dateSeparator() const;     // second character of 2003-01-01 as "d/m/yy"
  // The user's short date pattern, with four-digit years ("M/d/yyyy", "dd.MM.yyyy").
  QString shortDatePattern() const;

  // --- Parsing ------------------------------------------------------------------
  // A date text in the order of the short date pattern, with "/", "-", ".", the
  // locale separator or blanks between the parts, month names (short or full) in
  // place of the month, and a two-digit year read as 1930..2029. Two parts (day and
  // month) take the current year. A time after the date is refused here (a date
  // field must not pick up a time of day); parseDateTime takes both.
  std::optional<double> parseDate(const QString& text) const;
  // h[:mm[:ss]] with an optional am/pm; hours 0..23 (1..12 with am/pm). "24:00" is
  // not a time. The result is a fraction of a day.
  std::optional<double> parseTime(const QString& text) const;
  // A date, a time, or a date followed by a time.
  std::optional<double> parseDateTime(const QString& text) const;
  bool isDate(const QString& text) const { return parseDateTime(text).has_value(); }

  // A number in the locale's notation: blanks around it, an optional sign, digits
  // with optional group separators, one decimal sign, an optional exponent.
  std::optional<double> parseNumber(const QString& text) const;
  bool isNumeric(const QString& text) const { return parseNumber(text).has_value(); }
  // The old runtime's Val: the leading number of a text, "." as the decimal mark,
  // blanks skipped; 0 when there is none.
  static double val(const QString& text);

  // The year a two-digit year stands for.
  static int expandYear(int twoDigitYear);

  // The year that dates without one take (today's year unless a test sets it).
  int currentYear() const { return currentYear_; }
  void setCurrentYear(int year) { currentYear_ = year; }

 private:
  QLocale locale_;
  int currentYear_;
  // Derived once from the locale: formatting asks for them on every call.
  QString decimalSep_;
  QString timeSep_;
  QString dateSep_;
  QString shortDatePattern_;
};

}  // namespace prandel
