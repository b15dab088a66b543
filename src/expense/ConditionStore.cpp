#include "expense/ConditionStore.h"

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
void copySet(Session& s, ConditionSet from, ConditionSet to) {
  for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
    // A slot that cannot be read is not written: the buffer would hold another slot.
    if (readSlot(s, from, i)) writeSlot(s, to, i);
  }
}
}  // namespace

void Copy_ToWork(Session& s) { copySet(s, ConditionSet::Live, ConditionSet::Work); }

void Copy_ToLive(Session& s) { copySet(s, ConditionSet::Work, ConditionSet::Live); }

void deleteWorkSlot(Session& s, int slot) {
  if (slot < 1 || slot > ExpenseCondition::Slots) return;
  for (int k = slot; k <= ExpenseCondition::Slots; ++k) {
    if (store::readRecord(s.files, ExpenseCondition::Channel, ExpenseCondition::WorkBase + k + 1, s.CondRec))
      writeSlot(s, ConditionSet::Work, k);
  }
  readSlot(s, ConditionSet::Work, ExpenseCondition::Slots);
  s.CondRec.Clear_Profile();
  writeSlot(s, ConditionSet::Work, ExpenseCondition::Slots);
}

int countUsedWorkSlots(Session& s) {
  for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
    if (!readSlot(s, ConditionSet::Work, i) || !s.CondRec.InUse) return i - 1;
  }
  return ExpenseCondition::Slots;
}

}  // namespace prandel
