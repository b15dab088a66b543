// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/BillingCycle.h"

namespace prandel::core {
namespace {

struct CycleCase {
  QDate day;
  int startDay;
  QDate start;
  QDate next;
};

TEST(BillingCycle, StartAndNextStart) {
  const CycleCase cases[] = {
      {{2026, 12, 11}, 1, {2026, 12, 1}, {2027, 1, 1}},
      {{2026, 12, 1}, 1, {2026, 12, 1}, {2027, 1, 1}},
      {{2026, 12, 14}, 15, {2026, 11, 15}, {2026, 12, 15}},
      {{2026, 12, 15}, 15, {2026, 12, 15}, {2027, 1, 15}},
      {{2027, 1, 10}, 15, {2026, 12, 15}, {2027, 1, 15}},  // over the new year
      // A start day the month lacks is its last day.
      {{2026, 2, 28}, 31, {2026, 2, 28}, {2026, 3, 31}},
      {{2026, 2, 27}, 31, {2026, 1, 31}, {2026, 2, 28}},
      {{2028, 2, 29}, 30, {2028, 2, 29}, {2028, 3, 30}},  // leap year
      {{2026, 4, 30}, 31, {2026, 4, 30}, {2026, 5, 31}},
      // Out of range: the 1st.
      {{2026, 12, 11}, 0, {2026, 12, 1}, {2027, 1, 1}},
      {{2026, 12, 11}, 32, {2026, 12, 1}, {2027, 1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.day.toString(Qt::ISODate).toStdString() + " start " + std::to_string(c.startDay));
    EXPECT_EQ(cycleStartOf(c.day, c.startDay), c.start);
    EXPECT_EQ(nextCycleStart(c.day, c.startDay), c.next);
  }
  EXPECT_FALSE(cycleStartOf(QDate(), 1).isValid());
}

}  // namespace
}  // namespace prandel::core
