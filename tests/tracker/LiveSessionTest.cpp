// SPDX-License-Identifier: GPL-3.0-or-later
// The live tracker's way into the log and a hook's way give the same session: a
// call metered minute by minute, written as a running session after each minute and
// finished at hang-up, reads back as `log add` writes the same call at once.
#include <gtest/gtest.h>

#include "LogKit.h"
#include "core/Pricing.h"
#include "support/TempDir.h"
#include "tracker/PricedSession.h"

namespace prandel::test {
namespace {

using tracker::CallLog;

TEST(LiveSession, MinuteWritesEndAsTheSessionOfTheWholeCall) {
  // 1.20 an hour from 08:00 to 18:00, 3.60 at any other time, in whole minutes.
  core::TariffSettings t;
  t.main.CallStart = 1;
  t.main.IncTime = 60.0 / 86400;
  auto& day = t.conditions[0];
  day.InUse = true;
  day.Amt = 1.20;
  day.TimeType = 1;
  day.TimeStart = 8.0 / 24;
  day.TimeEnd = 18.0 / 24;
  auto& evening = t.conditions[1];
  evening.InUse = true;
  evening.Amt = 3.60;
  const core::LocalClock clock(QTimeZone::utc());
  const auto labelOf = [](int slot) { return "Condition " + std::to_string(slot); };

  core::CallInput call;
  call.connection = "ISP A";
  call.up = at({2026, 12, 14}, 17, 50);
  call.end = call.up + 1234;
  for (tracker::Epoch s = 0; s <= 1234; s += 10)
    call.samples.push_back({call.up + s, static_cast<std::uint64_t>(s) * 5000, static_cast<std::uint64_t>(s) * 100});

  TempDir hookDir, liveDir;
  CallLog hookLog, liveLog;
  ASSERT_TRUE(hookLog.open(hookDir.path(), CallLog::Access::Write));
  ASSERT_TRUE(liveLog.open(liveDir.path(), CallLog::Access::Write));

  // The hook: the whole call at once.
  auto whole = tracker::finishedSession(call, core::priceCall(t, call, {}, clock), labelOf);
  ASSERT_TRUE(hookLog.addFinished(whole)) << hookLog.error();

  // The tracker: a meter fed as the call runs, the log written each minute.
  core::CallMeter meter(t, {}, clock, call.connection, call.dialStart, call.up);
  tracker::SessionRow row;
  std::size_t nextSample = 0;
  int writes = 0;
  for (tracker::Epoch now = call.up + 60; now < call.end; now += 60) {
    std::vector<core::ByteSample> fresh;
    for (; nextSample < call.samples.size() && call.samples[nextSample].at <= now; ++nextSample) {
      meter.addSample(call.samples[nextSample]);
      fresh.push_back(call.samples[nextSample]);
    }
    meter.advanceTo(now);
    core::CallInput sofar = call;
    sofar.end = now;
    auto running = tracker::finishedSession(sofar, meter.soFar(), labelOf);
    running.session.id = row.id;
    running.session.end.reset();
    running.session.state = tracker::SessionState::Running;
    running.session.lastWrite = now;
    row = running.session;
    ASSERT_TRUE(liveLog.saveRunning(row, running.slices, fresh)) << liveLog.error();
    ++writes;
    // What the log says meanwhile: one running session, as far as it got.
    tracker::LoggedSession mid;
    ASSERT_TRUE(liveLog.session(row.id, mid));
    EXPECT_EQ(mid.session.state, tracker::SessionState::Running);
    EXPECT_EQ(mid.session.lastWrite, now);
  }
  std::vector<core::ByteSample> rest(call.samples.begin() + static_cast<std::ptrdiff_t>(nextSample), call.samples.end());
  for (const auto& s : rest) meter.addSample(s);
  const auto finished = tracker::finishedSession(call, meter.finish(call.end), labelOf);
  tracker::SessionRow last = finished.session;
  last.id = row.id;
  ASSERT_TRUE(liveLog.finish(last, finished.slices, rest)) << liveLog.error();
  EXPECT_EQ(writes, 20);

  tracker::LoggedSession a, b;
  ASSERT_TRUE(hookLog.session(whole.session.id, a));
  ASSERT_TRUE(liveLog.session(last.id, b));
  EXPECT_EQ(b.session.state, tracker::SessionState::Finished);
  EXPECT_EQ(b.session.end, a.session.end);
  EXPECT_EQ(b.session.countedSeconds, a.session.countedSeconds);
  EXPECT_EQ(b.session.received, a.session.received);
  EXPECT_EQ(b.session.cost, a.session.cost);
  ASSERT_EQ(b.slices.size(), a.slices.size());
  for (std::size_t i = 0; i < a.slices.size(); ++i) {
    EXPECT_EQ(b.slices[i].from, a.slices[i].from) << i;
    EXPECT_EQ(b.slices[i].slot, a.slices[i].slot) << i;
    EXPECT_EQ(b.slices[i].charge, a.slices[i].charge) << i;
  }
  EXPECT_EQ(a.slices.size(), 2u);  // before and after 18:00
  EXPECT_EQ(b.samples.size(), a.samples.size());
  EXPECT_EQ(rowCount(CallLog::pathIn(liveDir.path()), "sessions"), 1);
}

}  // namespace
}  // namespace prandel::test
