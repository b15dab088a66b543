// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QRect>

class QWidget;

namespace prandel::ui {

// Layouts are given in twips (1440 per inch); pixels follow the screen's logical DPI.
int twips(int tw);
QRect twipsRect(int left, int top, int width, int height);
// Places a child widget at a rectangle given in twips inside its container.
void placeTwips(QWidget* w, int left, int top, int width, int height);

}  // namespace prandel::ui
