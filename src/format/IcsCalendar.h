// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The all-day events of an iCalendar file (a public-holiday calendar as governments
// and calendar apps publish them) as the days they fall on within some years, read
// with libical.
#include <QDate>
#include <cstdint>
#include <string>
#include <vector>

namespace prandel::format {

// A calendar is a few kilobytes; anything this big is no holiday calendar. libical's
// tree of a file takes some 50 times its size.
inline constexpr std::uintmax_t kMaxIcsBytes = 1024 * 1024;

struct IcsDay {
  QDate day;
  std::string summary;  // UTF-8, line breaks and tabs made blanks, trimmed
  int line = 0;         // of the event's SUMMARY, else of its BEGIN:VEVENT
};

struct IcsHolidays {
  std::vector<IcsDay> days;  // event by event in file order
  int events = 0;            // VEVENTs in the file
  int timed = 0;             // events at a time of day, not all-day ones
  int cancelled = 0;         // STATUS:CANCELLED
  int outside = 0;           // all-day events with no day in the years
  std::string error;         // the file is refused, and why
};

// "2026", or "2026-2027".
std::string yearSpan(int first, int last);

// Every day of every all-day event between 1 January of firstYear and 31 December of
// lastYear: yearly and other recurring events expanded (RRULE, RDATE, EXDATE and
// replaced occurrences), an event that spans days giving each of its days. A file
// that libical cannot read, or that holds a date no calendar has, gives only error.
IcsHolidays readIcsHolidays(const std::string& path, int firstYear, int lastYear);

}  // namespace prandel::format
