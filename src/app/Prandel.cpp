// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Prandel.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/Editors.h"
#include "app/Startup.h"
#include "app/frmzEnd.h"
#include "common/Session.h"
#include "ui/FormBase.h"
#include "ui/Prompter.h"
#include "ui/Style.h"
#include "ui/WindowContext.h"

namespace prandel {
namespace {

bool haveDisplay() {
  for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* v = std::getenv(var);
    if (v && *v) return true;
  }
  return false;
}

}  // namespace

int runPrandel(int argc, char** argv, platform::Platform& services, const RunOptions& options) {
  Session s(services);
  s.ProgramDir = options.programDir;
  const std::int16_t code = takeRequest(s);

  const auto request = editorForCode(code);
  if (!request) {
    if (!dataFolderExists(s))
      std::fprintf(stderr, "prandel: no data folder %s yet; nothing to do\n",
                   s.DataPath.empty() ? "(no home folder)" : s.DataPath.c_str());
    s.CloseAllFiles();
    return 0;
  }

  // Single instance: the editor's title is held while its window is open.
  std::unique_ptr<platform::TitleClaim> claim;
  if (services.windows) claim = services.windows->claim(request->title.toStdString());
  if (services.windows && !claim) {
    s.hWndFound = 1;
    signalTrackerAndClose(s);
    return 0;
  }

  if (!haveDisplay()) {
    std::fputs("prandel: no display to open the editor on; start it in a desktop session or under xvfb-run\n",
               stderr);
    signalTrackerAndClose(s);
    return 1;
  }

  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setApplicationName(QStringLiteral("Prandel"));
  ui::applyAppStyle();

  ui::QtPrompter prompter;
  frmzEnd end(s, [] { QCoreApplication::exit(0); });
  ui::WindowContext ctx{s, prompter, [&end] { end.show(); }};

  std::unique_ptr<ui::FormBase> editor(createEditor(code, ctx));
  if (!editor) {
    signalTrackerAndClose(s);
    return 0;
  }
  editor->show();
  if (options.onEditorShown) options.onEditorShown(editor.get());
  const int rc = QApplication::exec();
  editor.reset();
  return rc;
}

}  // namespace prandel
