// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The expense conditions in the record file: 20 live slots (records 81..100), which
// the tracker uses, and 20 working slots (records 121..140), on which the editor
// works. Every operation goes through one record buffer, the caller's (the expense
// window's CondRec), as the editor's procedures did; the saves refresh the caller's
// copy of MainRecord when they do not take effect (core/RecordUpdate.h).
#include <array>

#include "store/DataFiles.h"
#include "store/ExpenseCondition.h"
#include "store/MainRecord.h"

namespace prandel {

enum class ConditionSet { Live, Work };

int recordOfSlot(ConditionSet set, int slot);

// Reads slot 1..20 of a set into buffer; false (and buffer unchanged) on failure.
bool readSlot(const store::DataFiles& files, ConditionSet set, int slot, store::ExpenseCondition& buffer);
// Writes buffer to slot 1..20 of a set.
bool writeSlot(store::DataFiles& files, ConditionSet set, int slot, const store::ExpenseCondition& buffer);

// Copies every live slot over the working slot of the same number, whole records, as
// one save. False when it did not take effect (no room for the whole set, a read or
// write that failed): then the working set is not the live one and must not be
// committed.
bool Copy_ToWork(store::DataFiles& files, store::MainRecord& main, store::ExpenseCondition& buffer);
// The commit: every working slot over the live slot of the same number, in slot order.
// Nothing is copied when the file does not hold the whole working set, or has no room
// for the whole live set. Returns whether the copy took effect.
bool Copy_ToLive(store::DataFiles& files, store::MainRecord& main, store::ExpenseCondition& buffer);
// The window's OK as one save: MainRecord read into main, Copy_ToLive, and when
// anything was saved or deleted since the window opened, ChangeCode 3 in MainRecord;
// all of it reaches the file or none of it. Returns whether it did.
bool commitConditions(store::DataFiles& files, store::MainRecord& main, store::ExpenseCondition& buffer,
                      bool changed);

// A whole new condition set, as the window would leave it had the user entered it:
// each record into its working slot, then the window's commit (the live set and
// ChangeCode 3). The working slots, the live slots and MainRecord change as one save.
// Returns whether it took effect.
bool replaceConditions(store::DataFiles& files, store::MainRecord& main, store::ExpenseCondition& buffer,
                       const std::array<store::ExpenseCondition, store::ExpenseCondition::Slots>& records);

// Writes buffer, filled by the caller through fill(), into working slot: the slot is
// read first so that the fields the panel does not set keep their stored values.
template <class Fill>
bool saveWorkSlot(store::DataFiles& files, store::ExpenseCondition& buffer, int slot, Fill fill);

// Deletes working slot 1..20: the later slots move down one place (the slot after the
// last is read from record 141) and slot 20 is emptied; all of it or none. Returns
// whether it took effect.
bool deleteWorkSlot(store::DataFiles& files, store::MainRecord& main, store::ExpenseCondition& buffer, int slot);

// Number of used working slots before the first empty one.
int countUsedWorkSlots(const store::DataFiles& files, store::ExpenseCondition& buffer);

template <class Fill>
bool saveWorkSlot(store::DataFiles& files, store::ExpenseCondition& buffer, int slot, Fill fill) {
  readSlot(files, ConditionSet::Work, slot, buffer);
  buffer.Clear_Profile();
  buffer.InUse = true;
  fill(buffer);
  return writeSlot(files, ConditionSet::Work, slot, buffer);
}

}  // namespace prandel
