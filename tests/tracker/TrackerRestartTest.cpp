// SPDX-License-Identifier: GPL-3.0-or-later
// A tracker that ends at any moment, cleanly or killed: the next one finds whole
// sessions in the log, the last written within the write period of the end, takes
// over the session whose connection is still up (its time and bytes meanwhile
// counted) and finishes at its last write the one whose connection went away.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TrackerKit.h"

namespace prandel::test {
namespace {

using tracker::LiveTracker;
using tracker::SessionState;

constexpr std::uint64_t kBytesPerSecond = 1000;

// 3.60 an hour in 1-second units: a second costs 0.001.
void writeSecondTariff(const std::string& folder) {
  auto t = tariff({cond({perHour(3.60)})});
  t.main.CdEnabled = true;
  t.main.CdTotal = 100000;
  writeTariff(folder, t);
}

// Time and bytes as a connection up since `up` has them at `now`.
void keepCounting(FakeMonitor& m, core::Epoch up, core::Epoch now) {
  const auto n = static_cast<std::uint64_t>(now - up);
  m.count("ppp0", n * kBytesPerSecond, n * kBytesPerSecond / 10);
}

// n seconds of ticks while the connection up since `up` keeps counting.
void tickCounting(Bench& b, core::Epoch up, std::int64_t n) {
  for (std::int64_t i = 0; i < n; ++i) {
    b.clock.advance(1);
    keepCounting(b.monitor, up, b.clock.now().wall);
    b.tracker->tick(b.clock.now());
  }
}

// A session of the log is whole: its slices lie end to end over its counted time,
// their charges and its cost agree, its samples never go back.
void expectWhole(const tracker::LoggedSession& s) {
  SCOPED_TRACE("session " + std::to_string(s.session.id));
  std::int64_t seconds = 0;
  double charges = 0;
  core::Epoch at = s.session.countFrom;
  for (const auto& sl : s.slices) {
    EXPECT_EQ(sl.from, at);
    EXPECT_LE(sl.from, sl.to);
    at = sl.to;
    seconds += sl.to - sl.from;
    charges += sl.charge;
  }
  EXPECT_EQ(seconds, s.session.countedSeconds);
  EXPECT_TRUE(sameAmount(charges, s.session.cost));
  for (std::size_t i = 1; i < s.samples.size(); ++i) {
    EXPECT_LT(s.samples[i - 1].at, s.samples[i].at);
    EXPECT_LE(s.samples[i - 1].received, s.samples[i].received);
  }
  // A running session's last sample waits for the unit that begins at its moment.
  if (!s.samples.empty() && s.session.state == SessionState::Finished) {
    EXPECT_EQ(s.samples.back().received, s.session.received);
  }
  if (!s.samples.empty()) {
    EXPECT_LE(s.session.received, s.samples.back().received);
  }
}

// A tracker that has timed the connection for `seconds` and then ends without a
// word, as a killed one does: only what it wrote as it ran is left.
void runAndVanish(const std::string& folder, FakeClock& clock, core::Epoch up, std::int64_t seconds) {
  Bench b(folder, clock);
  b.start();
  keepCounting(b.monitor, up, clock.now().wall);
  b.monitor.report(dialUp(), ConnectionState::Activated);
  tickCounting(b, up, seconds);
}

TEST(TrackerRestart, TheConnectionStillUpIsTakenOverWithTheTimeAndBytesMeanwhile) {
  TempDir dir;
  writeSecondTariff(dir.path());
  const core::Epoch up = dec(14, 10, 0, 0);
  FakeClock clock(up);
  runAndVanish(dir.path(), clock, up, 95);
  clock.advance(40);  // no tracker ran

  Bench b(dir.path(), clock);
  b.monitor.active["/ac/1"] = dialUp();
  keepCounting(b.monitor, up, clock.now().wall);
  b.start();
  EXPECT_EQ(b.observer.events, std::vector<std::string>{"picked up Dial-Up"});
  tickCounting(b, up, 60);
  b.monitor.report(dialUp(), ConnectionState::Deactivated);

  const auto logged = loggedSessions(dir.path());
  ASSERT_EQ(logged.size(), 1u);
  const auto& s = logged[0];
  expectWhole(s);
  EXPECT_EQ(s.session.state, SessionState::Finished);
  EXPECT_EQ(s.session.up, up);
  EXPECT_EQ(s.session.end, up + 195);
  EXPECT_EQ(s.session.countedSeconds, 195);
  EXPECT_EQ(s.session.received, 195 * kBytesPerSecond);
  EXPECT_TRUE(sameAmount(s.session.cost, 0.195));
  EXPECT_DOUBLE_EQ(readMain(dir.path()).CdUsed, 195);
}

TEST(TrackerRestart, ASessionWhoseConnectionWentAwayEndsAtItsLastWrite) {
  TempDir dir;
  writeSecondTariff(dir.path());
  const core::Epoch up = dec(14, 10, 0, 0);
  FakeClock clock(up);
  runAndVanish(dir.path(), clock, up, 95);
  clock.advance(600);

  Bench b(dir.path(), clock);
  b.start();  // nothing active
  b.run(LiveTracker::kPickUpSeconds - 1);
  ASSERT_EQ(loggedSessions(dir.path()).at(0).session.state, SessionState::Running);  // still waiting
  b.run(1);
  EXPECT_EQ(b.observer.events, std::vector<std::string>{"closed Dial-Up"});
  const auto logged = loggedSessions(dir.path());
  ASSERT_EQ(logged.size(), 1u);
  expectWhole(logged[0]);
  EXPECT_EQ(logged[0].session.state, SessionState::Finished);
  EXPECT_EQ(*logged[0].session.end, up + 90);  // the last of its half-minute writes
}

TEST(TrackerRestart, ALinkMadeAnewUnderTheSameIdIsANewSession) {
  TempDir dir;
  writeSecondTariff(dir.path());
  const core::Epoch up = dec(14, 10, 0, 0);
  FakeClock clock(up);
  runAndVanish(dir.path(), clock, up, 95);
  clock.advance(100);

  Bench b(dir.path(), clock);
  b.monitor.active["/ac/1"] = dialUp();
  b.monitor.count("ppp0", 0, 0, /*ifindex*/ 8);  // pppd dialled again: another interface
  b.start();
  b.run(LiveTracker::kPickUpSeconds + 20);
  b.monitor.report(dialUp(), ConnectionState::Deactivated);
  EXPECT_EQ(b.observer.events, (std::vector<std::string>{"up Dial-Up", "closed Dial-Up", "down Dial-Up"}));
  const auto logged = loggedSessions(dir.path());
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_EQ(*logged[0].session.end, up + 90);
  EXPECT_EQ(logged[1].session.countedSeconds, LiveTracker::kPickUpSeconds + 20);
}

// --- Killed for real ------------------------------------------------------------------

// Where a child tracker's clock stood, seen by the parent that kills it.
struct Shared {
  std::atomic<core::Epoch> wall{0};
  std::atomic<int> ready{0};
};

// A child that times the connection from `up` second after second (a little real
// time each, so that a kill from outside can fall anywhere, in a write too) and
// kills itself after killAfter seconds when that is set.
pid_t startChild(const std::string& folder, core::Epoch up, Shared* shared, std::int64_t killAfter) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  FakeClock clock(up);
  Bench b(folder, clock);
  std::string error;
  if (!b.tracker->start(error)) ::_exit(3);
  keepCounting(b.monitor, up, up);
  b.monitor.report(dialUp(), ConnectionState::Activated);
  shared->wall = up;
  shared->ready = 1;
  for (std::int64_t i = 1; i <= 4000; ++i) {
    clock.advance(1);
    keepCounting(b.monitor, up, clock.now().wall);
    shared->wall = clock.now().wall;  // before the tick: a kill may fall in it
    b.tracker->tick(clock.now());
    if (i == killAfter) ::raise(SIGKILL);
    if (killAfter == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  ::_exit(0);
}

TEST(TrackerRestart, KilledAtAnyMomentTheNextTrackerFindsWholeSessionsAndGoesOn) {
  auto* shared = static_cast<Shared*>(::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(shared, MAP_FAILED);
  struct Point {
    std::int64_t killAfter;   // seconds of the session; 0: killed from outside after `delayMs`
    int delayMs;
  };
  // Right after the first write, about the writes of the half minute, and from outside
  // wherever the child happens to be.
  const Point points[] = {{1, 0}, {29, 0}, {30, 0}, {31, 0}, {59, 0}, {61, 0}, {0, 15}, {0, 40}, {0, 90}, {0, 170}};
  for (const Point& p : points) {
    SCOPED_TRACE("killed after " + std::to_string(p.killAfter) + " s / " + std::to_string(p.delayMs) + " ms");
    TempDir dir;
    writeSecondTariff(dir.path());
    const core::Epoch up = dec(14, 10, 0, 0);
    new (shared) Shared;
    const pid_t child = startChild(dir.path(), up, shared, p.killAfter);
    ASSERT_GT(child, 0);
    if (p.killAfter == 0) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (!shared->ready && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::this_thread::sleep_for(std::chrono::milliseconds(p.delayMs));
      ::kill(child, SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself: " << status;
    const core::Epoch killed = shared->wall;

    auto logged = loggedSessions(dir.path());
    ASSERT_EQ(logged.size(), 1u);
    expectWhole(logged[0]);
    EXPECT_EQ(logged[0].session.state, SessionState::Running);
    EXPECT_GE(logged[0].session.lastWrite, killed - LiveTracker::kWritePeriodSeconds);
    EXPECT_LE(logged[0].session.lastWrite, killed);

    // The next tracker starts 5 s later; the connection is still up.
    FakeClock clock(killed + 5);
    Bench b(dir.path(), clock);
    b.monitor.active["/ac/1"] = dialUp();
    keepCounting(b.monitor, up, clock.now().wall);
    b.start();
    EXPECT_EQ(b.observer.events, std::vector<std::string>{"picked up Dial-Up"});
    tickCounting(b, up, 10);
    b.monitor.report(dialUp(), ConnectionState::Deactivated);
    logged = loggedSessions(dir.path());
    ASSERT_EQ(logged.size(), 1u);
    expectWhole(logged[0]);
    const std::int64_t seconds = killed + 15 - up;
    EXPECT_EQ(logged[0].session.state, SessionState::Finished);
    EXPECT_EQ(logged[0].session.countedSeconds, seconds);
    // The bytes: every one, but those since the last write when the kill fell between
    // the two writes of the half minute, which are missed rather than counted twice.
    EXPECT_LE(logged[0].session.received, static_cast<std::uint64_t>(seconds) * kBytesPerSecond);
    EXPECT_GE(logged[0].session.received,
              static_cast<std::uint64_t>(std::max<std::int64_t>(0, seconds - LiveTracker::kWritePeriodSeconds)) * kBytesPerSecond);
    // CdUsed: every second, but those counted since the last write when the kill fell
    // between the log's write and the main record's.
    const double cdUsed = readMain(dir.path()).CdUsed;
    EXPECT_LE(cdUsed, static_cast<double>(seconds));
    EXPECT_GE(cdUsed, static_cast<double>(seconds - LiveTracker::kWritePeriodSeconds));
  }
  ::munmap(shared, sizeof(Shared));
}

}  // namespace
}  // namespace prandel::test
