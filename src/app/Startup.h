// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <cstdint>
#include <optional>

namespace prandel {

class Session;

// The editors that a request code opens, with the window title that the
// single-instance check looks for.
struct EditorRequest {
  std::int16_t code;
  QString title;
};
std::optional<EditorRequest> editorForCode(std::int16_t code);

// Whether the data folder exists; without it there can be no request and start-up
// creates nothing.
bool dataFolderExists(const Session& s);

// The start-up sequence up to the dispatch: the data folder from Zelkora.ini, the
// record files opened, the link and main records read, the short date pattern, and
// the request code taken and written back as 0 at once, so that a request is served
// once only. Returns the request code. Every step that fails is skipped.
std::int16_t takeRequest(Session& s);

// The closing steps after every window is gone: when an editor saved something, the
// tracker's reload flag and the clock's one-minute step; then the files are closed.
void signalTrackerAndClose(Session& s);

}  // namespace prandel
