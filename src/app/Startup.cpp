// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"

#include <sys/stat.h>

#include <array>

#include "common/AppPath.h"
#include "common/RecordUpdate.h"
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

bool dataFolderExists(const Session& s) {
  struct stat st {};
  return !s.DataPath.empty() && ::stat(s.DataPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int16_t takeRequest(Session& s) {
  s.DataPath = SetAppPath(s.ProgramDir);
  // No folder, no request: opening the files would create it and an empty record
  // file that looks like data to everyone after.
  if (!dataFolderExists(s)) return 0;
  s.OpenDataFiles();
  std::int16_t code = 0;
  // Taken and cleared in one go, before anything else is read.
  updateLinkRecord(s, [&code](store::LinkRecord& l) {
    code = l.RequestCode;
    l.RequestCode = 0;
  });
  s.MainRecIO(false);
  s.ShortDateFmt = s.GetIntl(QStringLiteral("sShortDate"));
  return code;
}

void signalTrackerAndClose(Session& s) {
  if (s.MainRec.ChangeCode != 0) {
    updateLinkRecord(s, [](store::LinkRecord& l) { l.ReloadFlag = -1; });
    // The whole date and time move on, so that near midnight the date changes too
    // instead of the clock jumping back almost a day.
    if (s.platform.clock) s.platform.clock->advance(std::chrono::seconds(60));
  }
  s.CloseAllFiles();
}

}  // namespace prandel
