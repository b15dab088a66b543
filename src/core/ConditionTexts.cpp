// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ConditionTexts.h"

#include <cmath>
#include <span>

#include "core/Notation.h"
#include "store/Choices.h"
#include "store/Codec.h"

namespace prandel {

using store::ExpenseCondition;

namespace {
QStringList listOf(std::span<const char* const> items) {
  QStringList out;
  for (const char* item : items) out << QString::fromLatin1(item);
  return out;
}
}  // namespace

const QStringList& counterItems() {
  static const QStringList items = listOf(store::choices::kFilterCounters);
  return items;
}

const QStringList& comparisonItems() {
  static const QStringList items = listOf(store::choices::kFilterComparisons);
  return items;
}

QString conditionEntry(int slot) { return QStringLiteral("Condition ") + QString::number(slot); }

namespace {

// Sunday 5 January 2003 names the days of the week.
double sundayOfNames() { return Regional::fromDate(QDate(2003, 1, 5)); }

QString weekdayName(const Regional& r, long long dayOffset, const QString& pattern) {
  return r.formatDate(sundayOfNames() + static_cast<double>(dayOffset), pattern);
}

QString twoDigits(const Regional& r, long long v) { return r.formatNumber(static_cast<double>(v), QStringLiteral("00")); }

// Day, hour and minute of a minute of the week, with the old runtime's integer
// division and remainder (both toward zero).
QString weekMoment(const Regional& r, int minuteOfWeek) {
  const long long day = minuteOfWeek / 1440;
  const long long rest = minuteOfWeek % 1440;
  return weekdayName(r, day, QStringLiteral("Dddd")) + QLatin1Char(' ') + twoDigits(r, rest / 60) +
         QLatin1Char(':') + twoDigits(r, rest % 60);
}

}  // namespace

QString Load_Period(const Regional& r, int nType, int nNum, double nsDate, double neDate, int wkStart, int wkEnd) {
  switch (nType) {
    case 0: return QStringLiteral("Every Day");
    case 1: return QStringLiteral("On ") + weekdayName(r, nNum, QStringLiteral("dddd"));
    case 2: return QStringLiteral("In ") + r.formatDate(Regional::fromDate(QDate(2003, 1, 1).addMonths(nNum)),
                                                                QStringLiteral("Mmmm"));
    case 3:
      return QStringLiteral("From ") + r.formatDate(nsDate, QStringLiteral("dd-mmm-yy")) +
             QStringLiteral(" To ") + r.formatDate(neDate, QStringLiteral("dd-mmm-yy"));
    case 4: return QStringLiteral("On Holidays.");
    case 5:
      return QStringLiteral("On Weekdays (") + weekdayName(r, 1, QStringLiteral("Ddd")) + QLatin1Char('-') +
             weekdayName(r, 5, QStringLiteral("Ddd")) + QStringLiteral(").");
    case 6:
      return QStringLiteral("On Weekends (") + weekdayName(r, 6, QStringLiteral("Ddd")) + QLatin1Char('-') +
             weekdayName(r, 0, QStringLiteral("Ddd")) + QStringLiteral(").");
    case 7:
      return QStringLiteral("From ") + weekMoment(r, wkStart) + QStringLiteral(" To ") +
             weekMoment(r, wkEnd);
    default: return {};
  }
}

QString Load_Time(const Regional& r, int nType, double nsDate, double neDate) {
  const QString hhmm = QStringLiteral("hh:mm");
  switch (nType) {
    case 0: return QStringLiteral("For a Whole Day");
    case 1:
      return QStringLiteral("From ") + r.formatDate(nsDate, hhmm) + QStringLiteral(" To ") +
             r.formatDate(neDate, hhmm);
    case 2: return QStringLiteral("Before ") + r.formatDate(nsDate, hhmm);
    case 3: return QStringLiteral("After ") + r.formatDate(nsDate, hhmm);
    default: return {};
  }
}

QString amountText(const Regional& r, const store::MainRecord& main, double amount) {
  return decimalToComma(r, main.CommaDecimal, formatDNum(r, r.numberText(amount)));
}

QString money(const Regional& r, const store::MainRecord& main, double amount) {
  return QString::fromStdString(store::trimSpaces(main.CurSymbol)) + QLatin1Char(' ') + amountText(r, main, amount);
}

DetailLines describeCondition(const Regional& r, const store::MainRecord& main, const ExpenseCondition& c) {
  DetailLines lines;
  int next = 3;
  auto addLine = [&](const QString& text) {
    if (next < static_cast<int>(lines.size())) lines[static_cast<std::size_t>(next)] = text;
    ++next;
  };
  const QString amount = QStringLiteral("Amount : ");
  const QString free = QStringLiteral("Free of charge");

  // Line 0: the amount.
  if (c.AmtKind == 2) {
    lines[0] = amount + (c.Amt == 0 ? free : money(r, main, c.Amt) + QStringLiteral(" Only At Once"));
  } else if (c.AmtKind == 3) {
    lines[0] = amount + (c.Amt == 0 ? free : money(r, main, c.Amt) + QStringLiteral(" Per MB"));
  } else if (c.Amt != 0 || !c.InCall) {
    lines[0] = amount + (c.Amt == 0 ? free
                                    : money(r, main, c.Amt) + QLatin1Char(' ') +
                                          (c.PerCall ? QStringLiteral("Per Call") : QStringLiteral("Per Hour")));
  } else if (c.InCallAmt > 0) {
    lines[0] = amount + money(r, main, c.InCallAmt) + QStringLiteral(" For Initial Call ");
  } else {
    // Nothing is charged at all; without this the caption of the condition shown
    // before would stay.
    lines[0] = amount + free;
  }

  // Lines 1 and 2: period and time; a weekly period already holds its times.
  lines[1] = QStringLiteral("Period : ") + Load_Period(r, c.PerType, c.PerNum, c.PerStart, c.PerEnd, c.WkStart, c.WkEnd);
  if (c.PerType == 7) {
    next = 2;
  } else {
    lines[2] = QStringLiteral("Time : ") + Load_Time(r, c.TimeType, c.TimeStart, c.TimeEnd);
  }

  const QString hhmmss = QStringLiteral("hh:mm:ss");
  if (c.AmtKind != 2 && c.PerCall) {
    if (c.CustCall) {
      addLine(QStringLiteral("Custom Call Time : ") + r.formatDate(c.CallTime, hhmmss));
    } else if (main.IncTime > 0) {
      addLine(QStringLiteral("Default Call Time : ") + r.formatDate(main.IncTime, hhmmss));
    }
    if (c.IspOn == 12) addLine(QStringLiteral("Other ISP Charges : ") + money(r, main, c.IspAmt));
  }
  if (c.AmtKind != 2 && c.InCall && c.Amt > 0 && c.InCallAmt > 0)
    addLine(QStringLiteral("Initial Call Amount : ") + money(r, main, c.InCallAmt));
  if (c.AmtKind != 2 && c.InTimeOn)
    addLine(QStringLiteral("Initial Call Time : ") + r.formatDate(c.InTime, hhmmss) +
            QStringLiteral(" For Initial Call"));
  if (c.ConVal)
    addLine(QStringLiteral("Connection Valid For : \"") + QString::fromStdString(store::trimSpaces(c.ConNm)) +
            QStringLiteral("\" Connection"));
  if (c.CondItem != 0) {
    const QStringList& counters = counterItems();
    const QStringList& comparisons = comparisonItems();
    const QString counter = c.CondItem - 1 < counters.size() ? counters[c.CondItem - 1] : QString();
    const QString comparison = c.CondCmp < comparisons.size() ? comparisons[c.CondCmp] : QString();
    QString value;
    if (store::choices::isTimeCounter(c.CondItem - 1)) {
      // Whole minutes of a whole number of seconds; hours keep all their digits.
      const double rounded = std::round(c.CondVal);
      if (std::isfinite(rounded) && std::fabs(rounded) < 9e15) {
        const auto secs = static_cast<long long>(rounded);
        value = twoDigits(r, secs / 3600) + QLatin1Char(':') + twoDigits(r, (secs / 60) % 60) + QStringLiteral(":00");
      }
    } else {
      value = r.numberText(c.CondVal);
    }
    addLine(QStringLiteral("Condition Filter : ") + counter + QLatin1Char(' ') + comparison + QLatin1Char(' ') + value);
  }
  return lines;
}

}  // namespace prandel
