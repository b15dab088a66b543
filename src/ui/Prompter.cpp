// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Prompter.h"

#include <QMessageBox>

namespace prandel::ui {

void QtPrompter::message(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
}

bool QtPrompter::question(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace prandel::ui
