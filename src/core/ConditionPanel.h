// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The expense window's editing panel as plain values: what the user typed and chose,
// before it becomes a condition record. The window and the tariff-file import both
// check a panel and turn it into a record here, so that a condition passes the same
// rules, in the same order, with the same messages, wherever it comes from.
#include <QString>
#include <array>

namespace prandel {

class Session;
namespace store {
struct ExpenseCondition;
}

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

struct PanelFault {
  PanelField field;
  QString message;
};

// The filter counters whose value is a time (Time, Todays Time, Total Time, Countdown),
// by their index in the counter list.
bool isTimeCounter(int counterIndex);

// What the save does to the panel before it checks it: a per-MB or once-only amount
// drops the initial cost, initial time and ISP charges and takes the default call
// time; a time typed as mm:ss reads as 00:mm:ss.
void adjustForSave(ConditionPanel& p);

// 0 when the panel may be saved, else the code of the first rule it fails, in the
// editor's order.
int Check_valid(Session& s, const ConditionPanel& p);

// The field and the message of a code of Check_valid.
PanelFault panelFault(int code);

// Fills a condition record from a checked panel, as the editor's save does. The record
// holds what the slot held, cleared (Clear_Profile) and marked in use by the caller.
void fillCondition(Session& s, const ConditionPanel& p, store::ExpenseCondition& c);

}  // namespace prandel
