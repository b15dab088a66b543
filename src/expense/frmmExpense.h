// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The expense editor, "Zelkora Expense": the list of up to 20 tariff conditions on
// the left, and beside it either the description of the selected one or the panel
// in which a condition is added or edited. All edits go to the working copy of the
// conditions; "OK" commits them to the live set that the tracker uses.
#include <QPointer>
#include <QTimer>
#include <array>

#include "core/ConditionPanel.h"
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
class frmmExpGraph;

class frmmExpense final : public ui::FormBase {
  Q_OBJECT
 public:
  explicit frmmExpense(ui::WindowContext& ctx, QWidget* parent = nullptr);
  ~frmmExpense() override;

  // --- Controls, under their own names -------------------------------------------
  QTimer Timer1;
  std::array<QPushButton*, 10> CmdBut{};  // there is no CmdBut(8)
  QGroupBox* Frame11 = nullptr;
  QListWidget* lstCondtions = nullptr;

  QGroupBox* Frame4 = nullptr;  // details panel
  std::array<QLabel*, 12> lblDetails{};

  QGroupBox* Frame10 = nullptr;  // editing panel
  QGroupBox* Frame3 = nullptr;
  ui::EntryField* Text1 = nullptr;
  QComboBox* Combo3 = nullptr;
  QGroupBox* Frame1 = nullptr;
  QComboBox* Combo1 = nullptr;
  QComboBox* Combo4 = nullptr;
  std::array<ui::EntryField*, 2> tPeriod{};
  QLabel* Label3 = nullptr;
  QCheckBox* chkEnaHoliday = nullptr;
  QGroupBox* Frame2 = nullptr;
  QComboBox* Combo2 = nullptr;
  std::array<ui::EntryField*, 2> txtTime{};
  QLabel* Label4 = nullptr;
  QGroupBox* Frame5 = nullptr;
  std::array<QLabel*, 2> Label9{};
  std::array<QComboBox*, 2> cmdDay{};
  std::array<ui::EntryField*, 2> advTime{};
  std::array<QGroupBox*, 5> frExp{};
  QLabel* Label8 = nullptr;
  QComboBox* cmbCallTime = nullptr;
  QLabel* Label6 = nullptr;
  ui::EntryField* txtDiffCall = nullptr;
  QLabel* Label1 = nullptr;
  QCheckBox* chkEnaISPC = nullptr;
  QLabel* Label5 = nullptr;
  ui::EntryField* txtISPAmt = nullptr;
  std::array<QRadioButton*, 3> ExOpt{};
  QCheckBox* chkEnaExpIni = nullptr;
  QLabel* Label7 = nullptr;
  ui::EntryField* txtExpIniAmt = nullptr;
  QCheckBox* chkIntTime = nullptr;
  QLabel* Label2 = nullptr;
  ui::EntryField* txtInitTime = nullptr;
  QCheckBox* chkEnaExpAll = nullptr;
  QComboBox* cmbExpCon = nullptr;
  QCheckBox* chkCondtion = nullptr;
  QComboBox* Combo5 = nullptr;
  QComboBox* Combo6 = nullptr;
  ui::EntryField* txtVal = nullptr;
  ui::EntryField* txtHour = nullptr;
  ui::SpinBar* HourScroll = nullptr;
  QLabel* Label10 = nullptr;
  ui::EntryField* txtMin = nullptr;
  ui::SpinBar* MinScroll = nullptr;
  QLabel* Label11 = nullptr;

  // The condition map, while it is open.
  frmmExpGraph* graphWindow() const;

 protected:
  void Form_Unload() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Layout (frmmExpenseLayout.cpp).
  void buildControls();
  void buildEditingPanel();
  void buildFilterControls();
  void setTabOrderAndKeys();
  void connectRules();

  // Rules of the editing panel (frmmExpenseRules.cpp).
  void Combo1_Click();
  void Combo2_Click();
  void Combo3_Click();
  void Combo5_Click();
  void cmbCallTime_Click();
  void chkEnaExpIni_Click();
  void chkIntTime_Click();
  void chkEnaISPC_Click();
  void chkEnaExpAll_Click();
  void chkCondtion_Click();
  void Combo1_Change();
  void ListDUNs();
  void SendMsg(QWidget* setCont, const QString& smMsg);
  // Sets a control as the program does and runs its rule, as a user's change would.
  void pick(QComboBox* c, int index);
  void tick(QCheckBox* c, bool on);

  // Descriptions (frmmExpenseRules.cpp).
  void lstCondtions_Click();

  // Entry fields (frmmExpenseFields.cpp).
  void setupEntryFields();
  void tidyAmount(ui::EntryField* f);
  void tidyDate(ui::EntryField* f);
  void tidyTimeOfDay(ui::EntryField* f);
  void tidyFocusedField();
  void escapeInDateBox();
  void escapeInTimeBox();
  // Escape in the date and time boxes, and the arrow keys of the hour and minute boxes.
  bool fieldKeyFilter(QObject* watched, QEvent* event);
  void HourScroll_Change(int value);
  void MinScroll_Change(int value);
  void txtMin_Change();
  void resetSpins();
  // A text set by the program may be longer than the typing limit (as the old
  // text boxes allowed); the limit then holds at the text's own length.
  void setFieldText(ui::EntryField* f, const QString& text);

  // Editing (frmmExpenseEdit.cpp).
  void Form_Load();
  void CmdBut_Click(int index);
  void lstCondtions_DblClick();
  void Timer1_Timer();
  void enterEditingMode();
  void leaveEditingMode();
  bool isEditing() const;
  void setButtonRoles(int defaultIndex, int cancelIndex);
  void New_Profile();
  void Load_Profile();
  void Save_Profile();
  void commit();
  void deleteCondition();
  void showConditionMap();
  int selectedIndex() const;
  int selectedSlot() const;
  int firstFreeSlot();

  // Validation and the record (frmmExpenseCheck.cpp).
  ConditionPanel readPanel() const;
  // Shows what the save's adjustment changed: the boxes it unticked, the tidied times.
  void showAdjustedPanel(const ConditionPanel& p);
  void reportInvalid(PanelCheck check);

  // Window variables.
  bool WorkReady = false;
  bool Changed = false;
  int PrevIndex = 0;
  bool Adding = false;
  bool Closed = false;
  bool SpinReady = false;
  int LastHourValue = 0;
  int LastMinValue = 0;

  bool topmostSet_ = false;
  int defaultRole_ = 0;  // the buttons that hold the default and cancel roles
  int cancelRole_ = 1;
  QPointer<frmmExpGraph> graph_;
};

}  // namespace prandel
