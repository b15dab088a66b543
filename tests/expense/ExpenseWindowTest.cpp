// SPDX-License-Identifier: GPL-3.0-or-later
// The expense window as it opens: its controls, the list of conditions with their
// descriptions, the button states by count, and what loading writes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <random>

#include "ExpenseTestKit.h"
#include "support/FailingCalls.h"
#include "ui/SpinBar.h"
#include "ui/Twips.h"

namespace prandel {
namespace {

using test::condition;
using test::ExpenseKit;

QString captionOf(const QWidget* w) {
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
  if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  return {};
}

TEST(ExpenseWindow, ControlsAtTheirPlacesWithTheirCaptions) {
  ExpenseKit k;
  auto w = k.open();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Zelkora Expense"));
  EXPECT_EQ(w->size(), QSize(ui::twips(9420), ui::twips(6705)));
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  struct Row {
    const char* name;
    const char* caption;
    int l, t, wd, h;
  };
  const Row rows[] = {
      {"CmdBut(9)", "Online E&xamples", 1665, 6150, 1365, 345},
      {"CmdBut(7)", "&Condition Map", 240, 6150, 1365, 345},
      {"CmdBut(0)", "OK", 6930, 6150, 1095, 345},
      {"CmdBut(1)", "Cancel", 8085, 6150, 1095, 345},
      {"Frame11", "", 120, 60, 9195, 5925},
      {"CmdBut(6)", "&Add", 180, 5460, 735, 345},
      {"CmdBut(3)", "&Edit", 967, 5460, 735, 345},
      {"CmdBut(2)", "&Delete", 1755, 5460, 735, 345},
      {"CmdBut(4)", "OK", 7020, 5460, 975, 345},
      {"CmdBut(5)", "Cancel", 8055, 5460, 975, 345},
      {"lstCondtions", "", 165, 270, 2325, 5055},
      {"Frame4", "", 2580, 180, 6495, 5145},
      {"Frame10", "", 2580, 180, 6495, 5145},
      {"Frame3", "&Amount", 120, 180, 1530, 1005},
      {"Text1", "", 105, 240, 1320, 285},
      {"Combo3", "", 105, 600, 1395, 315},
      {"Frame1", "&Period", 1725, 180, 2610, 1005},
      {"Combo1", "", 90, 225, 2430, 315},
      {"Combo4", "", 90, 600, 2430, 315},
      {"tPeriod(0)", "", 90, 615, 1050, 285},
      {"tPeriod(1)", "", 1455, 615, 1050, 285},
      {"Label3", "To", 1185, 675, 375, 195},
      {"chkEnaHoliday", "Include &Holydays", 210, 645, 1890, 225},
      {"Frame2", "&Time", 4410, 180, 1950, 1005},
      {"Combo2", "", 120, 225, 1740, 315},
      {"txtTime(1)", "", 1110, 620, 720, 285},
      {"Label4", "To", 780, 665, 375, 240},
      {"Frame5", "Wee&kly Period", 4410, 180, 1950, 1005},
      {"Label9(0)", "From", 45, 255, 390, 240},
      {"Label9(1)", "To", 45, 645, 390, 240},
      {"cmdDay(0)", "", 435, 210, 720, 315},
      {"cmdDay(1)", "", 435, 600, 720, 315},
      {"advTime(0)", "", 1170, 210, 690, 315},
      {"advTime(1)", "", 1170, 600, 690, 315},
      {"frExp(2)", "Call Time Settings", 120, 1275, 6240, 1065},
      {"Label8", "Call Ti&me", 180, 300, 1620, 225},
      {"cmbCallTime", "", 990, 270, 1710, 315},
      {"Label6", "&Specify", 2820, 300, 930, 225},
      {"txtDiffCall", "", 3480, 270, 975, 285},
      {"Label1", "(hh:mm:ss)", 4560, 300, 825, 195},
      {"chkEnaISPC", "Other ISP Cha&rges", 180, 675, 2400, 225},
      {"Label5", "ISP Char&ge Per Hour", 3240, 675, 1770, 345},
      {"txtISPAmt", "", 5130, 630, 975, 285},
      {"frExp(3)", "Bandwidth Count Setting", 120, 1275, 6240, 1065},
      {"ExOpt(0)", "Down&load + Upload", 180, 300, 2385, 225},
      {"ExOpt(1)", "D&ownload Only", 180, 630, 3615, 225},
      {"ExOpt(2)", "Upload Onl&y", 2730, 300, 3345, 225},
      {"frExp(1)", "Initial Call Settings", 120, 2385, 6240, 1095},
      {"chkEnaExpIni", "Ena&ble Initial Cost Setting", 180, 300, 2400, 225},
      {"Label7", "I&nitial Call Amount", 3240, 300, 1770, 345},
      {"txtExpIniAmt", "", 5130, 255, 975, 285},
      {"chkIntTime", "Set New Call D&uration for Initial Call ", 180, 675, 3045, 225},
      {"Label2", "&Initial Call Time (hh:mm:ss)", 3225, 675, 2145, 345},
      {"txtInitTime", "", 5235, 630, 870, 285},
      {"frExp(0)", "Connection Settings", 120, 3570, 6240, 705},
      {"chkEnaExpAll", "Enable only &with following connection", 150, 270, 3264, 225},
      {"cmbExpCon", "", 3450, 240, 2610, 315},
      {"chkCondtion", "Enable with &Following Condition", 270, 4350, 2715, 225},
      {"frExp(4)", "", 120, 4350, 6240, 705},
      {"Combo5", "", 120, 270, 2340, 315},
      {"Combo6", "", 2520, 270, 2220, 315},
      {"txtVal", "", 4800, 270, 1350, 315},
      {"txtHour", "", 4800, 285, 675, 285},
      {"HourScroll", "", 5280, 315, 165, 225},
      {"Label10", ":", 5475, 270, 105, 315},
      {"txtMin", "", 5580, 285, 555, 285},
      {"MinScroll", "", 5940, 315, 165, 225},
      {"Label11", "(hh:mm)", 5130, 0, 615, 195},
  };
  // Where this font needs more room than the tracker's, a few places differ a
  // little from the tracker's window (see the layout).
  for (const Row& r : rows) {
    auto* c = w->findChild<QWidget*>(QString::fromLatin1(r.name));
    ASSERT_NE(c, nullptr) << r.name;
    EXPECT_EQ(c->geometry(), ui::twipsRect(r.l, r.t, r.wd, r.h)) << r.name;
    EXPECT_EQ(captionOf(c), QString::fromLatin1(r.caption)) << r.name;
  }
  for (int i = 0; i < 12; ++i)
    EXPECT_NE(w->findChild<QLabel*>(QStringLiteral("lblDetails(%1)").arg(i)), nullptr) << i;
  EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("CmdBut(8)")), nullptr);
  EXPECT_TRUE(w->Label10->font().bold());
  EXPECT_EQ(w->Label10->font().pointSize(), 12);
}

TEST(ExpenseWindow, ListsItemsLimitsAndInitialState) {
  ExpenseKit k;
  auto w = k.open();
  const auto items = [](const QComboBox* c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
    return l.join(QLatin1Char('|'));
  };
  EXPECT_EQ(items(w->Combo3), QStringLiteral("Per Hour|Per Call|Per MB|Only At Once"));
  EXPECT_EQ(items(w->Combo1), QStringLiteral("Every Day|Weekday|Month|Period|Holidays|Weekdays (Mon-Fri)|"
                                             "Weekends (Sat-Sun)|Weekly Period"));
  EXPECT_EQ(items(w->Combo2), QStringLiteral("For Whole Day|Between|Before|After"));
  EXPECT_EQ(items(w->cmbCallTime), QStringLiteral("Default Call Time|Custom Call Time"));
  EXPECT_EQ(items(w->cmdDay[0]), QStringLiteral("Sun|Mon|Tue|Wed|Thu|Fri|Sat"));
  EXPECT_EQ(items(w->cmdDay[1]), items(w->cmdDay[0]));
  EXPECT_EQ(w->Combo5->count(), 14);
  EXPECT_EQ(w->Combo5->itemText(9), QStringLiteral("Total Sent + Total Receive (in MB)"));
  EXPECT_EQ(items(w->Combo6), QStringLiteral("equals|does not equals|is greater than|is greater than or equals to|"
                                             "is less than|is less than or equals to"));
  EXPECT_FALSE(w->Combo1->isEditable());
  EXPECT_TRUE(w->cmbExpCon->isEditable());
  EXPECT_EQ(w->Combo1->currentIndex(), 0);
  EXPECT_EQ(w->advTime[0]->text(), QStringLiteral("01:00"));
  EXPECT_EQ(w->advTime[1]->text(), QStringLiteral("02:00"));
  EXPECT_TRUE(w->ExOpt[0]->isChecked());
  EXPECT_TRUE(w->Frame10->isHidden());
  EXPECT_FALSE(w->Frame4->isHidden());
  EXPECT_TRUE(w->CmdBut[4]->isHidden() && w->CmdBut[5]->isHidden());
  EXPECT_TRUE(w->CmdBut[0]->isDefault());
  EXPECT_EQ(w->cancelButton(), w->CmdBut[1]);

  struct Limit {
    ui::EntryField* f;
    int max;
    bool right;
  };
  for (const Limit& l : {Limit{w->Text1, 8, true}, Limit{w->txtExpIniAmt, 8, true}, Limit{w->txtISPAmt, 8, true},
                         Limit{w->txtInitTime, 8, true}, Limit{w->txtDiffCall, 8, true}, Limit{w->tPeriod[0], 12, false},
                         Limit{w->tPeriod[1], 12, false}, Limit{w->txtTime[0], 10, true}, Limit{w->txtTime[1], 10, true},
                         Limit{w->advTime[0], 10, true}, Limit{w->advTime[1], 10, true}, Limit{w->txtHour, 4, false},
                         Limit{w->txtMin, 3, false}, Limit{w->txtVal, 16, true}}) {
    EXPECT_EQ(l.f->maxLength(), l.max) << l.f->objectName().toStdString();
    EXPECT_EQ(bool(l.f->alignment() & Qt::AlignRight), l.right) << l.f->objectName().toStdString();
  }
}

TEST(ExpenseWindow, TabOrderFollowsTheTable) {
  ExpenseKit k;
  auto w = k.open();
  const std::vector<QWidget*> order = {
      w->lstCondtions, w->CmdBut[6],  w->CmdBut[3],    w->CmdBut[2],     w->CmdBut[4],    w->CmdBut[5],
      w->CmdBut[7],    w->CmdBut[9],  w->CmdBut[0],    w->CmdBut[1],     w->Text1,        w->Combo3,
      w->Combo1,       w->chkEnaHoliday, w->Combo4,    w->tPeriod[0],    w->tPeriod[1],   w->Combo2,
      w->txtTime[0],   w->txtTime[1], w->ExOpt[0],     w->ExOpt[1],      w->ExOpt[2],     w->cmdDay[0],
      w->advTime[0],   w->cmdDay[1],  w->advTime[1],   w->cmbCallTime,   w->txtDiffCall,  w->chkEnaISPC,
      w->txtISPAmt,    w->chkEnaExpIni, w->txtExpIniAmt, w->chkIntTime,  w->txtInitTime,  w->chkEnaExpAll,
      w->cmbExpCon,    w->chkCondtion, w->Combo5,      w->Combo6,        w->txtHour,      w->txtMin,
      w->txtVal};
  std::vector<QWidget*> seen;
  QWidget* at = w->lstCondtions;
  for (int guard = 0; guard < 1000 && seen.size() < order.size(); ++guard) {
    if (std::find(order.begin(), order.end(), at) != order.end() &&
        std::find(seen.begin(), seen.end(), at) == seen.end())
      seen.push_back(at);
    at = at->nextInFocusChain();
  }
  const auto names = [](const std::vector<QWidget*>& ws) {
    QStringList n;
    for (QWidget* x : ws) n << x->objectName();
    return n.join(QLatin1Char(' ')).toStdString();
  };
  EXPECT_EQ(names(seen), names(order));
}

TEST(ExpenseWindow, LoadListsTheUsedWorkingSlotsAndDescribesTheFirst) {
  ExpenseKit k;
  k.setMain([](store::MainRecord& m) { m.CurSymbol = "$"; });
  k.put(ConditionSet::Live, 1, condition([](auto& c) {
          c.Amt = 1.5;
          c.PerCall = true;
          c.PerType = 5;
          c.TimeType = 1;
          c.TimeStart = test::hm(8, 0);
          c.TimeEnd = test::hm(18, 0);
        }));
  k.put(ConditionSet::Live, 2, condition([](auto& c) { c.PerType = 7, c.WkStart = 570, c.WkEnd = 2460; }));
  // A stale working copy from an earlier session is replaced by the live set.
  k.put(ConditionSet::Work, 3, condition());
  const auto before = k.bytes();
  auto w = k.open();

  ASSERT_EQ(w->lstCondtions->count(), 2);
  EXPECT_EQ(w->lstCondtions->item(0)->text(), QStringLiteral("Condition 1"));
  EXPECT_EQ(w->lstCondtions->item(1)->text(), QStringLiteral("Condition 2"));
  EXPECT_EQ(w->lstCondtions->currentRow(), 0);
  const auto shown = [&] {
    QStringList lines;
    for (QLabel* l : w->lblDetails) lines << (l->isHidden() ? QStringLiteral("-") : l->text());
    return lines.join(QLatin1Char('|'));
  };
  EXPECT_EQ(shown(), QStringLiteral("Amount : $ 1.50 Per Call|Period : On Weekdays (Mon-Fri).|"
                                    "Time : From 08:00 To 18:00|-|-|-|-|-|-|-|-|-"));
  QTest::keyClick(w->lstCondtions, Qt::Key_Down);
  EXPECT_EQ(shown(), QStringLiteral("Amount : Free of charge|Period : From Sunday 09:30 To Monday 17:00|-|-|-|-|-|-|-|-|-|-"));
  EXPECT_TRUE(w->CmdBut[6]->isEnabled() && w->CmdBut[3]->isEnabled() && w->CmdBut[2]->isEnabled());

  // Only the working set was written.
  const auto after = k.bytes();
  ASSERT_EQ(after.size(), 17920u);
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (i >= 15360 && i < 17920) continue;
    ASSERT_EQ(after[i], before[i]) << i;
  }
  EXPECT_FALSE(k.get(ConditionSet::Work, 3).InUse);
}

TEST(ExpenseWindow, ButtonsFollowTheNumberOfConditions) {
  for (int n : {0, 1, 19, 20}) {
    ExpenseKit k;
    for (int i = 1; i <= n; ++i) k.put(ConditionSet::Live, i, condition());
    auto w = k.open();
    EXPECT_EQ(w->lstCondtions->count(), n);
    EXPECT_EQ(w->CmdBut[6]->isEnabled(), n < 20) << n;
    EXPECT_EQ(w->CmdBut[3]->isEnabled(), n > 0) << n;
    EXPECT_EQ(w->CmdBut[2]->isEnabled(), n > 0) << n;
    EXPECT_EQ(w->lblDetails[0]->isHidden(), n == 0) << n;
  }
}

TEST(ExpenseWindow, DialUpEntriesFillTheConnectionList) {
  ExpenseKit k;
  k.fake.dialup.names = {"MyISP", "Work dial-in", std::string("Cut\0here", 8)};
  auto w = k.open();
  ASSERT_EQ(w->cmbExpCon->count(), 3);
  EXPECT_EQ(w->cmbExpCon->itemText(1), QStringLiteral("Work dial-in"));
  EXPECT_EQ(w->cmbExpCon->itemText(2), QStringLiteral("Cut"));
  EXPECT_EQ(w->cmbExpCon->currentText(), QString());

  ExpenseKit none;
  none.fake.services().dialup = nullptr;
  auto v = none.open();
  EXPECT_EQ(v->cmbExpCon->count(), 0);
}

// Records of any bytes at all: the window lists and describes them, lets each be
// opened for editing and cancelled, and writes nothing but the working copy.
TEST(ExpenseWindow, AnyBytesInTheSlotsNeverCrashAndLoadingWritesOnlyTheWorkingCopy) {
  std::mt19937 rng(20240305);
  for (int round = 0; round < 6; ++round) {
    ExpenseKit k;
    k.s.CloseAllFiles();
    std::vector<std::uint8_t> file(20000);
    for (auto& b : file) b = static_cast<std::uint8_t>(rng());
    // Some rounds with every slot in use, one with NaN and huge values everywhere.
    for (int slot = 1; slot <= 20; ++slot) {
      const std::size_t at = 10240 + static_cast<std::size_t>(slot - 1) * 128;
      if (round % 2 == 0) file[at] = file[at + 1] = 0xFF;
      if (round == 4) {
        for (std::size_t off : {2u, 15u, 23u, 32u, 40u, 50u, 60u, 96u, 107u, 120u}) {
          const std::uint8_t nan[8] = {0, 0, 0, 0, 0, 0, 0xF8, 0x7F};
          const std::uint8_t huge[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xEF, 0x7F};
          std::copy(slot % 2 ? nan : huge, (slot % 2 ? nan : huge) + 8, file.begin() + static_cast<std::ptrdiff_t>(at + off));
        }
      }
    }
    test::writeFileBytes(k.mlif(), file);
    k.s.OpenDataFiles();
    auto w = k.open();
    for (int row = 0; row < w->lstCondtions->count(); ++row) {
      w->lstCondtions->setCurrentRow(row);
      EXPECT_FALSE(w->lblDetails[0]->isHidden());
      EXPECT_TRUE(w->lblDetails[0]->text().startsWith(QStringLiteral("Amount : ")));
      w->CmdBut[3]->click();
      EXPECT_FALSE(w->Frame10->isHidden());
      w->CmdBut[5]->click();
      EXPECT_TRUE(w->Frame10->isHidden());
    }
    const auto after = k.bytes();
    for (std::size_t i = 0; i < file.size(); ++i) {
      if (i >= 15360 && i < 17920) continue;
      ASSERT_EQ(after[i], file[i]) << "round " << round << " byte " << i;
    }
    for (std::size_t i = 0; i < 2560; ++i) ASSERT_EQ(after[15360 + i], file[10240 + i]) << i;
  }
}

// The opening copy of the live conditions into the working set failing at any of its
// writes or flushes (a failing or a full disk): the window says so and is never shown,
// and its OK, pressed all the same, never puts the stale working set over the live one.
TEST(ExpenseWindow, AnOpeningThatCannotCopyTheConditionsIsRefusedAndNeverCommits) {
  const auto prepare = [](ExpenseKit& k) {
    for (int slot = 1; slot <= 3; ++slot) k.put(ConditionSet::Live, slot, test::condition([&](auto& c) { c.Amt = slot; }));
    // A working set left by an earlier run: other conditions.
    k.put(ConditionSet::Work, 1, test::condition([](auto& c) { c.Amt = 99; }));
    k.setMain([](store::MainRecord& m) { m.ChangeCode = 0; });
  };
  int calls = 0;
  {
    ExpenseKit k;
    prepare(k);
    test::FailingCalls count(0);
    frmmExpense w(k.ctx);
    calls = count.count();
  }
  ASSERT_GT(calls, 3);
  for (const int error : {EIO, ENOSPC}) {
    for (int n = 1; n <= calls; ++n) {
      SCOPED_TRACE("call " + std::to_string(n) + (error == EIO ? " EIO" : " ENOSPC"));
      ExpenseKit k;
      prepare(k);
      const auto before = k.bytes();
      std::unique_ptr<frmmExpense> w;
      {
        test::FailingCalls fail(n, error);
        w = std::make_unique<frmmExpense>(k.ctx);
      }
      if (w->openingFault().isEmpty()) {
        // The copy took effect after all (the call was its last flush of a name).
        EXPECT_EQ(k.raw(ConditionSet::Work, 1), k.raw(ConditionSet::Live, 1));
        continue;
      }
      EXPECT_EQ(w->openingFault(), QStringLiteral("The conditions could not be prepared for editing; nothing was changed."));
      EXPECT_EQ(k.bytes(), before);
      w->CmdBut[0]->click();  // OK
      w->unloadForm();
      EXPECT_EQ(k.bytes(), before) << "the stale working set reached the live one";
      EXPECT_EQ(k.storedMain().ChangeCode, 0);
    }
  }
}

}  // namespace
}  // namespace prandel
