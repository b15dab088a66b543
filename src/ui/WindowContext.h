// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>

namespace prandel::ui {

class EditorState;
class Prompter;

// What every window is handed: the editor state (with the data folder under it), the
// message boxes, and the way out (showing the closing window, which ends the program).
struct WindowContext {
  EditorState& state;
  Prompter& prompter;
  std::function<void()> showEnd;
};

}  // namespace prandel::ui
