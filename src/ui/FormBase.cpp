// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FormBase.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

#include "ui/AppIcon.h"
#include "ui/Twips.h"

namespace prandel::ui {

FormBase::FormBase(WindowContext& context, const QString& caption, QWidget* parent)
    : QDialog(parent), ctx(context) {
  setWindowTitle(caption);
  setObjectName(caption);
  setWindowIcon(appIcon());
  setModal(false);
  // A fixed border: no resizing, no minimise or maximise box, no help button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
}

void FormBase::setClientSizeTwips(int width, int height) { setFixedSize(twips(width), twips(height)); }

void FormBase::centreOnScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  move(area.center() - QPoint(width() / 2, height() / 2));
}

void FormBase::setTopmost(bool on) {
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, on);
  if (visible) show();
}

void FormBase::setDefaultButton(QPushButton* b) {
  for (QPushButton* other : findChildren<QPushButton*>()) other->setDefault(other == b);
}

void FormBase::hideAndEnd() {
  hide();
  if (ctx.showEnd) ctx.showEnd();
}

void FormBase::Form_Unload() {
  if (ctx.showEnd) ctx.showEnd();
}

void FormBase::unloadForm() {
  if (unloaded_) return;
  unloaded_ = true;
  Form_Unload();
  hide();
}

void FormBase::closeEvent(QCloseEvent* e) {
  e->accept();
  unloadForm();
}

void FormBase::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    if (cancelButton_ && cancelButton_->isEnabled() && cancelButton_->isVisible()) cancelButton_->click();
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

// Escape is the cancel button's; the dialog itself never closes on it.
void FormBase::reject() {}

}  // namespace prandel::ui
