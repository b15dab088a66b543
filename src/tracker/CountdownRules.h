// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The countdown's rules that the tracker applies between calls: when it is reset
// (CdResetOn, CdResetTime on the day CdResetPeriod with CdResetDay or CdResetDate
// gives), and which of its warnings the time left has reached. Pure: the main
// record and the moments come in, nothing is read or written.
#include <QDate>
#include <cstdint>
#include <optional>
#include <string>

#include "core/Pricing.h"
#include "store/MainRecord.h"

namespace prandel::tracker {

// When the countdown is refilled.
struct ResetRule {
  enum class Period { Day, Week, Month, Year };
  Period period = Period::Day;
  int weekday = 0;   // Week: 0 Sunday .. 6 Saturday
  int monthDay = 1;  // Month: 1 .. 31, the month's last day where it has fewer
  int month = 1, day = 1;  // Year: the month and day of CdResetDate (29 February: the 28th in other years)
  std::int64_t timeSeconds = 0;  // after the day's midnight; may pass into the days after

  // A text that changes whenever the rule does.
  std::string signature() const;
};

// The rule of the main record: none when CdResetOn is off or a field holds what the
// countdown window cannot set (a period outside 0 to 3, a day outside its list, a
// time or date that is no number).
std::optional<ResetRule> resetRuleOf(const store::MainRecord& main);

// The latest reset moment at or before now; none within the rule's reach (a year).
std::optional<core::Epoch> lastResetAtOrBefore(const ResetRule& rule, core::Epoch now, const core::LocalClock& clock);
// The first reset moment after now.
std::optional<core::Epoch> nextResetAfter(const ResetRule& rule, core::Epoch now, const core::LocalClock& clock);

// The countdown's warnings, as bits.
enum CountdownWarning : unsigned {
  kTenPercentLeft = 1,
  kFiveMinutesLeft = 2,
  kRanOut = 4,
};
inline constexpr double kFiveMinutes = 300;

// The warnings a countdown of `total` seconds has reached with `left` seconds left. A
// warning counts only when the countdown had more than its mark to begin with (a
// countdown of 4 minutes gives no "5 minutes left").
unsigned warningsReached(double total, double left);
// The most urgent of a set of warnings (0 for none).
unsigned mostUrgent(unsigned warnings);

}  // namespace prandel::tracker
