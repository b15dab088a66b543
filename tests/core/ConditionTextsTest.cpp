// SPDX-License-Identifier: GPL-3.0-or-later
// The texts that describe a condition, as tables of records and the lines they
// give, in an English and a German locale and with the tracker's decimal commas.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QLocale>
#include <functional>

#include "core/ConditionTexts.h"
#include "core/Notation.h"
#include "core/Regional.h"
#include "store/ExpenseCondition.h"
#include "store/MainRecord.h"

namespace prandel {
namespace {

using Shape = std::function<void(store::ExpenseCondition&)>;

QLocale enUS() { return QLocale(QLocale::English, QLocale::UnitedStates); }
QLocale deDE() { return QLocale(QLocale::German, QLocale::Germany); }

// One in-use condition, shaped by a function.
store::ExpenseCondition condition(const Shape& shape = {}) {
  store::ExpenseCondition c;
  c.InUse = true;
  if (shape) shape(c);
  return c;
}

// A time of day as the runtime holds it.
double hm(int h, int m, int s = 0) { return (h * 3600 + m * 60 + s) / 86400.0; }

// The regional settings and the main record a description is written with.
struct Describing {
  explicit Describing(const QLocale& locale = enUS()) : regional(locale) {}
  Regional regional;
  store::MainRecord main;
};

struct Described {
  const char* name;
  Shape shape;
  std::vector<std::pair<int, const char*>> lines;  // label index and caption; the others hidden
};

void expectLines(const Describing& k, const Described& d) {
  const auto got = describeCondition(k.regional, k.main, condition(d.shape));
  DetailLines want;
  for (const auto& [i, text] : d.lines) want[static_cast<std::size_t>(i)] = QString::fromUtf8(text);
  for (std::size_t i = 0; i < want.size(); ++i)
    EXPECT_EQ(got[i].value_or(QStringLiteral("<hidden>")), want[i].value_or(QStringLiteral("<hidden>")))
        << d.name << ", line " << i;
}

TEST(ConditionTexts, DetailLinesInEnglish) {
  const Described cases[] = {
      {"per call on weekdays with custom call time and ISP charge",
       [](auto& c) {
         c.Amt = 1.5, c.PerCall = true, c.PerType = 5, c.TimeType = 1, c.TimeStart = hm(8, 0), c.TimeEnd = hm(18, 0);
         c.CustCall = true, c.CallTime = hm(0, 1, 30), c.IspOn = 12, c.IspAmt = 0.5;
       },
       {{0, "Amount : $ 1.50 Per Call"},
        {1, "Period : On Weekdays (Mon-Fri)."},
        {2, "Time : From 08:00 To 18:00"},
        {3, "Custom Call Time : 00:01:30"},
        {4, "Other ISP Charges : $ 0.50"}}},
      {"weekly period takes the time line's place",
       [](auto& c) { c.Amt = 2, c.PerType = 7, c.WkStart = 570, c.WkEnd = 2460, c.ConVal = true, c.ConNm = "MyISP   "; },
       {{0, "Amount : $ 2.00 Per Hour"},
        {1, "Period : From Sunday 09:30 To Monday 17:00"},
        {2, "Connection Valid For : \"MyISP\" Connection"}}},
      {"per hour shows no call lines",
       [](auto& c) { c.Amt = 0.1, c.CustCall = true, c.CallTime = hm(0, 1, 0), c.IspOn = 12, c.IspAmt = 1; },
       {{0, "Amount : $ 0.10 Per Hour"}, {1, "Period : Every Day"}, {2, "Time : For a Whole Day"}}},
      {"per call with the default call time",
       [](auto& c) { c.Amt = 2345.5, c.PerCall = true, c.PerType = 6, c.TimeType = 2, c.TimeStart = hm(9, 0); },
       {{0, "Amount : $ 2345.50 Per Call"},
        {1, "Period : On Weekends (Sat-Sun)."},
        {2, "Time : Before 09:00"},
        {3, "Default Call Time : 00:00:30"}}},
      {"three or more decimals and whole hundreds stay",
       [](auto& c) { c.Amt = 0.125, c.AmtKind = 3, c.PerType = 4, c.TimeType = 3, c.TimeStart = hm(22, 0); },
       {{0, "Amount : $ 0.125 Per MB"}, {1, "Period : On Holidays."}, {2, "Time : After 22:00"}}},
      {"once", [](auto& c) { c.Amt = 100, c.AmtKind = 2, c.PerCall = true, c.CustCall = true, c.InTimeOn = true; },
       {{0, "Amount : $ 100 Only At Once"}, {1, "Period : Every Day"}, {2, "Time : For a Whole Day"}}},
      {"free once", [](auto& c) { c.AmtKind = 2; },
       {{0, "Amount : Free of charge"}, {1, "Period : Every Day"}, {2, "Time : For a Whole Day"}}},
      {"free per MB", [](auto& c) { c.AmtKind = 3, c.PerType = 1, c.PerNum = 3; },
       {{0, "Amount : Free of charge"}, {1, "Period : On Wednesday"}, {2, "Time : For a Whole Day"}}},
      {"only the initial call is charged",
       [](auto& c) { c.InCall = true, c.InCallAmt = 0.2, c.PerType = 2, c.PerNum = 11; },
       {{0, "Amount : $ 0.20 For Initial Call "}, {1, "Period : In December"}, {2, "Time : For a Whole Day"}}},
      {"nothing charged at all", [](auto& c) { c.InCall = true; },
       {{0, "Amount : Free of charge"}, {1, "Period : Every Day"}, {2, "Time : For a Whole Day"}}},
      {"initial amount and time",
       [](auto& c) {
         c.Amt = 1, c.InCall = true, c.InCallAmt = 0.2, c.InTimeOn = true, c.InTime = hm(0, 0, 45), c.PerType = 3;
         c.PerStart = 37626, c.PerEnd = 37662;
       },
       {{0, "Amount : $ 1.00 Per Hour"},
        {1, "Period : From 05-Jan-03 To 10-Feb-03"},
        {2, "Time : For a Whole Day"},
        {3, "Initial Call Amount : $ 0.20"},
        {4, "Initial Call Time : 00:00:45 For Initial Call"}}},
      {"time filters in whole minutes",
       [](auto& c) { c.Amt = 1, c.CondItem = 3, c.CondCmp = 0, c.CondVal = 5400; },
       {{0, "Amount : $ 1.00 Per Hour"},
        {1, "Period : Every Day"},
        {2, "Time : For a Whole Day"},
        {3, "Condition Filter : Total Time equals 01:30:00"}}},
      {"seconds below a minute", [](auto& c) { c.Amt = 1, c.CondItem = 2, c.CondCmp = 2, c.CondVal = 59; },
       {{0, "Amount : $ 1.00 Per Hour"},
        {1, "Period : Every Day"},
        {2, "Time : For a Whole Day"},
        {3, "Condition Filter : Todays Time is greater than 00:00:00"}}},
      {"a hundred hours", [](auto& c) { c.Amt = 1, c.CondItem = 8, c.CondCmp = 5, c.CondVal = 360000; },
       {{0, "Amount : $ 1.00 Per Hour"},
        {1, "Period : Every Day"},
        {2, "Time : For a Whole Day"},
        {3, "Condition Filter : Countdown is less than or equals to 100:00:00"}}},
      {"plain filter values",
       [](auto& c) { c.Amt = 1, c.PerType = 7, c.WkStart = 9960, c.WkEnd = 360, c.CondItem = 11, c.CondCmp = 4, c.CondVal = 2.5; },
       {{0, "Amount : $ 1.00 Per Hour"},
        {1, "Period : From Saturday 22:00 To Sunday 06:00"},
        {2, "Condition Filter : Sent (in MB) is less than 2.5"}}},
      {"every optional line in order",
       [](auto& c) {
         c.Amt = 3, c.PerCall = true, c.CustCall = true, c.CallTime = hm(0, 0, 10), c.IspOn = 12, c.IspAmt = 4;
         c.InCall = true, c.InCallAmt = 5, c.InTimeOn = true, c.InTime = hm(0, 2, 0), c.ConVal = true, c.ConNm = "A";
         c.CondItem = 7, c.CondCmp = 1, c.CondVal = 10;
       },
       {{0, "Amount : $ 3.00 Per Call"},
        {1, "Period : Every Day"},
        {2, "Time : For a Whole Day"},
        {3, "Custom Call Time : 00:00:10"},
        {4, "Other ISP Charges : $ 4.00"},
        {5, "Initial Call Amount : $ 5.00"},
        {6, "Initial Call Time : 00:02:00 For Initial Call"},
        {7, "Connection Valid For : \"A\" Connection"},
        {8, "Condition Filter : Total Calls does not equals 10"}}},
      {"ISP charges count only with 12", [](auto& c) { c.Amt = 1, c.PerCall = true, c.IspOn = 1, c.IspAmt = 4; },
       {{0, "Amount : $ 1.00 Per Call"}, {1, "Period : Every Day"}, {2, "Time : For a Whole Day"},
        {3, "Default Call Time : 00:00:30"}}},
      {"kinds outside the lists give empty texts",
       [](auto& c) { c.Amt = 1, c.AmtKind = 9, c.PerCall = true, c.PerType = 8, c.TimeType = 200, c.CondItem = 15, c.CondCmp = 6; },
       {{0, "Amount : $ 1.00 Per Call"}, {1, "Period : "}, {2, "Time : "}, {3, "Default Call Time : 00:00:30"},
        {4, "Condition Filter :   0"}}},
  };
  for (const Described& d : cases) {
    Describing k;
    k.main.CurSymbol = "$       ";
    k.main.IncTime = hm(0, 0, 30);
    expectLines(k, d);
  }
}

TEST(ConditionTexts, NumbersAndNamesFollowTheLocaleAndTheCommaSetting) {
  struct Case {
    QLocale locale;
    bool commaDecimal;
    Described d;
  };
  const Case cases[] = {
      {enUS(), true,
       {"decimal commas in an English locale", [](auto& c) { c.Amt = 1.5, c.PerCall = true; },
        {{0, "Amount :  1,50 Per Call"}, {1, "Period : Every Day"}, {2, "Time : For a Whole Day"}}}},
      {deDE(), false,
       {"German", [](auto& c) { c.Amt = 1.5, c.PerType = 1, c.PerNum = 3, c.CondItem = 13, c.CondVal = 0.25; },
        {{0, "Amount :  1,50 Per Hour"}, {1, "Period : On Mittwoch"}, {2, "Time : For a Whole Day"},
         {3, "Condition Filter : Receive (in MB) equals 0,25"}}}},
      {deDE(), true,
       {"German with decimal commas", [](auto& c) { c.Amt = 0.125, c.PerType = 2, c.PerNum = 2; },
        {{0, "Amount :  0,125 Per Hour"}, {1, "Period : In März"}, {2, "Time : For a Whole Day"}}}},
      {deDE(), false,
       {"German weekly period", [](auto& c) { c.Amt = 12, c.PerType = 7, c.WkStart = 570, c.WkEnd = 2460; },
        {{0, "Amount :  12,00 Per Hour"}, {1, "Period : From Sonntag 09:30 To Montag 17:00"}}}},
  };
  for (const Case& c : cases) {
    Describing k(c.locale);
    k.main.CommaDecimal = c.commaDecimal;
    expectLines(k, c.d);
  }
}

TEST(ConditionTexts, FormatDNumAndAmounts) {
  const std::pair<const char*, const char*> rows[] = {
      {"5", "5.00"},   {"12", "12.00"},   {"12.5", "12.50"}, {"12.", "12.00"}, {"0.125", "0.125"},
      {"125", "125"},  {"1000", "1000"},  {"12,5", "12,5"},  {"", ""},         {"0.1", "0.10"},
  };
  Describing k;
  for (const auto& [in, out] : rows)
    EXPECT_EQ(formatDNum(k.regional, QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
  EXPECT_EQ(amountText(k.regional, k.main, 2345.5), QStringLiteral("2345.50"));
  k.main.CurSymbol = "  EUR   ";
  EXPECT_EQ(money(k.regional, k.main, 7), QStringLiteral("EUR 7.00"));
  EXPECT_EQ(conditionEntry(12), QStringLiteral("Condition 12"));
}

TEST(ConditionTexts, UnreadableNumbersAndDatesDescribeHarmlessly) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double huge = std::numeric_limits<double>::max();
  for (double v : {nan, huge, -huge, std::numeric_limits<double>::infinity()}) {
    const Describing k;
    const auto lines = describeCondition(k.regional, k.main, condition([v](auto& c) {
                                           c.Amt = v, c.PerCall = true, c.PerType = 3, c.PerStart = v, c.PerEnd = v;
                                           c.TimeType = 1, c.TimeStart = v, c.TimeEnd = v, c.CustCall = true;
                                           c.CallTime = v, c.IspOn = 12, c.IspAmt = v, c.InCall = true, c.InCallAmt = v;
                                           c.InTimeOn = true, c.InTime = v, c.CondItem = 1, c.CondVal = v;
                                         }));
    ASSERT_TRUE(lines[0].has_value());
    EXPECT_TRUE(lines[0]->startsWith(QStringLiteral("Amount : ")));
    EXPECT_TRUE(lines[1]->startsWith(QStringLiteral("Period : From ")));
    for (const auto& l : lines) EXPECT_LT(l.value_or(QString()).size(), 200);
  }
}

}  // namespace
}  // namespace prandel
