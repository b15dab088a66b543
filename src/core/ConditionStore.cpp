// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ConditionStore.h"

#include "core/RecordUpdate.h"
#include "store/RecordIO.h"

namespace prandel {

using store::ExpenseCondition;

int recordOfSlot(ConditionSet set, int slot) {
  return (set == ConditionSet::Live ? ExpenseCondition::LiveBase : ExpenseCondition::WorkBase) + slot;
}

bool readSlot(const store::DataFiles& files, ConditionSet set, int slot, ExpenseCondition& buffer) {
  return store::readRecord(files, ExpenseCondition::Channel, recordOfSlot(set, slot), buffer);
}

bool writeSlot(store::DataFiles& files, ConditionSet set, int slot, const ExpenseCondition& buffer) {
  return store::writeRecord(files, ExpenseCondition::Channel, recordOfSlot(set, slot), buffer);
}

namespace {
void coverSet(SaveTransaction& t, ConditionSet set) {
  t.cover(ExpenseCondition::Channel, recordOfSlot(set, 1), ExpenseCondition::Slots);
}

bool copySet(store::DataFiles& files, store::MainRecord& main, ExpenseCondition& buffer, ConditionSet from,
             ConditionSet to) {
  // The whole set or none of it: a disk that fills up halfway, or a write that fails
  // or is cut off, would leave a mix of two sets.
  if (!files.reserve(ExpenseCondition::Channel, recordOfSlot(to, 1), ExpenseCondition::Slots)) return false;
  SaveTransaction save(files, main);
  coverSet(save, to);
  if (!save.begin()) return false;
  for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
    // A slot that cannot be read is not written: the buffer would hold another slot
    // (and the failed read fails the save).
    if (readSlot(files, from, i, buffer)) writeSlot(files, to, i, buffer);
  }
  return save.commit();
}
}  // namespace

bool Copy_ToWork(store::DataFiles& files, store::MainRecord& main, ExpenseCondition& buffer) {
  return copySet(files, main, buffer, ConditionSet::Live, ConditionSet::Work);
}

bool Copy_ToLive(store::DataFiles& files, store::MainRecord& main, ExpenseCondition& buffer) {
  // A working set that the file no longer holds whole was cut off (the file was
  // shortened while the window was open, or the copy at load found no room): it
  // would read as empty slots and wipe the live conditions.
  const auto length = files.fileLength(ExpenseCondition::Channel);
  const auto workEnd = static_cast<std::uint64_t>(recordOfSlot(ConditionSet::Work, ExpenseCondition::Slots)) *
                       files.recordLength(ExpenseCondition::Channel);
  if (!length || *length < workEnd) return false;
  return copySet(files, main, buffer, ConditionSet::Work, ConditionSet::Live);
}

bool commitConditions(store::DataFiles& files, store::MainRecord& main, ExpenseCondition& buffer, bool changed) {
  store::MainRecIO(files, main, false);
  SaveTransaction save(files, main);
  coverSet(save, ConditionSet::Live);
  if (changed) save.coverMainRecord();
  if (!save.begin()) return false;
  bool ok = Copy_ToLive(files, main, buffer);
  // Read again just before the write: the copy above gave the tracker time to write.
  if (ok && changed) ok = updateMainRecord(files, main, [](store::MainRecord& m) { m.ChangeCode = 3; });
  return save.commit() && ok;
}

bool replaceConditions(store::DataFiles& files, store::MainRecord& main, ExpenseCondition& buffer,
                       const std::array<ExpenseCondition, ExpenseCondition::Slots>& records) {
  const auto roomFor = [&files](ConditionSet set) {
    return files.reserve(ExpenseCondition::Channel, recordOfSlot(set, 1), ExpenseCondition::Slots);
  };
  if (!roomFor(ConditionSet::Work) || !roomFor(ConditionSet::Live)) return false;
  SaveTransaction save(files, main);
  coverSet(save, ConditionSet::Work);
  coverSet(save, ConditionSet::Live);
  save.coverMainRecord();
  if (!save.begin()) return false;
  for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
    buffer = records[static_cast<std::size_t>(i - 1)];
    writeSlot(files, ConditionSet::Work, i, buffer);
  }
  commitConditions(files, main, buffer, true);
  return save.commit();
}

bool deleteWorkSlot(store::DataFiles& files, store::MainRecord& main, ExpenseCondition& buffer, int slot) {
  if (slot < 1 || slot > ExpenseCondition::Slots) return false;
  SaveTransaction save(files, main);
  save.cover(ExpenseCondition::Channel, recordOfSlot(ConditionSet::Work, slot), ExpenseCondition::Slots - slot + 1);
  if (!save.begin()) return false;
  for (int k = slot; k <= ExpenseCondition::Slots; ++k) {
    if (store::readRecord(files, ExpenseCondition::Channel, ExpenseCondition::WorkBase + k + 1, buffer))
      writeSlot(files, ConditionSet::Work, k, buffer);
  }
  readSlot(files, ConditionSet::Work, ExpenseCondition::Slots, buffer);
  buffer.Clear_Profile();
  writeSlot(files, ConditionSet::Work, ExpenseCondition::Slots, buffer);
  return save.commit();
}

int countUsedWorkSlots(const store::DataFiles& files, ExpenseCondition& buffer) {
  for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
    if (!readSlot(files, ConditionSet::Work, i, buffer) || !buffer.InUse) return i - 1;
  }
  return ExpenseCondition::Slots;
}

}  // namespace prandel
