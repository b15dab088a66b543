// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Expense conditions for tests: a period kind and whatever else a test shapes.
#include <cstdint>
#include <functional>

#include "core/Regional.h"
#include "store/ExpenseCondition.h"

namespace prandel::test {

namespace period {
inline constexpr std::uint8_t EveryDay = 0, Weekday = 1, DateRange = 3, MonFri = 5, Weekend = 6;
}

inline store::ExpenseCondition condition(std::uint8_t perType,
                                         const std::function<void(store::ExpenseCondition&)>& shape = {}) {
  store::ExpenseCondition c;
  c.InUse = true;
  c.PerType = perType;
  if (shape) shape(c);
  return c;
}

// Between two whole hours of the day.
inline auto between(int h1, int h2) {
  return [=](store::ExpenseCondition& c) {
    c.TimeType = 1;
    c.TimeStart = Regional::fromTime(h1, 0, 0);
    c.TimeEnd = Regional::fromTime(h2, 0, 0);
  };
}

}  // namespace prandel::test
