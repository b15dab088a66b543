// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a set of expense conditions covers a span of days, quarter hour by quarter
// hour, as the condition map samples a week: the stretches in which no condition is
// in force, and for each condition how often it applies, how often it wins and to
// which conditions it loses. Moments are wall-clock times, as the tracker's dates
// are, so every day has 96 quarter hours whatever the clock did that day.
#include <QDate>
#include <array>
#include <vector>

#include "core/ConditionMatching.h"

namespace prandel {

inline constexpr int kQuarterHoursPerDay = 96;

// The moment of quarter hour q (0 .. 95) of a day.
double quarterHourMoment(const QDate& day, int q);

struct ConditionCoverage {
  static constexpr int kSlots = ConditionMatcher::kSlots;

  // Quarter hours [from, to) of day `day` of the span (0 = the first day) in
  // which no condition is in force; a stretch over midnight is one per day.
  struct Gap {
    int day = 0;
    int from = 0;
    int to = 0;
    bool operator==(const Gap&) const = default;
  };

  struct Slot {
    int applies = 0;  // quarter hours in which its period and time of day hold
    int wins = 0;     // quarter hours in which it is in force
    // Of the quarter hours in which it applies and loses, how many each winner took.
    std::array<int, kSlots + 1> lostTo{};
    // The slot that took most of them (ties to the lower slot), or 0.
    int shadowedMostBy() const;
  };

  QDate first;
  int days = 0;
  std::vector<Gap> gaps;
  int uncovered = 0;  // quarter hours without a condition in force
  std::array<Slot, kSlots + 1> bySlot{};
};

// Every quarter hour of `days` days from `first`, by the matcher.
ConditionCoverage coverageOf(const ConditionMatcher& matcher, const QDate& first, int days);

}  // namespace prandel
