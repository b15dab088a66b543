// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDateTime>
#include <algorithm>
#include <limits>

#include "core/Pricing.h"

namespace prandel::core {
namespace {

constexpr std::int64_t kDay = 86400;
// 1970-01-01 as a Julian day and as a Date value.
constexpr std::int64_t kEpochJulianDay = 2440588;
constexpr double kEpochDateValue = 25569.0;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

QDateTime utcAt(Epoch t) { return QDateTime::fromSecsSinceEpoch(t, QTimeZone::utc()); }

}  // namespace

LocalClock LocalClock::system() { return LocalClock(QTimeZone::systemTimeZone()); }

LocalClock LocalClock::fixed(int offsetSeconds) { return LocalClock(QTimeZone(offsetSeconds)); }

LocalClock::LocalClock(const QTimeZone& zone) : zone_(zone.isValid() ? zone : QTimeZone::utc()) {}

int LocalClock::offsetAt(Epoch t) const {
  if (t >= keptFrom_ && t < keptTo_) return keptOffset_;
  const QDateTime at = utcAt(t);
  keptOffset_ = zone_.offsetFromUtc(at);
  keptFrom_ = std::numeric_limits<Epoch>::min();
  keptTo_ = std::numeric_limits<Epoch>::max();
  if (zone_.hasTransitions()) {
    // The offset holds from the last change at or before t to the next one after it.
    const auto before = zone_.previousTransition(at.addSecs(1));
    const auto after = zone_.nextTransition(at);
    if (before.atUtc.isValid()) keptFrom_ = before.atUtc.toSecsSinceEpoch();
    if (after.atUtc.isValid()) keptTo_ = after.atUtc.toSecsSinceEpoch();
    // Should the zone's data disagree with itself, t alone is kept.
    if (!(keptFrom_ <= t && t < keptTo_)) {
      keptFrom_ = t;
      keptTo_ = t + 1;
    }
  }
  return keptOffset_;
}

double LocalClock::dateValueOfWall(std::int64_t wallSeconds) {
  return kEpochDateValue + static_cast<double>(wallSeconds) / static_cast<double>(kDay);
}

QDate LocalClock::localDate(Epoch t) const {
  return QDate::fromJulianDay(floorDiv(wallSeconds(t), kDay) + kEpochJulianDay);
}

Epoch LocalClock::nextDayChange(Epoch t) const {
  const std::int64_t day = floorDiv(wallSeconds(t), kDay);
  Epoch from = t;
  // Each round passes one change of the offset; a day holds only a few.
  for (int round = 0; round < 64; ++round) {
    const int offset = offsetAt(from);
    const Epoch changeOfOffset = keptTo_;
    const Epoch midnight = (day + 1) * kDay - offset;
    if (midnight < changeOfOffset) return std::max(midnight, from + 1);
    if (changeOfOffset <= from) return from + 1;  // data that disagrees with itself
    if (floorDiv(wallSeconds(changeOfOffset), kDay) != day) return changeOfOffset;
    from = changeOfOffset;
  }
  return from + 1;
}

std::optional<Epoch> LocalClock::fromWallClock(const QDate& date, const QTime& time) const {
  if (!date.isValid() || !time.isValid()) return std::nullopt;
  const std::int64_t wall = (date.toJulianDay() - kEpochJulianDay) * kDay + time.msecsSinceStartOfDay() / 1000;
  // The moment lies within a day of wall; every offset in force around it is a candidate.
  std::optional<Epoch> shown, after;
  for (const Epoch near : {wall - kDay, wall, wall + kDay}) {
    const Epoch t = wall - offsetAt(near);
    const std::int64_t w = wallSeconds(t);
    if (w == wall && (!shown || t < *shown)) shown = t;
    if (w > wall && (!after || t < *after)) after = t;
  }
  if (shown) return shown;
  if (!after) return std::nullopt;
  // In a gap: the moment the clock jumped over wall, where the offset of `after` began.
  offsetAt(*after);
  const Epoch jump = keptFrom_;
  return jump <= *after && wallSeconds(jump) > wall ? jump : *after;
}

}  // namespace prandel::core
