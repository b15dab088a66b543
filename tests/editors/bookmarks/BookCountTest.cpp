// SPDX-License-Identifier: GPL-3.0-or-later
// The bookmark windows' BookCount: the whole records of bit.zkt, counted afresh.
#include <gtest/gtest.h>

#include "BookmarkKit.h"
#include "editors/bookmarks/BookCount.h"

namespace prandel {
namespace {

using namespace test;

TEST(BookCount, IsTheLengthInWholeRecordsCountedAfresh) {
  struct Case {
    std::size_t length;
    std::int64_t count;
  };
  for (const Case c : {Case{0, 0}, Case{511, 0}, Case{512, 1}, Case{1536, 3}, Case{1537, 3}, Case{2047, 3}}) {
    BookmarkKit kit(std::vector<std::uint8_t>(c.length, 0x5A));
    kit.s.BookCount = -1;
    EXPECT_EQ(bookmarks::reopenAndCount(kit.s), c.count) << c.length;
    EXPECT_EQ(kit.s.BookCount, c.count) << c.length;
  }
}

}  // namespace
}  // namespace prandel
