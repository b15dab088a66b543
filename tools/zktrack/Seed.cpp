// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <QDate>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <system_error>

#include "Zktrack.h"
#include "core/Regional.h"
#include "store/RecordIO.h"

namespace zktrack {

using prandel::Regional;
using store::ExpenseCondition;

namespace {

std::vector<ExpenseCondition> demoConditions() {
  std::vector<ExpenseCondition> out(4);
  for (auto& c : out) c.InUse = true;

  out[0].Amt = 1.20;  // every day, the whole day, per hour

  out[1].Amt = 2.50;
  out[1].PerType = 5;
  out[1].TimeType = 1;
  out[1].TimeStart = Regional::fromTime(8, 0, 0);
  out[1].TimeEnd = Regional::fromTime(18, 0, 0);
  out[1].InCall = true;
  out[1].InCallAmt = 0.10;

  out[2].Amt = 0.50;
  out[2].PerType = 6;
  out[2].PerCall = true;
  out[2].CustCall = true;
  out[2].CallTime = Regional::fromTime(0, 1, 0);
  out[2].IspOn = 12;
  out[2].IspAmt = 0.80;

  out[3].PerType = 4;  // holidays, free
  return out;
}

struct DemoHoliday {
  int y, m, d;
  const char* name;
};
constexpr DemoHoliday kHolidays[] = {
    {2026, 1, 1, "New Year"},      {2026, 4, 3, "Good Friday"},  {2026, 5, 1, "Labour Day"},
    {2026, 12, 25, "Christmas Day"}, {2026, 12, 26, "Boxing Day"},
};

struct DemoBookmark {
  const char* name;
  const char* link;
  bool deleted;
};
constexpr DemoBookmark kBookmarks[] = {
    {"Zelkora home", "http://www.zelkora.example/", false},
    {"Old dial-up numbers", "http://isp.example.net/numbers.html", true},
    {"Web mail", "https://mail.example.com/", false},
    {"Weather", "https://weather.example.org/today", false},
};

// A file shorter than one record, or of zeros only, holds nothing: a start of prandel
// with no request leaves such a file behind.
bool holdsRecords(const std::string& path, std::uint32_t recordLength) {
  std::error_code ec;
  // Something else under the name (a folder, a pipe) is no one's records, and a pipe
  // must not be read.
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::array<char, 64 * 1024> buf{};
  std::uint64_t total = 0;
  bool nonZero = false;
  while (!nonZero && in) {
    in.read(buf.data(), buf.size());
    const auto got = static_cast<std::size_t>(in.gcount());
    total += got;
    nonZero = std::any_of(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(got), [](char c) { return c != 0; });
  }
  if (!nonZero) return false;
  // Not at the end yet: there is more than a record.
  if (in) return true;
  return total >= recordLength;
}

}  // namespace

int runSeed(const std::string& folder, bool force) {
  namespace fs = std::filesystem;
  if (std::string why; !makeDataFolder(folder, why)) {
    std::cerr << "zktrack: " << why << "\n";
    return 1;
  }
  // Any record file with data in it, not only mlif.zkt, may be someone's.
  for (const auto& c : store::DataFiles::kChannels) {
    const fs::path p = fs::path(folder) / c.file;
    if (!force && holdsRecords(p.string(), c.recordLength)) {
      std::cerr << "zktrack: " << p.string() << " already holds records; use seed --force to replace them\n";
      return 1;
    }
  }
  // Opening plays back a save cut short first: played back later, it would write its
  // old bytes into the demo.
  store::DataFiles files;
  if (!files.openAll(folder)) {
    std::cerr << "zktrack: cannot open the record files in " << folder << "\n";
    return 1;
  }
  if (!files.journals().empty()) {
    reportBlockingJournals(files);
    std::cerr << "zktrack: nothing was written\n";
    return 1;
  }
  const store::DataFiles::FolderLock lock(files);
  if (!lock.held()) {
    std::cerr << "zktrack: another program kept " << folder << " busy; nothing was written\n";
    return 1;
  }
  // A clean start: stale records past the demo's would otherwise survive.
  for (const auto& c : store::DataFiles::kChannels) {
    const fs::path p = fs::path(folder) / c.file;
    if (::truncate(p.c_str(), 0) != 0) {
      std::cerr << "zktrack: cannot write " << p.string() << "\n";
      return 1;
    }
  }
  bool ok = true;

  store::MainRecord m;
  m.CurSymbol = "$";
  m.CallStart = 1;
  m.IncChoice = 2;
  m.IncTime = Regional::fromTime(0, 1, 0);
  // Countdown amounts are seconds.
  m.CdEnabled = true;
  m.CdTotal = 10 * 3600;
  m.CdUsed = 2 * 3600;
  m.CdResetOn = true;
  m.CdResetPeriod = 2;  // monthly
  m.CdResetDay = 0;     // on the first
  m.CdResetTime = 30 * 60;
  m.HolidayCount = static_cast<std::int16_t>(std::size(kHolidays));
  m.WeekOff[0] = true;  // Sunday
  ok = store::MainRecIO(files, m, true) && ok;
  store::LinkRecord link;
  ok = store::LinkRecIO(files, link, true) && ok;

  const auto conds = demoConditions();
  for (int slot = 1; slot <= static_cast<int>(conds.size()); ++slot) {
    const auto& c = conds[static_cast<std::size_t>(slot - 1)];
    ok = store::writeRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + slot, c) && ok;
    ok = store::writeRecord(files, ExpenseCondition::Channel, ExpenseCondition::WorkBase + slot, c) && ok;
  }

  int k = 0;
  for (const auto& h : kHolidays) {
    store::HolidayRecord rec;
    rec.HoliDate = Regional::fromDate(QDate(h.y, h.m, h.d));
    rec.HoliName = h.name;
    ok = store::writeRecord(files, store::HolidayRecord::Channel, store::HolidayRecord::Base + ++k, rec) && ok;
  }

  int n = 0;
  for (const auto& b : kBookmarks) {
    store::BookmarkRecord rec;
    rec.BmName = b.name;
    rec.BmLink = b.link;
    rec.BmDeleted = b.deleted ? -1 : 0;
    ok = store::writeRecord(files, store::BookmarkRecord::Channel, ++n, rec) && ok;
  }

  if (!ok) {
    std::cerr << "zktrack: writing the demo records into " << folder << " failed\n";
    return 1;
  }
  std::cout << "Seeded " << folder << ": " << conds.size() << " conditions, " << std::size(kHolidays) << " holidays, "
            << std::size(kBookmarks) << " bookmarks (one deleted)\n";
  return 0;
}

}  // namespace zktrack

namespace zktrack {

void addSeedCommand(CLI::App& app, Context& ctx) {
  struct Options {
    std::string data;
    bool force = false;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("seed", "Fill an empty data folder with demo records");
  cmd->footer(
      "Makes the folder when it is missing. Refuses a folder whose record files hold\n"
      "data, unless --force; a file of zeros or shorter than one record counts as empty.");
  addDataOption(*cmd, opts->data);
  cmd->add_flag("--force", opts->force, "Replace records that are already there");
  cmd->callback([&ctx, opts] { ctx.exitCode = runSeed(dataFolderFor(ctx, opts->data).path, opts->force); });
}

}  // namespace zktrack
