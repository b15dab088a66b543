// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a report says about a period: its totals, per connection and per condition,
// its largest charges, and a line per local day for the chart. A session belongs
// wholly to the day (and so the period) in which its counting started, as the
// day's and cycle's counters of the pricing count it; a call over midnight is
// the day before's.
#include <QDate>
#include <QTimeZone>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tracker/CallLog.h"

namespace prandel::store {
struct MainRecord;
}

namespace prandel::tracker {

enum class PeriodKind { Day, Month, Cycle };

struct Period {
  PeriodKind kind = PeriodKind::Cycle;
  QDate first;  // the first day
  QDate last;   // the last day, in the period
  Span span;    // from the first day's start to the start of the day after the last
};

// The period of a kind that holds day (a cycle by the log's start day).
Period periodHolding(const QDate& day, PeriodKind kind, int cycleStartDay,
                     const QTimeZone& zone = QTimeZone::systemTimeZone());

struct Totals {
  std::int64_t sessions = 0;
  std::int64_t countedSeconds = 0;
  std::int64_t unpricedSeconds = 0;
  std::uint64_t received = 0;
  std::uint64_t sent = 0;
  double cost = 0;
  double countdownSeconds = 0;
};

struct ConnectionTotals {
  std::string connection;
  Totals totals;
};

// A condition as the slices name it: its slot and the description it had then. A
// slot whose condition was changed in the period is two conditions here.
struct ConditionTotals {
  int slot = 0;
  std::string label;
  std::int64_t units = 0;
  std::int64_t seconds = 0;
  double charge = 0;
};

struct TopCharge {
  Epoch from = 0;
  Epoch to = 0;
  std::string connection;
  int slot = 0;
  std::string label;
  double charge = 0;
};

struct DayTotals {
  QDate day;
  std::int64_t sessions = 0;
  std::int64_t countedSeconds = 0;
  std::uint64_t received = 0;
  std::uint64_t sent = 0;
  double cost = 0;
  std::vector<double> costByCondition;  // indexed as Report::conditions
  double countdownSeconds = 0;
  // The countdown's time left at the day's end; none where it cannot be known (a
  // day after now, or the countdown off).
  std::optional<double> countdownLeft;
};

struct Report {
  Period period;
  std::optional<std::string> connection;
  Totals totals;
  std::vector<ConnectionTotals> connections;  // by cost, the largest first
  std::vector<ConditionTotals> conditions;    // by slot, then in order of first use
  std::vector<TopCharge> top;                 // the largest slices, the largest first
  std::vector<DayTotals> days;                // each day of the period
};

// The report of a period from the log; false with log.error() when it cannot be read.
bool buildReport(CallLog& log, const Period& period, const std::optional<std::string>& connection,
                 std::size_t topCount, Report& out, const QTimeZone& zone = QTimeZone::systemTimeZone());

// The countdown's time left at the end of each day of a report up to now, from the
// main record as it stands now (CdTotal - CdUsed) and the countdown seconds that
// the log's sessions used: without automatic resets, the time left now plus what the
// sessions after a day's end used; with them, CdTotal less what the sessions since
// the last reset before the day's end used. Nothing when the countdown is off.
bool addCountdown(CallLog& log, const store::MainRecord& main, Epoch now, Report& report,
                  const QTimeZone& zone = QTimeZone::systemTimeZone());

// The last moment at or before `at` at which the countdown's automatic reset fell
// (CdResetPeriod, CdResetDay, CdResetDate, CdResetTime), looking back at most a
// year and a day; none when resets are off or the record's values name no moment.
std::optional<Epoch> lastCountdownReset(const store::MainRecord& main, Epoch at,
                                        const QTimeZone& zone = QTimeZone::systemTimeZone());

}  // namespace prandel::tracker
