// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/Regional.h"

namespace prandel {
namespace {

const QLocale kEnUs(QLocale::English, QLocale::UnitedStates);
const QLocale kDeDe(QLocale::German, QLocale::Germany);

double at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return Regional::fromDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

QString q(const char* text) { return QString::fromUtf8(text); }
// Compared as UTF-8 so that a failure prints readable text.
std::string u8(const QString& text) { return text.toStdString(); }

// --- Date values ----------------------------------------------------------------------

TEST(RegionalDates, SerialNumbersCountFrom30December1899) {
  EXPECT_EQ(Regional::fromDate(QDate(1899, 12, 30)), 0.0);
  EXPECT_EQ(Regional::fromDate(QDate(2024, 12, 25)), 45651.0);
  EXPECT_EQ(Regional::fromTime(6, 0, 0), 0.25);
  EXPECT_EQ(Regional::fromTime(24, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(at(2024, 12, 25, 18), 45651.75);
  EXPECT_EQ(Regional::weekday(45651.0), 4);  // a Wednesday
  EXPECT_EQ(Regional::weekday(0.0), 7);      // a Saturday
  EXPECT_TRUE(std::isnan(Regional::fromDate(QDate())));
}

TEST(RegionalDates, PartsAreTakenAfterRoundingToTheSecond) {
  const Regional r(kEnUs);
  const double almostEight = Regional::fromDate(QDate(2024, 12, 25)) + (8 * 3600 - 0.002) / 86400.0;
  EXPECT_EQ(r.formatDate(almostEight, QStringLiteral("hh:mm")), QStringLiteral("08:00"));
  EXPECT_EQ(Regional::timePart(almostEight), QTime(8, 0, 0));
  EXPECT_DOUBLE_EQ(Regional::roundToSecond(almostEight), at(2024, 12, 25, 8));

  // The last instant of a year rounds into the next day, month and year.
  const double almostNewYear = Regional::fromDate(QDate(2024, 12, 31)) + (86400 - 0.4) / 86400.0;
  EXPECT_EQ(Regional::datePart(almostNewYear), QDate(2025, 1, 1));
  EXPECT_EQ(Regional::timePart(almostNewYear), QTime(0, 0, 0));
  EXPECT_EQ(Regional::weekday(almostNewYear), 4);
  EXPECT_EQ(r.formatDate(almostNewYear, QStringLiteral("dd-mmm-yyyy hh:mm:ss")), QStringLiteral("01-Jan-2025 00:00:00"));
}

TEST(RegionalDates, NegativeValuesCountDaysTowardZeroAndTimeForward) {
  struct Case {
    double value;
    QDate date;
    QTime time;
    int weekday;
  };
  const Case cases[] = {
      {-1.25, QDate(1899, 12, 29), QTime(6, 0), 6},
      {-0.5, QDate(1899, 12, 30), QTime(12, 0), 7},
      {-2.0, QDate(1899, 12, 28), QTime(0, 0), 5},
      {-1.0 - (86400 - 0.3) / 86400.0, QDate(1899, 12, 30), QTime(0, 0), 7},  // rounds into the next day
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(Regional::datePart(c.value), c.date);
    EXPECT_EQ(Regional::timePart(c.value), c.time);
    EXPECT_EQ(Regional::weekday(c.value), c.weekday);
  }
  EXPECT_EQ(at(1899, 12, 29, 6), -1.25);
  EXPECT_EQ(Regional(kEnUs).formatDate(-1.25, QStringLiteral("dd-mmm-yyyy hh:mm")), QStringLiteral("29-Dec-1899 06:00"));
}

TEST(RegionalDates, InvalidValuesFormatEmptyAndFailEveryTest) {
  const Regional r(kEnUs);
  const double lastSecond = Regional::fromDate(QDate(9999, 12, 31)) + 86399.0 / 86400.0;
  const double invalid[] = {
      std::numeric_limits<double>::quiet_NaN(),
      std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(),
      1e300,
      -1e300,
      1e19,  // beyond every integer type
      Regional::fromDate(QDate(9999, 12, 31)) + 1,
      lastSecond + 0.9 / 86400.0,  // rounds into the year 10000
      Regional::fromDate(QDate(100, 1, 1)) - 1,
  };
  for (const double v : invalid) {
    SCOPED_TRACE(v);
    EXPECT_FALSE(Regional::isValidDate(v));
    EXPECT_EQ(r.formatDate(v, QStringLiteral("Short Date")), QString());
    EXPECT_EQ(r.formatDate(v, QStringLiteral("hh:mm")), QString());
    EXPECT_EQ(Regional::datePart(v), std::nullopt);
    EXPECT_EQ(Regional::timePart(v), std::nullopt);
    EXPECT_EQ(Regional::weekday(v), 0);
  }
  EXPECT_TRUE(std::isnan(Regional::roundToSecond(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(Regional::roundToSecond(1e300), 1e300);

  EXPECT_EQ(Regional::datePart(lastSecond), QDate(9999, 12, 31));
  EXPECT_EQ(Regional::timePart(lastSecond), QTime(23, 59, 59));
  EXPECT_EQ(Regional::datePart(Regional::fromDate(QDate(100, 1, 1)) - 0.5), QDate(100, 1, 1));
}

// --- Formatting ------------------------------------------------------------------------

struct FormatCase {
  const QLocale* locale;
  double value;
  const char* pattern;
  const char* expected;
};

TEST(RegionalFormat, DatePatternsInBothLocales) {
  const double christmas = at(2024, 12, 25, 7, 5, 9);  // a Wednesday
  const double evening = at(2024, 12, 25, 19, 5, 0);
  const double epiphanyEve = at(2003, 1, 5);
  const double march = at(2024, 3, 1, 0, 30);
  const FormatCase cases[] = {
      {&kEnUs, christmas, "Short Date", "12/25/2024"},
      {&kDeDe, christmas, "Short Date", "25.12.2024"},
      {&kEnUs, epiphanyEve, "Short Date", "1/5/2003"},
      {&kDeDe, epiphanyEve, "Short Date", "05.01.2003"},
      {&kEnUs, christmas, "dd-mmm-yyyy", "25-Dec-2024"},
      {&kDeDe, christmas, "dd-mmm-yyyy", "25-Dez-2024"},
      {&kEnUs, epiphanyEve, "dd-mmm-yy", "05-Jan-03"},
      {&kDeDe, march, "dd-mmm-yy", "01-Mär-24"},
      {&kEnUs, christmas, "dddd", "Wednesday"},
      {&kDeDe, christmas, "Dddd", "Mittwoch"},
      {&kEnUs, christmas, "Ddd", "Wed"},
      {&kDeDe, christmas, "Ddd", "Mi"},
      {&kEnUs, christmas, "Mmmm", "December"},
      {&kDeDe, march, "Mmmm", "März"},
      {&kEnUs, christmas, "Mmm", "Dec"},
      {&kDeDe, christmas, "Mmm", "Dez"},
      {&kEnUs, christmas, "hh:mm", "07:05"},
      {&kDeDe, christmas, "hh:mm:ss", "07:05:09"},
      {&kEnUs, evening, "hh:mm", "19:05"},
      {&kEnUs, christmas, "h:mm", "7:05"},
      {&kDeDe, march, "h:mm", "0:30"},
      {&kEnUs, christmas, "d/m/yy", "25/12/24"},
      {&kDeDe, christmas, "d/m/yy", "25.12.24"},
      {&kEnUs, epiphanyEve, "d, Mmm", "5, Jan"},
      {&kDeDe, christmas, "d, Mmm", "25, Dez"},
      {&kEnUs, christmas, "DD-MM-YYYY", "25-12-2024"},
      {&kDeDe, epiphanyEve, "DD-MM-YYYY", "05-01-2003"},
      // "m" is the minute only next to an hour; "n" always is.
      {&kEnUs, christmas, "mm", "12"},
      {&kEnUs, christmas, "h m", "7 5"},
      {&kEnUs, christmas, "nn", "05"},
      {&kEnUs, christmas, "\"day\" d", "day 25"},
      {&kEnUs, evening, "h:mm AM/PM", "7:05 PM"},
      {&kEnUs, march, "h:mm am/pm", "12:30 am"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(u8(c.locale->name()) + ' ' + c.pattern);
    EXPECT_EQ(u8(Regional(*c.locale).formatDate(c.value, q(c.pattern))), c.expected);
  }
}

TEST(RegionalFormat, NumberPatterns) {
  const FormatCase cases[] = {
      {&kEnUs, 5, "00", "05"},
      {&kEnUs, 123, "00", "123"},
      {&kEnUs, -5, "00", "-05"},
      {&kEnUs, 0, "00", "00"},
      {&kEnUs, 4.5, "00", "05"},
      {&kEnUs, 7.49, "00", "07"},
      {&kEnUs, 0.125, "#0.00", "0.13"},
      {&kEnUs, -0.125, "#0.00", "-0.13"},
      {&kEnUs, 0, "#0.00", "0.00"},
      {&kEnUs, 0.004, "#0.00", "0.00"},
      {&kEnUs, 99.999, "#0.00", "100.00"},
      {&kEnUs, 1234567.5, "#0.00", "1234567.50"},
      {&kDeDe, 0.125, "#0.00", "0,13"},
      {&kDeDe, 1234.5, "#0.00", "1234,50"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(u8(c.locale->name()) + ' ' + c.pattern + ' ' + std::to_string(c.value));
    EXPECT_EQ(u8(Regional(*c.locale).formatNumber(c.value, q(c.pattern))), c.expected);
  }
}

TEST(RegionalFormat, NumbersThatCannotBeShown) {
  const Regional r(kEnUs);
  EXPECT_EQ(r.formatNumber(std::numeric_limits<double>::quiet_NaN(), QStringLiteral("#0.00")), QString());
  EXPECT_EQ(r.formatNumber(std::numeric_limits<double>::infinity(), QStringLiteral("00")), QString());
  const QString huge = r.formatNumber(1e300, QStringLiteral("#0.00"));
  EXPECT_EQ(huge, QStringLiteral("1") + QString(300, QLatin1Char('0')) + QStringLiteral(".00"));
}

TEST(RegionalFormat, NumberTextIsTheShortestFifteenDigitForm) {
  const FormatCase cases[] = {
      {&kEnUs, 0.1, "", "0.1"},
      {&kEnUs, 2345.5, "", "2345.5"},
      {&kEnUs, 100, "", "100"},
      {&kEnUs, 0, "", "0"},
      {&kEnUs, -7.25, "", "-7.25"},
      {&kEnUs, 1.0 / 3.0, "", "0.333333333333333"},
      {&kEnUs, 0.1 + 0.2, "", "0.3"},
      {&kEnUs, 123456789012345, "", "123456789012345"},
      {&kEnUs, 1e15, "", "1E+15"},
      {&kEnUs, 1e20, "", "1E+20"},
      {&kEnUs, 0.0001, "", "0.0001"},
      {&kEnUs, 1e-5, "", "1E-05"},
      {&kEnUs, -2.5e300, "", "-2.5E+300"},
      {&kDeDe, 1.5, "", "1,5"},
      {&kDeDe, 1.5e-7, "", "1,5E-07"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(u8(Regional(*c.locale).numberText(c.value)), c.expected);
  }
}

// --- Names and separators ----------------------------------------------------------

TEST(RegionalLocale, SeparatorsAndShortDatePattern) {
  const Regional en(kEnUs), de(kDeDe);
  EXPECT_EQ(en.decimalSeparator(), QStringLiteral("."));
  EXPECT_EQ(de.decimalSeparator(), QStringLiteral(","));
  EXPECT_EQ(en.timeSeparator(), QStringLiteral(":"));
  EXPECT_EQ(de.timeSeparator(), QStringLiteral(":"));
  EXPECT_EQ(en.dateSeparator(), QStringLiteral("/"));
  EXPECT_EQ(de.dateSeparator(), QStringLiteral("."));
  EXPECT_EQ(en.shortDatePattern(), QStringLiteral("M/d/yyyy"));
  EXPECT_EQ(de.shortDatePattern(), QStringLiteral("dd.MM.yyyy"));
  // The C locale names the month even in its short form; date boxes take digits.
  const Regional c(QLocale::c());
  EXPECT_EQ(c.shortDatePattern(), QStringLiteral("dd/MM/yyyy"));
  EXPECT_EQ(c.dateSeparator(), QStringLiteral("/"));
  EXPECT_EQ(c.formatDate(45651, QStringLiteral("Short Date")), QStringLiteral("25/12/2024"));
  EXPECT_EQ(c.parseDate(QStringLiteral("25/12/2024")), 45651);
}

TEST(RegionalLocale, DayAndMonthNamesCountFromSunday) {
  const Regional en(kEnUs), de(kDeDe);
  EXPECT_EQ(en.dayName(1, false), QStringLiteral("Sunday"));
  EXPECT_EQ(en.dayName(7, true), QStringLiteral("Sat"));
  EXPECT_EQ(de.dayName(1, false), QStringLiteral("Sonntag"));
  EXPECT_EQ(de.dayName(2, true), QStringLiteral("Mo"));
  EXPECT_EQ(de.monthName(3, true), q("Mär"));
  EXPECT_EQ(de.monthName(3, false), q("März"));
  EXPECT_EQ(en.monthName(12, false), QStringLiteral("December"));
  EXPECT_EQ(en.dayName(0, false), QString());
  EXPECT_EQ(en.dayName(8, true), QString());
  EXPECT_EQ(en.monthName(13, true), QString());
}

// --- Parsing -----------------------------------------------------------------------

struct ParseCase {
  const QLocale* locale;
  const char* text;
  std::optional<QDate> expected;
};

TEST(RegionalParse, DatesInThePatternsOrder) {
  const std::optional<QDate> no;
  const ParseCase cases[] = {
      {&kEnUs, "12/25/2024", QDate(2024, 12, 25)},
      {&kEnUs, " 12-25-2024 ", QDate(2024, 12, 25)},
      {&kEnUs, "12.25.2024", QDate(2024, 12, 25)},
      {&kEnUs, "12 25 2024", QDate(2024, 12, 25)},
      {&kEnUs, "2/29/2024", QDate(2024, 2, 29)},
      {&kEnUs, "1/5/29", QDate(2029, 1, 5)},
      {&kEnUs, "1/5/30", QDate(1930, 1, 5)},
      {&kEnUs, "1/5/00", QDate(2000, 1, 5)},
      {&kEnUs, "1/5", QDate(2026, 1, 5)},
      {&kEnUs, "25-Dec-2024", QDate(2024, 12, 25)},
      {&kEnUs, "25 DECEMBER 24", QDate(2024, 12, 25)},
      {&kEnUs, "Dec 25, 2024", QDate(2024, 12, 25)},
      {&kEnUs, "5-jan", QDate(2026, 1, 5)},
      {&kDeDe, "25.12.2024", QDate(2024, 12, 25)},
      {&kDeDe, "25.12.24", QDate(2024, 12, 25)},
      {&kDeDe, "25/12/2024", QDate(2024, 12, 25)},
      {&kDeDe, "1.3", QDate(2026, 3, 1)},
      {&kDeDe, "25-Dez-2024", QDate(2024, 12, 25)},
      {&kDeDe, "1. März 2024", QDate(2024, 3, 1)},
      {&kDeDe, "30.Sept.2024", QDate(2024, 9, 30)},
      // Refused.
      {&kEnUs, "", no},
      {&kEnUs, "abc", no},
      {&kEnUs, "2/31/2024", no},
      {&kEnUs, "13/1/2024", no},
      {&kEnUs, "25/12/2024", no},
      {&kEnUs, "2/29/2023", no},
      {&kEnUs, "12/25/2024 10:30", no},
      {&kEnUs, "1/2/3/4", no},
      {&kEnUs, "12", no},
      {&kEnUs, "12//25", no},
      {&kEnUs, "12/25/", no},
      {&kEnUs, "12/25/10000", no},
      {&kEnUs, "1225/2024", no},
      {&kEnUs, "Foo 25, 2024", no},
      {&kEnUs, "25 Dec Jan", no},
      {&kEnUs, "1/1/99999", no},
      {&kDeDe, "31.02.2024", no},
      {&kDeDe, "1.13.2024", no},
      {&kDeDe, "1,5", no},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(u8(c.locale->name()) + " \"" + c.text + '"');
    Regional r(*c.locale);
    r.setCurrentYear(2026);
    const auto v = r.parseDate(q(c.text));
    ASSERT_EQ(v.has_value(), c.expected.has_value());
    if (v) {
      EXPECT_EQ(*v, Regional::fromDate(*c.expected));
    }
  }
}

TEST(RegionalParse, Times) {
  struct Case {
    const char* text;
    std::optional<QTime> expected;
  };
  const std::optional<QTime> no;
  const Case cases[] = {
      {"9:5", QTime(9, 5)},
      {"09:30", QTime(9, 30)},
      {" 13:45:10 ", QTime(13, 45, 10)},
      {"0:00", QTime(0, 0)},
      {"1:30 pm", QTime(13, 30)},
      {"1:30PM", QTime(13, 30)},
      {"1:30 p", QTime(13, 30)},
      {"11:59:59 A", QTime(11, 59, 59)},
      {"12 am", QTime(0, 0)},
      {"12 pm", QTime(12, 0)},
      {"12:15 AM", QTime(0, 15)},
      {"24:00", no},
      {"23:60", no},
      {"10:00:60", no},
      {"13 pm", no},
      {"0 am", no},
      {"9", no},
      {"", no},
      {"9:", no},
      {"1:2:3:4", no},
      {"10:30 xm", no},
      {"-1:00", no},
      {"123:00", no},
  };
  for (const QLocale* locale : {&kEnUs, &kDeDe}) {
    const Regional r(*locale);
    for (const Case& c : cases) {
      SCOPED_TRACE(u8(locale->name()) + " \"" + c.text + '"');
      const auto v = r.parseTime(q(c.text));
      ASSERT_EQ(v.has_value(), c.expected.has_value());
      if (v) {
        EXPECT_DOUBLE_EQ(*v, c.expected->msecsSinceStartOfDay() / 86400000.0);
        EXPECT_EQ(Regional::timePart(*v), c.expected);
      }
    }
  }
}

TEST(RegionalParse, DateTimes) {
  Regional en(kEnUs);
  en.setCurrentYear(2026);
  EXPECT_EQ(en.parseDateTime(QStringLiteral("12/25/2024 10:30")), at(2024, 12, 25, 10, 30));
  EXPECT_EQ(en.parseDateTime(QStringLiteral("25-Dec-2024  1:30 pm")), at(2024, 12, 25, 13, 30));
  EXPECT_EQ(en.parseDateTime(QStringLiteral("12/29/1899 6:00")), -1.25);
  EXPECT_EQ(en.parseDateTime(QStringLiteral("10:30")), Regional::fromTime(10, 30, 0));
  EXPECT_EQ(en.parseDateTime(QStringLiteral("12/25/2024")), at(2024, 12, 25));
  EXPECT_TRUE(en.isDate(QStringLiteral("1/5 12 am")));
  EXPECT_FALSE(en.isDate(QStringLiteral("12/25/2024 25:00")));
  EXPECT_FALSE(en.isDate(QStringLiteral("10:30 12/25/2024")));
  EXPECT_FALSE(en.isDate(QStringLiteral("12/25/2024 10:30 x")));
  const Regional de(kDeDe);
  EXPECT_EQ(de.parseDateTime(QStringLiteral("25.12.2024 07:05:09")), at(2024, 12, 25, 7, 5, 9));
}

TEST(RegionalParse, TwoDigitYears) {
  EXPECT_EQ(Regional::expandYear(0), 2000);
  EXPECT_EQ(Regional::expandYear(29), 2029);
  EXPECT_EQ(Regional::expandYear(30), 1930);
  EXPECT_EQ(Regional::expandYear(99), 1999);
}

struct NumberCase {
  const QLocale* locale;
  const char* text;
  std::optional<double> expected;
};

TEST(RegionalParse, NumbersInTheLocalesNotation) {
  const std::optional<double> no;
  const NumberCase cases[] = {
      {&kEnUs, "1.5", 1.5},
      {&kEnUs, " -2.25 ", -2.25},
      {&kEnUs, "+3", 3.0},
      {&kEnUs, "1,234.5", 1234.5},
      {&kEnUs, "1,234,567", 1234567.0},
      {&kEnUs, ".5", 0.5},
      {&kEnUs, "5.", 5.0},
      {&kEnUs, "1e3", 1000.0},
      {&kEnUs, "1.5E-2", 0.015},
      {&kEnUs, "-1e+2", -100.0},
      {&kDeDe, "1,5", 1.5},
      {&kDeDe, "1.234,5", 1234.5},
      {&kDeDe, "-0,25", -0.25},
      // Refused.
      {&kEnUs, "", no},
      {&kEnUs, "  ", no},
      {&kEnUs, "abc", no},
      {&kEnUs, "1.2.3", no},
      {&kEnUs, ".", no},
      {&kEnUs, "-", no},
      {&kEnUs, "--1", no},
      {&kEnUs, "12abc", no},
      {&kEnUs, "1e", no},
      {&kEnUs, "e5", no},
      {&kEnUs, ",5", no},
      {&kEnUs, "1,", no},
      {&kEnUs, "1,,000", no},
      {&kEnUs, "1 000", no},
      {&kEnUs, "1e999", no},
      {&kDeDe, "1,2,3", no},
      {&kDeDe, ",", no},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(u8(c.locale->name()) + " \"" + c.text + '"');
    const Regional r(*c.locale);
    const auto v = r.parseNumber(q(c.text));
    ASSERT_EQ(v.has_value(), c.expected.has_value());
    if (v) {
      EXPECT_DOUBLE_EQ(*v, *c.expected);
    }
    EXPECT_EQ(r.isNumeric(q(c.text)), c.expected.has_value());
  }
}

TEST(RegionalParse, ValReadsTheLeadingNumber) {
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {
      {"", 0.0},
      {"abc", 0.0},
      {"-", 0.0},
      {"12abc", 12.0},
      {" 1 2 ", 12.0},
      {"\t+4\n2", 42.0},
      {"1,5", 1.0},
      {"-3.5x", -3.5},
      {".5", 0.5},
      {"1.2.3", 1.2},
      {"1e3", 1000.0},
      {"2.5E-1x", 0.25},
      {"7e", 7.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(Regional::val(q(c.text)), c.expected);
  }
  EXPECT_TRUE(std::isinf(Regional::val(QStringLiteral("1e999"))));
  EXPECT_EQ(Regional::val(QStringLiteral("1e-999")), 0.0);
  EXPECT_EQ(Regional::val(QStringLiteral("1") + QString(400, QLatin1Char('0'))),
            std::numeric_limits<double>::infinity());
}

}  // namespace
}  // namespace prandel
