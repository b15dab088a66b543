// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/Report.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <map>

#include "core/Regional.h"
#include "core/BillingCycle.h"
#include "store/MainRecord.h"

namespace prandel::tracker {
namespace {

Epoch startOf(const QDate& day, const QTimeZone& zone) { return day.startOfDay(zone).toSecsSinceEpoch(); }

void add(Totals& t, const SessionRow& s) {
  ++t.sessions;
  t.countedSeconds += s.countedSeconds;
  t.unpricedSeconds += s.unpricedSeconds;
  t.received += s.received;
  t.sent += s.sent;
  t.cost += s.cost;
  t.countdownSeconds += s.countdownSeconds;
}

// Index of the day of the period that holds a moment (clamped to the period).
std::size_t dayIndex(const std::vector<Epoch>& dayStarts, Epoch at) {
  const auto it = std::upper_bound(dayStarts.begin(), dayStarts.end(), at);
  return it == dayStarts.begin() ? 0 : static_cast<std::size_t>(it - dayStarts.begin() - 1);
}

}  // namespace

Period periodHolding(const QDate& day, PeriodKind kind, int cycleStartDay, const QTimeZone& zone) {
  Period p;
  p.kind = kind;
  switch (kind) {
    case PeriodKind::Day:
      p.first = p.last = day;
      break;
    case PeriodKind::Month:
      p.first = QDate(day.year(), day.month(), 1);
      p.last = p.first.addMonths(1).addDays(-1);
      break;
    case PeriodKind::Cycle:
      p.first = core::cycleStartOf(day, cycleStartDay);
      p.last = core::nextCycleStart(day, cycleStartDay).addDays(-1);
      break;
  }
  p.span = {startOf(p.first, zone), startOf(p.last.addDays(1), zone)};
  return p;
}

bool buildReport(CallLog& log, const Period& period, const std::optional<std::string>& connection,
                 std::size_t topCount, Report& out, const QTimeZone& zone) {
  out = {};
  out.period = period;
  out.connection = connection;
  const SessionFilter filter{period.span, connection};
  std::vector<SessionRow> rows;
  std::vector<CallLog::SliceOf> slices;
  if (!log.sessions(filter, rows) || !log.slices(filter, slices)) return false;

  std::vector<Epoch> dayStarts;
  for (QDate d = period.first; d.isValid() && d <= period.last; d = d.addDays(1)) {
    dayStarts.push_back(startOf(d, zone));
    out.days.push_back({});
    out.days.back().day = d;
  }
  if (dayStarts.empty()) return true;

  std::map<std::string, Totals> byConnection;
  std::map<std::int64_t, std::size_t> dayOfSession;
  for (const auto& s : rows) {
    add(out.totals, s);
    add(byConnection[s.connection], s);
    const std::size_t d = dayIndex(dayStarts, s.countFrom);
    dayOfSession[s.id] = d;
    DayTotals& day = out.days[d];
    ++day.sessions;
    day.countedSeconds += s.countedSeconds;
    day.received += s.received;
    day.sent += s.sent;
    day.cost += s.cost;
    day.countdownSeconds += s.countdownSeconds;
  }
  for (auto& [name, totals] : byConnection) out.connections.push_back({name, totals});
  std::stable_sort(out.connections.begin(), out.connections.end(),
                   [](const auto& a, const auto& b) { return a.totals.cost > b.totals.cost; });

  // Conditions by slot, each description in the order it was first met.
  std::map<std::pair<int, std::string>, std::size_t> conditionIndex;
  for (const auto& s : slices) {
    const auto key = std::make_pair(s.slice.slot, s.slice.label);
    if (conditionIndex.emplace(key, conditionIndex.size()).second)
      out.conditions.push_back({s.slice.slot, s.slice.label, 0, 0, 0});
  }
  std::vector<std::size_t> order(out.conditions.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return out.conditions[a].slot < out.conditions[b].slot; });
  std::vector<ConditionTotals> sorted;
  std::vector<std::size_t> rank(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    sorted.push_back(out.conditions[order[i]]);
    rank[order[i]] = i;
  }
  out.conditions = std::move(sorted);
  for (auto& day : out.days) day.costByCondition.assign(out.conditions.size(), 0.0);
  for (const auto& s : slices) {
    const std::size_t c = rank[conditionIndex[{s.slice.slot, s.slice.label}]];
    auto& cond = out.conditions[c];
    cond.units += s.slice.units;
    cond.seconds += s.slice.to - s.slice.from;
    cond.charge += s.slice.charge;
    out.days[dayOfSession[s.session]].costByCondition[c] += s.slice.charge;
  }

  std::vector<const CallLog::SliceOf*> charged;
  for (const auto& s : slices)
    if (s.slice.charge > 0) charged.push_back(&s);
  const std::size_t n = std::min(topCount, charged.size());
  std::partial_sort(charged.begin(), charged.begin() + static_cast<std::ptrdiff_t>(n), charged.end(),
                    [](const auto* a, const auto* b) {
                      if (a->slice.charge != b->slice.charge) return a->slice.charge > b->slice.charge;
                      return a->slice.from < b->slice.from;
                    });
  for (std::size_t i = 0; i < n; ++i) {
    const auto& s = *charged[i];
    out.top.push_back({s.slice.from, s.slice.to, s.connection, s.slice.slot, s.slice.label, s.slice.charge});
  }
  return true;
}

std::optional<Epoch> lastCountdownReset(const store::MainRecord& main, Epoch at, const QTimeZone& zone) {
  if (!main.CdResetOn) return std::nullopt;
  const double secs = main.CdResetTime;
  if (!std::isfinite(secs) || secs < 0 || secs >= 86400) return std::nullopt;
  const int s = static_cast<int>(std::lround(std::floor(secs)));
  const QTime time(s / 3600, s / 60 % 60, s % 60);
  std::optional<QDate> yearly;
  if (main.CdResetPeriod == 3) {
    yearly = Regional::datePart(main.CdResetDate);
    if (!yearly) return std::nullopt;
  }
  const auto falls = [&](const QDate& d) {
    switch (main.CdResetPeriod) {
      case 0: return true;
      case 1: return main.CdResetDay >= 0 && main.CdResetDay <= 6 && d.dayOfWeek() % 7 == main.CdResetDay;
      case 2:  // a day the month lacks is its last
        return main.CdResetDay >= 0 && main.CdResetDay <= 30 && d.day() == std::min(main.CdResetDay + 1, d.daysInMonth());
      case 3: return d.month() == yearly->month() && d.day() == std::min(yearly->day(), d.daysInMonth());
      default: return false;
    }
  };
  const QDate today = QDateTime::fromSecsSinceEpoch(at, zone).date();
  for (int back = 0; back <= 367; ++back) {
    const QDate d = today.addDays(-back);
    if (!falls(d)) continue;
    const Epoch moment = QDateTime(d, time, zone).toSecsSinceEpoch();
    if (moment <= at) return moment;
  }
  return std::nullopt;
}

bool addCountdown(CallLog& log, const store::MainRecord& main, Epoch now, Report& report, const QTimeZone& zone) {
  for (auto& d : report.days) d.countdownLeft.reset();
  if (!main.CdEnabled || !std::isfinite(main.CdTotal) || !std::isfinite(main.CdUsed) || main.CdTotal <= 0) return true;
  const double total = main.CdTotal;
  const double leftNow = std::clamp(total - main.CdUsed, 0.0, total);
  for (auto& d : report.days) {
    const Epoch end = startOf(d.day.addDays(1), zone);
    if (end > now) break;
    std::optional<double> used;
    if (const auto reset = lastCountdownReset(main, end, zone)) {
      used = log.countdownSecondsBetween({*reset, end});
      if (!used) return false;
      d.countdownLeft = std::clamp(total - *used, 0.0, total);
    } else {
      used = log.countdownSecondsBetween({end, now + 1});
      if (!used) return false;
      d.countdownLeft = std::clamp(leftNow + *used, 0.0, total);
    }
  }
  return true;
}

}  // namespace prandel::tracker
