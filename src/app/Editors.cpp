// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Editors.h"

#include "editors/bookmarks/frmmBookmark.h"
#include "editors/bookmarks/frmmIEBook.h"
#include "editors/callsettings/frmSetCall.h"
#include "editors/countdown/frmmCountdown.h"
#include "editors/holidays/frmmHolidays.h"
#include "expense/frmmExpense.h"

namespace prandel {

ui::FormBase* createEditor(std::int16_t code, ui::WindowContext& ctx) {
  switch (code) {
    case 501: return new frmmCountdown(ctx);
    case 502: return new frmmExpense(ctx);
    case 503: return new frmSetCall(ctx);
    case 504: return new frmmHolidays(ctx);
    case 505: return new frmmBookmark(ctx);
    case 506: return new frmmIEBook(ctx);
    default: return nullptr;
  }
}

}  // namespace prandel
