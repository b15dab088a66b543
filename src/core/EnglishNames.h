// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The English names of the days and months, whatever the user's locale: the words of
// the text forms that people share (tariff files, show's output), which must read the
// same on every machine. The windows name days and months in the user's locale
// (core/Regional.h).
#include <array>

namespace prandel {

// Sunday first, as the records count the days of the week.
inline constexpr std::array<const char*, 7> kWeekdayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                             "Thursday", "Friday", "Saturday"};
inline constexpr std::array<const char*, 12> kMonthNames = {"January", "February", "March",     "April",
                                                            "May",     "June",     "July",      "August",
                                                            "September", "October", "November", "December"};

}  // namespace prandel
