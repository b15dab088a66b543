// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a screen reader says a control is. Only the accessible side changes here:
// captions, access keys and focus stay as the layouts made them.
#include <QString>

class QLabel;
class QWidget;

namespace prandel::ui {

// A caption as it is said: without its access-key "&" ("&&" stays one "&") and
// without a closing colon and the blanks around the text.
QString spokenCaption(const QString& caption);

// Names a control after a caption, said without its access key. A combo box says
// that name as its name (where Qt on Linux would say its current item) and its item
// as its value; a screen reader also says what it is from the label that names it
// (its buddy), and one without such a label gets a hidden label of that name, which
// nobody sees and no key reaches.
void nameControl(QWidget* control, const QString& caption);

// Names a control after its label. A label without an access key also becomes the
// control's buddy, which only a screen reader notices; one with an access key is
// left as it is, so that its key goes where it always went.
void nameControl(QWidget* control, QLabel* label);

}  // namespace prandel::ui
