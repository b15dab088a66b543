// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bookmark windows' count of bit.zkt's records, BookCount.
#include <cstdint>

namespace prandel {
namespace ui {
class EditorState;
}

namespace bookmarks {

// Closes and opens the bookmark channel again and recounts (core/BookmarkFile.h), so
// that records the tracker appended meanwhile are counted; sets and returns
// s.BookCount.
std::int64_t reopenAndCount(ui::EditorState& s);

}  // namespace bookmarks
}  // namespace prandel
