// SPDX-License-Identifier: GPL-3.0-or-later
#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>

#include "Tariff.h"
#include "common/ConditionStore.h"
#include "common/HolidayList.h"
#include "common/RecordUpdate.h"
#include "common/Session.h"
#include "platform/Platform.h"

namespace zktrack {

namespace {

// The holiday list to save: a holiday that stays keeps its record's spare bytes, as
// in the holiday window; a new one gets what the window would give it.
std::vector<prandel::HolidayEntry> holidayEntries(prandel::Session& s, const HolidayPlan& plan) {
  prandel::HolidayList current = prandel::loadHolidayList(s);
  const auto trimmed = [](std::string t) {
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
  };
  std::vector<prandel::HolidayEntry> entries;
  for (const TariffHoliday& h : plan.days) {
    const auto kept = std::find_if(current.entries.begin(), current.entries.end(), [&](const prandel::HolidayEntry& e) {
      return e.date == h.date && trimmed(e.name) == trimmed(h.description);
    });
    if (kept != current.entries.end()) {
      entries.push_back(*kept);
      current.entries.erase(kept);
    } else {
      entries.push_back({h.date, h.description, std::nullopt});
    }
  }
  return entries;
}

int runImport(const prandel::DataFolder& folder, const std::string& path, bool dryRun) {
  using Fault = SmallFile::Fault;
  // Refused before it is read when it is big: a tariff file is a few kilobytes.
  const SmallFile file = readSmallFile(path, kMaxTariffBytes);
  switch (file.fault) {
    case Fault::None: break;
    case Fault::Missing:
    case Fault::NotRegular: std::cerr << "zktrack: " << path << ": no such file\n"; return 1;
    case Fault::TooBig:
      std::cerr << "zktrack: " << path << ": larger than 1 MiB; a tariff file is a few kilobytes\n";
      return 1;
    default: std::cerr << "zktrack: cannot read " << path << "\n"; return 1;
  }
  const std::string& text = file.text;
  if (!recordsIn(folder.path)) {
    reportNoRecords(folder.path);
    return 1;
  }

  prandel::platform::Platform noServices;
  // Panel texts are written and read back in one fixed notation, whatever the user's.
  prandel::Session s(noServices, QLocale(QLocale::English, QLocale::UnitedStates));
  s.DataPath = folder.path;
  const bool opened = dryRun ? s.files.openAllForReading(folder.path) : s.OpenDataFiles();
  if (!opened && !s.files.isOpen(store::MainRecord::Channel)) {
    std::cerr << "zktrack: cannot open the record files in " << folder.path << "\n";
    return 1;
  }
  s.MainRecIO(false);
  const Records r = readAll(s.files);

  const std::string name = std::filesystem::path(path).filename().string();
  Tariff tariff;
  std::string error;
  if (!readTariff(text, name, s, tariff, error) || !checkTariff(tariff, name, s, error)) {
    std::cerr << error << "\nNothing was written.\n";
    return 1;
  }

  std::cout << dataFolderLine(folder) << "\n";
  const std::optional<ConditionPlan> conditions =
      tariff.conditions ? std::optional<ConditionPlan>(planConditions(s, r, *tariff.conditions)) : std::nullopt;
  const HolidayPlan holidays = planHolidays(r, tariff);
  const bool conditionsChange = conditions && !conditions->changes.empty();
  const bool holidaysChange = !holidays.changes.empty();
  for (const auto* changes : {conditions ? &conditions->changes : nullptr, &holidays.changes}) {
    if (!changes) continue;
    for (const auto& line : *changes) std::cout << "  " << line << "\n";
  }
  if (!conditionsChange && !holidaysChange) {
    std::cout << "No settings change.\n";
    return 0;
  }
  if (dryRun) {
    std::cout << "Nothing was written (--dry-run).\n";
    return 0;
  }

  bool ok = true;
  // As the editors save: the conditions as the expense window's OK commits them, the
  // holiday list as the holiday window's OK writes it, each with its change code.
  if (conditionsChange) ok = prandel::replaceConditions(s, conditions->records) && ok;
  if (holidaysChange && ok) ok = prandel::saveHolidayList(s, holidayEntries(s, holidays), holidays.weekOff);
  // And as the closing window tells the tracker.
  if (ok) ok = prandel::requestReload(s);
  if (!ok) {
    std::cerr << "zktrack: the records in " << folder.path << " could not be written; they are as they were\n";
    return 1;
  }
  std::cout << "Written: ChangeCode " << int{s.MainRec.ChangeCode} << ", ReloadFlag -1.\n";
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
