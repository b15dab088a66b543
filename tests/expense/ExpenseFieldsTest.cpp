// SPDX-License-Identifier: GPL-3.0-or-later
// The entry fields of the editing panel: what typing lets in, how a text is tidied
// when the focus leaves, Escape in the date and time boxes, and the spin controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>

#include "ExpenseTestKit.h"
#include "ui/SpinBar.h"

namespace prandel {
namespace {

using test::choose;
using test::ExpenseKit;
using Panel = std::function<void(frmmExpense&)>;
using Field = std::function<ui::EntryField*(frmmExpense&)>;

// A window in the editing mode with the panel prepared.
std::unique_ptr<frmmExpense> editing(ExpenseKit& k, const Panel& panel = {}) {
  auto w = k.open();
  w->CmdBut[6]->click();
  if (panel) panel(*w);
  return w;
}

void typeInto(ui::EntryField* f, const QString& keys) {
  f->setFocus();
  f->clear();
  QTest::keyClicks(f, keys);
}

TEST(EntryFields, TypingGoesThroughEachFieldsFilterAndLimit) {
  struct Case {
    const char* name;
    Panel panel;
    Field field;
    const char* keys;
    const char* text;
    bool commaDecimal = false;
  };
  const Case cases[] = {
      {"amount", {}, [](frmmExpense& w) { return w.Text1; }, "12.5.3a-", "12.53"},
      {"amount limit", {}, [](frmmExpense& w) { return w.Text1; }, "123456789", "12345678"},
      {"amount with decimal commas", {}, [](frmmExpense& w) { return w.Text1; }, "12,5,3.", "12,53", true},
      {"ISP charge", [](frmmExpense& w) { choose(w.Combo3, 1), test::click(w.chkEnaISPC); },
       [](frmmExpense& w) { return w.txtISPAmt; }, "0.5x.", "0.5"},
      {"time of day", [](frmmExpense& w) { choose(w.Combo2, 1); }, [](frmmExpense& w) { return w.txtTime[0]; },
       "1:30 pmx:;", "1:30 pm"},
      {"time of day limit", [](frmmExpense& w) { choose(w.Combo2, 1); }, [](frmmExpense& w) { return w.txtTime[1]; },
       "12345678901", "1234567890"},
      {"weekly time", [](frmmExpense& w) { choose(w.Combo1, 7); }, [](frmmExpense& w) { return w.advTime[0]; },
       "9:3o0", "9:30"},
      {"date", [](frmmExpense& w) { choose(w.Combo1, 3); }, [](frmmExpense& w) { return w.tPeriod[0]; },
       "3/5-2024:a", "3/52024"},
      {"duration", [](frmmExpense& w) { choose(w.Combo3, 1), choose(w.cmbCallTime, 1); },
       [](frmmExpense& w) { return w.txtDiffCall; }, "0:1a:30 ", "0:1:30"},
      {"hours", [](frmmExpense& w) { test::click(w.chkCondtion), choose(w.Combo5, 0); },
       [](frmmExpense& w) { return w.txtHour; }, "1a2:345", "1234"},
      {"minutes above 59 keep the first digit",
       [](frmmExpense& w) { test::click(w.chkCondtion), choose(w.Combo5, 0); }, [](frmmExpense& w) { return w.txtMin; },
       "75", "7"},
      {"minutes", [](frmmExpense& w) { test::click(w.chkCondtion), choose(w.Combo5, 0); },
       [](frmmExpense& w) { return w.txtMin; }, "5x9", "59"},
      {"plain filter value takes any key", [](frmmExpense& w) { test::click(w.chkCondtion), choose(w.Combo5, 5); },
       [](frmmExpense& w) { return w.txtVal; }, "ab-1.5e3 xyz 12345", "ab-1.5e3 xyz 123"},
  };
  for (const Case& c : cases) {
    ExpenseKit k;
    k.s.MainRec.CommaDecimal = c.commaDecimal;
    auto w = editing(k, c.panel);
    ui::EntryField* f = c.field(*w);
    ASSERT_TRUE(f->isEnabled()) << c.name;
    typeInto(f, QString::fromLatin1(c.keys));
    EXPECT_EQ(f->text(), QString::fromLatin1(c.text)) << c.name;
  }
}

TEST(EntryFields, LeavingTidiesAmountsDatesAndTimesOfDay) {
  struct Case {
    Panel panel;
    Field field;
    const char* typed;
    const char* tidy;
    bool commaDecimal = false;
  };
  const Field amount = [](frmmExpense& w) { return w.Text1; };
  const Field time0 = [](frmmExpense& w) { return w.txtTime[0]; };
  const Panel between = [](frmmExpense& w) { choose(w.Combo2, 1); };
  const Case cases[] = {
      {{}, amount, "12", "12.00"},
      {{}, amount, "12.5", "12.50"},
      {{}, amount, "12.", "12.00"},
      {{}, amount, "0.125", "0.125"},
      {{}, amount, "125", "125"},
      {{}, amount, "", ""},
      {{}, amount, "12", "12,00", true},
      {{}, amount, "12,5", "12,5", true},
      {between, time0, "9:5", "09:05"},
      {between, time0, "7:5", "07:05"},
      {between, time0, "1:30 pm", "13:30"},
      {between, time0, "24:00", "0:00"},
      {between, time0, "24:0", "0:00"},
      {between, time0, "23:59", "23:59"},
      {between, time0, "99:99", "99:99"},
      {[](frmmExpense& w) { choose(w.Combo1, 7); }, [](frmmExpense& w) { return w.advTime[1]; }, "24:00", "0:00"},
      {[](frmmExpense& w) { choose(w.Combo1, 3); }, [](frmmExpense& w) { return w.tPeriod[0]; }, "3/5/24", "3/5/2024"},
      {[](frmmExpense& w) { choose(w.Combo1, 3); }, [](frmmExpense& w) { return w.tPeriod[1]; }, "13/13/13", "13/13/13"},
      {[](frmmExpense& w) { test::click(w.chkEnaExpIni); }, [](frmmExpense& w) { return w.txtExpIniAmt; }, "5", "5.00"},
  };
  for (const Case& c : cases) {
    ExpenseKit k;
    k.s.MainRec.CommaDecimal = c.commaDecimal;
    auto w = editing(k, c.panel);
    ui::EntryField* f = c.field(*w);
    typeInto(f, QString::fromLatin1(c.typed));
    EXPECT_EQ(f->text(), QString::fromLatin1(c.typed));
    w->Combo3->setFocus();
    EXPECT_EQ(f->text(), QString::fromLatin1(c.tidy)) << c.typed;
  }
}

TEST(EntryFields, FocusSelectsTheWholeTextButNotInTheFilterValue) {
  ExpenseKit k;
  auto w = editing(k, [](frmmExpense& w) { test::click(w.chkCondtion), choose(w.Combo5, 5); });
  w->Text1->setText(QStringLiteral("12.00"));
  w->txtVal->setText(QStringLiteral("42"));
  w->Combo3->setFocus();
  w->Text1->setFocus();
  EXPECT_EQ(w->Text1->selectedText(), QStringLiteral("12.00"));
  w->txtVal->setFocus();
  EXPECT_EQ(w->txtVal->selectedText(), QString());
  w->txtHour->setFocus();
}

TEST(EntryFields, EscapeInTheDateAndTimeBoxesResetsTheKind) {
  ExpenseKit k;
  auto w = editing(k, [](frmmExpense& w) { choose(w.Combo1, 3), choose(w.Combo2, 1); });
  typeInto(w->tPeriod[1], QStringLiteral("3/9/2024"));
  QTest::keyClick(w->tPeriod[1], Qt::Key_Escape);
  EXPECT_EQ(w->Combo1->currentIndex(), 0);
  EXPECT_EQ(w->tPeriod[0]->text(), QString());
  EXPECT_EQ(w->tPeriod[1]->text(), QString());
  EXPECT_FALSE(w->tPeriod[0]->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), w->Combo1);
  EXPECT_FALSE(w->Frame10->isHidden());  // the edit goes on

  typeInto(w->txtTime[1], QStringLiteral("10:00"));
  QTest::keyClick(w->txtTime[1], Qt::Key_Escape);
  EXPECT_EQ(w->Combo2->currentIndex(), 0);
  EXPECT_FALSE(w->txtTime[1]->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), w->Combo2);
  EXPECT_FALSE(w->Frame10->isHidden());
  EXPECT_TRUE(k.prompter.shown.empty());
}

TEST(SpinControls, ArrowsAndSpinBarsCountAndWrap) {
  struct Case {
    bool hours;
    const char* start;
    Qt::Key key;  // Key_Up counts up, as the upper arrow of the spin bar does
    const char* result;
  };
  const Case cases[] = {
      {true, "00", Qt::Key_Up, "01"},     {true, "05", Qt::Key_Down, "04"},  {true, "00", Qt::Key_Down, "00"},
      {true, "9999", Qt::Key_Up, "9999"}, {true, "9998", Qt::Key_Up, "9999"}, {true, "", Qt::Key_Up, ""},
      {true, "1", Qt::Key_Down, "00"},    {false, "00", Qt::Key_Down, "59"}, {false, "59", Qt::Key_Up, "00"},
      {false, "30", Qt::Key_Up, "31"},    {false, "01", Qt::Key_Down, "00"}, {false, "", Qt::Key_Down, ""},
  };
  for (const Case& c : cases) {
    ExpenseKit k;
    auto w = editing(k, [](frmmExpense& w) { test::click(w.chkCondtion), choose(w.Combo5, 2); });
    ui::EntryField* box = c.hours ? w->txtHour : w->txtMin;
    ui::SpinBar* bar = c.hours ? w->HourScroll : w->MinScroll;
    box->setText(QString::fromLatin1(c.start));
    box->setFocus();
    QTest::keyClick(box, c.key);
    EXPECT_EQ(box->text(), QString::fromLatin1(c.result)) << c.start << (c.hours ? " hours" : " minutes");
    EXPECT_EQ(box->selectedText(), box->text());
    // The spin bar's own arrows count the same way.
    box->setText(QString::fromLatin1(c.start));
    if (c.key == Qt::Key_Up) bar->stepUp();
    else bar->stepDown();
    EXPECT_EQ(box->text(), QString::fromLatin1(c.result)) << c.start << (c.hours ? " hours" : " minutes");
  }
}

TEST(SpinControls, EachEditStartsFromTheMiddleAndLoadingDoesNotCount) {
  ExpenseKit k;
  k.put(ConditionSet::Live, 1, test::condition([](auto& c) { c.CondItem = 8, c.CondVal = 3 * 3600 + 7 * 60; }));
  auto w = k.open();
  w->CmdBut[3]->click();
  EXPECT_EQ(w->txtHour->text(), QStringLiteral("03"));
  EXPECT_EQ(w->txtMin->text(), QStringLiteral("07"));
  EXPECT_EQ(w->HourScroll->value(), ui::SpinBar::kMiddle);
  for (int i = 0; i < 5; ++i) w->MinScroll->stepUp();
  EXPECT_EQ(w->txtMin->text(), QStringLiteral("12"));
  w->CmdBut[5]->click();
  w->CmdBut[3]->click();
  EXPECT_EQ(w->MinScroll->value(), ui::SpinBar::kMiddle);
  EXPECT_EQ(w->txtMin->text(), QStringLiteral("07"));
  // At the very end of the range a step changes nothing and fails nothing.
  w->MinScroll->setValue(ui::SpinBar::kMax);
  const QString at = w->txtMin->text();
  w->MinScroll->stepDown();
  EXPECT_EQ(w->txtMin->text(), at);
}

TEST(EntryFields, AnyTextInAnyFieldIsSafeAndNamesOutsideTheCodePageBecomeQuestionMarks) {
  ExpenseKit k;
  auto w = editing(k, [](frmmExpense& w) {
    choose(w.Combo1, 3);
    choose(w.Combo2, 1);
    test::click(w.chkEnaExpAll);
    test::click(w.chkCondtion);
    choose(w.Combo5, 5);
  });
  const QString odd = QStringLiteral("\u0663\u0664\U0001F600\u00e9\u200b") + QString(5000, QChar(0x4E00));
  for (ui::EntryField* f : w->findChildren<ui::EntryField*>()) {
    f->setFocus();
    f->insert(odd);  // a paste
    w->Combo3->setFocus();
  }
  k.prompter.shown.clear();
  w->CmdBut[4]->click();
  EXPECT_EQ(k.prompter.shown.size(), 1u);
  EXPECT_FALSE(w->Frame10->isHidden());

  ExpenseKit l;
  auto v = editing(l, [](frmmExpense& w) {
    w.Text1->setText(QStringLiteral("1"));
    test::click(w.chkEnaExpAll);
    w.cmbExpCon->setEditText(QStringLiteral("Z\u00fcrich \u65e5\u672c"));
  });
  v->CmdBut[4]->click();
  const auto rec = l.raw(ConditionSet::Work, 1);
  const std::uint8_t name[20] = {'Z', 0xFC, 'r', 'i', 'c', 'h', ' ', '?', '?', ' ',
                                 ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  EXPECT_TRUE(std::equal(std::begin(name), std::end(name), rec.begin() + 70));
}

}  // namespace
}  // namespace prandel
