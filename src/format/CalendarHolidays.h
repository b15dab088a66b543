// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The days of a holiday calendar (format/IcsCalendar.h) as entries of the holiday
// list: each SUMMARY as the record will hold it (40 characters of Windows-1252, never
// with "?" for what the code page lacks, its accents taken off only when asked), and
// the calendar's days set against the list as it stands.
#include <cstddef>
#include <string>
#include <vector>

#include "core/HolidayList.h"
#include "format/IcsCalendar.h"

namespace prandel::format {

inline constexpr std::size_t kHolidayNameChars = 40;  // HoliName on disk, one byte a character

struct HolidayCandidate {
  IcsDay ics;
  std::string stored;      // what the record will hold, in UTF-8, trailing blanks off
  bool cut = false;        // longer than the record's 40 characters
  bool stripped = false;   // letters lost their accents (stripAccents)
  std::string fault;       // why the text cannot be stored, when it cannot
};

// A day of the calendar as the list would take it; with stripAccents, letters the code
// page lacks are stored as their base letters where one exists (Ś as S, ł as l).
HolidayCandidate holidayCandidate(const IcsDay& d, bool stripAccents);

// "2026-05-01 Fête du Travail (cut to 40 characters)": the day as it will be stored.
std::string candidateLine(const HolidayCandidate& c);

// The summaries the code page cannot hold, each SUMMARY once however many days its
// event gives: "line 12: SUMMARY \"...\" holds ..."
std::vector<std::string> codePageFaults(const std::vector<HolidayCandidate>& adds);

// The calendar's days against the list as it stands: added, already listed, twice in
// the calendar, or found no room. The days are taken in the order given.
struct CalendarPlan {
  HolidayList list;
  std::vector<HolidayCandidate> adds, known, twice, overflow;
};
CalendarPlan planCalendar(const HolidayList& list, const std::vector<HolidayCandidate>& found);

// The descriptions of the plan's additions that the code page cannot hold, each on a
// line of its own naming file, then what to do about them; none when every
// description fits.
std::vector<std::string> codePageMisfits(const std::string& file, const CalendarPlan& p, bool stripAccents);

}  // namespace prandel::format
