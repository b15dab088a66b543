// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EditorMatching.h"

#include "core/ConditionMatching.h"
#include "ui/EditorState.h"

namespace prandel {

using ui::EditorState;

int GetActiveCondition(EditorState& s, int base) {
  const ActiveCondition a = activeCondition(s.files, s.MainRec, base, s.EvalMoment, s.EvalConn, s.CurConn);
  if (a.minuteOfWeek >= 0) s.MinuteOfWeek = a.minuteOfWeek;
  if (!s.EvalConn.isEmpty()) s.CondCount = a.lastSlot;
  return a.slot;
}

int Check_Period(EditorState& s, std::uint8_t nType, std::uint8_t nNum, double nsDate, double neDate) {
  int minuteOfWeek = s.MinuteOfWeek;
  const int score = periodScoreAt(s.files, s.MainRec, s.EvalMoment, nType, nNum, nsDate, neDate, s.CondRec, minuteOfWeek);
  s.MinuteOfWeek = minuteOfWeek;
  return score;
}

int Check_Time(EditorState& s, std::uint8_t timeType, double timeStart, double timeEnd) {
  return timeScoreAt(s.EvalMoment, s.CondRec.PerType, timeType, timeStart, timeEnd);
}

bool IsHoliday(EditorState& s) { return holidayAt(s.files, s.MainRec, s.EvalMoment); }

}  // namespace prandel
