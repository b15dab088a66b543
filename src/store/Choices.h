// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The items of the lists whose chosen index a record stores: their order is part of
// the record format, so the windows fill their lists from here and the tools name
// stored values by the same words.
#include <array>

namespace prandel::store::choices {

// Call settings: when call time counting starts (CallStart).
inline constexpr std::array<const char*, 3> kCallStart = {"After Making Call", "After Connection", "Never"};

// Call settings: the increment list (IncChoice).
inline constexpr std::array<const char*, 15> kIncrements = {
    "Never",  "Specify", "1 Min.", "2 Min.",  "3 Min.",  "5 Min.",  "10 Min.", "15 Min.",
    "30 Min.", "1 Hour", "2 Hours", "3 Hours", "6 Hours", "12 Hours", "24 Hours"};

// Countdown: the reset period (CdResetPeriod).
inline constexpr std::array<const char*, 4> kResetPeriods = {"Every Day", "Every Week", "Every Month", "Every Year"};

// Countdown: what the expense conditions do while it runs (CdExpenseMode); the option
// captions, access keys included.
inline constexpr std::array<const char*, 3> kCountdownExpenseModes = {
    "&Leave All Conditions as it is", "Disable &All Expense Conditions (Freehours)",
    "E&nable Following Expense Conditions"};

// Which editor saved last (ChangeCode).
inline constexpr std::array<const char*, 7> kChangeCodes = {
    "none",         "countdown applied", "countdown discarded",        "expense conditions saved",
    "call settings saved", "holidays saved", "bookmarks saved or imported"};

// Expense conditions: the period kinds (PerType). Items 5 and 6 carry the user's
// abbreviated day names in the window; these are their English forms.
inline constexpr std::array<const char*, 8> kPeriodKinds = {
    "Every Day", "Weekday", "Month", "Period", "Holidays", "Weekdays (Mon-Fri)", "Weekends (Sat-Sun)",
    "Weekly Period"};

// Expense conditions: the time-of-day kinds (TimeType).
inline constexpr std::array<const char*, 4> kTimeKinds = {"For Whole Day", "Between", "Before", "After"};

// Expense conditions: the amount list, by list index (not by AmtKind).
inline constexpr std::array<const char*, 4> kAmountItems = {"Per Hour", "Per Call", "Per MB", "Only At Once"};

// Expense conditions: the counters a condition filter tests (CondItem - 1).
inline constexpr std::array<const char*, 14> kFilterCounters = {
    "Time",  "Todays Time", "Total Time", "Expense", "Total Expense", "Calls", "Total Calls", "Countdown",
    "Sent + Receive (in MB)", "Total Sent + Total Receive (in MB)", "Sent (in MB)", "Total Sent (in MB)",
    "Receive (in MB)", "Total Receive (in MB)"};

// Whether the counter at index i of kFilterCounters (CondItem - 1) counts time: Time,
// Todays Time, Total Time and Countdown hold seconds, typed and shown as hours and
// minutes. Any other index, -1 (no filter) included, is no time.
constexpr bool isTimeCounter(int i) { return i == 0 || i == 1 || i == 2 || i == 7; }

// Expense conditions: the filter comparisons (CondCmp).
inline constexpr std::array<const char*, 6> kFilterComparisons = {
    "equals", "does not equals", "is greater than", "is greater than or equals to", "is less than",
    "is less than or equals to"};

// Expense conditions: the traffic a per-MB amount counts (BwMode).
inline constexpr std::array<const char*, 3> kTrafficModes = {"Download + Upload", "Download Only", "Upload Only"};

}  // namespace prandel::store::choices
