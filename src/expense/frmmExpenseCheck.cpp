// SPDX-License-Identifier: GPL-3.0-or-later
// Validation of the editing panel in its fixed order, the report of the first
// fault, and the panel written into the condition record.
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <algorithm>
#include <optional>

#include "common/Session.h"
#include "common/SharedProcs.h"
#include "expense/frmmExpense.h"
#include "ui/EntryField.h"

namespace prandel {

using ui::EntryField;

namespace {

bool isTimeCounter(int comboIndex) {
  return comboIndex == 0 || comboIndex == 1 || comboIndex == 2 || comboIndex == 7;
}

// Seconds after midnight of a date or time text; nullopt when it is neither.
std::optional<int> secondsOfDay(const Regional& r, const QString& text) {
  const auto v = r.parseDateTime(text);
  if (!v) return std::nullopt;
  const auto t = Regional::timePart(*v);
  if (!t) return std::nullopt;
  return t->msecsSinceStartOfDay() / 1000;
}

double timeValue(const Regional& r, const QString& text) {
  const auto s = secondsOfDay(r, text);
  return s ? Regional::fromTime(*s / 3600, *s / 60 % 60, *s % 60) : 0.0;
}

}  // namespace

int frmmExpense::Check_valid() {
  Session& s = ctx.session;
  const Regional& r = s.regional;
  // Amounts are checked as they will be read: through the tracker's comma notation.
  const auto amountBad = [&](const EntryField* f) {
    const auto v = r.parseNumber(CommaToDecimal(s, f->text()));
    return f->text().isEmpty() || !v || *v < 0;
  };
  const auto numberBad = [&](const EntryField* f) {
    const auto v = r.parseNumber(f->text());
    return f->text().isEmpty() || !v || *v < 0;
  };
  const auto timeBad = [&](const EntryField* f) { return f->text().isEmpty() || !secondsOfDay(r, f->text()); };
  const auto durationBad = [&](const EntryField* f) { return timeBad(f) || *secondsOfDay(r, f->text()) <= 0; };
  const auto dateBad = [&](const EntryField* f) { return f->text().isEmpty() || !r.parseDate(f->text()); };
  const auto seconds = [&](const EntryField* f) { return secondsOfDay(r, f->text()).value_or(-1); };

  const int period = Combo1->currentIndex();
  const int timeKind = Combo2->currentIndex();
  // A weekly period holds its own times; the hidden time-of-day frame is not asked.
  const bool timeFrame = period != 7;

  if (amountBad(Text1)) return 1;
  if (period == 3) {
    if (dateBad(tPeriod[0])) return 2;
    if (dateBad(tPeriod[1])) return 3;
    const auto first = Regional::datePart(*r.parseDate(tPeriod[0]->text()));
    const auto last = Regional::datePart(*r.parseDate(tPeriod[1]->text()));
    if (first && last && *last < *first) return 30;
  }
  if (timeFrame) {
    if (timeKind != 0 && timeBad(txtTime[0])) return 4;
    if (timeKind == 1 && timeBad(txtTime[1])) return 5;
    if (timeKind == 2 && seconds(txtTime[0]) == 0) return 10;
    if (timeKind == 3 && seconds(txtTime[0]) == 0) return 11;
  }
  if (period == 7) {
    if (timeBad(advTime[0])) return 20;
    if (timeBad(advTime[1])) return 21;
    if (seconds(advTime[1]) / 60 == seconds(advTime[0]) / 60 &&
        cmdDay[1]->currentIndex() == cmdDay[0]->currentIndex())
      return 22;
  }
  if (timeFrame && timeKind == 1 && seconds(txtTime[1]) == seconds(txtTime[0])) return 12;
  if (cmbCallTime->currentIndex() == 1 && durationBad(txtDiffCall)) return 13;
  if (Combo3->currentIndex() == 1 && chkEnaISPC->isChecked() && amountBad(txtISPAmt)) return 17;
  if (chkEnaExpIni->isChecked() && amountBad(txtExpIniAmt)) return 6;
  if (chkIntTime->isChecked() && durationBad(txtInitTime)) return 8;
  if (chkEnaExpAll->isChecked() && cmbExpCon->currentText().trimmed().isEmpty()) return 29;
  if (chkCondtion->isChecked()) {
    if (Combo5->currentIndex() < 0) return 23;
    if (Combo6->currentIndex() < 0) return 24;
    if (isTimeCounter(Combo5->currentIndex())) {
      if (numberBad(txtHour)) return 25;
      if (numberBad(txtMin)) return 26;
    } else if (numberBad(txtVal)) {
      return 28;
    }
  }
  return 0;
}

void frmmExpense::reportInvalid(int code) {
  const QString enterTime = QStringLiteral("Please Enter Time");
  const QString sameTime = QStringLiteral("Dont use same time for start and end period");
  switch (code) {
    case 1: SendMsg(Text1, QStringLiteral("Please Enter Amount")); break;
    case 2: SendMsg(tPeriod[0], QStringLiteral("Please Enter Start Date")); break;
    case 3: SendMsg(tPeriod[1], QStringLiteral("Please Enter Last Date")); break;
    case 30:
      setFieldText(tPeriod[1], {});
      SendMsg(tPeriod[0], QStringLiteral("Invalid Date Setting"));
      break;
    case 4: SendMsg(txtTime[0], enterTime); break;
    case 5: SendMsg(txtTime[1], QStringLiteral("Please Enter End Time")); break;
    case 10: SendMsg(txtTime[0], enterTime); break;
    case 11: SendMsg(txtTime[0], QStringLiteral("To set time till Mid-Night use Whole Day setting")); break;
    case 20: SendMsg(advTime[0], enterTime); break;
    case 21: SendMsg(advTime[1], enterTime); break;
    case 22: SendMsg(advTime[1], sameTime); break;
    case 12:
      setFieldText(txtTime[1], {});
      SendMsg(txtTime[0], sameTime);
      break;
    case 13: SendMsg(txtDiffCall, QStringLiteral("Please Enter Different Call Time Setting")); break;
    case 17: SendMsg(txtISPAmt, QStringLiteral("Please Enter Other ISP Charges")); break;
    case 6: SendMsg(txtExpIniAmt, QStringLiteral("Please Enter Intial Amount")); break;
    case 8: SendMsg(txtInitTime, QStringLiteral("Please Enter Initial Call Time")); break;
    case 29: SendMsg(cmbExpCon, QStringLiteral("Please Enter Connection Name")); break;
    case 23: SendMsg(Combo5, QStringLiteral("Please Select Compare String")); break;
    case 24: SendMsg(Combo6, QStringLiteral("Please Select Compare Type")); break;
    case 25:
      SendMsg(txtHour, QStringLiteral("Please Set Hours Correctly"));
      setFieldText(txtHour, QStringLiteral("00"));
      txtHour->selectAll();
      break;
    case 26:
      SendMsg(txtMin, QStringLiteral("Please Set Minutes Correctly"));
      setFieldText(txtMin, QStringLiteral("00"));
      txtMin->selectAll();
      break;
    case 28:
      SendMsg(txtVal, QStringLiteral("Please Set Filter Value Correctly"));
      setFieldText(txtVal, {});
      break;
    default: break;
  }
}

void frmmExpense::fillRecord() {
  Session& s = ctx.session;
  const Regional& r = s.regional;
  store::ExpenseCondition& c = s.CondRec;
  const auto amount = [&](const EntryField* f) { return r.parseNumber(CommaToDecimal(s, f->text())).value_or(0); };
  // The value of a filter text: its leading number, read with a full stop as the decimal mark.
  const auto valueOf = [](const EntryField* f) { return Regional::val(f->text()); };

  c.Amt = amount(Text1);
  switch (Combo3->currentIndex()) {
    case 3:
      c.AmtKind = 2;
      tick(chkEnaISPC, false);
      break;
    case 2:
      c.AmtKind = 3;
      c.BwMode = ExOpt[1]->isChecked() ? 1 : ExOpt[2]->isChecked() ? 2 : 0;
      break;
    case 1: c.PerCall = true; break;
    case 0:
      c.PerCall = false;
      tick(chkEnaISPC, false);
      break;
    default: break;
  }
  const int period = Combo1->currentIndex();
  if (period == 7) {
    const auto minuteOfWeek = [&](std::size_t i) {
      const int secs = secondsOfDay(r, advTime[i]->text()).value_or(0);
      return static_cast<std::int16_t>(std::max(cmdDay[i]->currentIndex(), 0) * 1440 + secs / 60);
    };
    c.WkStart = minuteOfWeek(0);
    c.WkEnd = minuteOfWeek(1);
    c.InclHoli = chkEnaHoliday->isChecked();
  }
  c.PerType = static_cast<std::uint8_t>(std::max(period, 0));
  if (period == 1 || period == 2) c.PerNum = static_cast<std::uint8_t>(std::max(Combo4->currentIndex(), 0));
  if (period == 3) {
    const auto day = [&](const EntryField* f) {
      const auto v = r.parseDate(f->text());
      const auto d = v ? Regional::datePart(*v) : std::nullopt;
      return d ? Regional::fromDate(*d) : 0.0;
    };
    c.PerStart = day(tPeriod[0]);
    c.PerEnd = day(tPeriod[1]);
  }
  const int timeKind = Combo2->currentIndex();
  c.TimeType = static_cast<std::uint8_t>(std::max(timeKind, 0));
  if (timeKind == 1) {
    c.TimeStart = timeValue(r, txtTime[0]->text());
    c.TimeEnd = timeValue(r, txtTime[1]->text());
    if (c.TimeEnd == 0) c.TimeType = 3;
  } else if (timeKind == 2 || timeKind == 3) {
    c.TimeStart = timeValue(r, txtTime[0]->text());
  }
  if (chkEnaExpIni->isChecked()) {
    c.InCall = true;
    c.InCallAmt = amount(txtExpIniAmt);
  }
  if (chkEnaISPC->isChecked()) {
    c.IspOn = 12;
    c.IspAmt = amount(txtISPAmt);
  }
  c.ConVal = chkEnaExpAll->isChecked();
  c.ConNm = cmbExpCon->currentText().toStdString();
  if (chkIntTime->isChecked()) {
    c.InTimeOn = true;
    c.InTime = timeValue(r, txtInitTime->text());
  }
  if (cmbCallTime->currentIndex() == 1) {
    c.CustCall = true;
    c.CallTime = timeValue(r, txtDiffCall->text());
  }
  if (chkCondtion->isChecked()) {
    const int counter = Combo5->currentIndex();
    c.CondItem = static_cast<std::uint8_t>(counter + 1);
    c.CondCmp = static_cast<std::uint8_t>(Combo6->currentIndex());
    // "1,000" is 1 and "2,5" is 2, in any locale.
    c.CondVal = isTimeCounter(counter) ? valueOf(txtHour) * 3600 + valueOf(txtMin) * 60 : valueOf(txtVal);
  }
}

}  // namespace prandel
