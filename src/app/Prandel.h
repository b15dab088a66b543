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
};

// The whole program: start-up, dispatch, the editor's life and the shutdown.
// Returns the process exit code.
int runPrandel(int argc, char** argv, platform::Platform& services, const RunOptions& options);

}  // namespace prandel
