// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the editing panel: each kind chosen in a list or a tick box shows,
// hides, enables or greys the controls it concerns. Also the details panel, the
// dial-up connection list and the report of a bad field.
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "core/ConditionStore.h"
#include "core/ConditionTexts.h"
#include "expense/frmmExpense.h"
#include "store/Choices.h"
#include "ui/EditorState.h"
#include "ui/EntryField.h"
#include "ui/Greying.h"
#include "ui/Prompter.h"
#include "ui/SpinBar.h"
#include "ui/Twips.h"

namespace prandel {

using ui::paintFieldGreyed;
using ui::setFieldUsable;

namespace {
// Sunday 5 January 2003 names the days of the week.
double nameDay(int offset) { return Regional::fromDate(QDate(2003, 1, 5).addDays(offset)); }
}  // namespace

void frmmExpense::pick(QComboBox* c, int index) {
  c->setCurrentIndex(index);
  if (c == Combo1) Combo1_Click();
  else if (c == Combo2) Combo2_Click();
  else if (c == Combo3) Combo3_Click();
  else if (c == Combo5) Combo5_Click();
  else if (c == cmbCallTime) cmbCallTime_Click();
}

void frmmExpense::tick(QCheckBox* c, bool on) {
  c->setChecked(on);
  if (c == chkEnaExpIni) chkEnaExpIni_Click();
  else if (c == chkIntTime) chkIntTime_Click();
  else if (c == chkEnaISPC) chkEnaISPC_Click();
  else if (c == chkEnaExpAll) chkEnaExpAll_Click();
  else if (c == chkCondtion) chkCondtion_Click();
}

void frmmExpense::Combo1_Click() {
  ui::EditorState& s = ctx.state;
  const int index = Combo1->currentIndex();
  Frame2->setVisible(index != 7);
  Frame5->setVisible(index == 7);
  chkEnaHoliday->setVisible(index == 7);
  if (index < 0 || index > 7) return;

  const bool dates = index == 0 || index == 3 || index == 4 || index == 5 || index == 6;
  Combo4->setVisible(index == 1 || index == 2);
  for (ui::EntryField* f : tPeriod) f->setVisible(dates);
  Label3->setVisible(dates);
  QString caption = QStringLiteral("&Period");
  if (index == 1 || index == 2) {
    Combo4->clear();
    if (index == 1) {
      for (int d = 0; d < 7; ++d) Combo4->addItem(s.regional.formatDate(nameDay(d), QStringLiteral("dddd")));
    } else {
      for (int m = 1; m <= 12; ++m)
        Combo4->addItem(s.regional.formatDate(Regional::fromDate(QDate(2003, m, 1)), QStringLiteral("Mmmm")));
    }
    Combo4->setCurrentIndex(0);
  } else if (index == 3) {
    const QString today = s.regional.formatDate(s.today(), QStringLiteral("Short Date"));
    for (ui::EntryField* f : tPeriod) {
      setFieldUsable(f, true);
      setFieldText(f, today);
    }
    const QString pattern = s.ShortDateFmt.isEmpty() ? s.regional.shortDatePattern() : s.ShortDateFmt;
    caption = QStringLiteral("&Period (") + pattern + QLatin1Char(')');
  } else if (dates) {
    for (ui::EntryField* f : tPeriod) {
      setFieldText(f, {});
      setFieldUsable(f, false);
    }
  }
  Frame1->setTitle(caption);
}

void frmmExpense::Combo2_Click() {
  const int index = Combo2->currentIndex();
  if (index < 0 || index > 3) return;
  ui::EntryField* first = txtTime[0];
  const bool wide = index >= 2;
  placeTwips(first, 105, 620, wide ? 1750 : 690, 285);
  // The wide box lies over the "To" label and the second box.
  first->raise();
  for (ui::EntryField* f : txtTime) {
    setFieldText(f, {});
    setFieldUsable(f, index != 0);
  }
  txtTime[1]->setVisible(!wide);
}

void frmmExpense::Combo3_Click() {
  switch (Combo3->currentIndex()) {
    case 0:  // Per Hour
      frExp[2]->show();
      frExp[3]->hide();
      frExp[1]->setEnabled(true);
      chkEnaExpIni->setEnabled(true);
      chkIntTime->setEnabled(false);
      setFieldUsable(txtInitTime, false);
      Label2->setEnabled(false);
      // With the initial cost ticked this enables the initial-time box again but
      // leaves its time field greyed, even when it is ticked from Per Call.
      chkEnaExpIni_Click();
      pick(cmbCallTime, 0);
      frExp[2]->setEnabled(false);
      Label8->setEnabled(false);
      setFieldUsable(cmbCallTime, false);
      Label6->setEnabled(false);
      setFieldUsable(txtDiffCall, false);
      Label1->setEnabled(false);
      chkEnaISPC->setEnabled(false);
      setFieldUsable(txtISPAmt, false);
      Label5->setEnabled(false);
      break;
    case 1:  // Per Call
      frExp[2]->show();
      frExp[3]->hide();
      frExp[2]->setEnabled(true);
      Label8->setEnabled(true);
      Label6->setEnabled(true);
      Label5->setEnabled(true);
      setFieldUsable(cmbCallTime, true);
      setFieldUsable(txtISPAmt, true);
      cmbCallTime_Click();
      chkEnaISPC_Click();
      frExp[1]->setEnabled(true);
      chkEnaExpIni->setEnabled(true);
      chkEnaISPC->setEnabled(true);
      chkIntTime->setEnabled(true);
      chkEnaExpIni_Click();
      chkIntTime_Click();
      break;
    case 2:  // Per MB
    case 3:  // Only At Once
      frExp[1]->setEnabled(false);
      chkEnaExpIni->setEnabled(false);
      chkIntTime->setEnabled(false);
      setFieldUsable(txtExpIniAmt, false);
      setFieldUsable(txtInitTime, false);
      Label2->setEnabled(false);
      Label7->setEnabled(false);
      frExp[2]->setVisible(Combo3->currentIndex() == 3);
      frExp[3]->setVisible(Combo3->currentIndex() == 2);
      break;
    default: break;
  }
}

void frmmExpense::chkEnaExpIni_Click() {
  const bool on = chkEnaExpIni->isChecked();
  const bool perHour = Combo3->currentIndex() == 0;
  setFieldUsable(txtExpIniAmt, on);
  Label7->setEnabled(on);
  if (!on && perHour) {
    tick(chkIntTime, false);
    chkIntTime->setEnabled(false);
  } else if (on && perHour) {
    chkIntTime->setEnabled(true);
  }
}

void frmmExpense::chkIntTime_Click() {
  const bool on = chkIntTime->isChecked();
  setFieldUsable(txtInitTime, on);
  Label2->setEnabled(on);
}

void frmmExpense::cmbCallTime_Click() {
  const int index = cmbCallTime->currentIndex();
  if (index == 0) {
    setFieldUsable(txtDiffCall, false);
    setFieldText(txtDiffCall, ctx.state.regional.formatDate(ctx.state.MainRec.IncTime, QStringLiteral("hh:mm:ss")));
  } else if (index == 1) {
    setFieldUsable(txtDiffCall, true);
    setFieldText(txtDiffCall, {});
  } else {
    return;
  }
  Label6->setEnabled(index == 1);
  Label1->setEnabled(index == 1);
}

void frmmExpense::chkEnaISPC_Click() {
  const bool on = chkEnaISPC->isChecked();
  setFieldUsable(txtISPAmt, on);
  Label5->setEnabled(on);
}

void frmmExpense::chkEnaExpAll_Click() {
  const bool on = chkEnaExpAll->isChecked();
  setFieldUsable(cmbExpCon, on);
  if (!on) cmbExpCon->setEditText({});
}

void frmmExpense::chkCondtion_Click() {
  const bool on = chkCondtion->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{Combo5, Combo6, txtVal, txtHour, txtMin})
    setFieldUsable(w, on);
  HourScroll->setEnabled(on);
  MinScroll->setEnabled(on);
  Label10->setEnabled(on);
}

void frmmExpense::Combo5_Click() {
  const int index = Combo5->currentIndex();
  const bool time = store::choices::isTimeCounter(index);
  for (QWidget* w : std::initializer_list<QWidget*>{txtHour, HourScroll, Label10, txtMin, MinScroll, Label11})
    w->setVisible(time);
  txtVal->setVisible(!time);
}

void frmmExpense::Combo1_Change() { pick(Combo1, 0); }

void frmmExpense::ListDUNs() {
  cmbExpCon->clear();
  if (!ctx.state.platform.dialup) return;
  constexpr std::size_t kMaxEntries = 256;
  std::size_t n = 0;
  for (const std::string& name : ctx.state.platform.dialup->entryNames()) {
    if (n++ == kMaxEntries) break;
    cmbExpCon->addItem(QString::fromStdString(name.substr(0, name.find('\0'))));
  }
  cmbExpCon->setCurrentIndex(-1);
}

void frmmExpense::SendMsg(QWidget* setCont, const QString& smMsg) {
  if (auto* f = qobject_cast<ui::EntryField*>(setCont)) setFieldText(f, {});
  else if (auto* c = qobject_cast<QComboBox*>(setCont); c && c->isEditable()) c->setEditText({});
  setCont->setFocus();
  setButtonRoles(4, 5);
  ctx.prompter.message(this, smMsg, ui::kProgramTitle);
}

void frmmExpense::lstCondtions_Click() {
  if (!CmdBut[4]->isHidden()) return;
  const int n = lstCondtions->count();
  CmdBut[6]->setEnabled(n < store::ExpenseCondition::Slots);
  CmdBut[3]->setEnabled(n > 0);
  CmdBut[2]->setEnabled(n > 0);
  for (QLabel* l : lblDetails) l->hide();
  const int sel = selectedIndex();
  if (n == 0 || sel < 0) return;

  ui::EditorState& s = ctx.state;
  readSlot(s.files, ConditionSet::Work, selectedSlot(), s.CondRec);
  const DetailLines lines = describeCondition(s.regional, s.MainRec, s.CondRec);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i]) continue;
    lblDetails[i]->setText(*lines[i]);
    lblDetails[i]->adjustSize();
    lblDetails[i]->show();
  }
}

}  // namespace prandel
