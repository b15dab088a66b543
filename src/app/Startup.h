// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/EditorRequests.h"
#include "core/RecordClaims.h"
#include "core/Regional.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"

namespace prandel {

namespace ui {
class EditorState;
}

// The editor that a request code opens (core/EditorRequests.h), with the window title
// that the single-instance check looks for.
struct EditorRequest {
  Editor editor;
  std::int16_t code;
  QString title;
  std::optional<HeldRecords> holds = std::nullopt;  // records its window holds until its OK
};
std::optional<EditorRequest> editorForCode(std::int16_t code);

// The user's regional settings under the old profile's names, for the platform's
// profile (platform/linux/LinuxPlatform.h).
platform::IntlValues intlValuesOf(const Regional& r);

// Whether the data folder exists; without it there can be no request and start-up
// creates nothing.
bool dataFolderExists(const ui::EditorState& s);

struct TakenRequest {
  std::int16_t code = 0;
  // Whether the data folder exists; without it nothing was opened or read.
  bool folder = false;
  // Whether the link record could be read; when it could not, the code is 0 and
  // nothing was written.
  bool readable = false;
};

// The start-up sequence up to the dispatch: the data folder from Zelkora.ini, the
// record files opened, the link and main records read, the short date pattern, and
// the request code taken and written back as 0 at once, so that a request is served
// once only. Every step that fails is skipped.
TakenRequest takeRequest(ui::EditorState& s);

// What start-up does with the request it took: the editor to open, with its title
// claimed for as long as the editor is open, or, when none is to be opened, the files
// closed (through the closing steps when the request named an editor) and the one
// line for standard error that says why.
struct Dispatch {
  std::optional<EditorRequest> editor;
  // The title, and the records the window holds, claimed while it is open.
  std::unique_ptr<platform::TitleClaim> claim;
  std::unique_ptr<platform::TitleClaim> recordsClaim;
  std::string why;  // "prandel: ..." when no editor is opened
  int exitCode = 0;
};
Dispatch dispatchRequest(ui::EditorState& s, const TakenRequest& taken, bool haveDisplay);

// The line for an editor whose window could not be opened.
std::string windowNotOpened(const EditorRequest& e);
// The line for an editor whose window would not be usable, and why.
std::string windowNotUsable(const EditorRequest& e, const QString& why);

// The closing steps after every window is gone: when an editor saved something, the
// tracker's reload flag and the clock's one-minute step; then the files are closed.
void signalTrackerAndClose(ui::EditorState& s);

}  // namespace prandel
