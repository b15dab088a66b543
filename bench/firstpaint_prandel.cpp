// SPDX-License-Identifier: GPL-3.0-or-later
// prandel as it runs for a user, ending as soon as its editor window is first
// painted: the time to a usable window, measured from outside as whole-process time.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "app/Prandel.h"
#include "app/Startup.h"
#include "core/AppPath.h"
#include "core/Regional.h"
#include "platform/linux/LinuxPlatform.h"
#include "ui/FormBase.h"

namespace {
class EndAtFirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Paint)
      QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    return QObject::eventFilter(watched, e);
  }
};
}  // namespace

int main(int argc, char** argv) {
  prandel::platform::LinuxPlatform linuxPlatform(prandel::intlValuesOf(prandel::Regional(QLocale::system())));
  EndAtFirstPaint filter;
  prandel::RunOptions options;
  options.programDir = prandel::executableDir();
  options.onEditorShown = [&filter](prandel::ui::FormBase* w) { w->installEventFilter(&filter); };
  return prandel::runPrandel(argc, argv, linuxPlatform.services(), options);
}
