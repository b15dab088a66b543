// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The countdown editor, "Countdown": an allowance of online time, its automatic
// refill (every day, week, month or year) and what the expense conditions do while
// it runs. "&Reset" applies the settings, "&Discard" switches the countdown off and
// clears it; both write MainRecord afresh with only the countdown fields changed.
#include <array>
#include <cstdint>
#include <optional>

#include "ui/FormBase.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace prandel {

namespace ui {
class EntryField;
class SpinBar;
}  // namespace ui

class frmmCountdown final : public ui::FormBase {
  Q_OBJECT
 public:
  explicit frmmCountdown(ui::WindowContext& ctx, QWidget* parent = nullptr);

  // --- Controls, under their own names -------------------------------------------
  QGroupBox* Frame1 = nullptr;  // the countdown part, captioned by chkEnaCoundown
  QCheckBox* chkEnaCoundown = nullptr;
  std::array<QLabel*, 4> Label1{};  // "&Set Time", "Reset &On", "Reset &Period", "Reset &Time"
  std::array<ui::EntryField*, 2> txtHour{};  // countdown, reset
  std::array<ui::EntryField*, 2> txtMin{};
  std::array<ui::SpinBar*, 2> HourScroll{};
  std::array<ui::SpinBar*, 2> MinScroll{};
  QLabel* Label2 = nullptr;  // "(hh:mm)" of the reset time
  QLabel* Label3 = nullptr;  // ":" of the countdown time
  QLabel* Label4 = nullptr;  // "(hh:mm)" of the countdown time
  QLabel* Label5 = nullptr;  // ":" of the reset time
  QGroupBox* Frame2 = nullptr;  // "Expense Settings During Countdown"
  std::array<QRadioButton*, 3> ExOpt{};
  QListWidget* lstShowOpt = nullptr;
  QCheckBox* Check1 = nullptr;
  QGroupBox* Frame3 = nullptr;  // the reset settings, captioned by chkResetCDown
  QCheckBox* chkResetCDown = nullptr;
  QComboBox* Combo1 = nullptr;  // reset period
  QComboBox* Combo4 = nullptr;  // weekday, day of the month, or month
  QComboBox* Combo2 = nullptr;  // day of the month of a yearly reset
  std::array<QPushButton*, 3> Command1{};  // "&Discard", "&Reset", "Cancel"
  ui::EntryField* Text1 = nullptr;         // out of view: the colour of an enabled field

  // --- Window variables ------------------------------------------------------------
  double CdRemaining = 0;
  std::array<std::int32_t, 2> LastHourValue{};
  std::array<std::int32_t, 2> LastMinValue{};
  bool SpinReady = false;
  bool SpinFocus = false;

  // Heights of the two layouts of the expense options, in twips.
  struct Layout {
    int frame2Height, frame1Height, windowHeight, resetTop, buttonsTop;
  };
  static constexpr Layout kShortLayout{1095, 1935, 4735, 2130, 3830};
  static constexpr Layout kTallLayout{2900, 3735, 6430, 3900, 5560};

 private:
  void buildControls();
  void connectRules();
  void placeLayout(const Layout& l);
  void Form_Load();
  void loadResetChoice();
  void showTime(int i, double seconds);

  void chkEnaCoundown_Click();
  void chkResetCDown_Click();
  void ExOpt_Click(int index);
  void Combo1_Click();
  void Combo4_Click();
  void fillDayLists(int period, bool usable);
  void HourScroll_Change(int i);
  void MinScroll_Change(int i);
  void spinDone(ui::EntryField* field);
  void txtHour_KeyDown(int i, int key);
  void txtMin_KeyDown(int i, int key);
  void txtMin_Change(int i);
  void Command1_Click(int index);

  // Seconds of a time's hour and minute boxes; nothing when either is not a number.
  std::optional<double> secondsOf(int i) const;
  bool checkTime(int i, const QString& message);
  void apply();
  void discard();
};

}  // namespace prandel
