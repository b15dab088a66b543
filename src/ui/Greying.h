// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
class QWidget;

namespace prandel::ui {

// An entry field that does not apply is disabled and painted in the window's
// background colour; when it applies again it takes an entry field's colour.
void setFieldUsable(QWidget* field, bool usable);
// Only the colour: the window's background (greyed) or an entry field's.
void paintFieldGreyed(QWidget* field, bool greyed);
// Whether the field is painted in the window's background colour.
bool isFieldGreyed(const QWidget* field);

}  // namespace prandel::ui
