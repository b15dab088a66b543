// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <string>

namespace prandel {

namespace platform {
struct Platform;
}
namespace ui {
class FormBase;
}

struct RunOptions {
  std::string programDir;  // where Zelkora.ini and the sibling programs are
  // Called once the editor window is shown (benchmarks watch its first paint).
  std::function<void(ui::FormBase*)> onEditorShown;
  // Whether there is a display to open the editor on; by default the environment
  // names one.
  std::function<bool()> haveDisplay;
};

// The whole program: start-up, dispatch, the editor's life and the shutdown. Every
// way out that shows no editor writes one line to standard error saying why.
// Returns the process exit code. Uses the running QApplication when there is one.
int runPrandel(int argc, char** argv, platform::Platform& services, const RunOptions& options);

}  // namespace prandel
