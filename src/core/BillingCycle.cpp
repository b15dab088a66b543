// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/BillingCycle.h"

#include <algorithm>

namespace prandel::core {
namespace {

QDate startIn(int year, int month, int startDay) {
  const QDate first(year, month, 1);
  return first.addDays(std::min(startDay, first.daysInMonth()) - 1);
}

}  // namespace

bool validCycleStartDay(int day) { return day >= 1 && day <= 31; }

QDate cycleStartOf(const QDate& day, int startDay) {
  if (!day.isValid()) return {};
  if (!validCycleStartDay(startDay)) startDay = kDefaultCycleStartDay;
  const QDate here = startIn(day.year(), day.month(), startDay);
  if (day >= here) return here;
  const QDate before = day.addMonths(-1);
  return startIn(before.year(), before.month(), startDay);
}

QDate nextCycleStart(const QDate& day, int startDay) {
  const QDate start = cycleStartOf(day, startDay);
  if (!start.isValid()) return {};
  if (!validCycleStartDay(startDay)) startDay = kDefaultCycleStartDay;
  const QDate next = QDate(start.year(), start.month(), 1).addMonths(1);
  return startIn(next.year(), next.month(), startDay);
}

}  // namespace prandel::core
