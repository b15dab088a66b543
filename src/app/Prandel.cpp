// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Prandel.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "app/Editors.h"
#include "app/Startup.h"
#include "app/frmzEnd.h"
#include "core/RecordFolder.h"
#include "ui/EditorState.h"
#include "ui/FormBase.h"
#include "ui/Prompter.h"
#include "ui/Style.h"
#include "ui/WindowContext.h"

namespace prandel {
namespace {

bool displayInEnvironment() {
  for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* v = std::getenv(var);
    if (v && *v) return true;
  }
  return false;
}

void report(const std::string& line) {
  std::fputs((line + "\n").c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace

int runPrandel(int argc, char** argv, platform::Platform& services, const RunOptions& options) {
  RecordFolder folder(services);
  ui::EditorState s(folder);
  s.ProgramDir = options.programDir;
  const TakenRequest taken = takeRequest(s);
  // Saves fail quietly in the windows; the one line here names what stands in their way.
  for (const auto& j : s.files.journals())
    report("prandel: " + store::describeJournal(j) + "; nothing can be saved to " + j.file + " until it is dealt with");
  Dispatch d = dispatchRequest(s, taken, options.haveDisplay ? options.haveDisplay() : displayInEnvironment());
  if (!d.editor) {
    report(d.why);
    return d.exitCode;
  }

  std::optional<QApplication> ownApp;
  if (!QCoreApplication::instance()) ownApp.emplace(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  // The class of every window (X11's WM_CLASS "prandel", "Prandel", which the menu
  // entry names as its StartupWMClass) and the menu entry itself (Wayland's app id):
  // a desktop shows the windows under the entry's name and icon.
  QApplication::setApplicationName(QStringLiteral("Prandel"));
  QGuiApplication::setDesktopFileName(QStringLiteral(PRANDEL_APP_ID));
  ui::applyAppStyle();

  ui::QtPrompter prompter;
  frmzEnd end(s, [] { QCoreApplication::exit(0); });
  // The title is given up as soon as the editor hands over to the closing window: the
  // editor is done then and hidden (or hidden straight after), and a copy started for
  // the same editor from now on opens its window instead of being turned away while
  // this one only shuts down.
  ui::WindowContext ctx{s, prompter, [&end, &d] {
                          d.claim.reset();
                          d.recordsClaim.reset();
                          end.show();
                        }};

  std::unique_ptr<ui::FormBase> editor(createEditor(d.editor->code, ctx));
  if (editor && !editor->openingFault().isEmpty()) {
    // The user asked for the window: say why it does not come, then end as a closed
    // editor does, with nothing saved.
    report(windowNotUsable(*d.editor, editor->openingFault()));
    prompter.message(nullptr, editor->openingFault(), editor->windowTitle());
    editor.reset();
    d.claim.reset();
    d.recordsClaim.reset();
    signalTrackerAndClose(s);
    return 0;
  }
  if (editor) editor->show();
  if (!editor || !editor->isVisible()) {
    report(windowNotOpened(*d.editor));
    editor.reset();
    d.claim.reset();
    d.recordsClaim.reset();
    signalTrackerAndClose(s);
    return 1;
  }
  if (options.onEditorShown) options.onEditorShown(editor.get());
  const int rc = QApplication::exec();
  editor.reset();
  return rc;
}

}  // namespace prandel
