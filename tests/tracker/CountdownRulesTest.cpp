// SPDX-License-Identifier: GPL-3.0-or-later
// When the countdown is reset: the moments each period, day and time give, on the
// local wall clock, with the days a month or a year lacks and the hour a clock
// change skips; and the fields the countdown window cannot set, which give none.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

#include "core/PricingKit.h"
#include "tracker/CountdownRules.h"

namespace prandel::test {
namespace {

using tracker::lastResetAtOrBefore;
using tracker::nextResetAfter;
using tracker::resetRuleOf;

const QTimeZone kBerlin("Europe/Berlin");

core::Epoch berlin(int y, int mo, int d, int h, int mi) { return wallAt(kBerlin, y, mo, d, h, mi); }

std::string shown(std::optional<core::Epoch> t) {
  if (!t) return "none";
  return QDateTime::fromSecsSinceEpoch(*t, kBerlin).toString(QStringLiteral("ddd yyyy-MM-dd HH:mm")).toStdString();
}

store::MainRecord resetting(std::int32_t period, std::int32_t day, double timeSeconds, double date = 0) {
  store::MainRecord m;
  m.CdResetOn = true;
  m.CdResetPeriod = period;
  m.CdResetDay = day;
  m.CdResetTime = timeSeconds;
  m.CdResetDate = date;
  return m;
}

// 2001-02-28 and 2001-12-31 as the window stores a yearly reset day.
constexpr double kFeb28 = 36950;
constexpr double kDec31 = 37256;

TEST(CountdownRules, TheLastAndNextResetMomentsOfEachPeriod) {
  const core::LocalClock clock(kBerlin);
  struct Case {
    const char* what;
    store::MainRecord main;
    core::Epoch now;
    const char* last;
    const char* next;
  };
  const Case cases[] = {
      {"daily 03:00, before it", resetting(0, 0, 3 * 3600), berlin(2026, 12, 14, 2, 59), "Sun 2026-12-13 03:00", "Mon 2026-12-14 03:00"},
      {"daily 03:00, on it", resetting(0, 0, 3 * 3600), berlin(2026, 12, 14, 3, 0), "Mon 2026-12-14 03:00", "Tue 2026-12-15 03:00"},
      {"daily 00:00", resetting(0, 0, 0), berlin(2026, 12, 14, 12, 0), "Mon 2026-12-14 00:00", "Tue 2026-12-15 00:00"},
      {"daily at 30:00: 06:00 of the day after", resetting(0, 0, 30 * 3600), berlin(2026, 12, 14, 5, 0), "Sun 2026-12-13 06:00", "Mon 2026-12-14 06:00"},
      {"weekly, Sunday 22:30", resetting(1, 0, 22.5 * 3600), berlin(2026, 12, 16, 9, 0), "Sun 2026-12-13 22:30", "Sun 2026-12-20 22:30"},
      {"weekly, Saturday 00:00", resetting(1, 6, 0), berlin(2026, 12, 19, 0, 0), "Sat 2026-12-19 00:00", "Sat 2026-12-26 00:00"},
      {"monthly on the 15th", resetting(2, 14, 8 * 3600), berlin(2026, 12, 14, 9, 0), "Sun 2026-11-15 08:00", "Tue 2026-12-15 08:00"},
      {"monthly on the 31st: a short month's last day", resetting(2, 30, 0), berlin(2027, 3, 1, 9, 0), "Sun 2027-02-28 00:00", "Wed 2027-03-31 00:00"},
      {"monthly on the 30th, into April", resetting(2, 29, 0), berlin(2027, 4, 2, 9, 0), "Tue 2027-03-30 00:00", "Fri 2027-04-30 00:00"},
      {"yearly on 31 December", resetting(3, 0, 23 * 3600, kDec31), berlin(2027, 6, 1, 0, 0), "Thu 2026-12-31 23:00", "Fri 2027-12-31 23:00"},
      {"yearly on 28 February", resetting(3, 0, 0, kFeb28), berlin(2028, 2, 29, 12, 0), "Mon 2028-02-28 00:00", "Wed 2029-02-28 00:00"},
      // The clock skips 02:00 to 03:00 on 29 March 2026: the reset falls where it jumps.
      {"daily 02:30 on the day the clock goes forward", resetting(0, 0, 2.5 * 3600), berlin(2026, 3, 29, 4, 0),
       "Sun 2026-03-29 03:00", "Mon 2026-03-30 02:30"},
      // 999:59 is 41 days and 15:59 after the day's midnight.
      {"a time beyond what the window takes is held to 999:59", resetting(0, 0, 1e9), berlin(2026, 12, 14, 12, 0),
       "Sun 2026-12-13 15:59", "Mon 2026-12-14 15:59"},
  };
  for (const auto& c : cases) {
    const auto rule = resetRuleOf(c.main);
    ASSERT_TRUE(rule) << c.what;
    EXPECT_EQ(shown(lastResetAtOrBefore(*rule, c.now, clock)), c.last) << c.what;
    EXPECT_EQ(shown(nextResetAfter(*rule, c.now, clock)), c.next) << c.what;
  }
}

TEST(CountdownRules, NoResetForWhatTheWindowCannotSet) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    store::MainRecord main;
  };
  auto off = resetting(0, 0, 0);
  off.CdResetOn = false;
  const Case cases[] = {
      {"reset off", off},
      {"period 4", resetting(4, 0, 0)},
      {"period -1", resetting(-1, 0, 0)},
      {"weekday 7", resetting(1, 7, 0)},
      {"day of the month 32", resetting(2, 31, 0)},
      {"a time that is no number", resetting(0, 0, nan)},
      {"a yearly day that is no number", resetting(3, 0, 0, nan)},
      {"a yearly day out of every calendar", resetting(3, 0, 0, 1e300)},
  };
  for (const auto& c : cases) EXPECT_FALSE(resetRuleOf(c.main)) << c.what;
  // A rule and its signature change together.
  EXPECT_NE(resetRuleOf(resetting(0, 0, 3600))->signature(), resetRuleOf(resetting(0, 0, 7200))->signature());
  EXPECT_NE(resetRuleOf(resetting(1, 2, 0))->signature(), resetRuleOf(resetting(2, 2, 0))->signature());
}

TEST(CountdownRules, TheWarningsATimeLeftHasReached) {
  using namespace tracker;
  struct Case {
    double total, left;
    unsigned reached;
  };
  const Case cases[] = {
      {3600, 3600, 0},
      {3600, 361, 0},
      {3600, 360, kTenPercentLeft},
      {3600, 300, kTenPercentLeft | kFiveMinutesLeft},
      {3600, 0, kTenPercentLeft | kFiveMinutesLeft | kRanOut},
      {3600, -20, kTenPercentLeft | kFiveMinutesLeft | kRanOut},
      {600, 300, kFiveMinutesLeft},        // 5 minutes come before 10 % of 10 minutes
      {240, 240, 0},                        // four minutes never pass 5 minutes left
      {240, 24, kTenPercentLeft},
      {0, -5, 0},                           // no countdown
      {std::numeric_limits<double>::quiet_NaN(), 0, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(warningsReached(c.total, c.left), c.reached) << c.total << " " << c.left;
  EXPECT_EQ(mostUrgent(kTenPercentLeft | kFiveMinutesLeft), kFiveMinutesLeft);
  EXPECT_EQ(mostUrgent(kTenPercentLeft | kRanOut), kRanOut);
  EXPECT_EQ(mostUrgent(0), 0u);
}

}  // namespace
}  // namespace prandel::test
