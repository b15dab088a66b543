// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An import of settings from outside (a tariff file, a calendar) as one save: the
// conditions as the expense window's OK commits them (ChangeCode 3), the holiday list
// and days off as the holiday window's OK writes them (ChangeCode 5), and the
// tracker's reload flag as the closing window sets it. All of it reaches the files or
// none of it.
#include <array>
#include <optional>
#include <vector>

#include "common/HolidayList.h"
#include "store/ExpenseCondition.h"

namespace prandel {

class Session;

struct ImportedSettings {
  std::optional<std::array<store::ExpenseCondition, store::ExpenseCondition::Slots>> conditions;
  std::optional<HolidayList> holidays;  // entries and weekOff
};

// Nothing is written when neither part is given. Returns whether the save took effect.
bool saveImportedSettings(Session& s, const ImportedSettings& what);

}  // namespace prandel
