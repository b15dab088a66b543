// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ConditionTexts.h"

#include <cmath>
#include <span>

#include "common/Session.h"
#include "common/SharedProcs.h"
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

QString weekdayName(Session& s, long long dayOffset, const QString& pattern) {
  return s.regional.formatDate(sundayOfNames() + static_cast<double>(dayOffset), pattern);
}

QString twoDigits(Session& s, long long v) { return s.regional.formatNumber(static_cast<double>(v), QStringLiteral("00")); }

// Day, hour and minute of a minute of the week, with the old runtime's integer
// division and remainder (both toward zero).
QString weekMoment(Session& s, int minuteOfWeek) {
  const long long day = minuteOfWeek / 1440;
  const long long rest = minuteOfWeek % 1440;
  return weekdayName(s, day, QStringLiteral("Dddd")) + QLatin1Char(' ') + twoDigits(s, rest / 60) +
         QLatin1Char(':') + twoDigits(s, rest % 60);
}

bool isTimeCounter(int item) { return item == 1 || item == 2 || item == 3 || item == 8; }

}  // namespace

QString Load_Period(Session& s, int nType, int nNum, double nsDate, double neDate) {
  switch (nType) {
    case 0: return QStringLiteral("Every Day");
    case 1: return QStringLiteral("On ") + weekdayName(s, nNum, QStringLiteral("dddd"));
    case 2: return QStringLiteral("In ") + s.regional.formatDate(Regional::fromDate(QDate(2003, 1, 1).addMonths(nNum)),
                                                                QStringLiteral("Mmmm"));
    case 3:
      return QStringLiteral("From ") + s.regional.formatDate(nsDate, QStringLiteral("dd-mmm-yy")) +
             QStringLiteral(" To ") + s.regional.formatDate(neDate, QStringLiteral("dd-mmm-yy"));
    case 4: return QStringLiteral("On Holidays.");
    case 5:
      return QStringLiteral("On Weekdays (") + weekdayName(s, 1, QStringLiteral("Ddd")) + QLatin1Char('-') +
             weekdayName(s, 5, QStringLiteral("Ddd")) + QStringLiteral(").");
    case 6:
      return QStringLiteral("On Weekends (") + weekdayName(s, 6, QStringLiteral("Ddd")) + QLatin1Char('-') +
             weekdayName(s, 0, QStringLiteral("Ddd")) + QStringLiteral(").");
    case 7:
      return QStringLiteral("From ") + weekMoment(s, s.CondRec.WkStart) + QStringLiteral(" To ") +
             weekMoment(s, s.CondRec.WkEnd);
    default: return {};
  }
}

QString Load_Time(Session& s, int nType, double nsDate, double neDate) {
  const QString hhmm = QStringLiteral("hh:mm");
  switch (nType) {
    case 0: return QStringLiteral("For a Whole Day");
    case 1:
      return QStringLiteral("From ") + s.regional.formatDate(nsDate, hhmm) + QStringLiteral(" To ") +
             s.regional.formatDate(neDate, hhmm);
    case 2: return QStringLiteral("Before ") + s.regional.formatDate(nsDate, hhmm);
    case 3: return QStringLiteral("After ") + s.regional.formatDate(nsDate, hhmm);
    default: return {};
  }
}

QString FormatDNum(Session& s, const QString& text) {
  refreshSeparators(s);
  const qsizetype p = s.DecSep.isEmpty() ? -1 : text.indexOf(s.DecSep);  // 0-based, -1 when absent
  const qsizetype d = text.size() - (p + 1);
  if (d < 0 || d > 2) return text;
  const auto value = s.regional.parseNumber(text);
  if (!value) return text;
  return s.regional.formatNumber(*value, QStringLiteral("#0.00"));
}

QString amountText(Session& s, double amount) {
  return DecimalToComma(s, FormatDNum(s, s.regional.numberText(amount)));
}

QString money(Session& s, double amount) {
  return QString::fromStdString(store::trimSpaces(s.MainRec.CurSymbol)) + QLatin1Char(' ') + amountText(s, amount);
}

DetailLines describeCondition(Session& s, const ExpenseCondition& c) {
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
    lines[0] = amount + (c.Amt == 0 ? free : money(s, c.Amt) + QStringLiteral(" Only At Once"));
  } else if (c.AmtKind == 3) {
    lines[0] = amount + (c.Amt == 0 ? free : money(s, c.Amt) + QStringLiteral(" Per MB"));
  } else if (c.Amt != 0 || !c.InCall) {
    lines[0] = amount + (c.Amt == 0 ? free
                                    : money(s, c.Amt) + QLatin1Char(' ') +
                                          (c.PerCall ? QStringLiteral("Per Call") : QStringLiteral("Per Hour")));
  } else if (c.InCallAmt > 0) {
    lines[0] = amount + money(s, c.InCallAmt) + QStringLiteral(" For Initial Call ");
  } else {
    // Nothing is charged at all; without this the caption of the condition shown
    // before would stay.
    lines[0] = amount + free;
  }

  // Lines 1 and 2: period and time; a weekly period already holds its times.
  {
    // Load_Period reads the weekly fields from CondRec.
    const ExpenseCondition saved = s.CondRec;
    s.CondRec = c;
    lines[1] = QStringLiteral("Period : ") + Load_Period(s, c.PerType, c.PerNum, c.PerStart, c.PerEnd);
    s.CondRec = saved;
  }
  if (c.PerType == 7) {
    next = 2;
  } else {
    lines[2] = QStringLiteral("Time : ") + Load_Time(s, c.TimeType, c.TimeStart, c.TimeEnd);
  }

  const QString hhmmss = QStringLiteral("hh:mm:ss");
  if (c.AmtKind != 2 && c.PerCall) {
    if (c.CustCall) {
      addLine(QStringLiteral("Custom Call Time : ") + s.regional.formatDate(c.CallTime, hhmmss));
    } else if (s.MainRec.IncTime > 0) {
      addLine(QStringLiteral("Default Call Time : ") + s.regional.formatDate(s.MainRec.IncTime, hhmmss));
    }
    if (c.IspOn == 12) addLine(QStringLiteral("Other ISP Charges : ") + money(s, c.IspAmt));
  }
  if (c.AmtKind != 2 && c.InCall && c.Amt > 0 && c.InCallAmt > 0)
    addLine(QStringLiteral("Initial Call Amount : ") + money(s, c.InCallAmt));
  if (c.AmtKind != 2 && c.InTimeOn)
    addLine(QStringLiteral("Initial Call Time : ") + s.regional.formatDate(c.InTime, hhmmss) +
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
    if (isTimeCounter(c.CondItem)) {
      // Whole minutes of a whole number of seconds; hours keep all their digits.
      const double rounded = std::round(c.CondVal);
      if (std::isfinite(rounded) && std::fabs(rounded) < 9e15) {
        const auto secs = static_cast<long long>(rounded);
        value = twoDigits(s, secs / 3600) + QLatin1Char(':') + twoDigits(s, (secs / 60) % 60) + QStringLiteral(":00");
      }
    } else {
      value = s.regional.numberText(c.CondVal);
    }
    addLine(QStringLiteral("Condition Filter : ") + counter + QLatin1Char(' ') + comparison + QLatin1Char(' ') + value);
  }
  return lines;
}

}  // namespace prandel
