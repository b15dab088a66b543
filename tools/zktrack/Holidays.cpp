// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack holidays import-ics: the all-day events of an iCalendar file added to the
// holiday list, through the list's own load, checks and save that the holiday
// window uses.
#include <QDate>
#include <QString>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>

#include "Zktrack.h"
#include "core/HolidayList.h"
#include "core/RecordClaims.h"
#include "core/RecordFolder.h"
#include "core/Regional.h"
#include "core/SettingsImport.h"
#include "format/CalendarHolidays.h"
#include "format/IcsCalendar.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"

namespace zktrack {

using prandel::HolidayEntry;
using prandel::Regional;
using prandel::format::CalendarPlan;
using prandel::format::HolidayCandidate;
using prandel::format::IcsDay;
using prandel::format::IcsHolidays;
using prandel::format::yearSpan;

namespace {

// What is added as it will be stored; what is skipped as the calendar has it.
void printList(const char* title, const std::vector<HolidayCandidate>& list, bool added,
               const std::vector<HolidayEntry>* listed = nullptr) {
  if (list.empty()) return;
  std::cout << title << "\n";
  for (const HolidayCandidate& c : list) {
    const std::string summary = readable(QString::fromUtf8(c.ics.summary).toStdString());
    std::cout << "  " << (added ? candidateLine(c) : dayText(c.ics.day) + (summary.empty() ? "" : " " + summary));
    // The name the list already has for that day, when it has one.
    if (listed) {
      const auto same = std::find_if(listed->begin(), listed->end(),
                                     [&c](const HolidayEntry& e) { return Regional::datePart(e.date) == c.ics.day; });
      if (same != listed->end() && !readable(same->name).empty())
        std::cout << " (listed as \"" << readable(same->name) << "\")";
    }
    std::cout << "\n";
  }
}

// The list read afresh into main and through the holiday record buffer, as the
// holiday window reads it, and the calendar's days set against it.
CalendarPlan planIcs(const store::DataFiles& files, store::MainRecord& main, store::HolidayRecord& buffer,
                     const std::vector<HolidayCandidate>& found) {
  return prandel::format::planCalendar(prandel::loadHolidayList(files, main, buffer), found);
}

// The descriptions the code page cannot hold, as errors; false when there were any.
bool codePageFits(const std::string& file, const CalendarPlan& p, bool stripAccents) {
  const auto faults = prandel::format::codePageMisfits(file, p, stripAccents);
  for (const auto& l : faults) std::cerr << "zktrack: " << l << "\n";
  return faults.empty();
}

// The calendar's days as holidays, in date order, so that a full list keeps the
// earliest holidays; on the same day the first event of the file wins.
std::vector<HolidayCandidate> candidatesOf(const IcsHolidays& cal, bool stripAccents) {
  std::vector<HolidayCandidate> found;
  for (const IcsDay& d : cal.days) found.push_back(prandel::format::holidayCandidate(d, stripAccents));
  std::stable_sort(found.begin(), found.end(),
                   [](const HolidayCandidate& a, const HolidayCandidate& b) { return a.ics.day < b.ics.day; });
  return found;
}

// One import: the folder's records, the buffers the holiday list is read through and
// the calendar's days.
struct IcsImport {
  const prandel::DataFolder& folder;
  const std::string& file;
  const IcsImportOptions& options;
  prandel::RecordFolder& records;
  std::vector<HolidayCandidate> found;
  store::MainRecord main;
  store::HolidayRecord holidayBuffer;
};

// The calendar's days set against the list as it is now; the exit code when the list
// cannot be read whole or a description does not fit the code page, else 0.
int planImport(IcsImport& run, CalendarPlan& plan) {
  plan = planIcs(run.records.files(), run.main, run.holidayBuffer, run.found);
  if (!plan.list.complete) {
    std::cerr << "zktrack: the holiday list in " << run.folder.path << " cannot be read whole; nothing was written\n";
    return 1;
  }
  return codePageFits(run.file, plan, run.options.stripAccents) ? 0 : 1;
}

// The holidays claimed from the holiday window, planned again and saved under the
// folder's lock, so that no other save falls between. The exit code when the claim is
// refused or the list changed beyond use, else 0 with written saying whether the save
// worked; the claim is held by the caller until it is done.
int claimAndSave(IcsImport& run, CalendarPlan& plan, std::unique_ptr<prandel::platform::TitleClaim>& claim,
                 bool& written) {
  const std::string& path = run.folder.path;
  prandel::platform::LockFileRegistry registry("");
  auto claimed = prandel::claimRecords(registry, prandel::HeldRecords::Holidays, path);
  claim = std::move(claimed.claim);
  if (!claim) {
    if (!claimed.refused.empty())
      std::cerr << "zktrack: " << claimed.refused << "; nothing was written\n";
    else
      std::cerr << "zktrack: the holiday window is open on " << path
                << "; its OK would write over the import. Close it and run the import again. Nothing was written.\n";
    return 1;
  }
  run.records.close();
  run.records.open(path);
  store::DataFiles& files = run.records.files();
  const store::DataFiles::FolderLock lock(files);
  written = lock.held();
  if (written) {
    if (const int code = planImport(run, plan)) return code;
  }
  if (written && !plan.adds.empty()) {
    prandel::ImportedSettings what;
    what.holidays = plan.list;
    for (const HolidayCandidate& c : plan.adds)
      what.holidays->entries.push_back({Regional::fromDate(c.ics.day), c.stored, std::nullopt});
    written = prandel::saveImportedSettings(files, run.main, run.holidayBuffer, what);
  }
  return 0;
}

// What was (or would be) added and skipped, and the counts.
void printImport(const IcsImport& run, const IcsHolidays& cal, const CalendarPlan& plan, int firstYear, int lastYear) {
  const bool dryRun = run.options.dryRun;
  std::cout << dataFolderLine(run.folder) << "\n"
            << "Calendar: " << run.file << " (" << plural(cal.events, "event", "events")
            << "), holidays of " << yearSpan(firstYear, lastYear) << "\n";
  printList(dryRun ? "Would add:" : "Added:", plan.adds, true);
  printList("Skipped, already listed:", plan.known, false, &plan.list.entries);
  printList("Skipped, twice in the calendar:", plan.twice, false);

  std::cout << (dryRun ? "Would add " : "Added ") << plan.adds.size() << "; skipped " << plan.known.size()
            << " already listed, " << plan.twice.size() << " twice in the calendar, "
            << plural(cal.timed, "timed event", "timed events");
  if (cal.cancelled > 0)
    std::cout << ", " << plural(cal.cancelled, "cancelled event", "cancelled events");
  if (cal.outside > 0)
    std::cout << "; " << plural(cal.outside, "event has", "events have") << " no day in "
              << yearSpan(firstYear, lastYear);
  std::cout << ".\n";
  if (dryRun) std::cout << "Nothing was written (--dry-run).\n";
}

// The exit code: a save that failed, or holidays the full list had no room for.
int importOutcome(const IcsImport& run, const CalendarPlan& plan, bool written) {
  if (!written) {
    std::cerr << "zktrack: writing the holidays into " << run.folder.path << " failed; nothing was changed\n";
    reportBlockingJournals(run.records.files());
    return 1;
  }
  if (!plan.overflow.empty()) {
    std::cerr << "zktrack: " << prandel::holidayFaultText(prandel::HolidayFault::ListFull).toStdString() << ": "
              << plural(plan.overflow.size(), "holiday", "holidays") << " of the calendar did not fit (the list holds "
              << store::HolidayRecord::Capacity << "):\n";
    for (const HolidayCandidate& c : plan.overflow) std::cerr << "  " << prandel::format::candidateLine(c) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int runImportIcs(const prandel::DataFolder& folder, const std::string& file, const IcsImportOptions& options) {
  const std::optional<int> year = options.year;
  if (!recordsIn(folder.path)) {
    reportNoRecords(folder.path);
    return 1;
  }
  prandel::platform::Platform noServices;
  prandel::RecordFolder records(noServices, QLocale::c());
  // This year and next by default: a calendar usually lists several years, and the
  // tracker needs the coming ones.
  const int thisYear = Regional::datePart(records.today()).value_or(QDate::currentDate()).year();
  const int firstYear = year.value_or(thisYear);
  const int lastYear = year.value_or(thisYear + 1);

  const IcsHolidays cal = prandel::format::readIcsHolidays(file, firstYear, lastYear);
  if (!cal.error.empty()) {
    std::cerr << "zktrack: " << file << ": " << cal.error << "; nothing was written\n";
    return 1;
  }

  // Read as the folder will be once a save cut short is undone; nothing is made or
  // changed unless there is something to add.
  if (!openRecordsForReading(folder, records.files())) return 1;
  IcsImport run{folder, file, options, records, candidatesOf(cal, options.stripAccents), {}, {}};
  CalendarPlan plan;
  if (const int code = planImport(run, plan)) return code;

  bool written = true;
  std::unique_ptr<prandel::platform::TitleClaim> claim;
  if (!options.dryRun && !plan.adds.empty()) {
    if (const int code = claimAndSave(run, plan, claim, written)) return code;
  }
  printImport(run, cal, plan, firstYear, lastYear);
  return importOutcome(run, plan, written);
}

void addHolidaysCommand(CLI::App& app, Context& ctx) {
  struct Options {
    std::string data;
    std::string file;
    int year = 0;
    IcsImportOptions run;
  };
  auto opts = std::make_shared<Options>();
  auto* holidays = app.add_subcommand("holidays", "Change the holiday list");
  holidays->require_subcommand(1, 1);
  auto* cmd = holidays->add_subcommand("import-ics", "Add the all-day events of an iCalendar (.ics) file to the holiday list");
  cmd->footer(
      "Adds each day of every all-day event of the file that falls in the years asked\n"
      "for (this year and next unless --year), with its SUMMARY cut to 40 characters;\n"
      "yearly and other recurring events are expanded. Days already in the list are\n"
      "skipped, and so are events at a time of day and cancelled ones; an empty text\n"
      "(an empty DESCRIPTION: line) is no fault. A file libical cannot read, a date no calendar\n"
      "has, a file over 1 MiB or events that give over 5000 days, or a SUMMARY with a\n"
      "character the data files' code page (Windows-1252) cannot hold is refused and\n"
      "nothing is written (--strip-accents stores letters such as \u015a and \u0142 as S and l\n"
      "instead; a letter and its combining accent count as the accented letter). When the\n"
      "list's 190 places run out, the earliest days are added, the rest are named and the\n"
      "exit code is 1. The list is written as the holiday editor's OK writes it, with the\n"
      "tracker's reload flag.");
  cmd->add_option("FILE", opts->file, "The calendar")->required()->type_name("FILE.ics");
  auto* yearOpt = cmd->add_option("--year", opts->year, "Take the holidays of this year only")
                      ->type_name("YYYY")
                      // libical expands no rule past 2582.
                      ->check(CLI::Range(1900, 2582));
  addDataOption(*cmd, opts->data);
  cmd->add_flag("--strip-accents", opts->run.stripAccents,
                "Store letters the code page lacks without their accents (\u015a as S, \u0142 as l)");
  cmd->add_flag("--dry-run", opts->run.dryRun, "Print what would be added and write nothing");
  cmd->callback([&ctx, opts, yearOpt] {
    if (yearOpt->count()) opts->run.year = opts->year;
    ctx.exitCode = runImportIcs(dataFolderFor(ctx, opts->data), opts->file, opts->run);
  });
}

}  // namespace zktrack
