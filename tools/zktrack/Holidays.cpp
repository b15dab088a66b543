// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack holidays import-ics: the all-day events of an iCalendar file added to the
// holiday list, through the list's own load, checks and save that the holiday
// window uses.
#include <QDate>
#include <QString>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

#include "IcsCalendar.h"
#include "Zktrack.h"
#include "common/HolidayList.h"
#include "common/RecordUpdate.h"
#include "common/Regional.h"
#include "common/Session.h"
#include "store/Cp1252.h"

namespace zktrack {

using prandel::HolidayEntry;
using prandel::Regional;

namespace {

constexpr std::size_t kNameBytes = 40;  // HoliName on disk

struct Candidate {
  IcsDay ics;
  std::string stored;  // what the record will hold, back in UTF-8
  bool cut = false;
};

// The first 40 characters in Windows-1252, as the record keeps them (one byte each,
// so the cut never splits a character).
Candidate candidate(const IcsDay& d) {
  auto bytes = store::utf8ToCp1252(d.summary);
  const bool cut = bytes.size() > kNameBytes;
  if (cut) bytes.resize(kNameBytes);
  std::string stored = store::cp1252ToUtf8(bytes);
  while (!stored.empty() && stored.back() == ' ') stored.pop_back();
  return {d, stored, cut};
}

std::string dayText(const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")).toStdString(); }

std::string line(const Candidate& c) {
  return dayText(c.ics.day) + (c.stored.empty() ? "" : " " + c.stored) + (c.cut ? " (cut to 40 characters)" : "");
}

std::string codePoint(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

// Texts the data files cannot hold are refused, never stored as "?".
std::vector<std::string> codePageFaults(const std::vector<Candidate>& adds) {
  std::vector<std::string> out;
  std::vector<int> seen;
  for (const Candidate& c : adds) {
    const auto bad = store::outsideCp1252(c.ics.summary);
    if (!bad || std::find(seen.begin(), seen.end(), c.ics.line) != seen.end()) continue;
    seen.push_back(c.ics.line);
    const std::string what = *bad == U'\uFFFD' ? "is not UTF-8"
                                               : "holds " + QString::fromUcs4(&*bad, 1).toStdString() + " (" +
                                                     codePoint(*bad) + "), which the data files' code page, " +
                                                     "Windows-1252, cannot hold";
    // Shown with a broken byte as U+FFFD, so that the message itself is UTF-8.
    const std::string shown = readable(QString::fromUtf8(c.ics.summary).toStdString());
    out.push_back("line " + std::to_string(c.ics.line) + ": SUMMARY \"" + shown + "\" " + what);
  }
  return out;
}

void printList(const char* title, const std::vector<Candidate>& list,
               const std::vector<HolidayEntry>* listed = nullptr) {
  if (list.empty()) return;
  std::cout << title << "\n";
  for (const Candidate& c : list) {
    std::cout << "  " << line(c);
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

std::string years(int first, int last) {
  return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
}

std::string plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int runImportIcs(const prandel::DataFolder& folder, const std::string& file, std::optional<int> year, bool dryRun) {
  if (!recordsIn(folder.path)) {
    std::cerr << "zktrack: no records in " << folder.path << " (mlif.zkt missing or empty); try: zktrack seed\n";
    return 1;
  }
  prandel::platform::Platform noServices;
  prandel::Session s(noServices, QLocale::c());
  // This year and next by default: a calendar usually lists several years, and the
  // tracker needs the coming ones.
  const int thisYear = Regional::datePart(s.today()).value_or(QDate::currentDate()).year();
  const int firstYear = year.value_or(thisYear);
  const int lastYear = year.value_or(thisYear + 1);

  const IcsHolidays cal = readIcsHolidays(file, firstYear, lastYear);
  if (!cal.error.empty()) {
    std::cerr << "zktrack: " << file << ": " << cal.error << "; nothing was written\n";
    return 1;
  }

  s.DataPath = folder.path;
  if (dryRun) s.files.openAllForReading(folder.path);
  else s.OpenDataFiles();
  if (!s.files.isOpen(store::MainRecord::Channel) || !s.files.isOpen(store::HolidayRecord::Channel)) {
    std::cerr << "zktrack: cannot " << (dryRun ? "read" : "write") << " the record files in " << folder.path << "\n";
    return 1;
  }
  prandel::HolidayList list = prandel::loadHolidayList(s);

  std::vector<Candidate> found;
  for (const IcsDay& d : cal.days) found.push_back(candidate(d));
  // Added in date order, so that a full list keeps the nearest holidays; on the same
  // day the first event of the file wins.
  std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) { return a.ics.day < b.ics.day; });

  std::vector<double> listed;
  for (const HolidayEntry& e : list.entries) listed.push_back(e.date);
  std::vector<double> taken;  // days of the file that were added or found no room
  std::vector<Candidate> adds, known, twice, overflow;
  for (const Candidate& c : found) {
    const double date = Regional::fromDate(c.ics.day);
    if (prandel::CheckDupliDate(listed, date)) {
      known.push_back(c);
    } else if (prandel::CheckDupliDate(taken, date)) {
      twice.push_back(c);
    } else {
      taken.push_back(date);
      (prandel::holidayListFull(listed.size() + adds.size()) ? overflow : adds).push_back(c);
    }
  }

  if (const auto faults = codePageFaults(adds); !faults.empty()) {
    for (const auto& f : faults) std::cerr << "zktrack: " << file << ": " << f << "\n";
    std::cerr << "zktrack: nothing was written; change these descriptions in the calendar\n";
    return 1;
  }

  std::cout << dataFolderLine(folder) << "\n"
            << "Calendar: " << file << " (" << plural(static_cast<std::size_t>(cal.events), "event", "events")
            << "), holidays of " << years(firstYear, lastYear) << "\n";
  printList(dryRun ? "Would add:" : "Added:", adds);
  printList("Skipped, already listed:", known, &list.entries);
  printList("Skipped, twice in the calendar:", twice);
  printList("Did not fit:", overflow);

  bool written = true;
  if (!dryRun && !adds.empty()) {
    std::vector<HolidayEntry> entries = list.entries;
    for (const Candidate& c : adds) entries.push_back({Regional::fromDate(c.ics.day), c.stored, std::nullopt});
    written = prandel::saveHolidayList(s, entries, list.weekOff);
    // What the closing window does after an editor saved: the tracker reloads.
    written = written && prandel::updateLinkRecord(s, [](store::LinkRecord& l) { l.ReloadFlag = -1; });
  }

  std::cout << (dryRun ? "Dry run: would add " : "Added ") << adds.size() << ", skipped " << known.size() + twice.size()
            << " (already listed), timed events ignored " << cal.timed << ".";
  if (cal.outside > 0) std::cout << " " << plural(static_cast<std::size_t>(cal.outside), "event", "events") << " outside " << years(firstYear, lastYear) << ".";
  if (cal.cancelled > 0) std::cout << " " << plural(static_cast<std::size_t>(cal.cancelled), "cancelled event", "cancelled events") << " ignored.";
  if (dryRun) std::cout << " Nothing was written.";
  std::cout << "\n";

  if (!written) {
    std::cerr << "zktrack: writing the holidays into " << folder.path << " failed\n";
    return 1;
  }
  if (!overflow.empty()) {
    std::cerr << "zktrack: " << prandel::holidayFaultText(prandel::HolidayFault::ListFull).toStdString() << ": "
              << plural(overflow.size(), "holiday", "holidays") << " of the calendar did not fit (the list holds "
              << store::HolidayRecord::Capacity << "):\n";
    for (const Candidate& c : overflow) std::cerr << "  " << line(c) << "\n";
    return 1;
  }
  return 0;
}

void addHolidaysCommand(CLI::App& app, Context& ctx) {
  struct Options {
    std::string data;
    std::string file;
    int year = 0;
    bool dryRun = false;
  };
  auto opts = std::make_shared<Options>();
  auto* holidays = app.add_subcommand("holidays", "Change the holiday list");
  holidays->require_subcommand(1, 1);
  auto* cmd = holidays->add_subcommand("import-ics", "Add the all-day events of an iCalendar (.ics) file to the holiday list");
  cmd->footer(
      "Adds each day of every all-day event of the file that falls in the years asked\n"
      "for (this year and next unless --year), with its SUMMARY cut to 40 characters;\n"
      "yearly and other recurring events are expanded. Days already in the list are\n"
      "skipped, and so are events at a time of day. A file libical cannot read, a date\n"
      "no calendar has, or a SUMMARY with a character the data files' code page\n"
      "(Windows-1252) cannot hold is refused and nothing is written. When the list's 190\n"
      "places run out, the nearest days are added, the rest are named and the exit code\n"
      "is 1.");
  cmd->add_option("FILE", opts->file, "The calendar")->required()->type_name("FILE.ics");
  auto* yearOpt = cmd->add_option("--year", opts->year, "Take the holidays of this year only")
                      ->type_name("YYYY")
                      ->check(CLI::Range(1900, 9999));
  addDataOption(*cmd, opts->data);
  cmd->add_flag("--dry-run", opts->dryRun, "Print what would be added and write nothing");
  cmd->callback([&ctx, opts, yearOpt] {
    const std::optional<int> year = yearOpt->count() ? std::optional<int>(opts->year) : std::nullopt;
    ctx.exitCode = runImportIcs(dataFolderFor(ctx, opts->data), opts->file, year, opts->dryRun);
  });
}

}  // namespace zktrack
