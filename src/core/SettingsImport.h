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

#include "core/HolidayList.h"
#include "store/DataFiles.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/MainRecord.h"

namespace prandel {

struct ImportedSettings {
  std::optional<std::array<store::ExpenseCondition, store::ExpenseCondition::Slots>> conditions;
  std::optional<HolidayList> holidays;  // entries and weekOff
};

// Nothing is written when neither part is given. main is the caller's copy of
// MainRecord, as the save leaves it; holidayBuffer the record buffer of the holiday
// list's load (a new holiday takes its spare bytes, core/HolidayList.h). Returns
// whether the save took effect.
bool saveImportedSettings(store::DataFiles& files, store::MainRecord& main, store::HolidayRecord& holidayBuffer,
                          const ImportedSettings& what);

}  // namespace prandel
