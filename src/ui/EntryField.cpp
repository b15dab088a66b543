// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EntryField.h"

#include <QKeyEvent>

namespace prandel::ui {

EntryField::EntryField(QWidget* parent) : QLineEdit(parent) {}

void EntryField::setAlignRight(bool right) {
  setAlignment(right ? (Qt::AlignRight | Qt::AlignVCenter) : (Qt::AlignLeft | Qt::AlignVCenter));
}

void EntryField::keyPressEvent(QKeyEvent* e) {
  emit keyPressed(e->key());
  const QString t = e->text();
  // Only characters are filtered; editing and navigation keys pass as they are.
  if (filter_ && t.size() == 1 && t.at(0).unicode() >= 32 && !(e->modifiers() & Qt::ControlModifier)) {
    const int key = filter_(t.at(0).unicode(), text());
    if (key < 32) {
      e->accept();
      return;
    }
    if (key != t.at(0).unicode()) {
      insert(QString(QChar(key)));
      e->accept();
      return;
    }
  }
  QLineEdit::keyPressEvent(e);
}

void EntryField::keyReleaseEvent(QKeyEvent* e) {
  QLineEdit::keyReleaseEvent(e);
  if (!e->isAutoRepeat()) emit keyReleased(e->key());
}

void EntryField::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  if (selectAllOnFocus_) selectAll();
  emit focusEntered();
}

void EntryField::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  emit focusLeft();
}

}  // namespace prandel::ui
