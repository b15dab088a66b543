// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

#include "ui/WindowContext.h"

class QPushButton;

namespace prandel::ui {

// The common ground of the editor windows: a fixed-size window laid out in twips,
// the shared icon, kept on top, with a default button and a button that answers
// Escape. Closing it by its frame, or the closing window unloading it, runs its own
// unload handling once.
class FormBase : public QDialog {
  Q_OBJECT
 public:
  // Window heights in the tracker's layouts are outer heights: the title bar and the
  // border take this much of them.
  static constexpr int kTitleAndBorderTwips = 405;

  FormBase(WindowContext& ctx, const QString& caption, QWidget* parent = nullptr);

  // Runs the window's unload handling once, then hides it.
  void unloadForm();
  bool isUnloaded() const { return unloaded_; }

  // Why the window cannot be used, when its load could not make what it edits (a
  // working copy it could not write, records it could not read); empty when it can.
  // Such a window is never shown: the user is told, and nothing is saved.
  const QString& openingFault() const { return openingFault_; }

  QPushButton* cancelButton() const { return cancelButton_; }
  void setCancelButton(QPushButton* b) { cancelButton_ = b; }
  // The button that Enter presses; the others lose that role.
  void setDefaultButton(QPushButton* b);

 protected:
  // The window's own unload handling; by default the way out.
  virtual void Form_Unload();
  void setClientSizeTwips(int width, int height);
  void setWindowHeightTwips(int clientWidth, int windowHeight) {
    setClientSizeTwips(clientWidth, windowHeight - kTitleAndBorderTwips);
  }
  void centreOnScreen();
  void setOpeningFault(const QString& why) { openingFault_ = why; }
  void setTopmost(bool on);
  // Hide the window and show the closing window.
  void hideAndEnd();

  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void reject() override;

  WindowContext& ctx;

 private:
  QPushButton* cancelButton_ = nullptr;
  bool unloaded_ = false;
  QString openingFault_;
};

}  // namespace prandel::ui
