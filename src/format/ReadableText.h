// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The records in words, as zktrack prints them: texts made safe for a terminal,
// numbers, amounts, dates and times in one fixed notation, each field of a record by
// the meaning its table row gives it, and a condition by the lines the expense window
// shows for it.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <QDate>

#include "core/FolderRecords.h"
#include "core/Regional.h"
#include "store/ExpenseCondition.h"
#include "store/Field.h"
#include "store/HolidayRecord.h"
#include "store/MainRecord.h"

namespace prandel::format {

// A text field trimmed, with control characters shown as "?" so that garbage
// bytes cannot move the terminal's cursor.
std::string readable(const std::string& text);
std::string quoted(const std::string& text);
// "1 day", "2 days".
std::string plural(long long n, const char* one, const char* many);
// A number with up to 15 significant digits; "nan" and "inf" as such.
std::string number(double v);
// The currency label, a blank and the amount with two decimals.
std::string money(const std::string& currency, double v);
// yyyy-mm-dd of a calendar day.
std::string dayText(const QDate& d);
// yyyy-mm-dd; a description of the value when it is no date.
std::string dateText(double d);
// hh:mm:ss of a fraction of a day.
std::string timeText(double d);
// A date value as its date, its time or both, whichever it holds.
std::string dateTimeText(double d);
// hh:mm:ss of a count of seconds.
std::string secondsText(double secs);
// "Sunday, Saturday", or "none".
std::string weekDaysText(const std::vector<bool>& days);

// The regional settings of the user's locale, which the expense window's lines are
// written in.
const Regional& userRegional();
// An amount as the expense window shows one: the data folder's currency label, a
// blank and the number with at least two decimals, in its decimal mark.
std::string amountShown(double amount, const store::MainRecord& main, const Regional& r = userRegional());
// A condition's description lines, as the expense window shows them.
std::vector<std::string> conditionDescription(const store::ExpenseCondition& c, const store::MainRecord& main,
                                              const Regional& r = userRegional());
std::string holidayLine(const store::HolidayRecord& h);
std::string bookmarkLine(const Bookmark& b);

// The value of one field of a record image in words, by the meaning its table row
// gives it ("After Connection", "00:01:00", "2026-12-24").
std::string fieldValue(std::span<const std::uint8_t> bytes, const store::FieldInfo& f);
// A field's label, else its name.
std::string fieldLabel(const store::FieldInfo& f);
// A field's stored value: an integer field as a number, a flag array flag by flag,
// any field as hexadecimal bytes.
std::int64_t fieldInteger(std::span<const std::uint8_t> bytes, const store::FieldInfo& f);
std::vector<bool> fieldFlags(std::span<const std::uint8_t> bytes, const store::FieldInfo& f);
std::string fieldHex(std::span<const std::uint8_t> bytes, const store::FieldInfo& f);

// Names of the fields whose bytes differ between two images of the same record.
template <class Table>
std::vector<const store::FieldInfo*> changedFields(std::span<const std::uint8_t> a,
                                                   std::span<const std::uint8_t> b, const Table& table) {
  std::vector<const store::FieldInfo*> out;
  for (const auto& f : table) {
    for (std::size_t i = f.offset; i < f.offset + f.width; ++i) {
      if (a[i] != b[i]) {
        out.push_back(&f);
        break;
      }
    }
  }
  return out;
}

}  // namespace prandel::format
