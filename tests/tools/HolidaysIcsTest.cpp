// SPDX-License-Identifier: GPL-3.0-or-later
// zktrack holidays import-ics: a public-holiday calendar added to the holiday list,
// checked byte by byte through the store; the years, spans and recurrences it
// expands; the calendars it refuses without writing; the 190 places of the list.
#include <gtest/gtest.h>

#include <QDate>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "ZktrackKit.h"
#include "core/Regional.h"
#include "store/Codec.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"

namespace prandel::test {
namespace {

using store::HolidayRecord;
using store::LinkRecord;
using store::MainRecord;

const std::string kFrance = std::string(TEST_CALENDARS) + "/fr-holidays.ics";
const std::string kPoland = std::string(TEST_CALENDARS) + "/pl-holidays.ics";

constexpr std::size_t kMainAt = (MainRecord::RecordNo - 1) * 512;
constexpr std::size_t kLinkAt = (LinkRecord::RecordNo - 1) * 512;
std::size_t holidayAt(int k) { return static_cast<std::size_t>(HolidayRecord::Base + k - 1) * HolidayRecord::Size; }

double dayValue(const std::string& ymd) { return Regional::fromDate(QDate::fromString(QString::fromStdString(ymd), Qt::ISODate)); }

std::string ymd(double d) {
  const auto date = Regional::datePart(d);
  return date ? date->toString(Qt::ISODate).toStdString() : "none";
}

// A data folder with a MainRecord of its own and these holidays (date, name).
void makeFolder(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& holidays) {
  editRecords(folder, [&](store::DataFiles& f) {
    MainRecord m;
    m.CurSymbol = "EUR";
    m.WeekOff[0] = true;
    m.HolidayCount = static_cast<std::int16_t>(holidays.size());
    store::MainRecIO(f, m, true);
    LinkRecord l;
    store::LinkRecIO(f, l, true);
    int k = 0;
    for (const auto& [date, name] : holidays) {
      HolidayRecord r;
      r.HoliDate = dayValue(date);
      r.HoliName = name;
      store::writeRecord(f, HolidayRecord::Channel, HolidayRecord::Base + ++k, r);
    }
  });
}

// The holiday list as the records hold it: "yyyy-mm-dd name".
std::vector<std::string> storedList(const std::string& folder) {
  store::DataFiles f;
  f.openAllForReading(folder);
  MainRecord m;
  store::MainRecIO(f, m, false);
  std::vector<std::string> out;
  for (int k = 1; k <= m.HolidayCount; ++k) {
    HolidayRecord r;
    store::readRecord(f, HolidayRecord::Channel, HolidayRecord::Base + k, r);
    const std::string name = store::trimSpaces(r.HoliName);
    out.push_back(ymd(r.HoliDate) + (name.empty() ? "" : " " + name));
  }
  return out;
}

RunResult importIcs(const std::string& folder, const std::string& file, std::vector<std::string> more = {}) {
  std::vector<std::string> args = {"holidays", "import-ics", file, "--data", folder};
  args.insert(args.end(), more.begin(), more.end());
  return runProgram(ZKTRACK_PATH, args);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::uint8_t> mlif(const std::string& folder) { return readFileBytes(folder + "/mlif.zkt"); }

TEST(ImportIcs, AddsAPublicHolidayCalendarToTheList) {
  TempDir dir;
  ASSERT_EQ(runProgram(ZKTRACK_PATH, {"seed", "--data", dir.path()}).code, 0);
  const auto before = mlif(dir.path());

  const RunResult r = importIcs(dir.path(), kFrance, {"--year", "2026"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(r.has("Calendar: " + kFrance + " (16 events), holidays of 2026")) << r.out;
  EXPECT_TRUE(r.has("  2026-11-11 Armistice de 1918 \u2013 fin de la Premi\u00e8re G (cut to 40 characters)")) << r.out;
  EXPECT_TRUE(r.has("  2026-12-25 No\u00ebl (listed as \"Christmas Day\")")) << r.out;
  EXPECT_TRUE(r.has("Added 8; skipped 5 already listed, 0 twice in the calendar, 1 timed event; 3 events have no day in 2026.")) << r.out;

  // The demo's five stay as they were, the new ones follow in date order.
  EXPECT_EQ(storedList(dir.path()),
            (std::vector<std::string>{"2026-01-01 New Year", "2026-04-03 Good Friday", "2026-05-01 Labour Day",
                                      "2026-12-25 Christmas Day", "2026-12-26 Boxing Day",
                                      "2026-04-06 Lundi de P\u00e2ques", "2026-05-08 Victoire 1945",
                                      "2026-05-14 Ascension", "2026-05-25 Lundi de Pentec\u00f4te",
                                      "2026-07-14 F\u00eate nationale", "2026-08-15 Assomption", "2026-11-01 Toussaint",
                                      "2026-11-11 Armistice de 1918 \u2013 fin de la Premi\u00e8re G"}));

  // On disk: Windows-1252, blank padded, cut at 40 bytes; the spare bytes of a new
  // holiday are the buffer's after the load (the demo's zeros).
  const auto after = mlif(dir.path());
  const struct {
    int k;
    const char* date;
    const char* cp1252;
  } written[] = {{6, "2026-04-06", "Lundi de P\xE2ques"},
                 {9, "2026-05-25", "Lundi de Pentec\xF4te"},
                 {13, "2026-11-11", "Armistice de 1918 \x96 fin de la Premi\xE8re G"}};
  for (const auto& w : written) {
    const std::size_t at = holidayAt(w.k);
    EXPECT_EQ(store::getDouble(after, at), dayValue(w.date)) << w.k;
    std::string name(w.cp1252);
    name.resize(40, ' ');
    EXPECT_EQ(std::string(after.begin() + static_cast<long>(at + 8), after.begin() + static_cast<long>(at + 48)), name) << w.k;
    EXPECT_TRUE(std::all_of(after.begin() + static_cast<long>(at + 48), after.begin() + static_cast<long>(at + 64),
                            [](std::uint8_t b) { return b == 0; }))
        << w.k;
  }
  EXPECT_EQ(store::getInt16(after, kMainAt + MainRecord::Off::HolidayCount), 13);
  EXPECT_EQ(after[kMainAt + MainRecord::Off::ChangeCode], 5);
  EXPECT_EQ(store::getInt16(after, kLinkAt + LinkRecord::Off::ReloadFlag), -1);
  // Nothing else moved: not the weekly days off, not the demo's holidays.
  for (std::size_t off : changedOffsets(before, after)) {
    const bool own = off == kMainAt + MainRecord::Off::HolidayCount || off == kMainAt + MainRecord::Off::HolidayCount + 1 ||
                     off == kMainAt + MainRecord::Off::ChangeCode || off == kLinkAt + LinkRecord::Off::ReloadFlag ||
                     off == kLinkAt + LinkRecord::Off::ReloadFlag + 1 || (off >= holidayAt(6) && off < holidayAt(14));
    EXPECT_TRUE(own) << "byte " << off << " changed";
  }

  // A second import finds every day listed and writes nothing.
  const RunResult again = importIcs(dir.path(), kFrance, {"--year", "2026"});
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_TRUE(again.has("Added 0; skipped 13 already listed, 0 twice in the calendar, 1 timed event; 3 events have no day in 2026.")) << again.out;
  EXPECT_EQ(mlif(dir.path()), after);
}

TEST(ImportIcs, TakesTheDaysOfTheYearsAskedFor) {
  const std::vector<std::string> yearly = {"01-01", "05-01", "05-08", "07-14", "08-15", "11-01", "11-11", "12-25"};
  struct Case {
    const char* year;
    std::vector<std::string> dates;
    const char* summary;
  };
  const Case cases[] = {
      // The yearly events, the movable feasts given for 2026, and both days of
      // the Alsace-Moselle event, whose first day the yearly Christmas holds.
      {"2026",
       {"2026-01-01", "2026-04-06", "2026-05-01", "2026-05-08", "2026-05-14", "2026-05-25", "2026-07-14", "2026-08-15",
        "2026-11-01", "2026-11-11", "2026-12-25", "2026-12-26"},
       "Added 12; skipped 0 already listed, 1 twice in the calendar, 1 timed event; 3 events have no day in 2026."},
      // 8 May 2027 is an EXDATE of its yearly rule, which so has no day in 2027.
      {"2027",
       {"2027-01-01", "2027-03-29", "2027-05-01", "2027-05-06", "2027-05-17", "2027-07-14", "2027-08-15", "2027-11-01",
        "2027-11-11", "2027-12-25"},
       "Added 10; skipped 0 already listed, 0 twice in the calendar, 1 timed event; 5 events have no day in 2027."},
      {"1999", {}, "Added 0; skipped 0 already listed, 0 twice in the calendar, 1 timed event; 15 events have no day in 1999."},
      {"2100", {}, "Added 8; skipped 0 already listed, 0 twice in the calendar, 1 timed event; 7 events have no day in 2100."},
  };
  for (const Case& c : cases) {
    TempDir dir;
    makeFolder(dir.path(), {});
    const RunResult r = importIcs(dir.path(), kFrance, {"--year", c.year});
    EXPECT_EQ(r.code, 0) << c.year << r.err;
    EXPECT_TRUE(r.has(c.summary)) << c.year << "\n" << r.out;
    std::vector<std::string> dates;
    for (const auto& l : storedList(dir.path())) dates.push_back(l.substr(0, 10));
    std::vector<std::string> want = c.dates;
    if (std::string(c.year) == "2100")
      for (const auto& md : yearly) want.push_back("2100-" + md);
    EXPECT_EQ(dates, want) << c.year;
  }

  // Without --year: this year and the next, by the system date.
  TempDir dir;
  makeFolder(dir.path(), {});
  const int y = QDate::currentDate().year();
  const RunResult r = importIcs(dir.path(), kFrance);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "holidays of " + std::to_string(y) + "-" + std::to_string(y + 1))) << r.out;
  const auto list = storedList(dir.path());
  for (int year : {y, y + 1})
    for (const char* md : {"-01-01 Jour de l'An", "-11-01 Toussaint", "-12-25 No\u00ebl"})
      EXPECT_NE(std::find(list.begin(), list.end(), std::to_string(year) + md), list.end()) << year << md;
  for (const auto& l : list) EXPECT_TRUE(l.starts_with(std::to_string(y)) || l.starts_with(std::to_string(y + 1))) << l;
}

TEST(ImportIcs, ExpandsSpansRecurrencesAndTheirExceptions) {
  // RDATE adds a day, a RECURRENCE-ID moves one, a cancelled event counts for
  // nothing, a span gives each of its days (DTEND is the day after the last one),
  // a "\n" in a SUMMARY becomes a blank.
  const std::string calendar =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Test//EN\r\n"
      "BEGIN:VEVENT\r\nUID:local\r\nDTSTART;VALUE=DATE:20200601\r\nRRULE:FREQ=YEARLY\r\n"
      "RDATE;VALUE=DATE:20260610\r\nSUMMARY:F\xC3\xAAte locale\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:local\r\nRECURRENCE-ID;VALUE=DATE:20260601\r\nDTSTART;VALUE=DATE:20260602\r\n"
      "SUMMARY:F\xC3\xAAte locale (d\xC3\xA9plac\xC3\xA9\x65)\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:off\r\nDTSTART;VALUE=DATE:20260704\r\nSTATUS:CANCELLED\r\nSUMMARY:Annul\xC3\xA9\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:eve\r\nDTSTART;VALUE=DATE:20261231\r\nDTEND;VALUE=DATE:20270103\r\n"
      "SUMMARY:R\xC3\xA9veillon\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:two\r\nDTSTART;VALUE=DATE:20260801\r\nDURATION:P2D\r\nSUMMARY:Deux jours\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:zero\r\nDTSTART;VALUE=DATE:20260901\r\nDTEND;VALUE=DATE:20260901\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:month\r\nDTSTART;VALUE=DATE:20260301\r\nRRULE:FREQ=MONTHLY;COUNT=3\r\n"
      "SUMMARY:Premier du mois\\nligne deux\r\nEND:VEVENT\r\n"
      "END:VCALENDAR\r\n";
  TempDir files;
  const std::string ics = files.file("local.ics");
  writeFileText(ics, calendar);
  const struct {
    const char* year;
    std::vector<std::string> list;
  } cases[] = {
      {"2026",
       {"2026-03-01 Premier du mois ligne deux", "2026-04-01 Premier du mois ligne deux",
        "2026-05-01 Premier du mois ligne deux", "2026-06-02 F\u00eate locale (d\u00e9plac\u00e9e)",
        "2026-06-10 F\u00eate locale", "2026-08-01 Deux jours", "2026-08-02 Deux jours", "2026-09-01",
        "2026-12-31 R\u00e9veillon"}},
      {"2027", {"2027-01-01 R\u00e9veillon", "2027-01-02 R\u00e9veillon", "2027-06-01 F\u00eate locale"}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    makeFolder(dir.path(), {});
    const RunResult r = importIcs(dir.path(), ics, {"--year", c.year});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(storedList(dir.path()), c.list) << c.year << "\n" << r.out;
  }
  TempDir dir;
  makeFolder(dir.path(), {});
  EXPECT_TRUE(contains(importIcs(dir.path(), ics, {"--year", "2026"}).out, ", 1 cancelled event."));
}

TEST(ImportIcs, RefusesAFaultyCalendarAndWritesNothing) {
  const std::string head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Test//EN\r\n";
  const std::string tail = "END:VCALENDAR\r\n";
  auto event = [](const std::string& body) { return "BEGIN:VEVENT\r\nUID:x\r\n" + body + "END:VEVENT\r\n"; };
  const std::string fine = event("DTSTART;VALUE=DATE:20260101\r\nSUMMARY:New Year\r\n");
  const std::string daily = event("DTSTART;VALUE=DATE:19000101\r\nRRULE:FREQ=DAILY\r\n");
  std::string many;
  for (int i = 0; i < 14; ++i) many += event("DTSTART;VALUE=DATE:20260101\r\nRRULE:FREQ=DAILY\r\n");
  struct Case {
    const char* what;
    std::string text;  // written to bad.ics, unless file names another
    std::vector<std::string> reasons;
    std::string file = {};
    const char* year = "2026";
  };
  const Case cases[] = {
      {"END:VEVENT missing",
       head + "BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20260101\r\nSUMMARY:New Year\r\n" + tail,
       {"libical found no calendar in it (line 7: END:VCALENDAR where BEGIN:VEVENT of line 4 has no END:VEVENT)"}},
      {"a DTSTART libical cannot read",
       head + fine + event("DTSTART;VALUE=DATE:first-of-may\r\nSUMMARY:May Day\r\n") + tail,
       {"line 9: in the component that begins here: Can't parse as DATE value in DTSTART property"}},
      {"a DTSTART no calendar has", head + fine + event("DTSTART;VALUE=DATE:20261345\r\n") + tail,
       {"line 11: DTSTART 2026-13-45 is no calendar date"}},
      {"29 February of a common year", head + event("DTSTART;VALUE=DATE:20260229\r\n") + tail,
       {"line 6: DTSTART 2026-02-29 is no calendar date"}},
      {"a rule libical cannot follow", head + event("DTSTART;VALUE=DATE:20260101\r\nRRULE:FREQ=YEARLY;BYMONTH=13\r\n") + tail,
       {"line 7: RRULE refused by libical"}},
      // Each daily rule alone takes some 220000 steps to reach 2500; the third is
      // one too many.
      {"rules that take too long to get there",
       head + daily + daily + daily + tail,
       {"line 17: RRULE repeats too often to be expanded up to 2500"},
       "",
       "2500"},
      // 14 times 365 days.
      {"more days than any holiday calendar has", head + many + tail,
       {"line 69: the events give more than 5000 days in 2026; a holiday calendar has a few dozen a year"}},
      {"no DTSTART", head + event("SUMMARY:Someday\r\n") + tail, {"line 4: the event has no DTSTART"}},
      {"an event without a calendar", event("DTSTART;VALUE=DATE:20260101\r\n"), {"holds no VCALENDAR"}},
      {"text that is no calendar", "Public holidays 2026\n1 January: New Year\n",
       {"libical found no calendar in it (line 1: text outside BEGIN:VCALENDAR ... END:VCALENDAR)"}},
      {"binary garbage", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10) + head, {"holds zero bytes"}},
      {"an empty file", "", {"is empty"}},
      {"blank lines only", "\r\n  \r\n", {"is empty"}},
      {"a name with an emoji", head + event("DTSTART;VALUE=DATE:20260101\r\nSUMMARY:New Year \xF0\x9F\x8E\x89\r\n") + tail,
       {"line 7: SUMMARY \"New Year \U0001F389\" holds \U0001F389 (U+1F389), which the data files' code page, "
        "Windows-1252, cannot hold"}},
      {"a name that is no UTF-8", head + event("DTSTART;VALUE=DATE:20260101\r\nSUMMARY:No\xEBl\r\n") + tail,
       {"line 7: SUMMARY \"No\uFFFDl\" is not UTF-8"}},
      {"a Polish calendar",
       "",
       {"pl-holidays.ics: line 20: SUMMARY \"\u015awi\u0119to Trzech Kr\u00f3li\" holds \u015a (U+015A)",
        "pl-holidays.ics: line 52: SUMMARY \"Narodowe \u015awi\u0119to Niepodleg\u0142o\u015bci\" holds \u015a (U+015A)",
        "pl-holidays.ics: line 60: SUMMARY \"Wigilia Bo\u017cego Narodzenia\" holds \u017c (U+017C)",
        "nothing was written; change these descriptions in the calendar, or run again with --strip-accents"},
       kPoland},
      {"no such file", "", {"cannot be read: No such file or directory"}, "/nonexistent/holidays.ics"},
      {"a folder", "", {"is not a regular file"}, "/tmp"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    makeFolder(dir.path(), {{"2030-01-01", "Old"}});
    const std::string file = c.file.empty() ? dir.file("bad.ics") : c.file;
    if (c.file.empty()) writeFileText(file, c.text);
    const auto before = mlif(dir.path());
    const RunResult r = importIcs(dir.path(), file, {"--year", c.year});
    EXPECT_EQ(r.code, 1) << c.what;
    for (const auto& reason : c.reasons) EXPECT_TRUE(contains(r.err, reason)) << c.what << ":\n" << r.err;
    EXPECT_TRUE(contains(r.err, "nothing was written")) << c.what << ":\n" << r.err;
    EXPECT_EQ(r.out, "") << c.what;
    EXPECT_EQ(mlif(dir.path()), before) << c.what;
  }
  // Names that do fit are no fault: the first Polish one is not named.
  TempDir dir;
  makeFolder(dir.path(), {});
  EXPECT_FALSE(contains(importIcs(dir.path(), kPoland, {"--year", "2026"}).err, "Nowy Rok"));
}

TEST(ImportIcs, RefusesAHugeFileWithoutReadingIt) {
  // A calendar padded to exactly 1 MiB is read; one byte more is refused, and so is
  // a sparse file of 8 GiB, which reading would take long and fill the memory.
  const std::string head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Test//EN\r\n"
                           "BEGIN:VEVENT\r\nUID:x\r\nDTSTART;VALUE=DATE:20260101\r\nSUMMARY:New Year\r\n";
  const std::string tail = "END:VEVENT\r\nEND:VCALENDAR\r\n";
  const std::uintmax_t mib = 1024 * 1024;
  for (std::uintmax_t size : {mib, mib + 1, std::uintmax_t{8} << 30}) {
    TempDir dir;
    makeFolder(dir.path(), {});
    const std::string file = dir.file("big.ics");
    if (size <= mib + 1) {
      // Lines of "X-FILLER:" and x's, the last one as long as what is left.
      std::string text = head;
      for (std::size_t left = size - head.size() - tail.size(); left > 0;) {
        const std::size_t line = left < 600 ? left : 200;
        text += "X-FILLER:" + std::string(line - 11, 'x') + "\r\n";
        left -= line;
      }
      text += tail;
      writeFileText(file, text);
    } else {
      writeFileText(file, head);
      std::filesystem::resize_file(file, size);
    }
    ASSERT_EQ(std::filesystem::file_size(file), size);
    const RunResult r = importIcs(dir.path(), file, {"--year", "2026"});
    if (size == mib) {
      EXPECT_EQ(r.code, 0) << r.err;
      EXPECT_EQ(storedList(dir.path()), std::vector<std::string>{"2026-01-01 New Year"});
    } else {
      EXPECT_EQ(r.code, 1) << size;
      EXPECT_TRUE(contains(r.err, "is larger than 1 MiB")) << r.err;
    }
  }
}

TEST(ImportIcs, AListNearlyFullTakesTheEarliestDaysAndNamesTheRest) {
  std::vector<std::pair<std::string, std::string>> many;
  for (int i = 0; i < 185; ++i)
    many.emplace_back(QDate(2030, 1, 1).addDays(i).toString(Qt::ISODate).toStdString(), "Day " + std::to_string(i));
  const std::vector<std::string> fits = {"2026-01-01 Jour de l'An", "2026-04-06 Lundi de P\u00e2ques",
                                         "2026-05-01 F\u00eate du Travail", "2026-05-08 Victoire 1945",
                                         "2026-05-14 Ascension"};
  for (bool dryRun : {true, false}) {
    TempDir dir;
    makeFolder(dir.path(), many);
    const auto before = mlif(dir.path());
    std::vector<std::string> args = {"--year", "2026"};
    if (dryRun) args.push_back("--dry-run");
    const RunResult r = importIcs(dir.path(), kFrance, args);
    EXPECT_EQ(r.code, 1) << dryRun;
    EXPECT_TRUE(contains(r.err, "List of Holidays is full: 7 holidays of the calendar did not fit (the list holds 190):"))
        << r.err;
    for (const char* rest : {"  2026-05-25 Lundi de Pentec\u00f4te", "  2026-12-26 No\u00ebl et Saint-\u00c9tienne (Alsace-Moselle)"})
      EXPECT_TRUE(contains(r.err, std::string(rest) + "\n")) << rest << "\n" << r.err;
    for (const auto& f : fits) EXPECT_TRUE(r.has("  " + f)) << f << "\n" << r.out;
    const auto list = storedList(dir.path());
    if (dryRun) {
      EXPECT_TRUE(r.has("Would add:")) << r.out;
      EXPECT_EQ(mlif(dir.path()), before);
    } else {
      ASSERT_EQ(list.size(), 190u);
      EXPECT_EQ(std::vector<std::string>(list.end() - 5, list.end()), fits);
    }
  }
}

TEST(ImportIcs, TakesAccentsOffOnlyWhenAskedAndOnlyWhatTheFileKeeps) {
  // With --strip-accents the Polish calendar imports: letters the code page lacks
  // lose their accents, those it has (\u00f3) keep them.
  TempDir dir;
  makeFolder(dir.path(), {});
  const RunResult r = importIcs(dir.path(), kPoland, {"--year", "2026", "--strip-accents"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.has("  2026-01-01 Nowy Rok")) << r.out;
  EXPECT_TRUE(r.has("  2026-01-06 Swieto Trzech Kr\u00f3li (accents taken off)")) << r.out;
  EXPECT_EQ(storedList(dir.path()),
            (std::vector<std::string>{"2026-01-01 Nowy Rok", "2026-01-06 Swieto Trzech Kr\u00f3li", "2026-05-01 Swieto Pracy",
                                      "2026-05-03 Swieto Konstytucji 3 Maja", "2026-11-01 Wszystkich Swietych",
                                      "2026-11-11 Narodowe Swieto Niepodleglosci", "2026-12-24 Wigilia Bozego Narodzenia",
                                      "2026-12-25 Boze Narodzenie (pierwszy dzien)"}));
  const auto bytes = mlif(dir.path());
  std::string name = "Swieto Trzech Kr\xF3li";
  name.resize(40, ' ');
  EXPECT_EQ(std::string(bytes.begin() + static_cast<long>(holidayAt(2) + 8), bytes.begin() + static_cast<long>(holidayAt(2) + 48)),
            name);

  const struct {
    const char* summary;
    bool strip;
    const char* stored;  // nullptr: refused
    const char* says;    // after the stored name, else in the refusal
    bool offered;        // the refusal offers --strip-accents
  } cases[] = {
      // What lies past the 40th character never reaches the file.
      {"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx \u0141\U0001F389", false, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
       "(cut to 40 characters)", false},
      {"\u0141\u00f3d\u017a xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", false, nullptr, "holds \u0141 (U+0141)", true},
      {"\u0141\u00f3d\u017a xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", true, "L\u00f3dz xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
       "(accents taken off, cut to 40 characters)", false},
      // No accent to take off: refused either way, and --strip-accents is not offered.
      {"\u03a7\u03c1\u03b9\u03c3\u03c4\u03bf\u03cd\u03b3\u03b5\u03bd\u03bd\u03b1", true, nullptr,
       "holds \u03a7 (U+03A7)", false},
      {"New Year \U0001F389", false, nullptr, "holds \U0001F389 (U+1F389)", false},
  };
  for (const auto& c : cases) {
    TempDir data;
    makeFolder(data.path(), {});
    const std::string ics = data.file("one.ics");
    writeFileText(ics, std::string("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Test//EN\r\n"
                                   "BEGIN:VEVENT\r\nUID:x\r\nDTSTART;VALUE=DATE:20260101\r\nSUMMARY:") +
                           c.summary + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    std::vector<std::string> args = {"--year", "2026"};
    if (c.strip) args.push_back("--strip-accents");
    const RunResult one = importIcs(data.path(), ics, args);
    if (c.stored) {
      EXPECT_EQ(one.code, 0) << c.summary << one.err;
      EXPECT_EQ(storedList(data.path()), std::vector<std::string>{std::string("2026-01-01 ") + c.stored});
      EXPECT_TRUE(one.has(std::string("  2026-01-01 ") + c.stored + " " + c.says)) << one.out;
    } else {
      EXPECT_EQ(one.code, 1) << c.summary;
      EXPECT_EQ(storedList(data.path()), std::vector<std::string>{});
      EXPECT_TRUE(contains(one.err, c.says)) << one.err;
      EXPECT_EQ(contains(one.err, "--strip-accents"), c.offered) << c.summary << "\n" << one.err;
    }
  }
}

// Calendar programs export empty texts (RFC 5545 allows them): such a property is
// skipped, not the calendar. An empty date or rule still refuses it, as skipping
// that would change the days.
TEST(ImportIcs, AnEmptyTextIsSkippedAnEmptyDateIsNot) {
  const std::string head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Test//EN\r\nX-WR-CALDESC:\r\n";
  const std::string tail = "END:VCALENDAR\r\n";
  const struct {
    const char* what;
    std::string body;
    std::vector<std::string> stored;  // empty: refused
    const char* reason;
  } cases[] = {
      {"empty description and location",
       "DTSTART;VALUE=DATE:20260101\r\nSUMMARY:New Year\r\nDESCRIPTION:\r\nLOCATION:\r\nCOMMENT;LANGUAGE=en:\r\n",
       {"2026-01-01 New Year"}, ""},
      {"an empty summary", "DTSTART;VALUE=DATE:20260501\r\nSUMMARY:\r\nCATEGORIES:\r\n", {"2026-05-01"}, ""},
      {"an empty end", "DTSTART;VALUE=DATE:20260101\r\nDTEND;VALUE=DATE:\r\nSUMMARY:New Year\r\n", {},
       "No value for DTEND property"},
      {"an empty rule", "DTSTART;VALUE=DATE:20200101\r\nRRULE:\r\nSUMMARY:New Year\r\n", {}, "No value for RRULE property"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    makeFolder(dir.path(), {});
    const std::string ics = dir.file("export.ics");
    writeFileText(ics, head + "BEGIN:VEVENT\r\nUID:x\r\n" + c.body + "END:VEVENT\r\n" + tail);
    const auto before = mlif(dir.path());
    const RunResult r = importIcs(dir.path(), ics, {"--year", "2026"});
    if (c.stored.empty()) {
      EXPECT_EQ(r.code, 1) << c.what;
      EXPECT_TRUE(contains(r.err, c.reason)) << c.what << ":\n" << r.err;
      EXPECT_EQ(mlif(dir.path()), before) << c.what;
    } else {
      EXPECT_EQ(r.code, 0) << c.what << ":\n" << r.err;
      EXPECT_EQ(storedList(dir.path()), c.stored) << c.what;
    }
  }
}

// An accent written as a character of its own after its letter is the same text as
// the accented letter: composed first, it fits the code page or loses its accent
// with --strip-accents like any other.
TEST(ImportIcs, ALetterWithACombiningAccentIsOneLetter) {
  const struct {
    const char* summary;
    bool strip;
    const char* stored;  // nullptr: refused
    const char* says;
  } cases[] = {
      {"Fe\u0302te nationale", false, "F\u00eate nationale", ""},
      {"Fe\u0302te nationale", true, "F\u00eate nationale", ""},
      {"S\u0301wie\u0328to Pracy", true, "Swieto Pracy", " (accents taken off)"},
      {"S\u0301wie\u0328to Pracy", false, nullptr, "holds \u015a (U+015A)"},
      // No letter of its own in Unicode: the accent alone is taken off.
      {"Taq\u0302 day", true, "Taq day", " (accents taken off)"},
      {"Taq\u0302 day", false, nullptr, "holds \u0302 (U+0302)"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    makeFolder(dir.path(), {});
    const std::string ics = dir.file("one.ics");
    writeFileText(ics, std::string("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Test//EN\r\n"
                                   "BEGIN:VEVENT\r\nUID:x\r\nDTSTART;VALUE=DATE:20260714\r\nSUMMARY:") +
                           c.summary + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    std::vector<std::string> args = {"--year", "2026"};
    if (c.strip) args.push_back("--strip-accents");
    const RunResult r = importIcs(dir.path(), ics, args);
    SCOPED_TRACE(std::string(c.summary) + (c.strip ? " --strip-accents" : ""));
    if (c.stored) {
      EXPECT_EQ(r.code, 0) << r.err;
      EXPECT_EQ(storedList(dir.path()), std::vector<std::string>{std::string("2026-07-14 ") + c.stored});
      EXPECT_TRUE(r.has(std::string("  2026-07-14 ") + c.stored + c.says)) << r.out;
    } else {
      EXPECT_EQ(r.code, 1);
      EXPECT_TRUE(contains(r.err, c.says)) << r.err;
      EXPECT_EQ(storedList(dir.path()), std::vector<std::string>{});
    }
  }
}

TEST(ImportIcs, CommandLineAndFolderFaults) {
  TempDir dir;
  makeFolder(dir.path(), {});
  const struct {
    std::vector<std::string> args;
    int code;
    const char* says;
  } cases[] = {
      {{"holidays", "import-ics", kFrance, "--data", dir.path(), "--year", "1800"}, 2, "1800 not in range"},
      {{"holidays", "import-ics", kFrance, "--data", dir.path(), "--year", "2583"}, 2, "2583 not in range"},
      {{"holidays", "import-ics", kFrance, "--data", dir.path(), "--dry-run=maybe"}, 2, "--dry-run"},
      {{"holidays", "import-ics", kFrance, "--data", dir.path(), "--year", "next"}, 2, "--year"},
      {{"holidays", "import-ics", "--data", dir.path()}, 2, "FILE"},
      {{"holidays"}, 2, "zktrack: holidays needs a command: import-ics"},
      {{"holidays", "import-ics", kFrance, "--data", dir.file("empty")}, 1, "no records in"},
  };
  for (const auto& c : cases) {
    const RunResult r = runProgram(ZKTRACK_PATH, c.args);
    EXPECT_EQ(r.code, c.code) << c.says << "\n" << r.err;
    EXPECT_TRUE(contains(r.err, c.says)) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("empty")));
}

}  // namespace
}  // namespace prandel::test
