// SPDX-License-Identifier: GPL-3.0-or-later
// The local clock against Qt's own conversion, moment by moment, in zones with clock
// changes (Berlin; Santiago, whose clock skips midnight), and the days it finds.
#include <gtest/gtest.h>

#include <QDateTime>
#include <random>

#include "PricingKit.h"

namespace prandel::test {
namespace {

using core::LocalClock;

const QTimeZone kBerlin("Europe/Berlin");
const QTimeZone kSantiago("America/Santiago");

TEST(LocalClock, AgreesWithQtAtEveryMomentInAnyOrder) {
  std::mt19937_64 rng(20261025);
  for (const QTimeZone& zone : {kBerlin, kSantiago, QTimeZone::utc(), QTimeZone(5 * 3600 + 1800)}) {
    ASSERT_TRUE(zone.isValid());
    const LocalClock clock(zone);
    const Epoch from = wallAt(QTimeZone::utc(), 1990, 1, 1, 0, 0), to = wallAt(QTimeZone::utc(), 2040, 1, 1, 0, 0);
    std::vector<Epoch> moments;
    // Random moments of fifty years, and every minute of a week around each clock
    // change of 2026 and around a midnight.
    for (int i = 0; i < 3000; ++i) moments.push_back(from + static_cast<Epoch>(rng() % static_cast<std::uint64_t>(to - from)));
    for (const Epoch change : {wallAt(QTimeZone::utc(), 2026, 3, 29, 1, 0), wallAt(QTimeZone::utc(), 2026, 10, 25, 1, 0),
                               wallAt(QTimeZone::utc(), 2026, 9, 6, 4, 0), wallAt(QTimeZone::utc(), 2026, 4, 5, 3, 0)})
      for (Epoch t = change - 3 * 86400; t < change + 3 * 86400; t += 59) moments.push_back(t);
    for (int pass = 0; pass < 2; ++pass) {
      for (const Epoch t : moments) {
        const QDateTime qt = QDateTime::fromSecsSinceEpoch(t, zone);
        ASSERT_EQ(clock.offsetAt(t), qt.offsetFromUtc()) << zone.id().toStdString() << " " << t;
        ASSERT_EQ(clock.localDate(t), qt.date()) << t;
        ASSERT_EQ(Regional::roundToSecond(clock.dateValue(t)), Regional::roundToSecond(Regional::fromDateTime(qt.date(), qt.time())))
            << t;
      }
      std::shuffle(moments.begin(), moments.end(), rng);
    }
  }
}

TEST(LocalClock, NextDayChange) {
  struct Case {
    const char* what;
    QTimeZone zone;
    Epoch t;
    Epoch next;
  };
  const Case cases[] = {
      {"Berlin, winter", kBerlin, wallAt(kBerlin, 2026, 12, 14, 17, 50), wallAt(kBerlin, 2026, 12, 15, 0, 0)},
      {"Berlin, the day the clock goes forward has 23 hours", kBerlin, wallAt(kBerlin, 2026, 3, 29, 0, 10),
       wallAt(kBerlin, 2026, 3, 30, 0, 0)},
      {"one second before midnight", kBerlin, wallAt(kBerlin, 2026, 12, 14, 23, 59, 59), wallAt(kBerlin, 2026, 12, 15, 0, 0)},
      {"at midnight: the next one", kBerlin, wallAt(kBerlin, 2026, 12, 15, 0, 0), wallAt(kBerlin, 2026, 12, 16, 0, 0)},
      // Santiago goes from 23:59:59 straight to 01:00 on 6 September 2026 (04:00 UTC).
      {"Santiago, midnight skipped", kSantiago, wallAt(kSantiago, 2026, 9, 5, 22, 0),
       wallAt(QTimeZone::utc(), 2026, 9, 6, 4, 0)},
  };
  for (const Case& k : cases) {
    const LocalClock clock(k.zone);
    EXPECT_EQ(clock.nextDayChange(k.t), k.next) << k.what;
    EXPECT_EQ(clock.localDate(k.next - 1), clock.localDate(k.t)) << k.what;
    EXPECT_NE(clock.localDate(k.next), clock.localDate(k.t)) << k.what;
  }
}

TEST(LocalClock, FromTheWallClock) {
  const LocalClock berlin(kBerlin);
  EXPECT_EQ(berlin.fromWallClock(QDate(2026, 12, 14), QTime(17, 50)), wallAt(QTimeZone::utc(), 2026, 12, 14, 16, 50));
  // 02:30 does not exist on 29 March: the moment the clock jumped, 01:00 UTC.
  EXPECT_EQ(berlin.fromWallClock(QDate(2026, 3, 29), QTime(2, 30)), wallAt(QTimeZone::utc(), 2026, 3, 29, 1, 0));
  // 02:30 comes twice on 25 October: the first, in summer time (00:30 UTC).
  EXPECT_EQ(berlin.fromWallClock(QDate(2026, 10, 25), QTime(2, 30)), wallAt(QTimeZone::utc(), 2026, 10, 25, 0, 30));
  EXPECT_EQ(berlin.fromWallClock(QDate(), QTime(2, 30)), std::nullopt);
  EXPECT_EQ(berlin.fromWallClock(QDate(2026, 1, 1), QTime()), std::nullopt);
  const LocalClock santiago(kSantiago);
  EXPECT_EQ(santiago.fromWallClock(QDate(2026, 9, 6), QTime(0, 0)), wallAt(QTimeZone::utc(), 2026, 9, 6, 4, 0));
  EXPECT_EQ(LocalClock::fixed(-3600).fromWallClock(QDate(1970, 1, 1), QTime(0, 0)), 3600);
}

}  // namespace
}  // namespace prandel::test
