// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Read, change, write at once. The tracker writes its own fields of the shared
// records at any time; an editor that wrote a copy read earlier would put old
// values back. These read the record afresh into its buffer, let the caller set
// its own fields, and write the record straight away.
#include <functional>

#include "store/LinkRecord.h"
#include "store/MainRecord.h"

namespace prandel {

class Session;

// change should only assign fields worked out beforehand. When the fresh read fails
// nothing is written (the buffer would carry stale values of fields the caller does
// not own), but the change still goes into the buffer, so that the closing window
// sees the ChangeCode. Returns whether the record was written.
bool updateMainRecord(Session& s, const std::function<void(store::MainRecord&)>& change);
bool updateLinkRecord(Session& s, const std::function<void(store::LinkRecord&)>& change);

}  // namespace prandel
