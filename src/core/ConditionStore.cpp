// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ConditionStore.h"

#include "common/RecordUpdate.h"
#include "store/RecordIO.h"

namespace prandel {

using store::ExpenseCondition;

int recordOfSlot(ConditionSet set, int slot) {
  return (set == ConditionSet::Live ? ExpenseCondition::LiveBase : ExpenseCondition::WorkBase) + slot;
}

bool readSlot(Session& s, ConditionSet set, int slot) {
  return store::readRecord(s.files, ExpenseCondition::Channel, recordOfSlot(set, slot), s.CondRec);
}

bool writeSlot(Session& s, ConditionSet set, int slot) {
  return store::writeRecord(s.files, ExpenseCondition::Channel, recordOfSlot(set, slot), s.CondRec);
}

namespace {
void coverSet(SaveTransaction& t, ConditionSet set) {
  t.cover(ExpenseCondition::Channel, recordOfSlot(set, 1), ExpenseCondition::Slots);
}

bool copySet(Session& s, ConditionSet from, ConditionSet to) {
  // The whole set or none of it: a disk that fills up halfway, or a write that fails
  // or is cut off, would leave a mix of two sets.
  if (!s.files.reserve(ExpenseCondition::Channel, recordOfSlot(to, 1), ExpenseCondition::Slots)) return false;
  SaveTransaction save(s);
  coverSet(save, to);
  if (!save.begin()) return false;
  for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
    // A slot that cannot be read is not written: the buffer would hold another slot
    // (and the failed read fails the save).
    if (readSlot(s, from, i)) writeSlot(s, to, i);
  }
  return save.commit();
}
}  // namespace

bool Copy_ToWork(Session& s) { return copySet(s, ConditionSet::Live, ConditionSet::Work); }

bool Copy_ToLive(Session& s) {
  // A working set that the file no longer holds whole was cut off (the file was
  // shortened while the window was open, or the copy at load found no room): it
  // would read as empty slots and wipe the live conditions.
  const auto length = s.files.fileLength(ExpenseCondition::Channel);
  const auto workEnd = static_cast<std::uint64_t>(recordOfSlot(ConditionSet::Work, ExpenseCondition::Slots)) *
                       s.files.recordLength(ExpenseCondition::Channel);
  if (!length || *length < workEnd) return false;
  return copySet(s, ConditionSet::Work, ConditionSet::Live);
}

bool commitConditions(Session& s, bool changed) {
  s.MainRecIO(false);
  SaveTransaction save(s);
  coverSet(save, ConditionSet::Live);
  if (changed) save.coverMainRecord();
  if (!save.begin()) return false;
  bool ok = Copy_ToLive(s);
  // Read again just before the write: the copy above gave the tracker time to write.
  if (ok && changed) ok = updateMainRecord(s, [](store::MainRecord& m) { m.ChangeCode = 3; });
  return save.commit() && ok;
}

bool replaceConditions(Session& s, const std::array<ExpenseCondition, ExpenseCondition::Slots>& records) {
  const auto roomFor = [&s](ConditionSet set) {
    return s.files.reserve(ExpenseCondition::Channel, recordOfSlot(set, 1), ExpenseCondition::Slots);
  };
  if (!roomFor(ConditionSet::Work) || !roomFor(ConditionSet::Live)) return false;
  SaveTransaction save(s);
  coverSet(save, ConditionSet::Work);
  coverSet(save, ConditionSet::Live);
  save.coverMainRecord();
  if (!save.begin()) return false;
  for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
    s.CondRec = records[static_cast<std::size_t>(i - 1)];
    writeSlot(s, ConditionSet::Work, i);
  }
  commitConditions(s, true);
  return save.commit();
}

bool deleteWorkSlot(Session& s, int slot) {
  if (slot < 1 || slot > ExpenseCondition::Slots) return false;
  SaveTransaction save(s);
  save.cover(ExpenseCondition::Channel, recordOfSlot(ConditionSet::Work, slot), ExpenseCondition::Slots - slot + 1);
  if (!save.begin()) return false;
  for (int k = slot; k <= ExpenseCondition::Slots; ++k) {
    if (store::readRecord(s.files, ExpenseCondition::Channel, ExpenseCondition::WorkBase + k + 1, s.CondRec))
      writeSlot(s, ConditionSet::Work, k);
  }
  readSlot(s, ConditionSet::Work, ExpenseCondition::Slots);
  s.CondRec.Clear_Profile();
  writeSlot(s, ConditionSet::Work, ExpenseCondition::Slots);
  return save.commit();
}

int countUsedWorkSlots(Session& s) {
  for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
    if (!readSlot(s, ConditionSet::Work, i) || !s.CondRec.InUse) return i - 1;
  }
  return ExpenseCondition::Slots;
}

}  // namespace prandel
