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

#include "Zktrack.h"
#include "core/HolidayList.h"
#include "core/RecordClaims.h"
#include "core/RecordFolder.h"
#include "core/Regional.h"
#include "core/SettingsImport.h"
#include "format/IcsCalendar.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "store/Cp1252.h"

namespace zktrack {

using prandel::HolidayEntry;
using prandel::Regional;
using prandel::format::IcsDay;
using prandel::format::IcsHolidays;
using prandel::format::yearSpan;

namespace {

constexpr std::size_t kNameChars = 40;  // HoliName on disk, one byte a character

struct Candidate {
  IcsDay ics;
  std::string stored;      // what the record will hold, in UTF-8, trailing blanks off
  bool cut = false;        // longer than the record's 40 characters
  bool stripped = false;   // letters lost their accents (--strip-accents)
  std::string fault;       // why the text cannot be stored, when it cannot
};

std::string codePoint(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

// Letters with a stroke or without a dot have no decomposition to take the accent
// off; these are the ones European holiday names use.
QChar plainLetter(QChar c) {
  switch (c.unicode()) {
    case 0x0141: return u'L';  // Ł
    case 0x0142: return u'l';  // ł
    case 0x0110: return u'D';  // Đ
    case 0x0111: return u'd';  // đ
    case 0x0126: return u'H';  // Ħ
    case 0x0127: return u'h';  // ħ
    case 0x0131: return u'i';  // ı
    case 0x0166: return u'T';  // Ŧ
    case 0x0167: return u't';  // ŧ
    default: return c;
  }
}

// Each character that Windows-1252 lacks, as its base letter when taking its accents
// off gives one that the code page has (Ś as S, ł as l); any other stays as it is.
// The text is composed (NFC) first.
QString stripAccents(const QString& text) {
  QString out;
  for (const QChar c : text) {
    if (store::outsideCp1252(QString(c).toStdString()) == std::nullopt || c.isSurrogate()) {
      out.append(c);
      continue;
    }
    // An accent that stays a character of its own after composing (Unicode has no
    // q with a circumflex) is taken off altogether.
    if (c.category() == QChar::Mark_NonSpacing) continue;
    QString base;
    for (const QChar k : QString(plainLetter(c)).normalized(QString::NormalizationForm_D))
      if (k.category() != QChar::Mark_NonSpacing) base.append(k);
    const bool plain = base.size() == 1 && base != c && !store::outsideCp1252(base.toStdString());
    out.append(plain ? base : QString(c));
  }
  return out;
}

// The first 40 characters, as the record keeps them. A text the data files' code page
// cannot hold is refused, never stored with "?" in it.
Candidate candidate(const IcsDay& d, bool strip) {
  Candidate c{d, {}, false, false, {}};
  QString text = QString::fromUtf8(d.summary);
  // Bytes that are no UTF-8 come back as U+FFFD.
  if (text.toUtf8().toStdString() != d.summary) {
    c.fault = "is not UTF-8";
    return c;
  }
  // A letter and its accent may come as two characters ("e" and U+0302): composed
  // they are the one letter ê, which the code page has.
  text = text.normalized(QString::NormalizationForm_C);
  if (strip) {
    const QString plain = stripAccents(text);
    c.stripped = plain != text;
    text = plain;
  }
  const std::u32string chars = text.toStdU32String();
  c.cut = chars.size() > kNameChars;
  std::string kept = QString::fromStdU32String(chars.substr(0, kNameChars)).toStdString();
  // A character cut away is no fault: it never reaches the file.
  if (const auto bad = store::outsideCp1252(kept)) {
    c.fault = "holds " + QString::fromUcs4(&*bad, 1).toStdString() + " (" + codePoint(*bad) +
              "), which the data files' code page, Windows-1252, cannot hold";
  }
  while (!kept.empty() && kept.back() == ' ') kept.pop_back();
  c.stored = kept;
  return c;
}

std::string dayText(const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")).toStdString(); }

std::string line(const Candidate& c) {
  std::string out = dayText(c.ics.day) + (c.stored.empty() ? "" : " " + c.stored);
  if (c.cut && c.stripped) out += " (accents taken off, cut to 40 characters)";
  else if (c.cut) out += " (cut to 40 characters)";
  else if (c.stripped) out += " (accents taken off)";
  return out;
}

// Each SUMMARY named once, however many days its event gives.
std::vector<std::string> codePageFaults(const std::vector<Candidate>& adds) {
  std::vector<std::string> out;
  std::vector<int> seen;
  for (const Candidate& c : adds) {
    if (c.fault.empty() || std::find(seen.begin(), seen.end(), c.ics.line) != seen.end()) continue;
    seen.push_back(c.ics.line);
    // Shown with a broken byte as U+FFFD, so that the message itself is UTF-8.
    const std::string shown = readable(QString::fromUtf8(c.ics.summary).toStdString());
    out.push_back("line " + std::to_string(c.ics.line) + ": SUMMARY \"" + shown + "\" " + c.fault);
  }
  return out;
}

// What is added as it will be stored; what is skipped as the calendar has it.
void printList(const char* title, const std::vector<Candidate>& list, bool added,
               const std::vector<HolidayEntry>* listed = nullptr) {
  if (list.empty()) return;
  std::cout << title << "\n";
  for (const Candidate& c : list) {
    const std::string summary = readable(QString::fromUtf8(c.ics.summary).toStdString());
    std::cout << "  " << (added ? line(c) : dayText(c.ics.day) + (summary.empty() ? "" : " " + summary));
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

// The calendar's days against the list as it stands: added, already listed, twice in
// the calendar, or found no room.
struct IcsPlan {
  prandel::HolidayList list;
  std::vector<Candidate> adds, known, twice, overflow;
};

// The list read afresh into main and through the holiday record buffer, as the
// holiday window reads it.
IcsPlan planIcs(const store::DataFiles& files, store::MainRecord& main, store::HolidayRecord& buffer,
                const std::vector<Candidate>& found) {
  IcsPlan p;
  p.list = prandel::loadHolidayList(files, main, buffer);
  std::vector<double> listed;
  for (const HolidayEntry& e : p.list.entries) listed.push_back(e.date);
  std::vector<double> taken;  // days of the file that were added or found no room
  for (const Candidate& c : found) {
    const double date = Regional::fromDate(c.ics.day);
    if (prandel::CheckDupliDate(listed, date)) {
      p.known.push_back(c);
    } else if (prandel::CheckDupliDate(taken, date)) {
      p.twice.push_back(c);
    } else {
      taken.push_back(date);
      (prandel::holidayListFull(listed.size() + p.adds.size()) ? p.overflow : p.adds).push_back(c);
    }
  }
  return p;
}

// The descriptions the code page cannot hold, each on a line of its own, then what to
// do about them; none when every description fits.
std::vector<std::string> codePageMisfits(const std::string& file, const IcsPlan& p, bool stripAccents) {
  std::vector<std::string> lines;
  for (const auto& f : codePageFaults(p.adds)) lines.push_back(file + ": " + f);
  if (lines.empty()) return lines;
  const bool accentsOnly = !stripAccents && std::all_of(p.adds.begin(), p.adds.end(), [](const Candidate& c) {
    return c.fault.empty() || candidate(c.ics, true).fault.empty();
  });
  lines.push_back(std::string("nothing was written; change these descriptions in the calendar") +
                  (accentsOnly ? ", or run again with --strip-accents to store them without the accents" : ""));
  return lines;
}

// The lines of codePageMisfits, as errors; false when there were any.
bool codePageFits(const std::string& file, const IcsPlan& p, bool stripAccents) {
  const auto lines = codePageMisfits(file, p, stripAccents);
  for (const auto& l : lines) std::cerr << "zktrack: " << l << "\n";
  return lines.empty();
}

}  // namespace

int runImportIcs(const prandel::DataFolder& folder, const std::string& file, const IcsImportOptions& options) {
  const std::optional<int> year = options.year;
  const bool dryRun = options.dryRun;
  if (!recordsIn(folder.path)) {
    reportNoRecords(folder.path);
    return 1;
  }
  prandel::platform::Platform noServices;
  prandel::RecordFolder records(noServices, QLocale::c());
  store::DataFiles& files = records.files();
  store::MainRecord main;
  store::HolidayRecord holidayBuffer;
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
  if (!openRecordsForReading(folder, files)) return 1;
  std::vector<Candidate> found;
  for (const IcsDay& d : cal.days) found.push_back(candidate(d, options.stripAccents));
  // Added in date order, so that a full list keeps the earliest holidays; on the same
  // day the first event of the file wins.
  std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) { return a.ics.day < b.ics.day; });

  const auto unreadList = [&folder] {
    std::cerr << "zktrack: the holiday list in " << folder.path << " cannot be read whole; nothing was written\n";
    return 1;
  };
  IcsPlan plan = planIcs(files, main, holidayBuffer, found);
  if (!plan.list.complete) return unreadList();
  if (!codePageFits(file, plan, options.stripAccents)) return 1;

  bool written = true;
  std::unique_ptr<prandel::platform::TitleClaim> claim;
  if (!dryRun && !plan.adds.empty()) {
    prandel::platform::LockFileRegistry registry("");
    auto claimed = prandel::claimRecords(registry, prandel::HeldRecords::Holidays, folder.path);
    claim = std::move(claimed.claim);
    if (!claim) {
      if (!claimed.refused.empty())
        std::cerr << "zktrack: " << claimed.refused << "; nothing was written\n";
      else
        std::cerr << "zktrack: the holiday window is open on " << folder.path
                  << "; its OK would write over the import. Close it and run the import again. Nothing was written.\n";
      return 1;
    }
    records.close();
    records.open(folder.path);
    // Planned again and written under the folder's lock: no other save falls between.
    const store::DataFiles::FolderLock lock(files);
    written = lock.held();
    if (written) {
      plan = planIcs(files, main, holidayBuffer, found);
      if (!plan.list.complete) return unreadList();
      if (!codePageFits(file, plan, options.stripAccents)) return 1;
    }
    if (written && !plan.adds.empty()) {
      prandel::ImportedSettings what;
      what.holidays = plan.list;
      for (const Candidate& c : plan.adds)
        what.holidays->entries.push_back({Regional::fromDate(c.ics.day), c.stored, std::nullopt});
      written = prandel::saveImportedSettings(files, main, holidayBuffer, what);
    }
  }

  std::cout << dataFolderLine(folder) << "\n"
            << "Calendar: " << file << " (" << plural(cal.events, "event", "events")
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

  if (!written) {
    std::cerr << "zktrack: writing the holidays into " << folder.path << " failed; nothing was changed\n";
    reportBlockingJournals(files);
    return 1;
  }
  if (!plan.overflow.empty()) {
    std::cerr << "zktrack: " << prandel::holidayFaultText(prandel::HolidayFault::ListFull).toStdString() << ": "
              << plural(plan.overflow.size(), "holiday", "holidays") << " of the calendar did not fit (the list holds "
              << store::HolidayRecord::Capacity << "):\n";
    for (const Candidate& c : plan.overflow) std::cerr << "  " << line(c) << "\n";
    return 1;
  }
  return 0;
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
