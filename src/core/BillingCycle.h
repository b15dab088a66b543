// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The billing cycle: a month that starts on a day of the month the user sets (the
// 1st unless told otherwise). A start day that a month lacks (the 31st in April)
// falls on that month's last day, as bills do.
#include <QDate>

namespace prandel::core {

inline constexpr int kDefaultCycleStartDay = 1;

// Whether day is a start day the user may set: 1 to 31.
bool validCycleStartDay(int day);
// The first day of the cycle that holds day; an invalid startDay counts as the 1st.
QDate cycleStartOf(const QDate& day, int startDay);
// The first day of the cycle after the one that holds day.
QDate nextCycleStart(const QDate& day, int startDay);

}  // namespace prandel::core
