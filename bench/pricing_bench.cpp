// SPDX-License-Identifier: GPL-3.0-or-later
// The pricing of a 24-hour call against 20 conditions, each with a filter that holds
// (so that every second weighs all of them), 190 holidays, the countdown holding
// some conditions for the first hours, and a byte sample every 10 s: in 1-second
// units (86 400 of them, the worst case) and in 1-minute units (1 441: the dialling
// adds 30 s).
//
//   pricing_bench --benchmark_repetitions=15 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

#include "core/Regional.h"
#include "core/Pricing.h"

namespace {

using namespace prandel;
using store::ExpenseCondition;

double hm(int h, int m) { return (h * 60 + m) / 1440.0; }

core::TariffSettings twentyConditions(double incTime) {
  core::TariffSettings t;
  t.main.CallStart = 0;
  t.main.IncTime = incTime;
  t.main.CdEnabled = true;
  t.main.CdExpenseMode = 2;
  t.main.CdTotal = 4 * 3600;
  for (int i = 1; i <= 20; i += 3) t.main.CdCondOn[static_cast<std::size_t>(i)] = true;
  for (int i = 0; i < 20; ++i) {
    ExpenseCondition& c = t.conditions[static_cast<std::size_t>(i)];
    c.InUse = true;
    c.Amt = 0.5 + i * 0.25;
    // Every kind of period and times of day that change through the day; per hour,
    // so that the increment sets the units' length. Condition 1 holds always.
    c.PerType = static_cast<std::uint8_t>(i % 8);
    c.PerNum = static_cast<std::uint8_t>(i % 7);
    c.PerStart = Regional::fromDate(QDate(2026, 12, 1));
    c.PerEnd = Regional::fromDate(QDate(2026, 12, 31));
    c.WkStart = static_cast<std::int16_t>(i * 300);
    c.WkEnd = static_cast<std::int16_t>(i * 300 + 4000);
    c.InclHoli = i % 2 == 0;
    c.TimeType = static_cast<std::uint8_t>(i % 4);
    c.TimeStart = hm(i, 15);
    c.TimeEnd = hm((i + 9) % 24, 45);
    if (i == 0) c.TimeType = 0;
    // Filters that hold, on counters of every kind.
    c.CondItem = static_cast<std::uint8_t>(1 + i % 14);
    c.CondCmp = 5;  // is less than or equals to
    c.CondVal = 1e12;
  }
  for (int k = 0; k < 190; ++k) t.holidays.push_back(Regional::fromDate(QDate(2026, 1, 1).addDays(k * 2)));
  t.main.HolidayCount = 190;
  return t;
}

core::CallInput dayLongCall() {
  core::CallInput c;
  c.dialStart = QDateTime(QDate(2026, 12, 14), QTime(6, 0), QTimeZone::utc()).toSecsSinceEpoch();
  c.up = *c.dialStart + 30;
  c.end = c.up + 86400;
  for (core::Epoch t = c.up + 10; t <= c.end; t += 10) {
    const auto k = static_cast<std::uint64_t>(t - c.up);
    c.samples.push_back({t, k * 40000, k * 2000});
  }
  return c;
}

void price(benchmark::State& state, double incTime) {
  const auto t = twentyConditions(incTime);
  const auto call = dayLongCall();
  const core::LocalClock berlin(QTimeZone("Europe/Berlin"));
  std::size_t units = 0;
  for (auto _ : state) {
    const core::PricedCall p = core::priceCall(t, call, {}, berlin);
    units = p.units.size();
    benchmark::DoNotOptimize(p.cost);
  }
  state.SetLabel(std::to_string(units) + " units");
}

void BM_DayOneSecondUnits(benchmark::State& state) { price(state, 0); }
void BM_DayOneMinuteUnits(benchmark::State& state) { price(state, hm(0, 1)); }

BENCHMARK(BM_DayOneSecondUnits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayOneMinuteUnits)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
