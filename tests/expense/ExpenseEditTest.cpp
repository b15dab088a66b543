// SPDX-License-Identifier: GPL-3.0-or-later
// Loading, adding, editing, deleting and committing conditions, and the buttons.
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

// A damaged file with an empty slot between used ones: every entry still edits,
// deletes and describes its own slot, and an added condition takes the gap instead
// of overwriting the condition after it.
TEST(Editing, GapsBetweenUsedSlotsNeverMixUpConditions) {
  ExpenseKit k;
  k.put(ConditionSet::Live, 1, condition([](auto& c) { c.Amt = 1; }));
  k.put(ConditionSet::Live, 3, condition([](auto& c) { c.Amt = 3; }));
  auto w = k.open();
  ASSERT_EQ(w->lstCondtions->count(), 2);
  EXPECT_EQ(w->lstCondtions->item(1)->text(), QStringLiteral("Condition 3"));
  w->lstCondtions->setCurrentRow(1);
  EXPECT_EQ(w->lblDetails[0]->text(), QStringLiteral("Amount :  3.00 Per Hour"));
  w->CmdBut[3]->click();
  EXPECT_EQ(w->Text1->text(), QStringLiteral("3.00"));
  w->Text1->setText(QStringLiteral("4"));
  w->CmdBut[4]->click();
  EXPECT_EQ(k.get(ConditionSet::Work, 3).Amt, 4);
  EXPECT_FALSE(k.get(ConditionSet::Work, 2).InUse);

  w->CmdBut[6]->click();
  EXPECT_EQ(w->lstCondtions->item(2)->text(), QStringLiteral("Condition 2"));
  w->Text1->setText(QStringLiteral("2"));
  w->CmdBut[4]->click();
  EXPECT_EQ(k.get(ConditionSet::Work, 2).Amt, 2);
  EXPECT_EQ(k.get(ConditionSet::Work, 3).Amt, 4);

  k.prompter.answers.push_back(true);
  w->lstCondtions->setCurrentRow(0);
  w->CmdBut[2]->click();
  EXPECT_EQ(k.get(ConditionSet::Work, 1).Amt, 2);
  EXPECT_EQ(k.get(ConditionSet::Work, 2).Amt, 4);
  EXPECT_FALSE(k.get(ConditionSet::Work, 3).InUse);
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
