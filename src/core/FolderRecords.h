// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the tracker reloads after an editor saved: the main and link records,
// the live conditions, the holidays and the bookmarks, read afresh in one go, for
// front ends that show, compare or export them.
#include <cstdint>
#include <vector>

#include "store/BookmarkRecord.h"
#include "store/DataFiles.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"

namespace prandel {

struct Bookmark {
  std::int64_t recNo = 0;
  store::BookmarkRecord rec;
};

struct FolderRecords {
  store::MainRecord main;
  store::LinkRecord link;
  std::vector<store::ExpenseCondition> live;  // slot i is live[i - 1]
  std::vector<store::HolidayRecord> holidays;  // HolidayCount of them, clamped to 0..190
  // Every whole record of bit.zkt, deleted ones too (a tail shorter than a record is
  // no record), at most kMaxBookmarks of them.
  std::vector<Bookmark> bookmarks;
};

// A bit.zkt of garbage could be huge; nobody keeps this many bookmarks.
inline constexpr std::int64_t kMaxBookmarks = 100000;

// Records that cannot be read are as a fresh record (zeros, or the record's defaults).
FolderRecords readFolderRecords(const store::DataFiles& files);

}  // namespace prandel
