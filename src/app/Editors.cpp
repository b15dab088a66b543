// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Editors.h"

#include "core/EditorRequests.h"

#include "editors/bookmarks/frmmBookmark.h"
#include "editors/bookmarks/frmmIEBook.h"
#include "editors/callsettings/frmSetCall.h"
#include "editors/countdown/frmmCountdown.h"
#include "editors/holidays/frmmHolidays.h"
#include "expense/frmmExpense.h"

namespace prandel {

ui::FormBase* createEditor(std::int16_t code, ui::WindowContext& ctx) {
  const EditorInfo* e = editorOfCode(code);
  if (!e) return nullptr;
  switch (e->editor) {
    case Editor::Countdown: return new frmmCountdown(ctx);
    case Editor::Expense: return new frmmExpense(ctx);
    case Editor::CallSettings: return new frmSetCall(ctx);
    case Editor::Holidays: return new frmmHolidays(ctx);
    case Editor::Bookmarks: return new frmmBookmark(ctx);
    case Editor::ImportBookmarks: return new frmmIEBook(ctx);
  }
  return nullptr;
}

}  // namespace prandel
