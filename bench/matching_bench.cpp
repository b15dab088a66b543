// SPDX-License-Identifier: GPL-3.0-or-later
// The condition map's work: the 673 evaluations of one drawing, in the worst case
// (20 conditions of the holiday kind, 190 holidays, none of them in the week drawn),
// by the real matching and by a word-for-word reading of one record at a time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QDate>
#include <filesystem>
#include <string>

#include "core/ConditionMatching.h"
#include "core/LiteralMatching.h"
#include "store/RecordIO.h"
#include "support/StateKit.h"
#include "ui/EditorMatching.h"
#include "ui/EditorState.h"
#include "BenchFolder.h"

namespace {

using namespace prandel;

using bench::Folder;

enum class Holidays { Far, Near };

struct Setup {
  Folder folder;
  platform::Platform services;
  test::StandaloneState s{services, QLocale(QLocale::English, QLocale::UnitedStates)};
  double start = Regional::fromDate(QDate(2024, 12, 22));

  explicit Setup(Holidays kind) {
    s.DataPath = folder.path;
    s.OpenDataFiles();
    for (int i = 1; i <= store::ExpenseCondition::Slots; ++i) {
      store::ExpenseCondition c;
      c.InUse = true;
      c.PerType = 4;
      c.TimeType = 1;
      c.TimeStart = 8 / 24.0;
      c.TimeEnd = 18 / 24.0;
      store::writeRecord(s.files, store::ExpenseCondition::Channel, store::ExpenseCondition::WorkBase + i, c);
    }
    for (int k = 1; k <= kMaxHolidays; ++k) {
      store::HolidayRecord h;
      // Far: other years, as most of a real list is. Near: the day before the week,
      // so that every holiday is close enough to the first days to be compared.
      h.HoliDate = kind == Holidays::Far ? start - 400 - k : start - 1 + k / 1000.0;
      h.HoliName = "Holiday " + std::to_string(k);
      store::writeRecord(s.files, store::HolidayRecord::Channel, store::HolidayRecord::Base + k, h);
    }
    s.MainRec.HolidayCount = kMaxHolidays;
    s.EvalConn = kDefaultConnection;
  }
};

template <class Match>
void drawing(benchmark::State& state, Holidays kind, Match match) {
  Setup setup(kind);
  ui::EditorState& s = setup.s;
  for (auto _ : state) {
    int coloured = 0;
    for (int slot = 0; slot <= 672; ++slot) {
      s.EvalMoment = setup.start + slot * 0.010416666;
      coloured += match(s, store::ExpenseCondition::WorkBase) != 0;
    }
    benchmark::DoNotOptimize(coloured);
  }
  state.SetLabel("673 evaluations");
}

void BM_Drawing(benchmark::State& state) {
  drawing(state, static_cast<Holidays>(state.range(0)), [](ui::EditorState& s, int base) { return GetActiveCondition(s, base); });
}
void BM_DrawingLiteral(benchmark::State& state) {
  drawing(state, static_cast<Holidays>(state.range(0)),
          [](ui::EditorState& s, int base) { return literal::GetActiveCondition(s, base); });
}

BENCHMARK(BM_Drawing)->Arg(0)->Arg(1)->ArgName("nearHolidays")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingLiteral)->Arg(0)->Arg(1)->ArgName("nearHolidays")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
