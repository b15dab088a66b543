// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QTimer>
#include <functional>

namespace prandel {

namespace ui {
class EditorState;
}

// The closing window. It is never seen: once shown, it unloads every other window
// (each runs its own unload handling), tells the tracker when an editor saved
// something, closes the record files and ends the program.
class frmzEnd final : public QObject {
  Q_OBJECT
 public:
  // quit ends the program's event loop.
  frmzEnd(ui::EditorState& s, std::function<void()> quit, QObject* parent = nullptr);
  // Showing it again while it is shown does nothing.
  void show();
  bool isShown() const { return shown_; }

 private:
  void Timer1_Timer();
  void Timer2_Timer();

  ui::EditorState& s_;
  std::function<void()> quit_;
  QTimer Timer1;
  QTimer Timer2;
  bool shown_ = false;
};

}  // namespace prandel
