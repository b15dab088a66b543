#include "app/Startup.h"

#include <array>

#include "common/AppPath.h"
#include "common/Session.h"

namespace prandel {

std::optional<EditorRequest> editorForCode(std::int16_t code) {
  static const std::array<EditorRequest, 6> kEditors = {{
      {501, QStringLiteral("Countdown")},
      {502, QStringLiteral("Zelkora Expense")},
      {503, QStringLiteral("Call Settings")},
      {504, QStringLiteral("Holidays")},
      {505, QStringLiteral("Zelkora Bookmarks")},
      {506, QStringLiteral("Import Bookmarks")},
  }};
  for (const auto& e : kEditors)
    if (e.code == code) return e;
  return std::nullopt;
}

std::int16_t takeRequest(Session& s) {
  s.DataPath = SetAppPath(s.ProgramDir);
  s.OpenDataFiles();
  s.LinkRecIO(false);
  s.MainRecIO(false);
  s.ShortDateFmt = s.GetIntl(QStringLiteral("sShortDate"));
  const std::int16_t code = s.LinkRec.RequestCode;
  s.LinkRec.RequestCode = 0;
  s.LinkRecIO(true);
  return code;
}

void signalTrackerAndClose(Session& s) {
  if (s.MainRec.ChangeCode != 0) {
    s.LinkRecIO(false);
    s.LinkRec.ReloadFlag = -1;
    s.LinkRecIO(true);
    // The whole date and time move on, so that near midnight the date changes too
    // instead of the clock jumping back almost a day.
    if (s.platform.clock) s.platform.clock->advance(std::chrono::seconds(60));
  }
  s.CloseAllFiles();
}

}  // namespace prandel
