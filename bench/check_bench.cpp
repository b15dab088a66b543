// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack check's work: every quarter hour of a leap year (35 136 of them) matched
// against 20 conditions with 190 saved holidays and the tally of who wins where,
// from reading the records to the finished tally.
//
//   check_bench --benchmark_repetitions=15 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QDate>
#include <filesystem>
#include <string>

#include "core/ConditionCoverage.h"
#include "core/ConditionMatching.h"
#include "core/Regional.h"
#include "store/DataFiles.h"
#include "store/HolidayRecord.h"
#include "store/RecordIO.h"
#include "BenchFolder.h"

namespace {

using namespace prandel;
using store::ExpenseCondition;

using bench::Folder;

double hm(int h, int m) { return (h * 60 + m) / 1440.0; }

// Holidays: every kind of period and time rule, so that each quarter hour weighs
// all of them. Holidays only: the 20 that ask for the holiday list every time.
enum class Mix { EveryKind, HolidaysOnly };

struct Year {
  Folder folder;
  store::DataFiles files;
  store::MainRecord main;
  QDate first{2024, 1, 1};

  explicit Year(Mix mix) {
    files.openAll(folder.path);
    for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
      ExpenseCondition c;
      c.InUse = true;
      c.PerType = mix == Mix::HolidaysOnly ? 4 : static_cast<std::uint8_t>(i % 8);
      c.PerNum = static_cast<std::uint8_t>(i % 7);
      c.PerStart = Regional::fromDate(QDate(2024, i % 12 + 1, 1));
      c.PerEnd = c.PerStart + 20;
      c.TimeType = static_cast<std::uint8_t>(i % 4);
      c.TimeStart = hm(i % 24, 15 * (i % 4));
      c.TimeEnd = hm((i * 7) % 24, 0);
      c.WkStart = static_cast<std::int16_t>(i * 480);
      c.WkEnd = static_cast<std::int16_t>(i * 480 + 2000);
      c.InclHoli = i % 2 == 0;
      store::writeRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + i, c);
    }
    for (int k = 1; k <= kMaxHolidays; ++k) {
      store::HolidayRecord h;
      h.HoliDate = Regional::fromDate(first.addDays(k * 37 % 366));
      store::writeRecord(files, store::HolidayRecord::Channel, store::HolidayRecord::Base + k, h);
    }
    main.HolidayCount = kMaxHolidays;
    main.WeekOff[0] = true;
  }
};

void BM_CheckYear(benchmark::State& state) {
  Year year(static_cast<Mix>(state.range(0)));
  for (auto _ : state) {
    const ConditionMatcher matcher(year.files, year.main, ExpenseCondition::LiveBase, kDefaultConnection);
    const ConditionCoverage cov = coverageOf(matcher, year.first, 366);
    benchmark::DoNotOptimize(cov.uncovered);
  }
  state.SetLabel("35136 quarter hours, 20 conditions, 190 holidays");
}

BENCHMARK(BM_CheckYear)->Arg(0)->Arg(1)->ArgName("holidaysOnly")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
