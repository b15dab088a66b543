// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ConditionCoverage.h"

#include <QTime>

#include "core/Regional.h"

namespace prandel {

double quarterHourMoment(const QDate& day, int q) {
  return Regional::fromDateTime(day, QTime(q / 4, q % 4 * 15));
}

int ConditionCoverage::Slot::shadowedMostBy() const {
  int most = 0;
  for (int w = 1; w <= kSlots; ++w)
    if (lostTo[static_cast<std::size_t>(w)] > lostTo[static_cast<std::size_t>(most)]) most = w;
  return most;
}

ConditionCoverage coverageOf(const ConditionMatcher& matcher, const QDate& first, int days) {
  ConditionCoverage out;
  out.first = first;
  out.days = days;
  for (int d = 0; d < days; ++d) {
    const QDate day = first.addDays(d);
    int gapStart = -1;
    for (int q = 0; q <= kQuarterHoursPerDay; ++q) {
      int winner = -1;  // past the day's end: closes a gap
      if (q < kQuarterHoursPerDay) {
        const ConditionMatch m = matcher.match(quarterHourMoment(day, q));
        winner = m.winner;
        for (int i = 1; i <= ConditionCoverage::kSlots; ++i) {
          if (!m.applies[static_cast<std::size_t>(i)]) continue;
          auto& slot = out.bySlot[static_cast<std::size_t>(i)];
          ++slot.applies;
          if (winner == i) ++slot.wins;
          else ++slot.lostTo[static_cast<std::size_t>(winner)];
        }
      }
      if (winner == 0) {
        ++out.uncovered;
        if (gapStart < 0) gapStart = q;
      } else if (gapStart >= 0) {
        out.gaps.push_back({d, gapStart, q});
        gapStart = -1;
      }
    }
  }
  return out;
}

}  // namespace prandel
