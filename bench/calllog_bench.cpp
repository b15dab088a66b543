// SPDX-License-Identifier: GPL-3.0-or-later
// The session log: how many finished sessions (30 slices and 360 samples each, an
// hour's call sampled every 10 s) it takes per second, each in its own durable
// transaction, on a tmpfs and on the disk; and what a report costs over a year of
// calls (six a day): a billing cycle's, and the whole year's.
//
//   calllog_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// PRANDEL_BENCH_TMPFS (default /dev/shm) and PRANDEL_BENCH_DISK (default the current
// folder) name where the logs are made.
#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QTimeZone>
#include <cstdlib>
#include <string>

#include "BenchFolder.h"
#include "tracker/CallLog.h"
#include "tracker/Report.h"

namespace {

using namespace prandel;
using tracker::CallLog;

std::string baseOf(const char* variable, const char* fallback) {
  const char* v = std::getenv(variable);
  return v && *v ? v : fallback;
}

const tracker::Epoch kStart = QDateTime(QDate(2026, 1, 1), QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch();

// An hour's call: 30 slices of two minutes over five conditions, a sample every 10 s.
tracker::LoggedSession hourCall(tracker::Epoch up, int n) {
  tracker::LoggedSession s;
  s.session.connection = n % 3 == 0 ? "ISP B" : "ISP A";
  s.session.up = s.session.countFrom = up;
  s.session.end = up + 3600;
  s.session.countedSeconds = 3600;
  for (int k = 0; k < 30; ++k) {
    const int slot = 1 + (k + n) % 5;
    s.slices.push_back({up + k * 120, up + (k + 1) * 120, slot, "Condition " + std::to_string(slot), 120, 0.004 * slot});
    s.session.cost += 0.004 * slot;
  }
  for (int k = 0; k < 360; ++k)
    s.samples.push_back({up + k * 10, static_cast<std::uint64_t>(k) * 40000, static_cast<std::uint64_t>(k) * 3000});
  s.session.received = s.samples.back().received;
  s.session.sent = s.samples.back().sent;
  return s;
}

void insertRate(benchmark::State& state, const std::string& base) {
  bench::Folder folder(base);
  CallLog log;
  if (folder.path.empty() || !log.open(folder.path, CallLog::Access::Write)) {
    state.SkipWithError("cannot make a log");
    return;
  }
  int n = 0;
  for (auto _ : state) {
    auto s = hourCall(kStart + 7200LL * n, n);
    ++n;
    if (!log.addFinished(s)) {
      state.SkipWithError(log.error().c_str());
      return;
    }
  }
  state.counters["sessions/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_InsertSession_Tmpfs(benchmark::State& state) { insertRate(state, baseOf("PRANDEL_BENCH_TMPFS", "/dev/shm")); }
void BM_InsertSession_Disk(benchmark::State& state) { insertRate(state, baseOf("PRANDEL_BENCH_DISK", ".")); }
BENCHMARK(BM_InsertSession_Tmpfs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertSession_Disk)->Unit(benchmark::kMillisecond);

// A year of calls, six a day, in a log made once (one transaction a session, as
// log add writes them, but without waiting for the disk).
struct YearLog {
  bench::Folder folder{baseOf("PRANDEL_BENCH_TMPFS", "/dev/shm")};
  CallLog log;
  bool ok = false;
  YearLog() {
    if (folder.path.empty() || !log.open(folder.path, CallLog::Access::Write)) return;
    for (int day = 0; day < 365; ++day)
      for (int k = 0; k < 6; ++k) {
        auto s = hourCall(kStart + day * 86400LL + 8 * 3600 + k * 7200, day * 6 + k);
        if (!log.addFinished(s)) return;
      }
    ok = true;
  }
};

YearLog& yearLog() {
  static YearLog y;
  return y;
}

void report(benchmark::State& state, tracker::PeriodKind kind, bool wholeYear) {
  auto& y = yearLog();
  if (!y.ok) {
    state.SkipWithError("cannot make the year's log");
    return;
  }
  tracker::Period p = tracker::periodHolding(QDate(2026, 6, 20), kind, 15, QTimeZone::utc());
  if (wholeYear) {
    p.first = QDate(2026, 1, 1);
    p.last = QDate(2026, 12, 31);
    p.span = {kStart, kStart + 365 * 86400LL};
  }
  std::size_t sessions = 0;
  for (auto _ : state) {
    tracker::Report r;
    if (!tracker::buildReport(y.log, p, std::nullopt, 10, r, QTimeZone::utc())) {
      state.SkipWithError(y.log.error().c_str());
      return;
    }
    sessions = static_cast<std::size_t>(r.totals.sessions);
    benchmark::DoNotOptimize(r);
  }
  state.counters["sessions"] = static_cast<double>(sessions);
}

void BM_ReportCycle_YearLog(benchmark::State& state) { report(state, tracker::PeriodKind::Cycle, false); }
void BM_ReportWholeYear_YearLog(benchmark::State& state) { report(state, tracker::PeriodKind::Cycle, true); }
BENCHMARK(BM_ReportCycle_YearLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportWholeYear_YearLog)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
