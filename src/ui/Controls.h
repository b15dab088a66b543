// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Making the controls of a window: each carries its own name (with its index in
// brackets for control arrays), so that tests and scripts find it.
#include <QString>
#include <QWidget>
#include <cstddef>

namespace prandel::ui {

// "CmdBut(4)".
inline QString indexed(const char* name, std::size_t i) {
  return QString::fromLatin1(name) + QLatin1Char('(') + QString::number(i) + QLatin1Char(')');
}

template <class T>
T* make(QWidget* parent, const QString& name) {
  auto* w = new T(parent);
  w->setObjectName(name);
  return w;
}

}  // namespace prandel::ui
