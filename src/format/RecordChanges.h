// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What changed between two readings of a data folder's records, in words: the fields
// of the main record, the conditions added, removed and changed, the holidays and the
// bookmarks, as zktrack open reports what an editor saved.
#include <string>
#include <vector>

#include "core/FolderRecords.h"

namespace prandel::format {

struct ChangeGroup {
  std::string title;               // "Main settings", "Conditions", "Holidays", "Bookmarks"
  std::vector<std::string> lines;  // "added 2: ...", "CurSymbol: $ -> EUR"
};

// The groups with changes, in that order; none when nothing changed.
std::vector<ChangeGroup> recordChanges(const FolderRecords& before, const FolderRecords& after);

}  // namespace prandel::format
