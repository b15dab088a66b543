// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Making the controls of a window: each carries its own name (with its index in
// brackets for control arrays), so that tests and scripts find it.
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstddef>
#include <span>

namespace prandel::ui {

// "CmdBut(4)".
inline QString indexed(const char* name, std::size_t i) {
  return QString::fromLatin1(name) + QLatin1Char('(') + QString::number(i) + QLatin1Char(')');
}

// A list's items as the record format fixes them (store/Choices.h).
inline QStringList itemsOf(std::span<const char* const> items) {
  QStringList out;
  for (const char* item : items) out << QString::fromLatin1(item);
  return out;
}

template <class T>
T* make(QWidget* parent, const QString& name) {
  auto* w = new T(parent);
  w->setObjectName(name);
  return w;
}

}  // namespace prandel::ui
