// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editors prandel opens, one row each: the request code the tracker writes into
// the link record, zktrack open's word for it, the title of its window (which the
// single-instance check looks for) and the records its window holds until its OK.
// Start-up, the window dispatch and zktrack all read this one table.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/RecordClaims.h"

namespace prandel {

enum class Editor { Expense, Countdown, CallSettings, Holidays, Bookmarks, ImportBookmarks };

struct EditorInfo {
  Editor editor;
  std::int16_t code;
  const char* name;   // zktrack open NAME
  const char* title;  // the window's caption
  std::optional<HeldRecords> holds;
};

// In the order zktrack lists them.
inline constexpr std::array<EditorInfo, 6> kEditors = {{
    {Editor::Expense, 502, "expense", "Zelkora Expense", HeldRecords::Conditions},
    {Editor::Countdown, 501, "countdown", "Countdown", std::nullopt},
    {Editor::CallSettings, 503, "call", "Call Settings", std::nullopt},
    {Editor::Holidays, 504, "holidays", "Holidays", HeldRecords::Holidays},
    {Editor::Bookmarks, 505, "bookmarks", "Zelkora Bookmarks", std::nullopt},
    {Editor::ImportBookmarks, 506, "import", "Import Bookmarks", std::nullopt},
}};

// Requests an editor leaves in the link record for the suite's other programs; the
// tracker acknowledges them.
inline constexpr std::int16_t kOnlineBookmarksRequest = 39;
inline constexpr std::int16_t kOnlineExamplesRequest = 56;  // of the expense window
constexpr bool isSiblingRequest(int code) { return code == kOnlineBookmarksRequest || code == kOnlineExamplesRequest; }

// The row of a request code, or nullptr when no editor serves it.
constexpr const EditorInfo* editorOfCode(std::int16_t code) {
  for (const EditorInfo& e : kEditors)
    if (e.code == code) return &e;
  return nullptr;
}

// The row of zktrack's word, or nullptr.
constexpr const EditorInfo* editorNamed(std::string_view name) {
  for (const EditorInfo& e : kEditors)
    if (name == e.name) return &e;
  return nullptr;
}

}  // namespace prandel
