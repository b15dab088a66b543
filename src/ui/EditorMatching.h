// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The condition matching as the condition map asks for it, one moment at a time: the
// inputs are the editor state's EvalMoment, EvalConn and CurConn, the outputs its
// MinuteOfWeek and CondCount. The matching itself is core's (core/ConditionMatching.h);
// the editor state's record buffers (CondRec, HoliRec) are left as they were.
#include <cstdint>

namespace prandel {

namespace ui {
class EditorState;
}

// Slot 1..20 of the condition in force at s.EvalMoment for s.EvalConn among records
// base+1 .. base+20 of the conditions' channel, or 0; read from the files afresh.
// Sets s.CondCount when EvalConn is not empty.
int GetActiveCondition(ui::EditorState& s, int base);

// The score of a period (0 when it does not hold s.EvalMoment). Kind 7, the weekly
// period, takes WkStart, WkEnd and InclHoli from s.CondRec and sets s.MinuteOfWeek.
int Check_Period(ui::EditorState& s, std::uint8_t nType, std::uint8_t nNum, double nsDate, double neDate);

// The score of a time-of-day rule (0 when it does not hold s.EvalMoment); a condition
// of a weekly period (s.CondRec.PerType 7) always scores 1 here.
int Check_Time(ui::EditorState& s, std::uint8_t timeType, double timeStart, double timeEnd);

// Whether s.EvalMoment falls on a weekly day off or on a saved holiday.
bool IsHoliday(ui::EditorState& s);

}  // namespace prandel
