// SPDX-License-Identifier: GPL-3.0-or-later
// The checks of the editing panel in their order, and the records that accepted
// panels give.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "ExpenseTestKit.h"

namespace prandel {
namespace {

using test::choose;
using test::click;
using test::condition;
using test::ExpenseKit;
using test::hm;
using Panel = std::function<void(frmmExpense&)>;

// One refused panel: the message, the texts of the fields afterwards, the field
// that has the focus.
struct Refusal {
  const char* name;
  Panel panel;
  const char* message;
  std::vector<std::pair<const char*, const char*>> texts;
  const char* focus;
};

TEST(CheckValid, EachFaultItsMessageItsFieldsAndNothingWritten) {
  const Refusal cases[] = {
      {"amount empty", [](frmmExpense& w) { w.Text1->setText({}); }, "Please Enter Amount", {{"Text1", ""}}, "Text1"},
      {"amount not a number", [](frmmExpense& w) { w.Text1->setText(QStringLiteral("abc")); }, "Please Enter Amount",
       {{"Text1", ""}}, "Text1"},
      {"amount negative", [](frmmExpense& w) { w.Text1->setText(QStringLiteral("-1")); }, "Please Enter Amount",
       {{"Text1", ""}}, "Text1"},
      {"amount first of all",
       [](frmmExpense& w) {
         w.Text1->setText({});
         choose(w.Combo2, 1);
       },
       "Please Enter Amount", {{"Text1", ""}}, "Text1"},
      {"start date", [](frmmExpense& w) { choose(w.Combo1, 3), w.tPeriod[0]->setText({}); }, "Please Enter Start Date",
       {{"tPeriod(0)", ""}}, "tPeriod(0)"},
      {"start date not a date", [](frmmExpense& w) { choose(w.Combo1, 3), w.tPeriod[0]->setText(QStringLiteral("13/45/")); },
       "Please Enter Start Date", {{"tPeriod(0)", ""}}, "tPeriod(0)"},
      {"last date", [](frmmExpense& w) { choose(w.Combo1, 3), w.tPeriod[1]->setText(QStringLiteral("x")); },
       "Please Enter Last Date", {{"tPeriod(1)", ""}, {"tPeriod(0)", "3/5/2024"}}, "tPeriod(1)"},
      {"last date before the first",
       [](frmmExpense& w) {
         choose(w.Combo1, 3);
         w.tPeriod[0]->setText(QStringLiteral("3/10/2024"));
         w.tPeriod[1]->setText(QStringLiteral("3/9/2024"));
       },
       "Invalid Date Setting", {{"tPeriod(0)", ""}, {"tPeriod(1)", ""}}, "tPeriod(0)"},
      {"start time", [](frmmExpense& w) { choose(w.Combo2, 1); }, "Please Enter Time", {{"txtTime(0)", ""}},
       "txtTime(0)"},
      {"end time",
       [](frmmExpense& w) { choose(w.Combo2, 1), w.txtTime[0]->setText(QStringLiteral("10:00")); },
       "Please Enter End Time", {{"txtTime(1)", ""}, {"txtTime(0)", "10:00"}}, "txtTime(1)"},
      {"before midnight", [](frmmExpense& w) { choose(w.Combo2, 2), w.txtTime[0]->setText(QStringLiteral("0:00")); },
       "Please Enter Time", {{"txtTime(0)", ""}}, "txtTime(0)"},
      {"after midnight", [](frmmExpense& w) { choose(w.Combo2, 3), w.txtTime[0]->setText(QStringLiteral("00:00")); },
       "To set time till Mid-Night use Whole Day setting", {{"txtTime(0)", ""}}, "txtTime(0)"},
      {"weekly start", [](frmmExpense& w) { choose(w.Combo1, 7), w.advTime[0]->setText(QStringLiteral("25:00")); },
       "Please Enter Time", {{"advTime(0)", ""}}, "advTime(0)"},
      {"weekly end", [](frmmExpense& w) { choose(w.Combo1, 7), w.advTime[1]->setText({}); }, "Please Enter Time",
       {{"advTime(1)", ""}, {"advTime(0)", "01:00"}}, "advTime(1)"},
      {"weekly same moment",
       [](frmmExpense& w) { choose(w.Combo1, 7), w.advTime[1]->setText(QStringLiteral("1:00")); },
       "Dont use same time for start and end period", {{"advTime(1)", ""}, {"advTime(0)", "01:00"}}, "advTime(1)"},
      {"between the same times",
       [](frmmExpense& w) {
         choose(w.Combo2, 1);
         w.txtTime[0]->setText(QStringLiteral("10:00"));
         w.txtTime[1]->setText(QStringLiteral("10:00"));
       },
       "Dont use same time for start and end period", {{"txtTime(0)", ""}, {"txtTime(1)", ""}}, "txtTime(0)"},
      {"custom call time zero",
       [](frmmExpense& w) {
         choose(w.Combo3, 1);
         choose(w.cmbCallTime, 1);
         w.txtDiffCall->setText(QStringLiteral("00:00:00"));
       },
       "Please Enter Different Call Time Setting", {{"txtDiffCall", ""}}, "txtDiffCall"},
      {"custom call time empty", [](frmmExpense& w) { choose(w.Combo3, 1), choose(w.cmbCallTime, 1); },
       "Please Enter Different Call Time Setting", {{"txtDiffCall", ""}}, "txtDiffCall"},
      {"ISP charge before the initial amount",
       [](frmmExpense& w) {
         choose(w.Combo3, 1);
         click(w.chkEnaISPC);
         w.txtISPAmt->setText(QStringLiteral("-2"));
         click(w.chkEnaExpIni);
       },
       "Please Enter Other ISP Charges", {{"txtISPAmt", ""}}, "txtISPAmt"},
      {"initial amount", [](frmmExpense& w) { click(w.chkEnaExpIni); }, "Please Enter Intial Amount",
       {{"txtExpIniAmt", ""}}, "txtExpIniAmt"},
      {"initial call time zero",
       [](frmmExpense& w) {
         click(w.chkEnaExpIni);
         w.txtExpIniAmt->setText(QStringLiteral("0.20"));
         click(w.chkIntTime);
         w.txtInitTime->setText(QStringLiteral("00:00"));
       },
       "Please Enter Initial Call Time", {{"txtInitTime", ""}, {"txtExpIniAmt", "0.20"}}, "txtInitTime"},
      {"connection name blank",
       [](frmmExpense& w) { click(w.chkEnaExpAll), w.cmbExpCon->setEditText(QStringLiteral("   ")); },
       "Please Enter Connection Name", {}, "cmbExpCon"},
      {"filter counter", [](frmmExpense& w) { click(w.chkCondtion); }, "Please Select Compare String", {}, "Combo5"},
      {"filter comparison", [](frmmExpense& w) { click(w.chkCondtion), choose(w.Combo5, 3); },
       "Please Select Compare Type", {}, "Combo6"},
      {"filter hours",
       [](frmmExpense& w) {
         click(w.chkCondtion), choose(w.Combo5, 1), choose(w.Combo6, 2);
         w.txtHour->setText({});
       },
       "Please Set Hours Correctly", {{"txtHour", "00"}}, "txtHour"},
      {"filter minutes",
       [](frmmExpense& w) {
         click(w.chkCondtion), choose(w.Combo5, 7), choose(w.Combo6, 2);
         w.txtMin->setText({});
       },
       "Please Set Minutes Correctly", {{"txtMin", "00"}, {"txtHour", "00"}}, "txtMin"},
      {"filter value",
       [](frmmExpense& w) {
         click(w.chkCondtion), choose(w.Combo5, 5), choose(w.Combo6, 0);
         w.txtVal->setText(QStringLiteral("-3"));
       },
       "Please Set Filter Value Correctly", {{"txtVal", ""}}, "txtVal"},
  };
  for (const Refusal& c : cases) {
    ExpenseKit k;
    k.put(ConditionSet::Live, 1, condition([](auto& r) { r.Amt = 1; }));
    auto w = k.open();
    w->CmdBut[6]->click();
    w->Text1->setText(QStringLiteral("1.50"));
    c.panel(*w);
    const auto before = k.bytes();
    k.prompter.shown.clear();
    w->CmdBut[4]->click();
    ASSERT_EQ(k.prompter.shown.size(), 1u) << c.name;
    EXPECT_EQ(k.prompter.shown[0].text, QString::fromLatin1(c.message)) << c.name;
    EXPECT_EQ(k.prompter.shown[0].title, QStringLiteral("Prandel")) << c.name;
    EXPECT_FALSE(k.prompter.shown[0].isQuestion);
    for (const auto& [field, text] : c.texts) {
      auto* f = w->findChild<QLineEdit*>(QString::fromLatin1(field));
      ASSERT_NE(f, nullptr) << field;
      EXPECT_EQ(f->text(), QString::fromLatin1(text)) << c.name << ": " << field;
    }
    EXPECT_EQ(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(),
              QString::fromLatin1(c.focus))
        << c.name;
    EXPECT_FALSE(w->CmdBut[4]->isHidden()) << c.name;
    EXPECT_TRUE(w->CmdBut[4]->isDefault()) << c.name;
    EXPECT_EQ(w->cancelButton(), w->CmdBut[5]) << c.name;
    EXPECT_EQ(k.bytes(), before) << c.name;
  }
}

// One accepted panel and the record it gives; shape() receives the record as the
// slot held it, cleared and marked in use.
struct Saved {
  const char* name;
  Panel panel;
  std::function<void(store::ExpenseCondition&)> shape;
};

TEST(SaveProfile, PanelsGiveTheirRecords) {
  const Saved cases[] = {
      {"per call on weekdays, custom call time, ISP charge",
       [](frmmExpense& w) {
         w.Text1->setText(QStringLiteral("1.50"));
         choose(w.Combo3, 1);
         choose(w.Combo1, 5);
         choose(w.Combo2, 1);
         w.txtTime[0]->setText(QStringLiteral("08:00"));
         w.txtTime[1]->setText(QStringLiteral("18:00"));
         choose(w.cmbCallTime, 1);
         w.txtDiffCall->setText(QStringLiteral("1:30"));  // becomes 00:1:30
         click(w.chkEnaISPC);
         w.txtISPAmt->setText(QStringLiteral("0.5"));
       },
       [](auto& c) {
         c.Amt = 1.5, c.PerCall = true, c.PerType = 5, c.TimeType = 1, c.TimeStart = hm(8, 0), c.TimeEnd = hm(18, 0);
         c.CustCall = true, c.CallTime = hm(0, 1, 30), c.IspOn = 12, c.IspAmt = 0.5;
       }},
      {"free of charge", [](frmmExpense& w) { w.Text1->setText(QStringLiteral("0")); }, [](auto& c) { c.Amt = 0; }},
      {"between 22:00 and midnight is after 22:00",
       [](frmmExpense& w) {
         choose(w.Combo2, 1);
         w.txtTime[0]->setText(QStringLiteral("22:00"));
         w.txtTime[1]->setText(QStringLiteral("0:00"));
       },
       [](auto& c) { c.Amt = 2, c.TimeType = 3, c.TimeStart = hm(22, 0); }},
      {"before 9",
       [](frmmExpense& w) { choose(w.Combo2, 2), w.txtTime[0]->setText(QStringLiteral("09:00")); },
       [](auto& c) { c.Amt = 2, c.TimeType = 2, c.TimeStart = hm(9, 0); }},
      {"weekly period with holidays",
       [](frmmExpense& w) {
         choose(w.Combo1, 7);
         w.cmdDay[0]->setCurrentIndex(0);
         w.advTime[0]->setText(QStringLiteral("9:30"));
         w.cmdDay[1]->setCurrentIndex(1);
         w.advTime[1]->setText(QStringLiteral("17:00"));
         click(w.chkEnaHoliday);
       },
       [](auto& c) { c.Amt = 2, c.PerType = 7, c.WkStart = 570, c.WkEnd = 2460, c.InclHoli = true; }},
      {"weekly period ignores a time kind left over",
       [](frmmExpense& w) {
         choose(w.Combo2, 1);
         choose(w.Combo1, 7);
         w.cmdDay[1]->setCurrentIndex(6);
         w.advTime[1]->setText(QStringLiteral("23:59"));
       },
       [](auto& c) { c.Amt = 2, c.PerType = 7, c.WkStart = 60, c.WkEnd = 10079, c.TimeType = 3; }},
      {"date range, the same day twice",
       [](frmmExpense& w) {
         choose(w.Combo1, 3);
         w.tPeriod[0]->setText(QStringLiteral("3/1/2024"));
         w.tPeriod[1]->setText(QStringLiteral("03/01/24"));
       },
       [](auto& c) { c.Amt = 2, c.PerType = 3, c.PerStart = 45352, c.PerEnd = 45352; }},
      {"one weekday", [](frmmExpense& w) { choose(w.Combo1, 1), w.Combo4->setCurrentIndex(3); },
       [](auto& c) { c.Amt = 2, c.PerType = 1, c.PerNum = 3; }},
      {"one month", [](frmmExpense& w) { choose(w.Combo1, 2), w.Combo4->setCurrentIndex(11); },
       [](auto& c) { c.Amt = 2, c.PerType = 2, c.PerNum = 11; }},
      {"per MB counts upload only and drops the call settings",
       [](frmmExpense& w) {
         choose(w.Combo3, 1);
         click(w.chkEnaExpIni);
         w.txtExpIniAmt->setText(QStringLiteral("x"));
         click(w.chkEnaISPC);
         choose(w.cmbCallTime, 1);
         choose(w.Combo3, 2);
         w.ExOpt[2]->setChecked(true);
       },
       [](auto& c) { c.Amt = 2, c.AmtKind = 3, c.BwMode = 2; }},
      {"only at once drops the initial and call settings",
       [](frmmExpense& w) {
         choose(w.Combo3, 1);
         click(w.chkIntTime);
         w.txtInitTime->setText(QStringLiteral("0:10"));
         choose(w.Combo3, 3);
       },
       [](auto& c) { c.Amt = 2, c.AmtKind = 2; }},
      {"initial cost and time under per hour",
       [](frmmExpense& w) {
         click(w.chkEnaExpIni);
         w.txtExpIniAmt->setText(QStringLiteral("0.2"));
         click(w.chkIntTime);
         w.txtInitTime->setText(QStringLiteral("0:45"));
       },
       [](auto& c) { c.Amt = 2, c.InCall = true, c.InCallAmt = 0.2, c.InTimeOn = true, c.InTime = hm(0, 0, 45); }},
      {"connection", [](frmmExpense& w) { click(w.chkEnaExpAll), w.cmbExpCon->setEditText(QStringLiteral(" MyISP")); },
       [](auto& c) { c.Amt = 2, c.ConVal = true, c.ConNm = " MyISP"; }},
      {"connection name cut to 20",
       [](frmmExpense& w) {
         click(w.chkEnaExpAll);
         w.cmbExpCon->setEditText(QStringLiteral("A rather long connection name"));
       },
       [](auto& c) { c.Amt = 2, c.ConVal = true, c.ConNm = "A rather long connec"; }},
      {"todays time above 2:30",
       [](frmmExpense& w) {
         click(w.chkCondtion), choose(w.Combo5, 1), choose(w.Combo6, 2);
         w.txtHour->setText(QStringLiteral("2"));
         w.txtMin->setText(QStringLiteral("30"));
       },
       [](auto& c) { c.Amt = 2, c.CondItem = 2, c.CondCmp = 2, c.CondVal = 9000; }},
      {"total calls equal to 10",
       [](frmmExpense& w) {
         click(w.chkCondtion), choose(w.Combo5, 6), choose(w.Combo6, 0);
         w.txtVal->setText(QStringLiteral("10"));
       },
       [](auto& c) { c.Amt = 2, c.CondItem = 7, c.CondCmp = 0, c.CondVal = 10; }},
  };
  for (const Saved& c : cases) {
    ExpenseKit k;
    auto w = k.open();
    w->CmdBut[6]->click();
    w->Text1->setText(QStringLiteral("2"));
    c.panel(*w);
    k.prompter.shown.clear();
    w->CmdBut[4]->click();
    EXPECT_TRUE(k.prompter.shown.empty()) << c.name << ": " << k.prompter.lastText().toStdString();
    store::ExpenseCondition want;
    want.InUse = true;
    c.shape(want);
    EXPECT_EQ(k.raw(ConditionSet::Work, 1), want.encoded()) << c.name;
    EXPECT_TRUE(w->CmdBut[4]->isHidden()) << c.name;
    EXPECT_EQ(w->lstCondtions->count(), 1) << c.name;
  }
}

// A plain filter value is accepted as the locale reads numbers, but stored as its
// leading number read with a full stop as the decimal mark.
TEST(SaveProfile, TheFilterValueIsItsLeadingNumberWithAFullStop) {
  const struct {
    const char* locale;
    const char* text;
    double stored;
  } rows[] = {
      {"en_US", "1,000", 1}, {"en_US", "2,5", 2},  {"en_US", "2.5", 2.5},
      {"en_US", "10", 10},   {"de_DE", "2,5", 2},  {"de_DE", "1.000", 1},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.locale) + " " + r.text);
    ExpenseKit k(QLocale(QString::fromLatin1(r.locale)));
    auto w = k.open();
    w->CmdBut[6]->click();
    w->Text1->setText(QStringLiteral("2"));
    click(w->chkCondtion), choose(w->Combo5, 8), choose(w->Combo6, 1);  // Sent + Receive (in MB)
    w->txtVal->setText(QString::fromLatin1(r.text));
    w->CmdBut[4]->click();
    EXPECT_TRUE(k.prompter.shown.empty()) << k.prompter.lastText().toStdString();
    const auto c = k.get(ConditionSet::Work, 1);
    EXPECT_EQ(c.CondItem, 9);
    EXPECT_EQ(c.CondVal, r.stored);
  }
}

TEST(SaveProfile, EditKeepsSpareAndBandwidthAndTheOtherSlots) {
  ExpenseKit k;
  k.put(ConditionSet::Live, 1, condition([](auto& c) { c.Amt = 7; }));
  k.put(ConditionSet::Live, 2, condition([](auto& c) {
          c.Amt = 0.05, c.AmtKind = 3, c.BwMode = 2, c.CondSpare = 0x5A, c.IspOn = 1, c.IspAmt = 3;
        }));
  auto w = k.open();
  const auto slot1 = k.raw(ConditionSet::Work, 1);
  w->lstCondtions->setCurrentRow(1);
  w->CmdBut[3]->click();
  EXPECT_EQ(w->Combo3->currentIndex(), 2);
  EXPECT_TRUE(w->ExOpt[2]->isChecked());
  EXPECT_EQ(w->Text1->text(), QStringLiteral("0.05"));
  choose(w->Combo3, 0);
  w->CmdBut[4]->click();
  const auto rec = k.get(ConditionSet::Work, 2);
  EXPECT_EQ(rec.AmtKind, 0);
  EXPECT_EQ(rec.BwMode, 2);
  EXPECT_EQ(rec.CondSpare, 0x5A);
  EXPECT_EQ(rec.IspOn, 0);
  EXPECT_EQ(rec.Amt, 0.05);
  EXPECT_EQ(k.raw(ConditionSet::Work, 1), slot1);
  EXPECT_EQ(w->lblDetails[0]->text(), QStringLiteral("Amount :  0.05 Per Hour"));
}

}  // namespace
}  // namespace prandel
