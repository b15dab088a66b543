// SPDX-License-Identifier: GPL-3.0-or-later
// The live tracker times a connection second by second and the log ends up with the
// session the pricing engine gives for the same call at once; a tariff saved while
// the call runs prices its units from the next one on; the wall clock moved by
// Prandel's shutdown adds no time; the sibling programs' requests are acknowledged.
#include <gtest/gtest.h>

#include <filesystem>

#include "TrackerKit.h"

namespace prandel::test {
namespace {

using tracker::SessionState;

// 1.20 an hour from 08:00 to 18:00, 3.60 at any other time, in whole minutes.
core::TariffSettings dayAndEvening() {
  return tariff({cond({perHour(1.20), between(8, 0, 18, 0)}), cond({perHour(3.60)})}, timeOfDay(0, 1, 0));
}

// The slices of a logged session as the pricing gives them: times, slot, units and
// the charge as stored.
std::vector<std::string> loggedSliceLines(const tracker::LoggedSession& s) {
  std::vector<std::string> out;
  for (const auto& sl : s.slices) out.push_back(sliceLine({sl.from, sl.to, sl.slot, sl.units, sl.charge}));
  return out;
}

TEST(LiveTracker, ASessionLoggedAsItRunsIsTheCallThePricingGivesAtOnce) {
  TempDir dir;
  auto t = dayAndEvening();
  t.main.CallStart = 0;  // from the dial start: the 20 s of dialling count
  writeTariff(dir.path(), t);
  FakeClock clock(dec(14, 17, 49, 30));
  Bench b(dir.path(), clock);
  b.start();

  const auto c = dialUp("ISP A");
  b.monitor.report(c, ConnectionState::Activating);
  b.run(20);
  b.monitor.count("ppp0", 0, 0);
  b.monitor.report(c, ConnectionState::Activated);
  for (std::uint64_t i = 1; i <= 1834; ++i) {
    // Bytes now and then, in bursts, as a browser fetches pages.
    if (i % 7 < 3) b.monitor.count("ppp0", i * 5000, i * 300);
    b.run(1);
    if (i % 97 == 0) {
      // Meanwhile the log holds the session as running, written within the last half minute.
      const auto mid = loggedSessions(dir.path());
      ASSERT_EQ(mid.size(), 1u);
      EXPECT_EQ(mid[0].session.state, SessionState::Running);
      EXPECT_GE(mid[0].session.lastWrite, clock.now().wall - tracker::LiveTracker::kWritePeriodSeconds) << i;
    }
  }
  b.monitor.report(c, ConnectionState::Deactivated);

  const auto logged = loggedSessions(dir.path());
  ASSERT_EQ(logged.size(), 1u);
  const auto& s = logged[0];
  EXPECT_EQ(s.session.state, SessionState::Finished);
  EXPECT_EQ(s.session.connection, "ISP A");
  EXPECT_EQ(s.session.dialStart, dec(14, 17, 49, 30));
  EXPECT_EQ(s.session.up, dec(14, 17, 49, 50));
  EXPECT_EQ(s.session.end, dec(14, 18, 20, 24));
  // Samples at least every 10 s while bytes flow, and the last one at the end.
  for (std::size_t i = 1; i < s.samples.size(); ++i)
    EXPECT_LE(s.samples[i].at - s.samples[i - 1].at, tracker::LiveTracker::kSamplePeriodSeconds + 1) << i;
  ASSERT_FALSE(s.samples.empty());
  EXPECT_EQ(s.samples.back().received, 1834u * 5000);

  core::CallInput whole;
  whole.connection = "ISP A";
  whole.dialStart = s.session.dialStart;
  whole.up = s.session.up;
  whole.end = *s.session.end;
  whole.samples = s.samples;
  const auto want = core::priceCall(t, whole, {}, core::LocalClock::fixed(0));
  EXPECT_EQ(loggedSliceLines(s), sliceLines(want));
  EXPECT_EQ(want.slices.size(), 2u);  // before and after 18:00
  EXPECT_EQ(s.session.countedSeconds, want.countedSeconds);
  EXPECT_EQ(s.session.countFrom, want.countFrom);
  EXPECT_EQ(s.session.received, want.received);
  EXPECT_EQ(s.session.sent, want.sent);
  EXPECT_TRUE(sameAmount(s.session.cost, want.cost));
  EXPECT_EQ(b.observer.events, (std::vector<std::string>{"up ISP A", "down ISP A"}));
}

TEST(LiveTracker, TheWallClockMovedWhileACallRunsAddsNoTime) {
  TempDir dir;
  writeTariff(dir.path(), dayAndEvening());
  FakeClock clock(dec(14, 10, 0, 0));
  Bench b(dir.path(), clock);
  b.start();
  b.monitor.report(dialUp(), ConnectionState::Activated);
  b.run(300);
  clock.stepWall(60);  // Prandel's shutdown
  b.run(200);
  clock.stepWall(-3600);  // a time zone fixed by hand, an NTP correction
  b.run(100);
  b.monitor.report(dialUp(), ConnectionState::Deactivated);
  const auto logged = loggedSessions(dir.path());
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0].session.countedSeconds, 600);
  EXPECT_EQ(*logged[0].session.end - logged[0].session.up, 600);
  EXPECT_TRUE(sameAmount(logged[0].session.cost, 10 * 0.02));
}

TEST(LiveTracker, ATariffSavedMidSessionPricesTheNextUnitOnAndTheNoticeIsCleared) {
  TempDir dir;
  writeTariff(dir.path(), tariff({cond({perHour(1.20)})}, timeOfDay(0, 1, 0)));
  FakeClock clock(dec(14, 17, 50, 0));
  Bench b(dir.path(), clock);
  b.start();
  b.monitor.report(dialUp(), ConnectionState::Activated);
  b.run(320);  // 17:55:20, in the unit that began at 17:55
  const auto before = mainBytes(dir.path());

  // The expense window saves: the old condition mornings only, a dearer one in slot 2.
  saveAsPrandel(dir.path(), [](store::DataFiles& files) {
    store::ExpenseCondition mornings = cond({perHour(1.20), between(6, 0, 12, 0)}), dear = cond({perHour(3.60)});
    ASSERT_TRUE(store::writeRecord(files, store::ExpenseCondition::Channel, store::ExpenseCondition::LiveBase + 1, mornings));
    ASSERT_TRUE(store::writeRecord(files, store::ExpenseCondition::Channel, store::ExpenseCondition::LiveBase + 2, dear));
  }, 3);
  EXPECT_EQ(readMain(dir.path()).ChangeCode, 3);
  EXPECT_EQ(readLink(dir.path()).ReloadFlag, -1);
  b.run(2);
  EXPECT_EQ(readMain(dir.path()).ChangeCode, 0);
  EXPECT_EQ(readLink(dir.path()).ReloadFlag, 0);
  EXPECT_EQ(mainBytes(dir.path()), before);  // ChangeCode back to 0, nothing else moved
  EXPECT_EQ(b.observer.events.back(), "reloaded 3");

  b.run(278);  // 18:00:00
  b.monitor.report(dialUp(), ConnectionState::Deactivated);
  const auto logged = loggedSessions(dir.path());
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(loggedSliceLines(logged[0]), (std::vector<std::string>{"17:50:00-17:56:00 #1 x6 0.12000",
                                                                   "17:56:00-18:00:00 #2 x4 0.24000"}));
}

TEST(LiveTracker, TheSiblingProgramsRequestsAreAcknowledgedAndOthersLeftAlone) {
  struct Case {
    std::int16_t code;
    std::int16_t left;
    bool told;
  };
  // 39 online bookmarks, 56 online examples; 502 is an editor request that Prandel
  // must still find when it starts.
  for (const Case c : {Case{39, 0, true}, Case{56, 0, true}, Case{502, 502, false}, Case{1, 1, false}}) {
    SCOPED_TRACE(c.code);
    TempDir dir;
    writeTariff(dir.path(), dayAndEvening());
    FakeClock clock(dec(14, 10, 0, 0));
    Bench b(dir.path(), clock);
    b.start();
    b.run(3);
    const auto before = readLink(dir.path()).raw;
    writeLinkRequest(dir.path(), c.code);
    b.run(2);
    const auto after = readLink(dir.path());
    EXPECT_EQ(after.RequestCode, c.left);
    EXPECT_EQ(std::equal(before.begin() + 2, before.end(), after.raw.begin() + 2), true);
    EXPECT_EQ(b.observer.events, c.told ? std::vector<std::string>{"request " + std::to_string(c.code)}
                                        : std::vector<std::string>{});
  }
}

TEST(LiveTracker, ADialThatNeverCameUpIsNoSession) {
  TempDir dir;
  writeTariff(dir.path(), dayAndEvening());
  FakeClock clock(dec(14, 10, 0, 0));
  Bench b(dir.path(), clock);
  b.start();
  b.monitor.report(dialUp(), ConnectionState::Activating);
  b.run(30);
  b.monitor.report(dialUp(), ConnectionState::Deactivated);
  b.run(2);
  EXPECT_TRUE(loggedSessions(dir.path()).empty());
  EXPECT_TRUE(b.observer.events.empty());
}

TEST(LiveTracker, AFolderWithoutRecordsIsLoggedUnpricedAndTakesTheRecordsWhenTheyCome) {
  TempDir dir;
  FakeClock clock(dec(14, 10, 0, 0));
  Bench b(dir.path(), clock);
  b.start();
  b.monitor.report(dialUp(), ConnectionState::Activated);
  b.run(60);
  EXPECT_FALSE(std::filesystem::exists(dir.file("mlif.zkt")));  // nothing made
  writeTariff(dir.path(), tariff({cond({perHour(3.60)})}, timeOfDay(0, 1, 0)));
  b.run(60);
  b.monitor.report(dialUp(), ConnectionState::Deactivated);
  const auto logged = loggedSessions(dir.path());
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0].session.unpricedSeconds, 61);
  EXPECT_TRUE(sameAmount(logged[0].session.cost, 0.06));
}

}  // namespace
}  // namespace prandel::test
