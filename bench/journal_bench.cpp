// SPDX-License-Identifier: GPL-3.0-or-later
// What the rollback journal costs the expense window's OK (the working set copied over
// the live one and ChangeCode 3 in MainRecord, as one save): with the journal, without
// it, and without it but with the file flushed once at the end (what making the save
// durable costs by itself), in a folder on a tmpfs and in one on the disk.
//
//   journal_bench --benchmark_repetitions=30 --benchmark_report_aggregates_only=true
// PRANDEL_BENCH_TMPFS (default /dev/shm) and PRANDEL_BENCH_DISK (default the current
// folder) name where the two data folders are made.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QLocale>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/ConditionStore.h"
#include "core/RecordFolder.h"
#include "store/ExpenseCondition.h"
#include "store/MainRecord.h"
#include "BenchFolder.h"

namespace {

using namespace prandel;

enum class Mode { Journal, NoJournal, FlushOnly };

using bench::Folder;

// mlif.zkt with twenty working conditions in use, as the window leaves it before OK.
void writeRecords(const std::string& folder) {
  std::vector<std::uint8_t> mlif(20480);
  for (int slot = 1; slot <= store::ExpenseCondition::Slots; ++slot) {
    store::ExpenseCondition c;
    c.InUse = true;
    c.Amt = 0.5 * slot;
    c.PerType = static_cast<std::uint8_t>(slot % 8);
    const auto bytes = c.encoded();
    std::copy(bytes.begin(), bytes.end(), mlif.begin() + (store::ExpenseCondition::WorkBase + slot - 1) * 128);
  }
  std::ofstream(folder + "/mlif.zkt", std::ios::binary)
      .write(reinterpret_cast<const char*>(mlif.data()), static_cast<std::streamsize>(mlif.size()));
}

void expenseOk(benchmark::State& state, const char* baseVar, const char* baseDefault, Mode mode) {
  const char* base = std::getenv(baseVar);
  Folder folder(base && *base ? base : baseDefault);
  if (folder.path.empty()) {
    state.SkipWithError("no data folder could be made");
    return;
  }
  writeRecords(folder.path);
  platform::Platform services;
  RecordFolder records(services, QLocale::c());
  records.open(folder.path);
  store::DataFiles& files = records.files();
  files.setJournaled(mode == Mode::Journal);
  store::MainRecord main;
  store::ExpenseCondition buffer;
  const std::string mlif = folder.path + "/mlif.zkt";
  for (auto _ : state) {
    if (!commitConditions(files, main, buffer, true)) state.SkipWithError("the save did not take effect");
    if (mode == Mode::FlushOnly) {
      const int fd = ::open(mlif.c_str(), O_RDWR | O_CLOEXEC);
      ::fdatasync(fd);
      ::close(fd);
    }
  }
}

void registerAll() {
  struct Place {
    const char* name;
    const char* var;
    const char* fallback;
  };
  const Place places[] = {{"tmpfs", "PRANDEL_BENCH_TMPFS", "/dev/shm"}, {"disk", "PRANDEL_BENCH_DISK", "."}};
  struct Variant {
    const char* name;
    Mode mode;
  };
  const Variant variants[] = {
      {"journal", Mode::Journal}, {"no_journal", Mode::NoJournal}, {"no_journal_flushed", Mode::FlushOnly}};
  for (const auto& p : places)
    for (const auto& v : variants)
      benchmark::RegisterBenchmark((std::string("ExpenseOk/") + p.name + "/" + v.name).c_str(), expenseOk, p.var,
                                   p.fallback, v.mode)
          ->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
