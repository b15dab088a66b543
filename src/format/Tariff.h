// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tariff files: the expense conditions, holidays and weekly days off of a data folder
// as a TOML document that people read, write, keep and share. Writing describes each
// stored condition in words; reading turns each condition back into the expense
// window's panel values, which then pass the editor's own checks and fill.
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/ConditionPanel.h"
#include "core/FolderRecords.h"
#include "core/HolidayList.h"
#include "core/Regional.h"
#include "store/ExpenseCondition.h"
#include "store/MainRecord.h"

namespace prandel::format {

// Tariff files larger than this are no tariff file: 20 conditions and 190 holidays
// take a few dozen kilobytes.
inline constexpr std::size_t kMaxTariffBytes = 1 << 20;

enum class TariffPart { Conditions, Holidays, All };

// The tariff file of a data folder's live conditions (in slot order), holidays and
// weekly days off. The comment lines are the expense window's description lines, in
// the user's notation (format/ReadableText.h); guide is where the file's reader finds
// the format described.
std::string writeTariff(const FolderRecords& r, TariffPart part, const std::string& guide);

// One condition of a tariff file as the expense window's panel would hold it, with
// the line of each key that filled a part of the panel.
struct TariffCondition {
  ConditionPanel panel;
  int line = 0;                                        // its [[condition]]
  std::map<PanelField, int> lines;            // where each part came from
  std::map<PanelField, std::string> sources;  // key = value, as written
};

struct TariffHoliday {
  double date = 0;
  std::string description;
  int line = 0;
};

// What a tariff file holds; a part it does not mention stays as it is.
struct Tariff {
  std::optional<std::vector<TariffCondition>> conditions;
  std::optional<std::vector<TariffHoliday>> holidays;
  std::optional<std::array<bool, 7>> daysOff;
};

// Reads a tariff file. The panel texts are written in the notation of notation, which
// the checks then read back. On a fault, error holds "name:line: message" and nothing
// else is to be trusted.
bool readTariff(const std::string& text, const std::string& name, const Regional& notation, Tariff& out,
                std::string& error);

// The editor's checks on every condition, and the holiday editor's on the holidays,
// in order; the first fault as "name:line: message (key = value)". Panels are read in
// the notation readTariff wrote them in, amounts with main's decimal commas.
bool checkTariff(const Tariff& t, const std::string& name, const Regional& notation, const store::MainRecord& main,
                 std::string& error);

// What an import changes: the live set after it, slot by slot, and the holiday list
// and days off after it, each with lines that say what changed. A slot whose condition
// reads the same as the stored one keeps its bytes (and so does the rest of the
// file), so that a file exported and imported again changes nothing.
struct ConditionPlan {
  std::array<store::ExpenseCondition, store::ExpenseCondition::Slots> records;
  std::vector<std::string> changes;
};
ConditionPlan planConditions(const Regional& notation, const store::MainRecord& main, const FolderRecords& r,
                             const std::vector<TariffCondition>& conditions);

struct HolidayPlan {
  std::vector<TariffHoliday> days;
  std::array<bool, 7> weekOff{};
  std::vector<std::string> changes;
};
HolidayPlan planHolidays(const FolderRecords& r, const Tariff& t);

// The holiday list to save for a plan, against the list as it stands: a holiday that
// stays keeps its record's spare bytes, as in the holiday window; a new one gets what
// the window would give it.
std::vector<HolidayEntry> holidaysToSave(HolidayList current, const HolidayPlan& plan);

// The table of one stored condition as the export writes it, without comments: two
// conditions that read the same are the same to the tracker.
std::string conditionTable(const store::ExpenseCondition& c);

}  // namespace prandel::format
