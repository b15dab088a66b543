// SPDX-License-Identifier: GPL-3.0-or-later
#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>

#include "Zktrack.h"
#include "core/HolidayList.h"
#include "core/RecordClaims.h"
#include "core/RecordFolder.h"
#include "core/SettingsImport.h"
#include "format/Tariff.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "store/RecordIO.h"

namespace zktrack {

namespace {

using prandel::format::ConditionPlan;
using prandel::format::HolidayPlan;
using prandel::format::Tariff;
using prandel::format::TariffHoliday;

// What the import works with: the data folder, read and written in the notation the
// tariff's panel texts are written in, and its copies of the records the save changes.
struct Importing {
  prandel::RecordFolder& folder;
  store::MainRecord main;
  store::HolidayRecord holidayBuffer;
};

// The holiday list to save, set against the list as the holiday window would load it
// now (format/Tariff.h).
std::vector<prandel::HolidayEntry> holidayEntries(Importing& s, const HolidayPlan& plan) {
  return prandel::format::holidaysToSave(prandel::loadHolidayList(s.folder.files(), s.main, s.holidayBuffer), plan);
}

// What the tariff changes, worked out on the records as they are now.
struct ImportPlan {
  std::optional<ConditionPlan> conditions;
  HolidayPlan holidays;
  bool changes() const { return (conditions && !conditions->changes.empty()) || !holidays.changes.empty(); }
  void print() const {
    for (const auto* changes : {conditions ? &conditions->changes : nullptr, &holidays.changes}) {
      if (!changes) continue;
      for (const auto& line : *changes) std::cout << "  " << line << "\n";
    }
  }
};

ImportPlan planImport(Importing& s, const Tariff& tariff) {
  const Records r = readAll(s.folder.files());
  ImportPlan plan;
  if (tariff.conditions)
    plan.conditions = prandel::format::planConditions(s.folder.regional(), s.main, r, *tariff.conditions);
  plan.holidays = prandel::format::planHolidays(r, tariff);
  return plan;
}

// The editors whose OK would write over the import, held for as long as it runs;
// empty, or why they cannot be held (one of them is open), and then nothing is held.
std::string claimEditedRecords(const std::string& folder, const Tariff& tariff,
                               std::vector<std::unique_ptr<prandel::platform::TitleClaim>>& claims) {
  prandel::platform::LockFileRegistry registry("");
  const auto claim = [&](prandel::HeldRecords what, const char* window) -> std::string {
    auto c = prandel::claimRecords(registry, what, folder);
    if (!c.claim) {
      if (!c.refused.empty()) return c.refused + "; nothing was written";
      return std::string("the ") + window + " window is open on " + folder +
             "; its OK would write over the import. Close it and run the import again. Nothing was written.";
    }
    claims.push_back(std::move(c.claim));
    return {};
  };
  if (tariff.conditions)
    if (std::string why = claim(prandel::HeldRecords::Conditions, "expense"); !why.empty()) return why;
  if (tariff.holidays || tariff.daysOff)
    if (std::string why = claim(prandel::HeldRecords::Holidays, "holiday"); !why.empty()) return why;
  return {};
}

int runImport(const prandel::DataFolder& folder, const std::string& path, bool dryRun) {
  using Fault = SmallFile::Fault;
  // Refused before it is read when it is big: a tariff file is a few kilobytes.
  const SmallFile file = readSmallFile(path, prandel::format::kMaxTariffBytes);
  switch (file.fault) {
    case Fault::None: break;
    case Fault::Missing: std::cerr << "zktrack: " << path << ": no such file\n"; return 1;
    case Fault::NotRegular: std::cerr << "zktrack: " << path << ": is not a regular file\n"; return 1;
    case Fault::TooBig:
      std::cerr << "zktrack: " << path << ": larger than 1 MiB; a tariff file is a few kilobytes\n";
      return 1;
    default: std::cerr << "zktrack: cannot read " << path << "\n"; return 1;
  }
  const std::string& text = file.text;

  prandel::platform::Platform noServices;
  // Panel texts are written and read back in one fixed notation, whatever the user's.
  prandel::RecordFolder records(noServices, QLocale(QLocale::English, QLocale::UnitedStates));
  Importing s{records, {}, {}};
  store::DataFiles& files = records.files();
  // Read as the folder will be once a save cut short is undone; nothing is made or
  // changed until the file has passed every check and changes something.
  if (!openRecordsForReading(folder, files)) return 1;
  store::MainRecIO(files, s.main, false);

  const std::string name = std::filesystem::path(path).filename().string();
  Tariff tariff;
  std::string error;
  const prandel::Regional& notation = records.regional();
  if (!prandel::format::readTariff(text, name, notation, tariff, error) ||
      !prandel::format::checkTariff(tariff, name, notation, s.main, error)) {
    std::cerr << error << "\nNothing was written.\n";
    return 1;
  }

  std::cout << dataFolderLine(folder) << "\n";
  ImportPlan plan = planImport(s, tariff);
  // A save cut short is undone by a real import even when it changes nothing, so that
  // the folder holds what the import reported.
  const bool settle = std::any_of(files.journals().begin(), files.journals().end(), [](const auto& j) {
    return j.kind == store::JournalState::Kind::CutSave;
  });
  if (dryRun || (!plan.changes() && !settle)) {
    plan.print();
    std::cout << (plan.changes() ? "Nothing was written (--dry-run).\n" : "No settings change.\n");
    return 0;
  }

  std::vector<std::unique_ptr<prandel::platform::TitleClaim>> claims;
  if (const std::string why = claimEditedRecords(folder.path, tariff, claims); !why.empty()) {
    std::cerr << "zktrack: " << why << "\n";
    return 1;
  }
  records.close();
  records.open(folder.path);
  // Read, planned and written under the folder's lock, so that no other save falls
  // between what the plan saw and what it writes.
  const store::DataFiles::FolderLock lock(files);
  bool ok = lock.held() && files.isOpen(store::MainRecord::Channel) && store::MainRecIO(files, s.main, false);
  if (ok) {
    plan = planImport(s, tariff);
    plan.print();
    // Nothing to write, and no cut save left half done on the disk.
    if (!plan.changes() && files.journals().empty()) {
      std::cout << "No settings change.\n";
      return 0;
    }
    prandel::ImportedSettings what;
    if (plan.conditions && !plan.conditions->changes.empty()) what.conditions = plan.conditions->records;
    if (!plan.holidays.changes.empty()) {
      prandel::HolidayList list;
      list.entries = holidayEntries(s, plan.holidays);
      list.weekOff = plan.holidays.weekOff;
      what.holidays = std::move(list);
    }
    ok = files.journals().empty() && prandel::saveImportedSettings(files, s.main, s.holidayBuffer, what);
  }
  if (!ok) {
    std::cerr << "zktrack: the records in " << folder.path << " could not be written; nothing was changed\n";
    if (!lock.held()) std::cerr << "zktrack: another program kept the data folder busy\n";
    reportBlockingJournals(files);
    return 1;
  }
  std::cout << "Written: ChangeCode " << int{s.main.ChangeCode} << ", ReloadFlag -1.\n";
  return 0;
}

}  // namespace

void addImportCommand(CLI::App& app, Context& ctx) {
  struct Options {
    std::string file;
    std::string data;
    bool dryRun = false;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("import", "Replace the conditions and/or holidays by those of a tariff file");
  cmd->add_option("FILE", opts->file, "The tariff file (TOML), as zktrack export writes it")->required();
  cmd->add_flag("--dry-run", opts->dryRun, "Check the file and print what would change; write nothing");
  addDataOption(*cmd, opts->data);
  cmd->footer(
      "Replaces whatever the file holds: the expense conditions (condition), the holiday\n"
      "list (holiday) and the weekly days off (days_off). Every condition passes the\n"
      "expense editor's checks, every holiday the holiday editor's, and what those\n"
      "windows cannot enter (a control character in a name, seconds in a time of day, a\n"
      "holiday before the year 100) is refused; the first fault is named with its line\n"
      "and nothing is written. The records are written as the editors' OK writes them,\n"
      "with their change code and the tracker's reload flag.");
  cmd->callback([&ctx, opts] { ctx.exitCode = runImport(dataFolderFor(ctx, opts->data), opts->file, opts->dryRun); });
}

}  // namespace zktrack
