// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which expense condition is in force at a moment, for a connection: every
// condition whose period and time of day hold the moment scores by its kinds, and
// the best score wins (ties to the lower slot). Inputs and outputs are the session's
// EvalMoment, EvalConn, CurConn, MinuteOfWeek and CondCount.
//
// Each call reads the conditions and the holidays from the files afresh, so an edit
// saved a moment ago counts at the next call; the records are read in one block per
// call, and the session's record buffers (CondRec, HoliRec) are left as they were.
#include <QString>
#include <cstdint>

namespace prandel {

class Session;

// EvalConn's value for "no particular connection".
inline const QString kDefaultConnection = QStringLiteral("MILUFE");

// Period scores.
namespace periodscore {
inline constexpr int EveryDay = 128;
inline constexpr int Weekdays = 196;
inline constexpr int Month = 256;
inline constexpr int DateRange = 512;
inline constexpr int Weekend = 1024;
inline constexpr int WeeklyPeriod = 1024;
inline constexpr int Weekday = 1536;
inline constexpr int Holiday = 2048;
inline constexpr int WeeklyOnHoliday = 3072;
}  // namespace periodscore

// Time-of-day scores.
namespace timescore {
inline constexpr int InWeeklyPeriod = 1;
inline constexpr int WholeDay = 2;
inline constexpr int BeforeOrAfter = 4;
inline constexpr int Between = 8;
}  // namespace timescore

inline constexpr int kConnectionBonus = 4096;
// HolidayCount is only trusted up to the capacity of the holiday records.
inline constexpr int kMaxHolidays = 190;

// Slot 1..20 of the condition in force at s.EvalMoment for s.EvalConn among records
// base+1 .. base+20 of the conditions' channel, or 0. Sets s.CondCount when EvalConn
// is not empty. A block that cannot be read counts as empty slots.
int GetActiveCondition(Session& s, int base);

// The score of a period (0 when it does not hold s.EvalMoment). Kind 7, the weekly
// period, takes WkStart, WkEnd and InclHoli from s.CondRec and sets s.MinuteOfWeek.
int Check_Period(Session& s, std::uint8_t nType, std::uint8_t nNum, double nsDate, double neDate);

// The score of a time-of-day rule (0 when it does not hold s.EvalMoment); a condition
// of a weekly period (s.CondRec.PerType 7) always scores 1 here.
int Check_Time(Session& s, std::uint8_t timeType, double timeStart, double timeEnd);

// Whether s.EvalMoment falls on a weekly day off or on a saved holiday.
bool IsHoliday(Session& s);

}  // namespace prandel
