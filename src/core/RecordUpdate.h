// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Read, change, write at once. The tracker writes its own fields of the shared
// records at any time; an editor that wrote a copy read earlier would put old
// values back. These read the record afresh into the caller's copy, let the caller
// set its own fields, and write the record straight away.
#include <functional>

#include "store/DataFiles.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"
#include "store/Transaction.h"

namespace prandel {

// change should only assign fields worked out beforehand. When the fresh read fails
// nothing is written (the copy would carry stale values of fields the caller does
// not own), but the change still goes into the copy, so that a closing editor sees
// the ChangeCode. Returns whether the record was written.
bool updateMainRecord(store::DataFiles& files, store::MainRecord& main,
                      const std::function<void(store::MainRecord&)>& change);
bool updateLinkRecord(store::DataFiles& files, store::LinkRecord& link,
                      const std::function<void(store::LinkRecord&)>& change);

// A save of several records as one (store/Transaction.h). When it does not take
// effect the caller's copy of MainRecord is read again, so that a closing editor sees
// the ChangeCode the file holds rather than one that was never saved.
class SaveTransaction : public store::Transaction {
 public:
  SaveTransaction(store::DataFiles& files, store::MainRecord& main);
  // The bytes of MainRecord that updateMainRecord writes.
  void coverMainRecord();
  bool commit();

 private:
  store::DataFiles& files_;
  store::MainRecord& main_;
};

}  // namespace prandel
