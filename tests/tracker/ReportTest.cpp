// SPDX-License-Identifier: GPL-3.0-or-later
// Reports: which sessions a period holds, how they add up per day, connection and
// condition, the largest charges, and the countdown's time left at each day's end.
#include <gtest/gtest.h>

#include "LogKit.h"
#include "core/Regional.h"
#include "store/MainRecord.h"
#include "support/TempDir.h"
#include "tracker/Report.h"

namespace prandel::test {
namespace {

using tracker::CallLog;
using tracker::LoggedSession;
using tracker::PeriodKind;

TEST(ReportPeriod, DayMonthAndCycleHoldingADay) {
  const QDate day(2026, 12, 14);
  struct Case {
    PeriodKind kind;
    int startDay;
    QDate first, last;
  };
  const Case cases[] = {
      {PeriodKind::Day, 1, day, day},
      {PeriodKind::Month, 15, {2026, 12, 1}, {2026, 12, 31}},
      {PeriodKind::Cycle, 1, {2026, 12, 1}, {2026, 12, 31}},
      {PeriodKind::Cycle, 15, {2026, 11, 15}, {2026, 12, 14}},
      {PeriodKind::Cycle, 14, {2026, 12, 14}, {2027, 1, 13}},
  };
  for (const auto& c : cases) {
    const auto p = tracker::periodHolding(day, c.kind, c.startDay, QTimeZone::utc());
    EXPECT_EQ(p.first, c.first);
    EXPECT_EQ(p.last, c.last);
    EXPECT_EQ(p.span.from, at(c.first, 0, 0));
    EXPECT_EQ(p.span.to, at(c.last.addDays(1), 0, 0));
  }
  // Local days: the 29 March 2026 of Berlin has 23 hours.
  const QTimeZone berlin("Europe/Berlin");
  const auto spring = tracker::periodHolding({2026, 3, 29}, PeriodKind::Day, 1, berlin);
  EXPECT_EQ(spring.span.to - spring.span.from, 23 * 3600);
}

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(log.open(dir.path(), CallLog::Access::Write)) << log.error(); }
  void add(LoggedSession s) { ASSERT_TRUE(log.addFinished(s)) << log.error(); }
  // A call with two slices: condition `slot` (label) then condition 4 (free).
  void addCall(const std::string& conn, const QDate& d, int h, std::int64_t secs, int slot, const std::string& label,
               double charge, double countdown = 0) {
    LoggedSession s = call(conn, at(d, h, 0), secs);
    const auto up = s.session.up;
    s.slices = {{up, up + secs / 2, slot, label, secs / 2, charge},
                {up + secs / 2, up + secs, 4, "Condition 4: Free", secs - secs / 2, 0}};
    s.session.cost = charge;
    s.session.countdownSeconds = countdown;
    add(s);
  }
  TempDir dir;
  CallLog log;
};

TEST_F(ReportTest, AddsUpACycleByDayConnectionAndCondition) {
  const QDate d14(2026, 12, 14), d15(2026, 12, 15);
  addCall("ISP A", d14, 9, 3600, 2, "Condition 2: $ 2.50 Per Hour", 1.25);
  addCall("ISP B", d14, 23, 7200, 1, "Condition 1: $ 1.20 Per Hour", 1.20);  // over midnight: the 14th's
  addCall("ISP A", d15, 10, 600, 2, "Condition 2: $ 3.00 Per Hour", 0.25);   // slot 2 changed since
  addCall("ISP A", {2026, 12, 31}, 23, 60, 1, "Condition 1: $ 1.20 Per Hour", 0.01);
  addCall("ISP A", {2027, 1, 1}, 0, 60, 1, "Condition 1: $ 1.20 Per Hour", 5.0);  // the next cycle

  tracker::Report r;
  const auto period = tracker::periodHolding(d14, PeriodKind::Cycle, 1, QTimeZone::utc());
  ASSERT_TRUE(tracker::buildReport(log, period, std::nullopt, 3, r, QTimeZone::utc())) << log.error();
  EXPECT_EQ(r.totals.sessions, 4);
  EXPECT_EQ(r.totals.countedSeconds, 3600 + 7200 + 600 + 60);
  EXPECT_NEAR(r.totals.cost, 2.71, 1e-9);
  EXPECT_EQ(r.totals.received, (60 + 120 + 10 + 1) * 1000u);

  ASSERT_EQ(r.connections.size(), 2u);
  EXPECT_EQ(r.connections[0].connection, "ISP A");  // the larger cost first
  EXPECT_NEAR(r.connections[0].totals.cost, 1.51, 1e-9);
  EXPECT_EQ(r.connections[1].totals.sessions, 1);

  // By slot; the two descriptions of slot 2 apart.
  ASSERT_EQ(r.conditions.size(), 4u);
  EXPECT_EQ(r.conditions[0].label, "Condition 1: $ 1.20 Per Hour");
  EXPECT_NEAR(r.conditions[0].charge, 1.21, 1e-9);
  EXPECT_EQ(r.conditions[0].seconds, 3600 + 30);
  EXPECT_EQ(r.conditions[1].label, "Condition 2: $ 2.50 Per Hour");
  EXPECT_EQ(r.conditions[2].label, "Condition 2: $ 3.00 Per Hour");
  EXPECT_EQ(r.conditions[3].slot, 4);
  EXPECT_EQ(r.conditions[3].units, 1800 + 3600 + 300 + 30);

  ASSERT_EQ(r.top.size(), 3u);
  EXPECT_NEAR(r.top[0].charge, 1.25, 1e-9);
  EXPECT_EQ(r.top[0].connection, "ISP A");
  EXPECT_EQ(r.top[1].connection, "ISP B");
  EXPECT_EQ(r.top[2].label, "Condition 2: $ 3.00 Per Hour");

  ASSERT_EQ(r.days.size(), 31u);
  const auto& day14 = r.days[13];
  EXPECT_EQ(day14.day, d14);
  EXPECT_EQ(day14.sessions, 2);
  EXPECT_NEAR(day14.cost, 2.45, 1e-9);
  EXPECT_NEAR(day14.costByCondition[0], 1.20, 1e-9);
  EXPECT_NEAR(day14.costByCondition[1], 1.25, 1e-9);
  EXPECT_EQ(r.days[14].sessions, 1);
  EXPECT_NEAR(r.days[14].costByCondition[2], 0.25, 1e-9);
  EXPECT_EQ(r.days[15].sessions, 0);
  // Every day's stack adds up to its cost.
  for (const auto& d : r.days) {
    double sum = 0;
    for (double c : d.costByCondition) sum += c;
    EXPECT_NEAR(sum, d.cost, 1e-9) << d.day.toString(Qt::ISODate).toStdString();
  }

  // One connection only.
  ASSERT_TRUE(tracker::buildReport(log, period, std::string("ISP B"), 10, r, QTimeZone::utc()));
  EXPECT_EQ(r.totals.sessions, 1);
  EXPECT_EQ(r.conditions.size(), 2u);
  EXPECT_EQ(r.top.size(), 1u);  // free slices are no charges
}

// The countdown: 10 hours, 2 used now. Sessions used 1 h on the 14th and 1 h on
// the 16th; now is the 17th at noon.
TEST_F(ReportTest, CountdownLeftAtEachDaysEndFromNowBackwards) {
  const QDate d14(2026, 12, 14), d16(2026, 12, 16);
  addCall("ISP A", d14, 9, 3600, 2, "Condition 2", 1, 3600);
  addCall("ISP A", d16, 9, 3600, 2, "Condition 2", 1, 3600);
  store::MainRecord main;
  main.CdEnabled = true;
  main.CdTotal = 36000;
  main.CdUsed = 7200;
  const auto now = at({2026, 12, 17}, 12, 0);
  tracker::Report r;
  const auto period = tracker::periodHolding(d14, PeriodKind::Cycle, 1, QTimeZone::utc());
  ASSERT_TRUE(tracker::buildReport(log, period, std::nullopt, 5, r, QTimeZone::utc()));
  ASSERT_TRUE(tracker::addCountdown(log, main, now, r, QTimeZone::utc())) << log.error();
  EXPECT_EQ(r.days[12].countdownLeft, 36000.0);  // the 13th: before both sessions
  EXPECT_EQ(r.days[13].countdownLeft, 32400.0);
  EXPECT_EQ(r.days[14].countdownLeft, 32400.0);
  EXPECT_EQ(r.days[15].countdownLeft, 28800.0);  // the 16th: what is left now
  EXPECT_FALSE(r.days[16].countdownLeft.has_value());  // the 17th has not ended

  // A daily reset at 06:00: each day ends with the total less that day's use.
  main.CdResetOn = true;
  main.CdResetPeriod = 0;
  main.CdResetTime = 6 * 3600;
  ASSERT_TRUE(tracker::addCountdown(log, main, now, r, QTimeZone::utc()));
  EXPECT_EQ(r.days[13].countdownLeft, 32400.0);
  EXPECT_EQ(r.days[14].countdownLeft, 36000.0);
  EXPECT_EQ(r.days[15].countdownLeft, 32400.0);

  main.CdEnabled = false;
  ASSERT_TRUE(tracker::addCountdown(log, main, now, r, QTimeZone::utc()));
  EXPECT_FALSE(r.days[13].countdownLeft.has_value());
}

TEST(CountdownReset, TheLastResetBeforeAMoment) {
  store::MainRecord m;
  m.CdResetOn = true;
  m.CdResetTime = 6 * 3600 + 30 * 60;
  const auto moment = at({2026, 12, 16}, 12, 0);  // a Wednesday
  struct Case {
    int period, day;
    double date;
    std::optional<tracker::Epoch> want;
  };
  const Case cases[] = {
      {0, 0, 0, at({2026, 12, 16}, 6, 30)},
      {1, 1, 0, at({2026, 12, 14}, 6, 30)},               // Mondays
      {1, 3, 0, at({2026, 12, 16}, 6, 30)},               // Wednesdays: this morning
      {2, 30, 0, at({2026, 11, 30}, 6, 30)},              // the 31st: November's last day
      {3, 0, Regional::fromDate({2001, 2, 28}), at({2026, 2, 28}, 6, 30)},
      {1, 9, 0, std::nullopt},                            // no such weekday
      {4, 0, 0, std::nullopt},                            // no such period
      {3, 0, std::nan(""), std::nullopt},
  };
  for (const auto& c : cases) {
    m.CdResetPeriod = c.period;
    m.CdResetDay = c.day;
    m.CdResetDate = c.date;
    EXPECT_EQ(tracker::lastCountdownReset(m, moment, QTimeZone::utc()), c.want) << c.period << " " << c.day;
  }
  m.CdResetTime = std::nan("");
  m.CdResetPeriod = 0;
  EXPECT_FALSE(tracker::lastCountdownReset(m, moment, QTimeZone::utc()));
  m.CdResetTime = 0;
  m.CdResetOn = false;
  EXPECT_FALSE(tracker::lastCountdownReset(m, moment, QTimeZone::utc()));
}

}  // namespace
}  // namespace prandel::test
