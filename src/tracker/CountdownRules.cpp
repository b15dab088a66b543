// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/CountdownRules.h"

#include <QTime>
#include <algorithm>
#include <cmath>

namespace prandel::tracker {
namespace {

constexpr std::int64_t kDay = 86400;
// The countdown window takes up to 999 hours and 59 minutes.
constexpr std::int64_t kLongestTime = 999 * 3600 + 59 * 60;
// The longest walk over reset days: the daily rule with its longest time reaches
// 42 days back, the yearly one a year.
constexpr int kMaxSteps = 400;

// 1899-12-30 as a Julian day: a Date value's whole days count from it.
constexpr std::int64_t kDateZeroJulianDay = 2415019;

bool isResetDay(const ResetRule& r, const QDate& d) {
  switch (r.period) {
    case ResetRule::Period::Day: return true;
    case ResetRule::Period::Week: return d.dayOfWeek() % 7 == r.weekday;  // Qt: Monday 1 .. Sunday 7
    case ResetRule::Period::Month: return d.day() == std::min(r.monthDay, d.daysInMonth());
    case ResetRule::Period::Year:
      return d.month() == r.month && d.day() == std::min(r.day, QDate(d.year(), r.month, 1).daysInMonth());
  }
  return false;
}

// The first moment of a reset day's reset: its midnight on the wall clock and the
// rule's time after it, counted on the wall clock too.
std::optional<core::Epoch> momentOf(const ResetRule& r, const QDate& d, const core::LocalClock& clock) {
  const QDate day = d.addDays(r.timeSeconds / kDay);
  const int secs = static_cast<int>(r.timeSeconds % kDay);
  return clock.fromWallClock(day, QTime(secs / 3600, secs / 60 % 60, secs % 60));
}

// The step between candidate days: a day, except for the yearly rule, whose days are
// found faster a month at a time (any day of the reset month is near the reset day).
QDate previousResetDay(const ResetRule& r, QDate d) {
  for (int i = 0; i < kMaxSteps; ++i) {
    d = d.addDays(-1);
    if (!d.isValid()) return {};
    if (isResetDay(r, d)) return d;
    if (r.period == ResetRule::Period::Year && d.month() != r.month) d = QDate(d.year(), d.month(), 1);
  }
  return {};
}

QDate resetDayOnOrBefore(const ResetRule& r, const QDate& d) {
  if (isResetDay(r, d)) return d;
  return previousResetDay(r, d);
}

QDate nextResetDay(const ResetRule& r, QDate d) {
  for (int i = 0; i < kMaxSteps; ++i) {
    d = d.addDays(1);
    if (!d.isValid()) return {};
    if (isResetDay(r, d)) return d;
    if (r.period == ResetRule::Period::Year && d.month() != r.month) d = QDate(d.year(), d.month(), d.daysInMonth());
  }
  return {};
}

}  // namespace

std::string ResetRule::signature() const {
  return std::to_string(static_cast<int>(period)) + " " + std::to_string(weekday) + " " + std::to_string(monthDay) +
         " " + std::to_string(month) + "-" + std::to_string(day) + " " + std::to_string(timeSeconds);
}

std::optional<ResetRule> resetRuleOf(const store::MainRecord& main) {
  if (!main.CdResetOn || !std::isfinite(main.CdResetTime)) return std::nullopt;
  ResetRule r;
  r.timeSeconds = std::clamp<std::int64_t>(std::llround(std::clamp(main.CdResetTime, -1.0, 1e7)), 0, kLongestTime);
  switch (main.CdResetPeriod) {
    case 0: r.period = ResetRule::Period::Day; break;
    case 1:
      if (main.CdResetDay < 0 || main.CdResetDay > 6) return std::nullopt;
      r.period = ResetRule::Period::Week;
      r.weekday = main.CdResetDay;
      break;
    case 2:
      if (main.CdResetDay < 0 || main.CdResetDay > 30) return std::nullopt;
      r.period = ResetRule::Period::Month;
      r.monthDay = main.CdResetDay + 1;
      break;
    case 3: {
      // The window stores a day of 2001; only its month and day count. Rounded to
      // the second, as every Date is read.
      if (!std::isfinite(main.CdResetDate) || std::fabs(main.CdResetDate) > 3e6) return std::nullopt;
      const double days = std::floor(std::round(main.CdResetDate * kDay) / kDay);
      const QDate d = QDate::fromJulianDay(static_cast<std::int64_t>(days) + kDateZeroJulianDay);
      if (!d.isValid()) return std::nullopt;
      r.period = ResetRule::Period::Year;
      r.month = d.month();
      r.day = d.day();
      break;
    }
    default: return std::nullopt;
  }
  return r;
}

std::optional<core::Epoch> lastResetAtOrBefore(const ResetRule& rule, core::Epoch now, const core::LocalClock& clock) {
  // A reset day's moment may lie days after it (a time past 24:00), so the walk
  // starts at the day the longest time reaches back from.
  QDate d = resetDayOnOrBefore(rule, clock.localDate(now).addDays(1));
  for (int i = 0; i < kMaxSteps && d.isValid(); ++i) {
    const auto m = momentOf(rule, d, clock);
    if (m && *m <= now) return m;
    d = previousResetDay(rule, d);
  }
  return std::nullopt;
}

std::optional<core::Epoch> nextResetAfter(const ResetRule& rule, core::Epoch now, const core::LocalClock& clock) {
  QDate d = resetDayOnOrBefore(rule, clock.localDate(now).addDays(-(rule.timeSeconds / kDay) - 1));
  for (int i = 0; i < kMaxSteps && d.isValid(); ++i) {
    const auto m = momentOf(rule, d, clock);
    if (m && *m > now) return m;
    d = nextResetDay(rule, d);
  }
  return std::nullopt;
}

unsigned warningsReached(double total, double left) {
  if (!std::isfinite(total) || !std::isfinite(left) || total <= 0) return 0;
  unsigned w = 0;
  if (left <= 0.1 * total) w |= kTenPercentLeft;
  if (total > kFiveMinutes && left <= kFiveMinutes) w |= kFiveMinutesLeft;
  if (left <= 0) w |= kRanOut;
  return w;
}

unsigned mostUrgent(unsigned warnings) {
  for (const unsigned w : {kRanOut, kFiveMinutesLeft, kTenPercentLeft})
    if (warnings & w) return w;
  return 0;
}

}  // namespace prandel::tracker
