// SPDX-License-Identifier: GPL-3.0-or-later
// Validation of the editing panel in its fixed order, the report of the first fault,
// and the panel written into the condition record.
#include "common/ConditionPanel.h"

#include <algorithm>
#include <optional>

#include "common/Session.h"
#include "common/SharedProcs.h"

namespace prandel {

namespace {

// Seconds after midnight of a date or time text; nullopt when it is neither.
std::optional<int> secondsOfDay(const Regional& r, const QString& text) {
  const auto v = r.parseDateTime(text);
  if (!v) return std::nullopt;
  const auto t = Regional::timePart(*v);
  if (!t) return std::nullopt;
  return t->msecsSinceStartOfDay() / 1000;
}

double timeValue(const Regional& r, const QString& text) {
  const auto s = secondsOfDay(r, text);
  return s ? Regional::fromTime(*s / 3600, *s / 60 % 60, *s % 60) : 0.0;
}

}  // namespace

bool isTimeCounter(int counterIndex) {
  return counterIndex == 0 || counterIndex == 1 || counterIndex == 2 || counterIndex == 7;
}

void adjustForSave(ConditionPanel& p) {
  if (p.amountItem == 3 || p.amountItem == 2) {
    p.ispOn = false;
    p.initialOn = false;
    p.initialTimeOn = false;
    p.customCallTime = false;
  }
  p.initialTime = FixTimeText(p.initialTime);
  p.callTime = FixTimeText(p.callTime);
}

int Check_valid(Session& s, const ConditionPanel& p) {
  const Regional& r = s.regional;
  // Amounts are checked as they will be read: through the tracker's comma notation.
  const auto amountBad = [&](const QString& text) {
    const auto v = r.parseNumber(CommaToDecimal(s, text));
    return text.isEmpty() || !v || *v < 0;
  };
  const auto numberBad = [&](const QString& text) {
    const auto v = r.parseNumber(text);
    return text.isEmpty() || !v || *v < 0;
  };
  const auto timeBad = [&](const QString& text) { return text.isEmpty() || !secondsOfDay(r, text); };
  const auto durationBad = [&](const QString& text) { return timeBad(text) || *secondsOfDay(r, text) <= 0; };
  const auto dateBad = [&](const QString& text) { return text.isEmpty() || !r.parseDate(text); };
  const auto seconds = [&](const QString& text) { return secondsOfDay(r, text).value_or(-1); };

  // A weekly period holds its own times; the hidden time-of-day frame is not asked.
  const bool timeFrame = p.period != 7;

  if (amountBad(p.amount)) return 1;
  if (p.period == 3) {
    if (dateBad(p.periodDates[0])) return 2;
    if (dateBad(p.periodDates[1])) return 3;
    const auto first = Regional::datePart(*r.parseDate(p.periodDates[0]));
    const auto last = Regional::datePart(*r.parseDate(p.periodDates[1]));
    if (first && last && *last < *first) return 30;
  }
  if (timeFrame) {
    if (p.timeKind != 0 && timeBad(p.times[0])) return 4;
    if (p.timeKind == 1 && timeBad(p.times[1])) return 5;
    if (p.timeKind == 2 && seconds(p.times[0]) == 0) return 10;
    if (p.timeKind == 3 && seconds(p.times[0]) == 0) return 11;
  }
  if (p.period == 7) {
    if (timeBad(p.weekTimes[0])) return 20;
    if (timeBad(p.weekTimes[1])) return 21;
    if (seconds(p.weekTimes[1]) / 60 == seconds(p.weekTimes[0]) / 60 && p.weekDays[1] == p.weekDays[0]) return 22;
  }
  if (timeFrame && p.timeKind == 1 && seconds(p.times[1]) == seconds(p.times[0])) return 12;
  if (p.customCallTime && durationBad(p.callTime)) return 13;
  if (p.amountItem == 1 && p.ispOn && amountBad(p.ispAmount)) return 17;
  if (p.initialOn && amountBad(p.initialAmount)) return 6;
  if (p.initialTimeOn && durationBad(p.initialTime)) return 8;
  if (p.connectionOn && p.connection.trimmed().isEmpty()) return 29;
  if (p.filterOn) {
    if (p.filterCounter < 0) return 23;
    if (p.filterComparison < 0) return 24;
    if (isTimeCounter(p.filterCounter)) {
      if (numberBad(p.filterHours)) return 25;
      if (numberBad(p.filterMinutes)) return 26;
    } else if (numberBad(p.filterValue)) {
      return 28;
    }
  }
  return 0;
}

PanelFault panelFault(int code) {
  const QString enterTime = QStringLiteral("Please Enter Time");
  const QString sameTime = QStringLiteral("Dont use same time for start and end period");
  switch (code) {
    case 1: return {PanelField::Amount, QStringLiteral("Please Enter Amount")};
    case 2: return {PanelField::PeriodFrom, QStringLiteral("Please Enter Start Date")};
    case 3: return {PanelField::PeriodTo, QStringLiteral("Please Enter Last Date")};
    case 30: return {PanelField::PeriodFrom, QStringLiteral("Invalid Date Setting")};
    case 4: return {PanelField::TimeFrom, enterTime};
    case 5: return {PanelField::TimeTo, QStringLiteral("Please Enter End Time")};
    case 10: return {PanelField::TimeFrom, enterTime};
    case 11: return {PanelField::TimeFrom, QStringLiteral("To set time till Mid-Night use Whole Day setting")};
    case 20: return {PanelField::WeekTimeFrom, enterTime};
    case 21: return {PanelField::WeekTimeTo, enterTime};
    case 22: return {PanelField::WeekTimeTo, sameTime};
    case 12: return {PanelField::TimeFrom, sameTime};
    case 13: return {PanelField::CallTime, QStringLiteral("Please Enter Different Call Time Setting")};
    case 17: return {PanelField::IspAmount, QStringLiteral("Please Enter Other ISP Charges")};
    case 6: return {PanelField::InitialAmount, QStringLiteral("Please Enter Intial Amount")};
    case 8: return {PanelField::InitialTime, QStringLiteral("Please Enter Initial Call Time")};
    case 29: return {PanelField::Connection, QStringLiteral("Please Enter Connection Name")};
    case 23: return {PanelField::FilterCounter, QStringLiteral("Please Select Compare String")};
    case 24: return {PanelField::FilterComparison, QStringLiteral("Please Select Compare Type")};
    case 25: return {PanelField::FilterHours, QStringLiteral("Please Set Hours Correctly")};
    case 26: return {PanelField::FilterMinutes, QStringLiteral("Please Set Minutes Correctly")};
    case 28: return {PanelField::FilterValue, QStringLiteral("Please Set Filter Value Correctly")};
    default: return {PanelField::Amount, {}};
  }
}

void fillCondition(Session& s, const ConditionPanel& p, store::ExpenseCondition& c) {
  const Regional& r = s.regional;
  const auto amount = [&](const QString& text) { return r.parseNumber(CommaToDecimal(s, text)).value_or(0); };
  // The value of a filter text: its leading number, read with a full stop as the
  // decimal mark, as the old runtime's Val read it.
  const auto valueOf = [](const QString& text) { return Regional::val(text); };

  bool ispOn = p.ispOn;
  c.Amt = amount(p.amount);
  switch (p.amountItem) {
    case 3:
      c.AmtKind = 2;
      ispOn = false;
      break;
    case 2:
      c.AmtKind = 3;
      c.BwMode = p.trafficMode == 1 ? 1 : p.trafficMode == 2 ? 2 : 0;
      break;
    case 1: c.PerCall = true; break;
    case 0:
      c.PerCall = false;
      ispOn = false;
      break;
    default: break;
  }
  if (p.period == 7) {
    const auto minuteOfWeek = [&](std::size_t i) {
      const int secs = secondsOfDay(r, p.weekTimes[i]).value_or(0);
      return static_cast<std::int16_t>(std::max(p.weekDays[i], 0) * 1440 + secs / 60);
    };
    c.WkStart = minuteOfWeek(0);
    c.WkEnd = minuteOfWeek(1);
    c.InclHoli = p.includeHolidays;
  }
  c.PerType = static_cast<std::uint8_t>(std::max(p.period, 0));
  if (p.period == 1 || p.period == 2) c.PerNum = static_cast<std::uint8_t>(std::max(p.periodNum, 0));
  if (p.period == 3) {
    const auto day = [&](const QString& text) {
      const auto v = r.parseDate(text);
      const auto d = v ? Regional::datePart(*v) : std::nullopt;
      return d ? Regional::fromDate(*d) : 0.0;
    };
    c.PerStart = day(p.periodDates[0]);
    c.PerEnd = day(p.periodDates[1]);
  }
  c.TimeType = static_cast<std::uint8_t>(std::max(p.timeKind, 0));
  if (p.timeKind == 1) {
    c.TimeStart = timeValue(r, p.times[0]);
    c.TimeEnd = timeValue(r, p.times[1]);
    if (c.TimeEnd == 0) c.TimeType = 3;
  } else if (p.timeKind == 2 || p.timeKind == 3) {
    c.TimeStart = timeValue(r, p.times[0]);
  }
  if (p.initialOn) {
    c.InCall = true;
    c.InCallAmt = amount(p.initialAmount);
  }
  if (ispOn) {
    c.IspOn = 12;
    c.IspAmt = amount(p.ispAmount);
  }
  c.ConVal = p.connectionOn;
  c.ConNm = p.connection.toStdString();
  if (p.initialTimeOn) {
    c.InTimeOn = true;
    c.InTime = timeValue(r, p.initialTime);
  }
  if (p.customCallTime) {
    c.CustCall = true;
    c.CallTime = timeValue(r, p.callTime);
  }
  if (p.filterOn) {
    c.CondItem = static_cast<std::uint8_t>(p.filterCounter + 1);
    c.CondCmp = static_cast<std::uint8_t>(p.filterComparison);
    // "1,000" is 1 and "2,5" is 2, in any locale.
    c.CondVal = isTimeCounter(p.filterCounter) ? valueOf(p.filterHours) * 3600 + valueOf(p.filterMinutes) * 60
                                               : valueOf(p.filterValue);
  }
}

}  // namespace prandel
