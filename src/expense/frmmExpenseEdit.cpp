// SPDX-License-Identifier: GPL-3.0-or-later
// The working logic of the expense window: load, the browsing and editing modes,
// add, edit, save, delete, the commit to the live conditions, and closing.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

#include "core/ConditionStore.h"
#include "core/ConditionTexts.h"
#include "core/EditorRequests.h"
#include "expense/frmmExpGraph.h"
#include "expense/frmmExpense.h"
#include "store/Choices.h"
#include "store/Codec.h"
#include "ui/EditorState.h"
#include "ui/EntryField.h"
#include "ui/Greying.h"
#include "ui/Prompter.h"
#include "ui/SharedProcs.h"
#include "ui/SpinBar.h"

namespace prandel {

using store::ExpenseCondition;

namespace {
const QString kTitle = QStringLiteral("Zelkora Expense");
const QString kNotPrepared = QStringLiteral("The conditions could not be prepared for editing; nothing was changed.");
}

int frmmExpense::selectedIndex() const { return lstCondtions->currentRow(); }

// Each entry carries its slot. In the tracker's files the used slots come first, so
// entry k is slot k + 1; a damaged file with gaps between used slots must not make an
// edit, a delete or an add land on another condition's slot.
int frmmExpense::selectedSlot() const {
  const QListWidgetItem* item = lstCondtions->currentItem();
  if (!item) return 0;
  const QVariant slot = item->data(Qt::UserRole);
  return slot.isValid() ? slot.toInt() : lstCondtions->currentRow() + 1;
}

int frmmExpense::firstFreeSlot() {
  for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
    if (!readSlot(ctx.state.files, ConditionSet::Work, i, ctx.state.CondRec) || !ctx.state.CondRec.InUse) return i;
  }
  return 0;
}

bool frmmExpense::isEditing() const { return !CmdBut[4]->isHidden(); }

void frmmExpense::Form_Load() {
  ui::EditorState& s = ctx.state;
  if (!topmostSet_) {
    setTopmost(true);
    topmostSet_ = true;
  }
  if (Combo1->count() == 5) {
    const auto day = [&s](int offset) {
      return s.regional.formatDate(Regional::fromDate(QDate(2003, 1, 5).addDays(offset)), QStringLiteral("Ddd"));
    };
    Combo1->addItem(QStringLiteral("Weekdays (") + day(1) + QLatin1Char('-') + day(5) + QLatin1Char(')'));
    Combo1->addItem(QStringLiteral("Weekends (") + day(6) + QLatin1Char('-') + day(0) + QLatin1Char(')'));
    Combo1->addItem(QString::fromLatin1(store::choices::kPeriodKinds[7]));
    for (QComboBox* c : cmdDay) {
      c->clear();
      for (int d = 0; d < 7; ++d) c->addItem(day(d));
      c->setCurrentIndex(0);
    }
    setFieldText(advTime[0], QStringLiteral("01:00"));
    setFieldText(advTime[1], QStringLiteral("02:00"));
  }
  if (!WorkReady) {
    // A working set that is not a copy of the live one (stale from an earlier run, or
    // half copied) must never reach the live set by an OK: the window is not opened.
    if (!Copy_ToWork(s.files, s.MainRec, s.CondRec)) {
      Closed = true;
      setOpeningFault(kNotPrepared);
      return;
    }
    WorkReady = true;
  }
  {
    const QSignalBlocker block(lstCondtions);
    lstCondtions->clear();
    for (int i = 1; i <= ExpenseCondition::Slots; ++i) {
      if (readSlot(s.files, ConditionSet::Work, i, s.CondRec) && s.CondRec.InUse) {
        auto* item = new QListWidgetItem(conditionEntry(i), lstCondtions);
        item->setData(Qt::UserRole, i);
      }
    }
    if (lstCondtions->count() > 0) lstCondtions->setCurrentRow(0);
  }
  ListDUNs();
  lstCondtions_Click();
  Combo1_Change();
}

void frmmExpense::setButtonRoles(int defaultIndex, int cancelIndex) {
  QPushButton* b = CmdBut[static_cast<std::size_t>(defaultIndex)];
  // A button that is default only because it has the focus must be made the
  // dialog's own default, or the role falls back when the focus moves on.
  b->setDefault(false);
  setDefaultButton(b);
  setCancelButton(CmdBut[static_cast<std::size_t>(cancelIndex)]);
  defaultRole_ = defaultIndex;
  cancelRole_ = cancelIndex;
}

// The roles follow the mode. (The tracker's window took a disabled "&Edit" for the
// editing mode, which also holds for an empty list, and then left Enter and Escape
// to two hidden buttons.)
void frmmExpense::Timer1_Timer() {
  const int wantDefault = isEditing() ? 4 : 0;
  if (defaultRole_ != wantDefault || cancelRole_ != wantDefault + 1) setButtonRoles(wantDefault, wantDefault + 1);
}

void frmmExpense::enterEditingMode() {
  Frame4->hide();
  Frame10->show();
  CmdBut[4]->show();
  CmdBut[5]->show();
  for (std::size_t i : {0, 1, 2, 3, 6, 7}) CmdBut[i]->setEnabled(false);
  ui::setFieldUsable(lstCondtions, false);
  resetSpins();
  setFieldText(txtHour, QStringLiteral("00"));
  setFieldText(txtMin, QStringLiteral("00"));
}

void frmmExpense::leaveEditingMode() {
  Frame4->show();
  Frame10->hide();
  CmdBut[4]->hide();
  CmdBut[5]->hide();
  for (std::size_t i : {0, 1, 2, 3, 6, 7}) CmdBut[i]->setEnabled(true);
  ui::setFieldUsable(lstCondtions, true);
  lstCondtions_Click();
}

void frmmExpense::CmdBut_Click(int index) {
  switch (index) {
    case 0:
      commit();
      hideAndEnd();
      break;
    case 1:
      Closed = true;
      hideAndEnd();
      break;
    case 2: deleteCondition(); break;
    case 3:
      Adding = false;
      Load_Profile();
      setButtonRoles(4, 5);
      Text1->setFocus();
      break;
    case 4:
      Save_Profile();
      setButtonRoles(0, 1);
      lstCondtions->setFocus();
      // A refused save leaves the panel open: its own buttons answer Enter and Escape.
      Timer1_Timer();
      break;
    case 5:
      if (Adding) {
        delete lstCondtions->takeItem(lstCondtions->count() - 1);
        Adding = false;
        if (lstCondtions->count() > 0) {
          const QSignalBlocker block(lstCondtions);
          lstCondtions->setCurrentRow(PrevIndex);
        }
      }
      leaveEditingMode();
      setButtonRoles(0, 1);
      lstCondtions->setFocus();
      break;
    case 6:
      if (lstCondtions->count() >= ExpenseCondition::Slots) return;
      PrevIndex = selectedIndex();
      Adding = true;
      New_Profile();
      setButtonRoles(4, 5);
      Text1->setFocus();
      break;
    case 7: showConditionMap(); break;
    case 9:
      setTopmost(false);
      RunApp(ctx.state, kOnlineExamplesRequest, false);
      break;
    default: break;
  }
}

void frmmExpense::lstCondtions_DblClick() {
  if (lstCondtions->isEnabled() && lstCondtions->count() > 0 && selectedIndex() >= 0) CmdBut_Click(3);
}

void frmmExpense::New_Profile() {
  {
    const QSignalBlocker block(lstCondtions);
    int slot = firstFreeSlot();
    if (slot < 1) slot = lstCondtions->count() + 1;
    auto* item = new QListWidgetItem(conditionEntry(slot), lstCondtions);
    item->setData(Qt::UserRole, slot);
  }
  enterEditingMode();
  setFieldText(Text1, {});
  pick(Combo1, 0);
  Combo4->setCurrentIndex(0);
  pick(Combo3, 0);
  pick(cmbCallTime, 0);
  for (ui::EntryField* f : {tPeriod[0], tPeriod[1], txtTime[0], txtTime[1]}) setFieldText(f, {});
  pick(Combo2, 0);
  for (QCheckBox* c : {chkEnaExpIni, chkEnaISPC, chkEnaExpAll, chkIntTime}) c->setChecked(false);
  setFieldText(txtExpIniAmt, {});
  setFieldText(txtISPAmt, {});
  cmbExpCon->setEditText({});
  setFieldText(txtVal, {});
  Combo5->setCurrentIndex(-1);
  Combo6->setCurrentIndex(-1);
  chkCondtion->setChecked(false);
  chkEnaExpAll_Click();
  chkEnaExpIni_Click();
  chkIntTime_Click();
  chkEnaISPC_Click();
  chkEnaHoliday->setChecked(false);
  for (QComboBox* c : cmdDay) c->setCurrentIndex(0);
  setFieldText(advTime[0], QStringLiteral("01:00"));
  setFieldText(advTime[1], QStringLiteral("02:00"));
  Combo5_Click();
  chkCondtion_Click();
  {
    const QSignalBlocker block(lstCondtions);
    lstCondtions->setCurrentRow(lstCondtions->count() - 1);
  }
  SpinReady = true;
}

void frmmExpense::Load_Profile() {
  ui::EditorState& s = ctx.state;
  readSlot(s.files, ConditionSet::Work, selectedSlot(), s.CondRec);
  const ExpenseCondition c = s.CondRec;
  pick(Combo3, 0);
  enterEditingMode();

  const QString hhmm = QStringLiteral("hh:mm");
  const QString hhmmss = QStringLiteral("hh:mm:ss");
  setFieldText(Text1, amountText(s.regional, s.MainRec, c.Amt));
  if (c.AmtKind == 2) {
    pick(Combo3, 3);
  } else if (c.AmtKind == 3) {
    pick(Combo3, 2);
    ExOpt[c.BwMode == 1 || c.BwMode == 2 ? c.BwMode : 0]->setChecked(true);
  } else {
    pick(Combo3, c.PerCall ? 1 : 0);
  }
  pick(Combo1, c.PerType);
  Combo4->setCurrentIndex(c.PerNum < Combo4->count() ? c.PerNum : -1);
  if (Combo1->currentIndex() == 3) {
    setFieldText(tPeriod[0], s.regional.formatDate(c.PerStart, QStringLiteral("Short Date")));
    setFieldText(tPeriod[1], s.regional.formatDate(c.PerEnd, QStringLiteral("Short Date")));
  }
  pick(Combo2, c.TimeType);
  if (Combo2->currentIndex() != 0) {
    setFieldText(txtTime[0], s.regional.formatDate(c.TimeStart, hhmm));
    setFieldText(txtTime[1], s.regional.formatDate(c.TimeEnd, hhmm));
  }
  tick(chkEnaExpIni, c.InCall);
  setFieldText(txtExpIniAmt, c.InCall ? amountText(s.regional, s.MainRec, c.InCallAmt) : QString());
  tick(chkEnaExpAll, c.ConVal);
  tick(chkEnaISPC, c.IspOn == 12);
  setFieldText(txtISPAmt, c.IspOn == 12 ? amountText(s.regional, s.MainRec, c.IspAmt) : QString());
  cmbExpCon->setEditText(c.ConVal ? QString::fromStdString(store::trimSpaces(c.ConNm)) : QString());
  tick(chkIntTime, c.InTimeOn);
  setFieldText(txtInitTime, c.InTimeOn ? s.regional.formatDate(c.InTime, hhmmss) : QString());
  if (c.CustCall) {
    pick(cmbCallTime, 1);
    setFieldText(txtDiffCall, s.regional.formatDate(c.CallTime, hhmmss));
  } else {
    pick(cmbCallTime, 0);
    setFieldText(txtDiffCall, s.regional.formatDate(s.MainRec.IncTime, hhmmss));
  }
  if (Combo1->currentIndex() == 7) {
    // Whole hours without a leading zero, then the minutes as two digits, with the
    // old runtime's division toward zero.
    const auto moment = [&s](int minutes) {
      return QString::number(minutes % 1440 / 60) + QLatin1Char(':') +
             s.regional.formatNumber(minutes % 60, QStringLiteral("00"));
    };
    cmdDay[0]->setCurrentIndex(c.WkStart / 1440 >= 0 && c.WkStart / 1440 < 7 ? c.WkStart / 1440 : -1);
    setFieldText(advTime[0], moment(c.WkStart));
    cmdDay[1]->setCurrentIndex(c.WkEnd / 1440 >= 0 && c.WkEnd / 1440 < 7 ? c.WkEnd / 1440 : -1);
    setFieldText(advTime[1], moment(c.WkEnd));
    chkEnaHoliday->setChecked(c.InclHoli);
  } else {
    chkEnaHoliday->setChecked(false);
    for (QComboBox* d : cmdDay) d->setCurrentIndex(0);
    setFieldText(advTime[0], QStringLiteral("01:00"));
    setFieldText(advTime[1], QStringLiteral("02:00"));
  }
  if (c.CondItem == 0) {
    tick(chkCondtion, false);
    Combo5->setCurrentIndex(-1);
    Combo6->setCurrentIndex(-1);
    setFieldText(txtVal, {});
  } else {
    tick(chkCondtion, true);
    pick(Combo5, c.CondItem - 1 < Combo5->count() ? c.CondItem - 1 : -1);
    Combo6->setCurrentIndex(c.CondCmp < Combo6->count() ? c.CondCmp : -1);
    if (store::choices::isTimeCounter(c.CondItem - 1)) {
      // Whole seconds; a value no Long can hold gives 0, as nothing sensible fits.
      const double v = std::trunc(c.CondVal);
      const long long secs = std::isfinite(v) && std::fabs(v) < 2147483648.0 ? static_cast<long long>(v) : 0;
      setFieldText(txtHour, s.regional.formatNumber(static_cast<double>(secs / 3600), QStringLiteral("00")));
      setFieldText(txtMin, s.regional.formatNumber(static_cast<double>(secs / 60 % 60), QStringLiteral("00")));
    } else {
      setFieldText(txtVal, s.regional.numberText(c.CondVal));
    }
  }

  Text1->setFocus();
  Combo5_Click();
  chkCondtion_Click();
  chkEnaExpAll_Click();
  chkEnaExpIni_Click();
  chkIntTime_Click();
  chkEnaISPC_Click();
  if (Text1->text().size() >= 11) setFieldText(Text1, {});
  SpinReady = true;
}

void frmmExpense::Save_Profile() {
  tidyFocusedField();
  ConditionPanel panel = readPanel();
  adjustForSave(panel);
  showAdjustedPanel(panel);
  ui::EditorState& s = ctx.state;
  if (const PanelCheck check = Check_valid(s.regional, s.MainRec, panel); check != PanelCheck::Valid) {
    reportInvalid(check);
    return;
  }
  const int slot = selectedSlot();
  if (slot < 1 || slot > ExpenseCondition::Slots) return;
  const bool saved = saveWorkSlot(s.files, s.CondRec, slot,
                                  [&s, &panel](ExpenseCondition& c) { fillCondition(s.regional, s.MainRec, panel, c); });
  leaveEditingMode();
  if (saved) Changed = true;
}

void frmmExpense::commit() {
  if (WorkReady) commitConditions(ctx.state.files, ctx.state.MainRec, ctx.state.CondRec, Changed);
  WorkReady = false;
  Closed = true;
}

void frmmExpense::deleteCondition() {
  const int slot = selectedSlot();
  if (slot < 1) return;
  if (!ctx.prompter.question(this, QStringLiteral("Do you want to delete condition"), QStringLiteral("Confirm")))
    return;
  const bool deleted = deleteWorkSlot(ctx.state.files, ctx.state.MainRec, ctx.state.CondRec, slot);
  Form_Load();
  if (deleted) Changed = true;
}

void frmmExpense::showConditionMap() {
  // One map at a time; a new one reads the conditions as they are now. The old one
  // is only put away: its own unload is for the end of the program.
  if (graph_) {
    graph_->hide();
    graph_->deleteLater();
  }
  graph_ = new frmmExpGraph(ctx, this);
  graph_->setAttribute(Qt::WA_DeleteOnClose);
  graph_->show();
}

void frmmExpense::Form_Unload() {
  if (!Closed && Changed &&
      ctx.prompter.question(this, QStringLiteral("Do you want to save changes?"), kTitle)) {
    commit();
  }
  if (graph_) {
    graph_->unloadForm();
    graph_->deleteLater();
    graph_ = nullptr;
  }
  FormBase::Form_Unload();
}

}  // namespace prandel
