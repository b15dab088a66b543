// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmzEnd.h"

#include <QApplication>
#include <QWidget>

#include "app/Startup.h"
#include "ui/EditorState.h"
#include "ui/FormBase.h"

namespace prandel {

frmzEnd::frmzEnd(ui::EditorState& s, std::function<void()> quit, QObject* parent)
    : QObject(parent), s_(s), quit_(std::move(quit)) {
  Timer1.setInterval(100);
  Timer1.setSingleShot(true);
  Timer2.setInterval(200);
  Timer2.setSingleShot(true);
  connect(&Timer1, &QTimer::timeout, this, &frmzEnd::Timer1_Timer);
  connect(&Timer2, &QTimer::timeout, this, &frmzEnd::Timer2_Timer);
}

void frmzEnd::show() {
  if (shown_) return;
  shown_ = true;
  Timer1.start();
}

void frmzEnd::Timer1_Timer() {
  QCoreApplication::processEvents();
  // Unloading one window may close another (the expense window closes its map),
  // so the list is taken afresh after each one.
  for (bool again = true; again;) {
    again = false;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* form = qobject_cast<ui::FormBase*>(w);
      if (form && !form->isUnloaded()) {
        form->unloadForm();
        again = true;
        break;
      }
    }
  }
  signalTrackerAndClose(s_);
  Timer2.start();
}

void frmzEnd::Timer2_Timer() {
  if (quit_) quit_();
}

}  // namespace prandel
