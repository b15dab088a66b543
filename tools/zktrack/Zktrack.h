// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// zktrack: what a Linux user runs in place of the tracker. It seeds and shows the
// record files and starts prandel with a request code, as the tracker does.
#include <QDate>
#include <QString>
#include <QTime>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/AppPath.h"
#include "core/BookmarkFile.h"
#include "core/FolderRecords.h"
#include "format/ReadableText.h"
#include "store/BookmarkRecord.h"
#include "store/DataFiles.h"
#include "store/ExpenseCondition.h"
#include "store/Field.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"
#include "store/SmallFile.h"

namespace CLI {
class App;
class Option;
}

namespace zktrack {

namespace store = prandel::store;

// --- The command line --------------------------------------------------------------

// What every command shares: where zktrack lies, and the exit code of the command that
// ran (0 all well, 1 it could not do its work, 2 the command line was wrong).
struct Context {
  std::string programDir;
  int exitCode = 0;
};

// Each adds its subcommand, with its options and help, to the command line.
void addOpenCommand(CLI::App& app, Context& ctx);
void addShowCommand(CLI::App& app, Context& ctx);
void addSeedCommand(CLI::App& app, Context& ctx);
void addExportCommand(CLI::App& app, Context& ctx);
void addImportCommand(CLI::App& app, Context& ctx);
void addWhichCommand(CLI::App& app, Context& ctx);
void addCheckCommand(CLI::App& app, Context& ctx);
void addHolidaysCommand(CLI::App& app, Context& ctx);
void addPriceCommand(CLI::App& app, Context& ctx);
void addLogCommand(CLI::App& app, Context& ctx);
void addReportCommand(CLI::App& app, Context& ctx);
void addRunCommand(CLI::App& app, Context& ctx);
// The live tracker of a data folder until SIGTERM or SIGINT; zktrack run's exit code.
int runTracker(const std::string& folder);
void addStatusCommand(CLI::App& app, Context& ctx);

// "--data DIR" for a command that can work on another folder than prandel's.
void addDataOption(CLI::App& command, std::string& data);
// The folder --data names (absolute), else the one prandel uses.
prandel::DataFolder dataFolderFor(const Context& ctx, const std::string& dataOption);
// Where a user reads one of the documents (tariff-files.md): in share/doc/prandel of
// the prefix this zktrack is installed in, else where the Debian package puts it,
// else in the sources ("docs/tariff-files.md of Prandel's sources").
std::string documentPlace(const std::string& programDir, const std::string& name);
// "Data folder: /x (named by ...)".
std::string dataFolderLine(const prandel::DataFolder& folder);
// Whether the folder's mlif.zkt has anything in it; looking creates nothing.
bool recordsIn(const std::string& folder);
// The message for a folder without records, with what to do about it.
void reportNoRecords(const std::string& folder);
// A file the user names (a tariff, a calendar), read whole (store/SmallFile.h).
using prandel::store::readSmallFile;
using prandel::store::SmallFile;
// Makes the folder (and its parents) when missing; false, and error says why, when it
// cannot be made.
bool makeDataFolder(const std::string& folder, std::string& error);
// Opens the record files of a folder that holds records, for reading only; false
// with a message when it holds none or they cannot be read. A save cut short is
// read through (the records as they were before it) and a note says so.
bool openRecordsForReading(const prandel::DataFolder& folder, store::DataFiles& files);
// Notes on standard error for the journals the files were opened with: a save cut
// short that reads look through, a journal that blocks saves.
void noteJournals(const store::DataFiles& files);
// Why a save did not take effect, when a journal is in its way: one line for each.
void reportBlockingJournals(const store::DataFiles& files);

// --- Moments and connections (which, check) -------------------------------------

// A local wall-clock moment, as the tracker's dates hold it: no time zone, so no day
// of a clock change loses or repeats an hour.
struct WallClock {
  QDate date;
  QTime time;
};

// Whether a record's date can hold the day.
bool recordHoldsDay(const QDate& day);
// yyyy-mm-dd, a day a record's date can hold.
std::optional<QDate> parseDay(const std::string& text);
// now (to the minute), yyyy-mm-dd hh:mm, yyyy-mm-ddThh:mm, or yyyy-mm-dd for 00:00.
std::optional<WallClock> parseMoment(const std::string& text);
// "Sat 2026-12-12".
std::string dayLabel(const QDate& day);
// "--connection NAME".
CLI::Option* addConnectionOption(CLI::App& command, std::string& connection);
// EvalConn for --connection: the default choice when it is empty or "Default".
QString evalConnFor(const std::string& connection);
// "Default", or the connection's name in quotes.
std::string connectionLabel(const QString& evalConn);

// --- Reading and printing the records (core/FolderRecords.h, format/ReadableText.h) ----

using Records = prandel::FolderRecords;
using prandel::Bookmark;
inline Records readAll(const store::DataFiles& files) { return prandel::readFolderRecords(files); }
inline bool isDeleted(const store::BookmarkRecord& b) { return prandel::bookmarks::isDeleted(b); }

using prandel::format::amountShown;
using prandel::format::bookmarkLine;
using prandel::format::changedFields;
using prandel::format::conditionDescription;
using prandel::format::dateText;
using prandel::format::dateTimeText;
using prandel::format::dayText;
using prandel::format::fieldLabel;
using prandel::format::fieldValue;
using prandel::format::holidayLine;
using prandel::format::money;
using prandel::format::number;
using prandel::format::plural;
using prandel::format::quoted;
using prandel::format::readable;
using prandel::format::secondsText;
using prandel::format::timeText;
using prandel::format::weekDaysText;

// --- Commands ------------------------------------------------------------------

int runSeed(const std::string& folder, bool force);
int runShow(const prandel::DataFolder& folder, bool json);
// programDir holds zktrack and prandel; folder is the data folder prandel will use.
int runOpen(const std::string& programDir, const prandel::DataFolder& folder, std::int16_t requestCode);
struct IcsImportOptions {
  std::optional<int> year;  // that year only, else this year and next
  bool dryRun = false;
  bool stripAccents = false;  // letters the code page lacks stored without accents
};
int runImportIcs(const prandel::DataFolder& folder, const std::string& file, const IcsImportOptions& options);

// Starts program without the right to set the clock and waits for it. Returns its
// exit code, or -1 when it could not be started and error then says why.
int runWithoutClockRight(const std::string& program, std::string& error);

}  // namespace zktrack
