// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/RecordUpdate.h"

#include "common/Session.h"

namespace prandel {

// The read and the write under the folder's lock: no other program's save of the
// record can fall between them.
bool updateMainRecord(Session& s, const std::function<void(store::MainRecord&)>& change) {
  const store::DataFiles::FolderLock lock(s.files);
  const bool fresh = lock.held() && s.MainRecIO(false);
  change(s.MainRec);
  return fresh && s.MainRecIO(true);
}

bool updateLinkRecord(Session& s, const std::function<void(store::LinkRecord&)>& change) {
  const store::DataFiles::FolderLock lock(s.files);
  const bool fresh = lock.held() && s.LinkRecIO(false);
  change(s.LinkRec);
  return fresh && s.LinkRecIO(true);
}

bool requestReload(Session& s) {
  return updateLinkRecord(s, [](store::LinkRecord& l) { l.ReloadFlag = -1; });
}

SaveTransaction::SaveTransaction(Session& s) : store::Transaction(s.files), s_(s) {}

void SaveTransaction::coverMainRecord() {
  cover(store::MainRecord::Channel, store::MainRecord::RecordNo, 1, store::MainRecord::Size);
}

bool SaveTransaction::commit() {
  if (store::Transaction::commit()) return true;
  s_.MainRecIO(false);
  return false;
}

}  // namespace prandel
