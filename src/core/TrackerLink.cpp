// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TrackerLink.h"

#include "core/RecordUpdate.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"

namespace prandel {

bool writeRequest(store::DataFiles& files, std::int16_t requestCode) {
  store::LinkRecord link;
  const store::DataFiles::FolderLock lock(files);
  bool ok = lock.held() && files.isOpen(store::LinkRecord::Channel) && store::LinkRecIO(files, link, false);
  if (ok) {
    link.RequestCode = requestCode;
    ok = store::LinkRecIO(files, link, true);
  }
  return ok;
}

Acknowledgement acknowledgeReload(store::DataFiles& files, store::LinkRecord& link) {
  Acknowledgement done;
  if (link.RequestCode != 0 || link.ReloadFlag != 0) {
    link.RequestCode = 0;
    link.ReloadFlag = 0;
    done.linkCleared = store::LinkRecIO(files, link, true);
  }
  store::MainRecord main;
  if (store::MainRecIO(files, main, false) && main.ChangeCode != 0) {
    main.ChangeCode = 0;
    done.changeCleared = store::MainRecIO(files, main, true);
  }
  return done;
}

std::optional<std::int16_t> takeRequest(store::DataFiles& files, store::LinkRecord& link) {
  const store::DataFiles::FolderLock lock(files);
  if (!lock.held() || !store::LinkRecIO(files, link, false)) return std::nullopt;
  const std::int16_t code = link.RequestCode;
  link.RequestCode = 0;
  store::LinkRecIO(files, link, true);
  return code;
}

bool requestReload(store::DataFiles& files, store::LinkRecord& link) {
  return updateLinkRecord(files, link, [](store::LinkRecord& l) { l.ReloadFlag = -1; });
}

}  // namespace prandel
