// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bookmark editor, "Zelkora Bookmarks": the tracker's bookmarks of bit.zkt, one
// entry per live record. Add and Delete write the file at once (a deleted bookmark
// is only marked); "Close" then tells the tracker that bookmarks changed.
#include <array>
#include <cstdint>

#include "ui/FormBase.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace prandel {

namespace ui {
class EntryField;
}

class frmmBookmark final : public ui::FormBase {
  Q_OBJECT
 public:
  explicit frmmBookmark(ui::WindowContext& ctx, QWidget* parent = nullptr);

  // --- Controls, under their own names -------------------------------------------
  QLabel* Label1 = nullptr;                // "D&escription"
  QLabel* Label2 = nullptr;                // "&Link"
  std::array<ui::EntryField*, 2> tHoli{};  // name, link
  std::array<QPushButton*, 2> Command2{};  // "&Add", "&Delete"
  QListWidget* lstHolidays = nullptr;      // item data: the record number
  std::array<QPushButton*, 3> cmdBMark{};  // only (2): "&Online Bookmarks"
  QPushButton* Command1 = nullptr;         // "Close"

  // Empties the list and fills it from records 1 to BookCount.
  void LoadBookmarkList();

  static constexpr int RecNoRole = 0x0100;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void buildControls();
  void Form_Load();
  void Command2_Click(int index);
  void Command1_Click();
  void cmdBMark_Click(int index);
  void lstHolidays_Click();
  void tHoli_Change();
  void addBookmark();
  void deleteBookmark();

  bool activated_ = false;
};

}  // namespace prandel
