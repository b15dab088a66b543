// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace prandel::ui {
namespace {
double logicalDpi() {
  static const double dpi = [] {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double d = screen ? screen->logicalDotsPerInchX() : 96.0;
    return d > 0 ? d : 96.0;
  }();
  return dpi;
}
}  // namespace

int twips(int tw) { return static_cast<int>(std::lround(tw * logicalDpi() / 1440.0)); }

QRect twipsRect(int left, int top, int width, int height) {
  return {twips(left), twips(top), twips(width), twips(height)};
}

void placeTwips(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(twipsRect(left, top, width, height));
}

}  // namespace prandel::ui
