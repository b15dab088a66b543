// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Greying.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace prandel::ui {

void paintFieldGreyed(QWidget* field, bool greyed) {
  if (!field) return;
  QPalette pal = field->palette();
  const QPalette app = QApplication::palette(field);
  const QColor base = greyed ? app.color(QPalette::Active, QPalette::Window) : app.color(QPalette::Active, QPalette::Base);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) pal.setColor(group, QPalette::Base, base);
  field->setPalette(pal);
  field->setProperty("greyed", greyed);
}

void setFieldUsable(QWidget* field, bool usable) {
  if (!field) return;
  field->setEnabled(usable);
  paintFieldGreyed(field, !usable);
}

bool isFieldGreyed(const QWidget* field) { return field && field->property("greyed").toBool(); }

}  // namespace prandel::ui
