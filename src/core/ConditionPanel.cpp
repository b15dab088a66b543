// SPDX-License-Identifier: GPL-3.0-or-later
// Validation of the editing panel in its fixed order, the report of the first fault,
// and the panel written into the condition record.
#include "core/ConditionPanel.h"

#include <algorithm>
#include <optional>

#include "core/Notation.h"
#include "store/Choices.h"

namespace prandel {

using store::choices::isTimeCounter;

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

PanelCheck Check_valid(const Regional& r, const store::MainRecord& main, const ConditionPanel& p) {
  using enum PanelCheck;
  // Amounts are checked as they will be read: through the tracker's comma notation.
  const auto amountBad = [&](const QString& text) {
    const auto v = r.parseNumber(commaToDecimal(r, main.CommaDecimal, text));
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

  if (amountBad(p.amount)) return NoAmount;
  if (p.period == 3) {
    if (dateBad(p.periodDates[0])) return NoStartDate;
    if (dateBad(p.periodDates[1])) return NoLastDate;
    const auto first = Regional::datePart(*r.parseDate(p.periodDates[0]));
    const auto last = Regional::datePart(*r.parseDate(p.periodDates[1]));
    if (first && last && *last < *first) return DatesReversed;
  }
  if (timeFrame) {
    if (p.timeKind != 0 && timeBad(p.times[0])) return NoStartTime;
    if (p.timeKind == 1 && timeBad(p.times[1])) return NoEndTime;
    if (p.timeKind == 2 && seconds(p.times[0]) == 0) return BeforeMidnight;
    if (p.timeKind == 3 && seconds(p.times[0]) == 0) return AfterMidnight;
  }
  if (p.period == 7) {
    if (timeBad(p.weekTimes[0])) return NoWeekStartTime;
    if (timeBad(p.weekTimes[1])) return NoWeekEndTime;
    if (seconds(p.weekTimes[1]) / 60 == seconds(p.weekTimes[0]) / 60 && p.weekDays[1] == p.weekDays[0]) return SameWeekMoments;
  }
  if (timeFrame && p.timeKind == 1 && seconds(p.times[1]) == seconds(p.times[0])) return SameTimes;
  if (p.customCallTime && durationBad(p.callTime)) return NoCallTime;
  if (p.amountItem == 1 && p.ispOn && amountBad(p.ispAmount)) return NoIspAmount;
  if (p.initialOn && amountBad(p.initialAmount)) return NoInitialAmount;
  if (p.initialTimeOn && durationBad(p.initialTime)) return NoInitialTime;
  if (p.connectionOn && p.connection.trimmed().isEmpty()) return NoConnection;
  if (p.filterOn) {
    if (p.filterCounter < 0) return NoFilterCounter;
    if (p.filterComparison < 0) return NoFilterComparison;
    if (isTimeCounter(p.filterCounter)) {
      if (numberBad(p.filterHours)) return BadFilterHours;
      if (numberBad(p.filterMinutes)) return BadFilterMinutes;
    } else if (numberBad(p.filterValue)) {
      return BadFilterValue;
    }
  }
  return Valid;
}

namespace {

// Every rule's field and message: one table for the window and the tariff import.
struct CheckText {
  PanelCheck check;
  PanelField field;
  const char* message;
};

constexpr const char* kEnterTime = "Please Enter Time";
constexpr const char* kSameTime = "Dont use same time for start and end period";

constexpr CheckText kCheckTexts[] = {
    {PanelCheck::NoAmount, PanelField::Amount, "Please Enter Amount"},
    {PanelCheck::NoStartDate, PanelField::PeriodFrom, "Please Enter Start Date"},
    {PanelCheck::NoLastDate, PanelField::PeriodTo, "Please Enter Last Date"},
    {PanelCheck::DatesReversed, PanelField::PeriodFrom, "Invalid Date Setting"},
    {PanelCheck::NoStartTime, PanelField::TimeFrom, kEnterTime},
    {PanelCheck::NoEndTime, PanelField::TimeTo, "Please Enter End Time"},
    {PanelCheck::BeforeMidnight, PanelField::TimeFrom, kEnterTime},
    {PanelCheck::AfterMidnight, PanelField::TimeFrom, "To set time till Mid-Night use Whole Day setting"},
    {PanelCheck::NoWeekStartTime, PanelField::WeekTimeFrom, kEnterTime},
    {PanelCheck::NoWeekEndTime, PanelField::WeekTimeTo, kEnterTime},
    {PanelCheck::SameWeekMoments, PanelField::WeekTimeTo, kSameTime},
    {PanelCheck::SameTimes, PanelField::TimeFrom, kSameTime},
    {PanelCheck::NoCallTime, PanelField::CallTime, "Please Enter Different Call Time Setting"},
    {PanelCheck::NoIspAmount, PanelField::IspAmount, "Please Enter Other ISP Charges"},
    {PanelCheck::NoInitialAmount, PanelField::InitialAmount, "Please Enter Intial Amount"},
    {PanelCheck::NoInitialTime, PanelField::InitialTime, "Please Enter Initial Call Time"},
    {PanelCheck::NoConnection, PanelField::Connection, "Please Enter Connection Name"},
    {PanelCheck::NoFilterCounter, PanelField::FilterCounter, "Please Select Compare String"},
    {PanelCheck::NoFilterComparison, PanelField::FilterComparison, "Please Select Compare Type"},
    {PanelCheck::BadFilterHours, PanelField::FilterHours, "Please Set Hours Correctly"},
    {PanelCheck::BadFilterMinutes, PanelField::FilterMinutes, "Please Set Minutes Correctly"},
    {PanelCheck::BadFilterValue, PanelField::FilterValue, "Please Set Filter Value Correctly"},
};

}  // namespace

PanelFault panelFault(PanelCheck check) {
  for (const CheckText& t : kCheckTexts)
    if (t.check == check) return {t.field, QString::fromLatin1(t.message)};
  return {PanelField::Amount, {}};
}

void fillCondition(const Regional& r, const store::MainRecord& main, const ConditionPanel& p,
                   store::ExpenseCondition& c) {
  const auto amount = [&](const QString& text) {
    return r.parseNumber(commaToDecimal(r, main.CommaDecimal, text)).value_or(0);
  };
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
