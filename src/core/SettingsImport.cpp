// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SettingsImport.h"

#include "core/ConditionStore.h"
#include "core/RecordUpdate.h"
#include "core/TrackerLink.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"

namespace prandel {

bool saveImportedSettings(store::DataFiles& files, store::MainRecord& main, store::HolidayRecord& holidayBuffer,
                          const ImportedSettings& what) {
  if (!what.conditions && !what.holidays) return true;
  using store::ExpenseCondition;
  using store::HolidayRecord;
  // Each part saves as its editor does; begun inside this save, their own saves join it.
  SaveTransaction save(files, main);
  save.coverMainRecord();
  save.cover(store::LinkRecord::Channel, store::LinkRecord::RecordNo, 1, store::LinkRecord::Size);
  if (what.conditions) {
    save.cover(ExpenseCondition::Channel, recordOfSlot(ConditionSet::Work, 1), ExpenseCondition::Slots);
    save.cover(ExpenseCondition::Channel, recordOfSlot(ConditionSet::Live, 1), ExpenseCondition::Slots);
  }
  if (what.holidays && !what.holidays->entries.empty())
    save.cover(HolidayRecord::Channel, HolidayRecord::Base + 1,
               static_cast<std::int64_t>(what.holidays->entries.size()));
  if (!save.begin()) return false;
  bool ok = true;
  store::ExpenseCondition conditionBuffer;
  if (what.conditions) ok = replaceConditions(files, main, conditionBuffer, *what.conditions);
  if (ok && what.holidays)
    ok = saveHolidayList(files, main, holidayBuffer, what.holidays->entries, what.holidays->weekOff);
  store::LinkRecord link;
  if (ok) ok = requestReload(files, link);
  return save.commit() && ok;
}

}  // namespace prandel
