// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The holiday list as the holiday window and the tools share it: dates with their
// descriptions and the weekly days off, read from the records as the window's load
// reads them and written as its "OK" writes them, and the checks of adding a holiday.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "store/DataFiles.h"
#include "store/HolidayRecord.h"
#include "store/MainRecord.h"

namespace prandel {

class Regional;

struct HolidayEntry {
  double date = 0;   // days since 1899-12-30, as read or as given
  std::string name;  // UTF-8: the whole padded field as read, or as typed
  // A holiday read from the file keeps its record's spare bytes wherever it moves;
  // a new one has none and gets what the record buffer holds when the list is saved.
  std::optional<std::array<std::uint8_t, 16>> spare;
};

struct HolidayList {
  std::vector<HolidayEntry> entries;
  std::array<bool, 7> weekOff{};  // Sunday .. Saturday
  // Every record was read: a list with a hole must not be saved back over the file.
  bool complete = true;
};

// Reads MainRecord afresh into main, then holidays 1 to HolidayCount (a count outside
// 0..190 is clamped) through the caller's record buffer; a record that cannot be read
// is left out and the list marked incomplete. The buffer then holds the last holiday
// read, as the window's load leaves it.
HolidayList loadHolidayList(const store::DataFiles& files, store::MainRecord& main, store::HolidayRecord& buffer);

// What the window's "OK" writes, in its order: the room of the whole list first (a
// disk that fills up halfway would leave a count the records behind it do not match),
// then MainRecord read afresh with HolidayCount, WeekOff and ChangeCode 5, then the
// holidays as records 321 onwards in list order, all as one save (store/Transaction.h):
// the whole of it reaches the file or none of it. Records after the new count keep
// their bytes. A list longer than the records can hold writes nothing. The holidays
// are written through the caller's record buffer: a new one takes the spare bytes it
// held before the save (those of the last holiday the load read). Returns whether
// everything was written.
bool saveHolidayList(store::DataFiles& files, store::MainRecord& main, store::HolidayRecord& buffer,
                     const std::vector<HolidayEntry>& entries, const std::array<bool, 7>& weekOff);

// --- Adding a holiday -------------------------------------------------------------

enum class HolidayFault { None, ListFull, InvalidDate, DuplicateDate };

// "List of Holidays is full", "Invalid Date", "Date is already exist"; empty for None.
QString holidayFaultText(HolidayFault fault);

// Whether a list of count holidays has no room for one more.
bool holidayListFull(std::size_t count);

// Whether one of listed falls on the day of dDate: dates compare as days, whatever
// notation they were typed in and whatever time of day they carry. A value that is
// no date matches nothing.
bool CheckDupliDate(std::span<const double> listed, double dDate);

struct HolidayCheck {
  HolidayFault fault = HolidayFault::None;
  double date = 0;  // the day typed, when it is one
};

// The checks of adding the holiday typed as dateText to the listed ones, in the
// window's order: room in the list, a valid date, not listed yet.
HolidayCheck checkNewHoliday(const Regional& regional, std::span<const double> listed, const QString& dateText);

}  // namespace prandel
