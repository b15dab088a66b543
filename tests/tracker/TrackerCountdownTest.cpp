// SPDX-License-Identifier: GPL-3.0-or-later
// The countdown as the live tracker keeps it in the main record: CdUsed grows by the
// seconds counted and nothing else of the record moves, the desktop is warned once
// at each mark of each countdown (also across a restart), CdStatus turns 1 when it
// runs out, and its resets are applied when they pass, or at the next start when
// no tracker ran at that moment.
#include <gtest/gtest.h>

#include "TrackerKit.h"
#include "tracker/CountdownMemory.h"

namespace prandel::test {
namespace {

constexpr std::size_t kCdUsed = store::MainRecord::Off::CdUsed;
constexpr std::size_t kCdStatus = store::MainRecord::Off::CdStatus;

// 3.60 an hour in 1-second units, and a countdown of an hour with 10 minutes left.
core::TariffSettings withCountdown() {
  auto t = tariff({cond({perHour(3.60)})});
  t.main.CdEnabled = true;
  t.main.CdTotal = 3600;
  t.main.CdUsed = 3000;
  t.main.CurSymbol = "EUR";
  t.main.WeekOff[0] = true;
  return t;
}

// The main record's bytes but CdUsed and CdStatus.
std::vector<std::uint8_t> otherBytes(std::vector<std::uint8_t> bytes) {
  std::fill_n(bytes.begin() + kCdUsed, 8, 0);
  std::fill_n(bytes.begin() + kCdStatus, 2, 0);
  return bytes;
}

void setLogSetting(const std::string& folder, const std::string& key, const std::string& value) {
  tracker::CallLog log;
  ASSERT_TRUE(log.open(folder, tracker::CallLog::Access::Write)) << log.error();
  ASSERT_TRUE(log.setSetting(key, value)) << log.error();
}

TEST(TrackerCountdown, RunsOutMidSessionWarnsOnceAtEachMarkAndCountsEverySecondIntoCdUsed) {
  for (const bool disconnect : {false, true}) {
    SCOPED_TRACE(disconnect ? "disconnect-at-zero on" : "disconnect-at-zero off (the default)");
    TempDir dir;
    writeTariff(dir.path(), withCountdown());
    // Bytes no field of ours covers, as the tracker's own fields: they must come through.
    const auto before = mainBytes(dir.path());
    if (disconnect) setLogSetting(dir.path(), "disconnect_at_zero", "on");
    FakeClock clock(dec(14, 10, 0, 0));
    Bench b(dir.path(), clock);
    b.start();
    b.monitor.report(dialUp(), ConnectionState::Activated);

    b.run(239);
    EXPECT_TRUE(b.notifier.notes.empty());
    b.run(1);  // 360 s left: 10 %
    EXPECT_EQ(b.notifier.summaries(), std::vector<std::string>{"Countdown: 10 % left"});
    b.run(60);  // 300 s left
    EXPECT_EQ(b.notifier.summaries().back(), "Countdown: 5 minutes left");
    EXPECT_TRUE(b.notifier.notes.back().urgent);
    b.run(299);
    EXPECT_EQ(b.notifier.notes.size(), 2u);
    EXPECT_EQ(readMain(dir.path()).CdStatus, 0);
    b.run(1);  // 600 s counted: run out
    ASSERT_EQ(b.notifier.notes.size(), 3u);
    EXPECT_EQ(b.notifier.notes.back().summary, "Countdown ran out");
    // CdStatus at once, not at the next write.
    EXPECT_EQ(readMain(dir.path()).CdStatus, 1);
    EXPECT_DOUBLE_EQ(readMain(dir.path()).CdUsed, 3600);
    EXPECT_EQ(b.monitor.disconnected, disconnect ? std::vector<std::string>{"/ac/1"} : std::vector<std::string>{});

    b.run(300);
    b.monitor.report(dialUp(), ConnectionState::Deactivated);
    EXPECT_EQ(b.notifier.notes.size(), 3u);
    const auto logged = loggedSessions(dir.path());
    ASSERT_EQ(logged.size(), 1u);
    const auto after = readMain(dir.path());
    EXPECT_EQ(logged[0].session.countedSeconds, 900);
    EXPECT_DOUBLE_EQ(logged[0].session.countdownSeconds, 900);
    EXPECT_DOUBLE_EQ(after.CdUsed, 3000 + 900);
    EXPECT_EQ(after.CdStatus, 1);
    EXPECT_EQ(otherBytes(mainBytes(dir.path())), otherBytes(before));
  }
}

TEST(TrackerCountdown, WarningsAreNotRepeatedAfterARestartButANewCountdownWarnsAgain) {
  TempDir dir;
  writeTariff(dir.path(), withCountdown());
  FakeClock clock(dec(14, 10, 0, 0));
  {
    Bench first(dir.path(), clock);
    first.start();
    first.monitor.report(dialUp(), ConnectionState::Activated);
    first.run(250);
    EXPECT_EQ(first.notifier.summaries(), std::vector<std::string>{"Countdown: 10 % left"});
    first.tracker->stop(clock.now());
  }
  Bench second(dir.path(), clock);
  second.monitor.active["/ac/1"] = dialUp();  // still up
  second.start();
  second.run(100);
  // The 10 % mark passed under the first tracker; the 5 minutes pass under this one.
  EXPECT_EQ(second.notifier.summaries(), std::vector<std::string>{"Countdown: 5 minutes left"});

  // The countdown window sets a new countdown of 10 minutes: it warns anew.
  saveAsPrandel(dir.path(), [](store::DataFiles& files) {
    store::MainRecord m;
    ASSERT_TRUE(store::MainRecIO(files, m, false));
    m.CdTotal = 600;
    m.CdUsed = 0;
    ASSERT_TRUE(store::MainRecIO(files, m, true));
  }, 1);
  second.run(600);
  // A countdown of 10 minutes passes 5 minutes left before it passes 10 %.
  EXPECT_EQ(second.notifier.summaries(), (std::vector<std::string>{"Countdown: 5 minutes left", "Countdown: 5 minutes left",
                                                                   "Countdown: 10 % left", "Countdown ran out"}));
  second.monitor.report(dialUp(), ConnectionState::Deactivated);
  EXPECT_EQ(readMain(dir.path()).CdStatus, 1);
}

TEST(TrackerCountdown, TheWindowSettingCdUsedMeanwhileGetsOnlyTheSecondsSinceTheLastWrite) {
  TempDir dir;
  auto t = withCountdown();
  t.main.CdUsed = 0;
  writeTariff(dir.path(), t);
  FakeClock clock(dec(14, 10, 0, 0));
  Bench b(dir.path(), clock);
  b.start();
  b.monitor.report(dialUp(), ConnectionState::Activated);
  b.run(tracker::LiveTracker::kWritePeriodSeconds + 10);  // written once, 10 s since
  EXPECT_DOUBLE_EQ(readMain(dir.path()).CdUsed, tracker::LiveTracker::kWritePeriodSeconds);
  // The countdown window applies a new length without a change notice yet (it is
  // open still): CdUsed 0.
  {
    store::DataFiles files;
    ASSERT_TRUE(files.openAll(dir.path()));
    store::MainRecord m;
    store::MainRecIO(files, m, false);
    m.CdUsed = 0;
    store::MainRecIO(files, m, true);
  }
  b.run(tracker::LiveTracker::kWritePeriodSeconds - 10);
  EXPECT_DOUBLE_EQ(readMain(dir.path()).CdUsed, tracker::LiveTracker::kWritePeriodSeconds);
}

// A reset every day at 03:00, the countdown used up meanwhile.
core::TariffSettings dailyReset() {
  auto t = withCountdown();
  t.main.CdUsed = 3600;
  t.main.CdStatus = 1;
  t.main.CdResetOn = true;
  t.main.CdResetTime = 3 * 3600;
  t.main.CdResetPeriod = 0;
  return t;
}

TEST(TrackerCountdown, AResetMissedWhileNoTrackerRanIsAppliedOnceAtTheNextStart) {
  TempDir dir;
  writeTariff(dir.path(), dailyReset());
  {
    // The first start ever knows no reset it missed: the countdown stays as it is.
    FakeClock clock(dec(14, 10, 0, 0));
    Bench b(dir.path(), clock);
    b.start();
    b.run(5);
    EXPECT_DOUBLE_EQ(readMain(dir.path()).CdUsed, 3600);
  }
  {
    // Off from Monday to Wednesday: the resets of Tuesday and Wednesday passed.
    FakeClock clock(dec(16, 10, 0, 0));
    Bench b(dir.path(), clock);
    b.start();
    EXPECT_EQ(b.observer.events, std::vector<std::string>{"reset"});
    const auto m = readMain(dir.path());
    EXPECT_DOUBLE_EQ(m.CdUsed, 0);
    EXPECT_EQ(m.CdStatus, 0);
  }
  // Used again; started again the same day: no reset passed since.
  {
    store::DataFiles files;
    ASSERT_TRUE(files.openAll(dir.path()));
    store::MainRecord m;
    store::MainRecIO(files, m, false);
    m.CdUsed = 500;
    store::MainRecIO(files, m, true);
  }
  FakeClock clock(dec(16, 23, 59, 50));
  Bench b(dir.path(), clock);
  b.start();
  b.run(5);
  EXPECT_DOUBLE_EQ(readMain(dir.path()).CdUsed, 500);
  EXPECT_TRUE(b.observer.events.empty());
  // Left running over the night: the reset at 03:00 on the dot.
  b.run(3 * 3600 + 4);
  EXPECT_DOUBLE_EQ(readMain(dir.path()).CdUsed, 500);
  b.run(1);
  EXPECT_DOUBLE_EQ(readMain(dir.path()).CdUsed, 0);
  EXPECT_EQ(b.observer.events, std::vector<std::string>{"reset"});
}

TEST(TrackerCountdown, AResetDuringASessionStartsTheCountdownAfreshFromThatSecond) {
  TempDir dir;
  auto t = dailyReset();
  t.main.CdUsed = 3000;
  t.main.CdStatus = 0;
  writeTariff(dir.path(), t);
  FakeClock clock(dec(14, 2, 55, 0));
  Bench b(dir.path(), clock);
  b.start();
  b.monitor.report(dialUp(), ConnectionState::Activated);
  b.run(300);  // 03:00:00: 300 s counted before the reset
  EXPECT_DOUBLE_EQ(readMain(dir.path()).CdUsed, 0);
  b.run(120);
  b.monitor.report(dialUp(), ConnectionState::Deactivated);
  EXPECT_DOUBLE_EQ(readMain(dir.path()).CdUsed, 120);
  // The warning of the old countdown came before the reset; none for the new one.
  EXPECT_EQ(b.notifier.summaries(), std::vector<std::string>{"Countdown: 10 % left"});
}

}  // namespace
}  // namespace prandel::test
