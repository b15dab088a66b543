// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/bookmarks/BookCount.h"

#include "core/BookmarkFile.h"
#include "ui/EditorState.h"

namespace prandel::bookmarks {

std::int64_t reopenAndCount(ui::EditorState& s) {
  s.BookCount = reopenAndCount(s.files);
  return s.BookCount;
}

}  // namespace prandel::bookmarks
