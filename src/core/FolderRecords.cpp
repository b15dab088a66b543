// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/FolderRecords.h"

#include <algorithm>

#include "core/BookmarkFile.h"
#include "store/RecordIO.h"

namespace prandel {

FolderRecords readFolderRecords(const store::DataFiles& files) {
  FolderRecords r;
  store::readRecord(files, store::MainRecord::Channel, store::MainRecord::RecordNo, r.main);
  store::readRecord(files, store::LinkRecord::Channel, store::LinkRecord::RecordNo, r.link);
  using store::ExpenseCondition;
  r.live.resize(ExpenseCondition::Slots);
  for (int i = 1; i <= ExpenseCondition::Slots; ++i)
    store::readRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + i,
                      r.live[static_cast<std::size_t>(i - 1)]);
  using store::HolidayRecord;
  const int count = std::clamp<int>(r.main.HolidayCount, 0, HolidayRecord::Capacity);
  r.holidays.resize(static_cast<std::size_t>(count));
  for (int k = 1; k <= count; ++k)
    store::readRecord(files, HolidayRecord::Channel, HolidayRecord::Base + k, r.holidays[static_cast<std::size_t>(k - 1)]);
  using store::BookmarkRecord;
  const auto records = std::min<std::int64_t>(bookmarks::countRecords(files), kMaxBookmarks);
  for (std::int64_t n = 1; n <= records; ++n) {
    Bookmark b;
    b.recNo = n;
    store::readRecord(files, BookmarkRecord::Channel, n, b.rec);
    r.bookmarks.push_back(std::move(b));
  }
  return r;
}

}  // namespace prandel
