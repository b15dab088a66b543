// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Read, change, write at once. The tracker writes its own fields of the shared
// records at any time; an editor that wrote a copy read earlier would put old
// values back. These read the record afresh into its buffer, let the caller set
// its own fields, and write the record straight away.
#include <functional>

#include "store/DataFiles.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"
#include "store/Transaction.h"

namespace prandel {

class Session;

// change should only assign fields worked out beforehand. When the fresh read fails
// nothing is written (the buffer would carry stale values of fields the caller does
// not own), but the change still goes into the buffer, so that the closing window
// sees the ChangeCode. Returns whether the record was written.
bool updateMainRecord(Session& s, const std::function<void(store::MainRecord&)>& change);
bool updateLinkRecord(Session& s, const std::function<void(store::LinkRecord&)>& change);
// Tells the tracker to read the settings again (ReloadFlag -1), as a closing editor does.
bool requestReload(Session& s);

// A save of several records as one (store/Transaction.h) on the session's files.
// When it does not take effect MainRec is read again, so that the closing window
// sees the ChangeCode the file holds rather than one that was never saved.
class SaveTransaction : public store::Transaction {
 public:
  explicit SaveTransaction(Session& s);
  // The bytes of MainRecord that updateMainRecord writes.
  void coverMainRecord();
  bool commit();

 private:
  Session& s_;
};

}  // namespace prandel
