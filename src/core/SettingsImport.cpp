// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/SettingsImport.h"

#include "common/ConditionStore.h"
#include "common/RecordUpdate.h"
#include "common/Session.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"

namespace prandel {

bool saveImportedSettings(Session& s, const ImportedSettings& what) {
  if (!what.conditions && !what.holidays) return true;
  using store::ExpenseCondition;
  using store::HolidayRecord;
  // Each part saves as its editor does; begun inside this save, their own saves join it.
  SaveTransaction save(s);
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
  if (what.conditions) ok = replaceConditions(s, *what.conditions);
  if (ok && what.holidays) ok = saveHolidayList(s, what.holidays->entries, what.holidays->weekOff);
  if (ok) ok = requestReload(s);
  return save.commit() && ok;
}

}  // namespace prandel
