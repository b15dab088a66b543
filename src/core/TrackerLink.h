// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The link record between the tracker and the editors. The tracker writes a request
// code and starts prandel; prandel takes the request, serves it and, when an editor
// saved something, asks the tracker to reload (ReloadFlag -1, with MainRecord's
// ChangeCode naming the editor); the tracker reloads and sets both back to 0. Each
// step reads, changes and writes its record under the folder's lock.
#include <cstdint>
#include <optional>

#include "store/DataFiles.h"
#include "store/LinkRecord.h"

namespace prandel {

// --- The tracker's side --------------------------------------------------------------

// Writes the request for an editor into the link record. False when the record could
// not be read and written (nothing is written then).
bool writeRequest(store::DataFiles& files, std::int16_t requestCode);

// What the tracker does once it has reloaded the settings: the request code and the
// reload flag of link (as the caller read it) and MainRecord's ChangeCode back to 0,
// each record written only when it holds something else. The caller holds the
// folder's lock, so that no editor's save falls between its reads and these writes.
struct Acknowledgement {
  bool linkCleared = true;    // false: the link record could not be written
  bool changeCleared = true;  // false: MainRecord could not be written
};
Acknowledgement acknowledgeReload(store::DataFiles& files, store::LinkRecord& link);

// --- The editors' side ---------------------------------------------------------------

// The request waiting in the link record, taken and cleared in one go, so that it is
// served once only; link holds the record as read. Nothing when the record could not
// be read (then nothing was written).
std::optional<std::int16_t> takeRequest(store::DataFiles& files, store::LinkRecord& link);

// Tells the tracker to read the settings again (ReloadFlag -1), as a closing editor
// does; link is the caller's copy of the record.
bool requestReload(store::DataFiles& files, store::LinkRecord& link);

}  // namespace prandel
