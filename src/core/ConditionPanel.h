// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The expense window's editing panel as plain values: what the user typed and chose,
// before it becomes a condition record. The window and the tariff-file import both
// check a panel and turn it into a record here, so that a condition passes the same
// rules, in the same order, with the same messages, wherever it comes from.
#include <QString>
#include <array>

#include "core/Regional.h"
#include "store/ExpenseCondition.h"
#include "store/MainRecord.h"

namespace prandel {

struct ConditionPanel {
  QString amount;               // Text1
  int amountItem = 0;           // Combo3: Per Hour, Per Call, Per MB, Only At Once
  int trafficMode = 0;          // ExOpt: the traffic a per-MB amount counts
  int period = 0;               // Combo1
  int periodNum = 0;            // Combo4: weekday or month
  std::array<QString, 2> periodDates;  // tPeriod(0), tPeriod(1)
  int timeKind = 0;             // Combo2
  std::array<QString, 2> times;        // txtTime(0), txtTime(1)
  std::array<int, 2> weekDays{};       // cmdDay(0), cmdDay(1): 0 = Sunday
  std::array<QString, 2> weekTimes;    // advTime(0), advTime(1)
  bool includeHolidays = false;        // chkEnaHoliday
  bool customCallTime = false;         // cmbCallTime item 1
  QString callTime;                    // txtDiffCall
  bool ispOn = false;                  // chkEnaISPC
  QString ispAmount;                   // txtISPAmt
  bool initialOn = false;              // chkEnaExpIni
  QString initialAmount;               // txtExpIniAmt
  bool initialTimeOn = false;          // chkIntTime
  QString initialTime;                 // txtInitTime
  bool connectionOn = false;           // chkEnaExpAll
  QString connection;                  // cmbExpCon's text
  bool filterOn = false;               // chkCondtion
  int filterCounter = -1;              // Combo5, -1 when nothing is chosen
  int filterComparison = -1;           // Combo6
  QString filterHours;                 // txtHour
  QString filterMinutes;               // txtMin
  QString filterValue;                 // txtVal
};

// The panel's parts a fault is reported on.
enum class PanelField {
  Amount, PeriodFrom, PeriodTo, TimeFrom, TimeTo, WeekTimeFrom, WeekTimeTo, CallTime, IspAmount,
  InitialAmount, InitialTime, Connection, FilterCounter, FilterComparison, FilterHours, FilterMinutes,
  FilterValue
};

// The rules a panel is checked by, each named by what fails it, in no particular order
// (Check_valid asks them in the editor's order).
enum class PanelCheck {
  Valid,
  NoAmount,            // the amount is empty, no number or below 0
  NoStartDate,         // a date range without its first day
  NoLastDate,          // ... or its last day
  DatesReversed,       // a date range whose last day lies before its first
  NoStartTime,         // a time of day without its (first) time
  NoEndTime,           // "Between" without its end
  BeforeMidnight,      // "Before" 00:00
  AfterMidnight,       // "After" 00:00
  NoWeekStartTime,     // a weekly period without its start time
  NoWeekEndTime,       // ... or its end time
  SameWeekMoments,     // a weekly period that starts where it ends
  SameTimes,           // "Between" a time and the same time
  NoCallTime,          // a custom call time that is no duration
  NoIspAmount,         // other ISP charges without an amount
  NoInitialAmount,     // an initial call amount that is no amount
  NoInitialTime,       // an initial call time that is no duration
  NoConnection,        // a condition bound to a connection without a name
  NoFilterCounter,     // a filter without its counter
  NoFilterComparison,  // ... or its comparison
  BadFilterHours,      // a time filter whose hours are no number
  BadFilterMinutes,    // ... or whose minutes are no number
  BadFilterValue,      // any other filter whose value is no number
};

struct PanelFault {
  PanelField field;
  QString message;
};

// What the save does to the panel before it checks it: a per-MB or once-only amount
// drops the initial cost, initial time and ISP charges and takes the default call
// time; a time typed as mm:ss reads as 00:mm:ss.
void adjustForSave(ConditionPanel& p);

// PanelCheck::Valid when the panel may be saved, else the first rule it fails, in the
// editor's order. Texts are read in r's notation; amounts through the tracker's
// decimal commas when main has them on.
PanelCheck Check_valid(const Regional& r, const store::MainRecord& main, const ConditionPanel& p);

// The field and the message of a failed rule; an empty message for Valid.
PanelFault panelFault(PanelCheck check);

// Fills a condition record from a checked panel, as the editor's save does. The record
// holds what the slot held, cleared (Clear_Profile) and marked in use by the caller.
void fillCondition(const Regional& r, const store::MainRecord& main, const ConditionPanel& p,
                   store::ExpenseCondition& c);

}  // namespace prandel
