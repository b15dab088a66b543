// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The call settings, "Call Settings": when the tracker starts counting a call's
// time, in which increments the counted time grows, and whether a fixed dialling
// time is added. "OK" reads MainRecord afresh and writes back only these fields.
#include <array>

#include "ui/FormBase.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace prandel {

namespace ui {
class EntryField;
}

class frmSetCall final : public ui::FormBase {
  Q_OBJECT
 public:
  explicit frmSetCall(ui::WindowContext& ctx, QWidget* parent = nullptr);

  // --- Controls, under their own names -------------------------------------------
  std::array<QLabel*, 2> Label1{};  // "&Start Counting Call", "&Increments After Every"
  QComboBox* Combo1 = nullptr;      // when counting starts
  QComboBox* Combo4 = nullptr;      // the increment
  ui::EntryField* txtTime = nullptr;  // the increment under "Specify"
  QCheckBox* Check1 = nullptr;      // "Add Dialing Time"
  QComboBox* Combo2 = nullptr;      // the dialling seconds, 0 to 90
  QLabel* Label2 = nullptr;         // "Seconds"
  std::array<QPushButton*, 3> Command1{};  // (1) "OK", (2) "Cancel"; (0) is not used

  // The increment of each entry of Combo4 as hh:mm:ss ("Specify" has none).
  static const std::array<const char*, 15> kIncrements;

 private:
  void buildControls();
  void Form_Load();
  void SetControls();
  void Check1_Click();
  void FixTime();
  void SetIncTime();
  void Command1_Click(int index);
};

}  // namespace prandel
