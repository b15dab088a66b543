// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLineEdit>
#include <functional>

namespace prandel::ui {

// A text box as the editors use it: every typed character goes through a key
// filter (a rejected key inserts nothing), the whole text is selected when the
// field gets the focus, and leaving the field can tidy its text.
class EntryField : public QLineEdit {
  Q_OBJECT
 public:
  // Returns the key to insert, or a code below 32 for "nothing".
  using KeyFilterFn = std::function<int(int key, const QString& text)>;

  explicit EntryField(QWidget* parent = nullptr);

  void setKeyFilter(KeyFilterFn filter) { filter_ = std::move(filter); }
  void setSelectAllOnFocus(bool on) { selectAllOnFocus_ = on; }
  void setAlignRight(bool right);

 signals:
  void focusEntered();
  void focusLeft();
  void keyPressed(int key);   // before the field handles it
  void keyReleased(int key);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  KeyFilterFn filter_;
  bool selectAllOnFocus_ = true;
};

}  // namespace prandel::ui
