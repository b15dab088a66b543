// Adding, editing, validating, saving, deleting and committing conditions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <cstring>

#include "ExpenseTestKit.h"
#include "expense/frmmExpGraph.h"

namespace prandel {
namespace {

using test::choose;
using test::click;
using test::condition;
using test::ExpenseKit;
using test::hm;
using Panel = std::function<void(frmmExpense&)>;

constexpr std::size_t kChangeCode = 1024 + 156;

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

TEST(LoadProfile, EveryControlFromTheRecord) {
  ExpenseKit k;
  k.setMain([](store::MainRecord& m) { m.IncTime = hm(0, 1, 0); });
  k.put(ConditionSet::Live, 1, condition([](auto& c) {
          c.Amt = 1.5, c.PerCall = true, c.PerType = 7, c.WkStart = 570, c.WkEnd = 2460, c.InclHoli = true;
          c.InCall = true, c.InCallAmt = 0.25, c.InTimeOn = true, c.InTime = hm(0, 0, 45);
          c.ConVal = true, c.ConNm = "MyISP", c.IspOn = 12, c.IspAmt = 3, c.CustCall = true, c.CallTime = hm(0, 2, 0);
          c.CondItem = 2, c.CondCmp = 4, c.CondVal = 9000 + 59;
        }));
  k.put(ConditionSet::Live, 2, condition([](auto& c) {
          c.Amt = 123456.789, c.PerType = 3, c.PerStart = 45352, c.PerEnd = 45382, c.TimeType = 1;
          c.TimeStart = hm(8, 0), c.TimeEnd = hm(18, 30), c.CondItem = 11, c.CondVal = 2.5, c.CondCmp = 1;
        }));
  k.put(ConditionSet::Live, 3, condition([](auto& c) { c.Amt = 0.123456789, c.PerType = 2, c.PerNum = 4; }));
  auto w = k.open();
  w->CmdBut[3]->click();
  EXPECT_EQ(w->Text1->text(), QStringLiteral("1.50"));
  EXPECT_EQ(w->Combo3->currentIndex(), 1);
  EXPECT_EQ(w->Combo1->currentIndex(), 7);
  EXPECT_EQ(w->cmdDay[0]->currentIndex(), 0);
  EXPECT_EQ(w->advTime[0]->text(), QStringLiteral("9:30"));
  EXPECT_EQ(w->cmdDay[1]->currentIndex(), 1);
  EXPECT_EQ(w->advTime[1]->text(), QStringLiteral("17:00"));
  EXPECT_TRUE(w->chkEnaHoliday->isChecked());
  EXPECT_TRUE(w->chkEnaExpIni->isChecked());
  EXPECT_EQ(w->txtExpIniAmt->text(), QStringLiteral("0.25"));
  EXPECT_TRUE(w->chkIntTime->isChecked() && w->txtInitTime->isEnabled());
  EXPECT_EQ(w->txtInitTime->text(), QStringLiteral("00:00:45"));
  EXPECT_EQ(w->cmbExpCon->currentText(), QStringLiteral("MyISP"));
  EXPECT_TRUE(w->chkEnaISPC->isChecked() && w->txtISPAmt->isEnabled());
  EXPECT_EQ(w->txtISPAmt->text(), QStringLiteral("3.00"));
  EXPECT_EQ(w->cmbCallTime->currentIndex(), 1);
  EXPECT_EQ(w->txtDiffCall->text(), QStringLiteral("00:02:00"));
  EXPECT_TRUE(w->chkCondtion->isChecked());
  EXPECT_EQ(w->Combo5->currentIndex(), 1);
  EXPECT_EQ(w->Combo6->currentIndex(), 4);
  EXPECT_EQ(w->txtHour->text(), QStringLiteral("02"));
  EXPECT_EQ(w->txtMin->text(), QStringLiteral("30"));
  EXPECT_FALSE(w->txtHour->isHidden());
  EXPECT_EQ(QApplication::focusWidget(), w->Text1);
  // Saving it unchanged keeps every byte but the seconds below a minute.
  const auto before = k.raw(ConditionSet::Work, 1);
  w->CmdBut[4]->click();
  auto want = k.get(ConditionSet::Live, 1);
  want.CondVal = 9000;
  EXPECT_EQ(k.raw(ConditionSet::Work, 1), want.encoded());
  EXPECT_NE(k.raw(ConditionSet::Work, 1), before);

  // An amount longer than the typing limit is shown whole; one of 11 characters
  // or more is emptied.
  w->lstCondtions->setCurrentRow(1);
  w->CmdBut[3]->click();
  EXPECT_EQ(w->Text1->text(), QStringLiteral("123456.789"));
  EXPECT_EQ(w->tPeriod[0]->text(), QStringLiteral("3/1/2024"));
  EXPECT_EQ(w->tPeriod[1]->text(), QStringLiteral("3/31/2024"));
  EXPECT_EQ(w->txtTime[0]->text(), QStringLiteral("08:00"));
  EXPECT_EQ(w->txtTime[1]->text(), QStringLiteral("18:30"));
  EXPECT_EQ(w->txtVal->text(), QStringLiteral("2.5"));
  EXPECT_FALSE(w->txtVal->isHidden());
  EXPECT_EQ(w->cmbCallTime->currentIndex(), 0);
  EXPECT_EQ(w->txtDiffCall->text(), QStringLiteral("00:01:00"));
  EXPECT_FALSE(w->chkEnaExpAll->isChecked());
  EXPECT_EQ(w->cmbExpCon->currentText(), QString());
  w->CmdBut[4]->click();
  EXPECT_EQ(k.get(ConditionSet::Work, 2).Amt, 123456.789);
  EXPECT_EQ(k.get(ConditionSet::Work, 2).CondVal, 2.5);

  w->lstCondtions->setCurrentRow(2);
  w->CmdBut[3]->click();
  EXPECT_EQ(w->Text1->text(), QString());
  EXPECT_EQ(w->Combo4->currentText(), QStringLiteral("May"));
  w->CmdBut[5]->click();
}

TEST(Editing, AddCancelRestoresTheListAndWritesNothing) {
  ExpenseKit k;
  for (int i = 1; i <= 3; ++i) k.put(ConditionSet::Live, i, condition([i](auto& c) { c.Amt = i; }));
  auto w = k.open();
  w->lstCondtions->setCurrentRow(1);
  const auto before = k.bytes();
  w->CmdBut[6]->click();
  EXPECT_EQ(w->lstCondtions->count(), 4);
  EXPECT_EQ(w->lstCondtions->item(3)->text(), QStringLiteral("Condition 4"));
  EXPECT_EQ(w->lstCondtions->currentRow(), 3);
  EXPECT_FALSE(w->lstCondtions->isEnabled());
  for (std::size_t i : {0, 1, 2, 3, 6, 7}) EXPECT_FALSE(w->CmdBut[i]->isEnabled()) << i;
  EXPECT_TRUE(w->CmdBut[4]->isDefault());
  EXPECT_EQ(QApplication::focusWidget(), w->Text1);
  w->Text1->setText(QStringLiteral("5"));
  w->CmdBut[5]->click();
  EXPECT_EQ(w->lstCondtions->count(), 3);
  EXPECT_EQ(w->lstCondtions->currentRow(), 1);
  EXPECT_EQ(w->lblDetails[0]->text(), QStringLiteral("Amount :  2.00 Per Hour"));
  EXPECT_TRUE(w->CmdBut[0]->isDefault());
  EXPECT_EQ(QApplication::focusWidget(), w->lstCondtions);
  EXPECT_EQ(k.bytes(), before);
  // Nothing changed, so closing asks nothing.
  w->close();
  EXPECT_TRUE(k.prompter.shown.empty());
  EXPECT_EQ(k.ends, 1);
}

TEST(Editing, TheTwentiethConditionDisablesAdd) {
  ExpenseKit k;
  for (int i = 1; i <= 19; ++i) k.put(ConditionSet::Live, i, condition());
  auto w = k.open();
  w->CmdBut[6]->click();
  w->Text1->setText(QStringLiteral("3"));
  w->CmdBut[4]->click();
  EXPECT_EQ(w->lstCondtions->count(), 20);
  EXPECT_EQ(w->lstCondtions->item(19)->text(), QStringLiteral("Condition 20"));
  EXPECT_TRUE(k.get(ConditionSet::Work, 20).InUse);
  EXPECT_FALSE(w->CmdBut[6]->isEnabled());
  EXPECT_TRUE(w->CmdBut[3]->isEnabled() && w->CmdBut[2]->isEnabled());
}

TEST(Editing, DoubleClickEditsTheSelectedEntry) {
  ExpenseKit k;
  k.put(ConditionSet::Live, 1, condition([](auto& c) { c.Amt = 4; }));
  k.put(ConditionSet::Live, 2, condition([](auto& c) { c.Amt = 9; }));
  auto w = k.open();
  w->lstCondtions->setCurrentRow(1);
  emit w->lstCondtions->itemDoubleClicked(w->lstCondtions->item(1));
  EXPECT_FALSE(w->Frame10->isHidden());
  EXPECT_EQ(w->Text1->text(), QStringLiteral("9.00"));
  // While editing, the disabled list does not start another edit.
  w->Text1->setText(QStringLiteral("8"));
  emit w->lstCondtions->itemDoubleClicked(w->lstCondtions->item(0));
  EXPECT_EQ(w->Text1->text(), QStringLiteral("8"));
}

TEST(Editing, DeleteAsksFirstThenShiftsAndReloads) {
  ExpenseKit k;
  for (int i = 1; i <= 3; ++i) k.put(ConditionSet::Live, i, condition([i](auto& c) { c.Amt = i; }));
  auto w = k.open();
  w->lstCondtions->setCurrentRow(1);
  const auto before = k.bytes();
  k.prompter.answers = {false};
  w->CmdBut[2]->click();
  ASSERT_EQ(k.prompter.shown.size(), 1u);
  EXPECT_TRUE(k.prompter.shown[0].isQuestion);
  EXPECT_EQ(k.prompter.shown[0].text, QStringLiteral("Do you want to delete condition"));
  EXPECT_EQ(k.prompter.shown[0].title, QStringLiteral("Confirm"));
  EXPECT_EQ(k.bytes(), before);

  k.prompter.answers = {true};
  w->CmdBut[2]->click();
  EXPECT_EQ(w->lstCondtions->count(), 2);
  EXPECT_EQ(w->lstCondtions->currentRow(), 0);
  EXPECT_EQ(k.get(ConditionSet::Work, 2).Amt, 3);
  EXPECT_FALSE(k.get(ConditionSet::Work, 3).InUse);
  EXPECT_EQ(k.get(ConditionSet::Live, 2).Amt, 2);  // the live set waits for the commit
  EXPECT_EQ(k.get(ConditionSet::Work, 1).Amt, 1);  // no fresh copy of the live set

  // Deleting the last ones leaves only "&Add".
  k.prompter.answers = {true, true};
  w->CmdBut[2]->click();
  w->CmdBut[2]->click();
  EXPECT_EQ(w->lstCondtions->count(), 0);
  EXPECT_TRUE(w->CmdBut[6]->isEnabled());
  EXPECT_FALSE(w->CmdBut[3]->isEnabled() || w->CmdBut[2]->isEnabled());
  EXPECT_TRUE(w->lblDetails[0]->isHidden());
}

TEST(Commit, OkRewritesTheLiveSetThenTheChangeCode) {
  ExpenseKit k;
  k.put(ConditionSet::Live, 1, condition([](auto& c) { c.Amt = 1; }));
  k.setMain([](store::MainRecord& m) { m.ChangeCode = 0; });
  auto w = k.open();
  w->CmdBut[6]->click();
  w->Text1->setText(QStringLiteral("2"));
  w->CmdBut[4]->click();
  // Someone else's change to the main record in the meantime survives the commit.
  auto file = k.bytes();
  file[1024 + 2] = 9;
  k.s.CloseAllFiles();
  test::writeFileBytes(k.mlif(), file);
  k.s.OpenDataFiles();

  w->CmdBut[0]->click();
  const auto after = k.bytes();
  EXPECT_EQ(after[kChangeCode], 3);
  EXPECT_EQ(after[1024 + 2], 9);
  for (int slot = 1; slot <= 20; ++slot) EXPECT_EQ(k.raw(ConditionSet::Live, slot), k.raw(ConditionSet::Work, slot));
  EXPECT_EQ(k.get(ConditionSet::Live, 2).Amt, 2);
  EXPECT_TRUE(w->isHidden());
  EXPECT_EQ(k.ends, 1);
  // Its later unload asks nothing.
  w->unloadForm();
  EXPECT_TRUE(k.prompter.shown.empty());
}

TEST(Commit, OkWithoutChangesLeavesTheChangeCode) {
  ExpenseKit k;
  k.put(ConditionSet::Live, 1, condition([](auto& c) { c.Amt = 1; }));
  const auto before = k.bytes();
  auto w = k.open();
  w->CmdBut[0]->click();
  const auto after = k.bytes();
  EXPECT_EQ(after[kChangeCode], 0);
  for (std::size_t i = 0; i < before.size(); ++i) ASSERT_EQ(after[i], before[i]) << i;
}

TEST(Commit, CancelCommitsNothingAndAsksNothing) {
  ExpenseKit k;
  k.put(ConditionSet::Live, 1, condition([](auto& c) { c.Amt = 1; }));
  auto w = k.open();
  k.prompter.answers = {true};
  w->CmdBut[2]->click();
  w->CmdBut[1]->click();
  EXPECT_TRUE(w->isHidden());
  EXPECT_EQ(k.ends, 1);
  w->unloadForm();
  EXPECT_EQ(k.prompter.shown.size(), 1u);  // only the delete question
  EXPECT_TRUE(k.get(ConditionSet::Live, 1).InUse);
  EXPECT_EQ(k.bytes()[kChangeCode], 0);
}

TEST(Commit, TheCloseBoxAsksAfterAnEdit) {
  for (bool yes : {false, true}) {
    ExpenseKit k;
    k.put(ConditionSet::Live, 1, condition([](auto& c) { c.Amt = 1; }));
    auto w = k.open();
    w->CmdBut[3]->click();
    w->Text1->setText(QStringLiteral("4"));
    w->CmdBut[4]->click();
    k.prompter.answers = {yes};
    w->close();
    ASSERT_EQ(k.prompter.shown.size(), 1u);
    EXPECT_EQ(k.prompter.shown[0].text, QStringLiteral("Do you want to save changes?"));
    EXPECT_EQ(k.prompter.shown[0].title, QStringLiteral("Zelkora Expense"));
    EXPECT_TRUE(k.prompter.shown[0].isQuestion);
    EXPECT_EQ(k.get(ConditionSet::Live, 1).Amt, yes ? 4 : 1);
    EXPECT_EQ(k.bytes()[kChangeCode], yes ? 3 : 0);
    EXPECT_EQ(k.ends, 1);
  }
}

TEST(Buttons, OnlineExamplesAndTheConditionMap) {
  ExpenseKit k;
  auto w = k.open();
  w->CmdBut[9]->click();
  EXPECT_FALSE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  k.s.LinkRecIO(false);
  EXPECT_EQ(k.s.LinkRec.RequestCode, 56);
  ASSERT_EQ(k.fake.launcher.started.size(), 1u);
  EXPECT_EQ(k.fake.launcher.started[0], k.dir.path() + "/zkapp1");

  w->CmdBut[7]->click();
  QPointer<frmmExpGraph> first = w->graphWindow();
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->isVisible());
  w->CmdBut[7]->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(first);
  ASSERT_TRUE(w->graphWindow());
  QPointer<frmmExpGraph> second = w->graphWindow();
  w->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(!second || second->isHidden());
}

TEST(Buttons, EnterSavesAndEscapeCancelsTheEdit) {
  ExpenseKit k;
  auto w = k.open();
  // Access keys click their buttons after a short press.
  QTest::keyClick(w.get(), Qt::Key_A, Qt::AltModifier);
  QTRY_VERIFY(!w->Frame10->isHidden());
  QTest::keyClicks(w->Text1, QStringLiteral("12"));
  QTest::keyClick(w->Text1, Qt::Key_Return);
  EXPECT_TRUE(w->Frame10->isHidden());
  EXPECT_EQ(k.get(ConditionSet::Work, 1).Amt, 12);
  EXPECT_EQ(w->lblDetails[0]->text(), QStringLiteral("Amount :  12.00 Per Hour"));

  QTest::keyClick(w.get(), Qt::Key_E, Qt::AltModifier);
  QTRY_VERIFY(!w->Frame10->isHidden());
  QTest::keyClicks(w->Text1, QStringLiteral("7"));
  QTest::keyClick(w->Text1, Qt::Key_Escape);
  EXPECT_TRUE(w->Frame10->isHidden());
  EXPECT_EQ(k.get(ConditionSet::Work, 1).Amt, 12);
  // In browsing mode Escape is the window's Cancel.
  QTest::keyClick(w->lstCondtions, Qt::Key_Escape);
  EXPECT_TRUE(w->isHidden());
  EXPECT_EQ(k.ends, 1);
}

// Enter presses OK without the focus leaving the box it was pressed in; that box
// is tidied all the same, so "24:00" is midnight as it would be after a click.
TEST(Buttons, EnterTidiesTheBoxItWasPressedIn) {
  ExpenseKit k;
  auto w = k.open();
  w->CmdBut[6]->click();
  w->Text1->setText(QStringLiteral("1"));
  choose(w->Combo2, 1);
  w->txtTime[0]->setText(QStringLiteral("22:00"));
  w->txtTime[1]->setFocus();
  QTest::keyClicks(w->txtTime[1], QStringLiteral("24:00"));
  QTest::keyClick(w->txtTime[1], Qt::Key_Return);
  EXPECT_TRUE(k.prompter.shown.empty()) << k.prompter.lastText().toStdString();
  const auto rec = k.get(ConditionSet::Work, 1);
  EXPECT_EQ(rec.TimeType, 3);
  EXPECT_EQ(rec.TimeStart, hm(22, 0));
  EXPECT_EQ(rec.TimeEnd, 0);
}

}  // namespace
}  // namespace prandel
