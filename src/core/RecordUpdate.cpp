// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RecordUpdate.h"

#include "store/RecordIO.h"

namespace prandel {

// The read and the write under the folder's lock: no other program's save of the
// record can fall between them.
bool updateMainRecord(store::DataFiles& files, store::MainRecord& main,
                      const std::function<void(store::MainRecord&)>& change) {
  const store::DataFiles::FolderLock lock(files);
  const bool fresh = lock.held() && store::MainRecIO(files, main, false);
  change(main);
  return fresh && store::MainRecIO(files, main, true);
}

bool updateLinkRecord(store::DataFiles& files, store::LinkRecord& link,
                      const std::function<void(store::LinkRecord&)>& change) {
  const store::DataFiles::FolderLock lock(files);
  const bool fresh = lock.held() && store::LinkRecIO(files, link, false);
  change(link);
  return fresh && store::LinkRecIO(files, link, true);
}

SaveTransaction::SaveTransaction(store::DataFiles& files, store::MainRecord& main)
    : store::Transaction(files), files_(files), main_(main) {}

void SaveTransaction::coverMainRecord() {
  cover(store::MainRecord::Channel, store::MainRecord::RecordNo, 1, store::MainRecord::Size);
}

bool SaveTransaction::commit() {
  if (store::Transaction::commit()) return true;
  store::MainRecIO(files_, main_, false);
  return false;
}

}  // namespace prandel
