// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>

namespace prandel {
class Session;
}

namespace prandel::ui {

class Prompter;

// What every window is handed: the session, the message boxes, and the way out
// (showing the closing window, which ends the program).
struct WindowContext {
  Session& session;
  Prompter& prompter;
  std::function<void()> showEnd;
};

}  // namespace prandel::ui
