// SPDX-License-Identifier: GPL-3.0-or-later
// The editing panel read into plain values for the shared rules, and the report of
// the first fault on the field it concerns.
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

#include "expense/frmmExpense.h"
#include "ui/EntryField.h"

namespace prandel {

using ui::EntryField;

ConditionPanel frmmExpense::readPanel() const {
  ConditionPanel p;
  p.amount = Text1->text();
  p.amountItem = Combo3->currentIndex();
  p.trafficMode = ExOpt[1]->isChecked() ? 1 : ExOpt[2]->isChecked() ? 2 : 0;
  p.period = Combo1->currentIndex();
  p.periodNum = Combo4->currentIndex();
  p.timeKind = Combo2->currentIndex();
  for (std::size_t i = 0; i < 2; ++i) {
    p.periodDates[i] = tPeriod[i]->text();
    p.times[i] = txtTime[i]->text();
    p.weekDays[i] = cmdDay[i]->currentIndex();
    p.weekTimes[i] = advTime[i]->text();
  }
  p.includeHolidays = chkEnaHoliday->isChecked();
  p.customCallTime = cmbCallTime->currentIndex() == 1;
  p.callTime = txtDiffCall->text();
  p.ispOn = chkEnaISPC->isChecked();
  p.ispAmount = txtISPAmt->text();
  p.initialOn = chkEnaExpIni->isChecked();
  p.initialAmount = txtExpIniAmt->text();
  p.initialTimeOn = chkIntTime->isChecked();
  p.initialTime = txtInitTime->text();
  p.connectionOn = chkEnaExpAll->isChecked();
  p.connection = cmbExpCon->currentText();
  p.filterOn = chkCondtion->isChecked();
  p.filterCounter = Combo5->currentIndex();
  p.filterComparison = Combo6->currentIndex();
  p.filterHours = txtHour->text();
  p.filterMinutes = txtMin->text();
  p.filterValue = txtVal->text();
  return p;
}

void frmmExpense::showAdjustedPanel(const ConditionPanel& p) {
  if (chkEnaISPC->isChecked() != p.ispOn) tick(chkEnaISPC, p.ispOn);
  if (chkEnaExpIni->isChecked() != p.initialOn) tick(chkEnaExpIni, p.initialOn);
  if (chkIntTime->isChecked() != p.initialTimeOn) tick(chkIntTime, p.initialTimeOn);
  if ((cmbCallTime->currentIndex() == 1) != p.customCallTime) pick(cmbCallTime, p.customCallTime ? 1 : 0);
  setFieldText(txtInitTime, p.initialTime);
  setFieldText(txtDiffCall, p.callTime);
}

void frmmExpense::reportInvalid(PanelCheck check) {
  const PanelFault fault = panelFault(check);
  QWidget* const fields[] = {Text1,       tPeriod[0],   tPeriod[1],   txtTime[0], txtTime[1], advTime[0],
                             advTime[1],  txtDiffCall,  txtISPAmt,    txtExpIniAmt, txtInitTime, cmbExpCon,
                             Combo5,      Combo6,       txtHour,      txtMin,     txtVal};
  QWidget* const field = fields[static_cast<std::size_t>(fault.field)];
  // The second box of a pair that cannot both stand is emptied too.
  if (check == PanelCheck::DatesReversed) setFieldText(tPeriod[1], {});
  if (check == PanelCheck::SameTimes) setFieldText(txtTime[1], {});
  SendMsg(field, fault.message);
  switch (check) {
    case PanelCheck::BadFilterHours:
    case PanelCheck::BadFilterMinutes: {
      auto* box = static_cast<EntryField*>(field);
      setFieldText(box, QStringLiteral("00"));
      box->selectAll();
      break;
    }
    case PanelCheck::BadFilterValue: setFieldText(txtVal, {}); break;
    default: break;
  }
}

}  // namespace prandel
