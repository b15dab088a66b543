// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RecordClaims.h"

#include "store/FolderKey.h"

namespace prandel {

std::string heldRecordsName(HeldRecords what, const std::string& dataFolder) {
  return std::string(what == HeldRecords::Conditions ? "Zelkora conditions " : "Zelkora holidays ") +
         store::folderKey(dataFolder);
}

platform::ClaimResult claimRecords(platform::WindowRegistry& registry, HeldRecords what, const std::string& dataFolder) {
  return registry.claim(heldRecordsName(what, dataFolder));
}

}  // namespace prandel
