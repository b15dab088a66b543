// SPDX-License-Identifier: GPL-3.0-or-later
// The condition map: the colour of each quarter hour, the week it draws and how it
// moves, the connection list, the legend and its sizes, the tooltips, and that
// closing it ends nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "ui/EditorState.h"
#include "expense/frmmExpGraph.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "support/WindowKit.h"
#include "ui/Style.h"
#include "ui/Twips.h"
#include "ui/WindowContext.h"

namespace prandel {
namespace {

using store::ExpenseCondition;

const QLocale kEnUs(QLocale::English, QLocale::UnitedStates);
double hm(int h, int m) { return (h * 60 + m) / 1440.0; }

ExpenseCondition cond(const std::function<void(ExpenseCondition&)>& shape = {}) {
  ExpenseCondition c;
  c.InUse = true;
  if (shape) shape(c);
  return c;
}
ExpenseCondition between(int h1, int h2) {
  return cond([&](ExpenseCondition& c) {
    c.TimeType = 1;
    c.TimeStart = hm(h1, 0);
    c.TimeEnd = hm(h2, 0);
  });
}

// A session whose clock reads Wednesday 25 December 2024, 10:00; the week drawn
// starts on that day.
struct GraphKit : test::WindowKit {

  explicit GraphKit(const QLocale& locale = kEnUs) : WindowKit(locale) {
    fake.clock.set(QDateTime(QDate(2024, 12, 25), QTime(10, 0)));
    s.OpenDataFiles();
  }
  void working(const std::vector<ExpenseCondition>& list) {
    for (std::size_t i = 0; i < list.size(); ++i)
      store::writeRecord(s.files, ExpenseCondition::Channel, ExpenseCondition::WorkBase + 1 + static_cast<int>(i),
                         list[i]);
  }
  std::unique_ptr<frmmExpGraph> open() {
    ui::applyAppStyle();
    auto w = std::make_unique<frmmExpGraph>(ctx);
    w->show();
    (void)QTest::qWaitForWindowExposed(w.get());
    return w;
  }
};

// The colour drawn for a slot, sampled in the middle of the chart's height.
QColor drawn(const frmmExpGraph& w, int slot) {
  const QImage& img = w.PicGraph->image();
  return img.pixelColor(ui::twips(15 * slot), img.height() / 2);
}

std::vector<int> visibleLegend(const frmmExpGraph& w) {
  std::vector<int> out;
  for (int n = 0; n < frmmExpGraph::kLegend; ++n)
    if (w.lblCond[static_cast<std::size_t>(n)]->isVisibleTo(w.Frame1)) out.push_back(n);
  return out;
}

TEST(ExpGraph, OneConditionFromEightToSixColoursSlots32To71OfEachDay) {
  GraphKit kit;
  kit.working({between(8, 18)});
  auto w = kit.open();
  for (int slot = 0; slot < frmmExpGraph::kSlots; ++slot) {
    const int q = slot % 96;
    const bool coloured = slot < 672 && q >= 32 && q <= 71;
    EXPECT_EQ(w->slotConditions()[static_cast<std::size_t>(slot)], coloured ? 1 : 0) << slot;
    EXPECT_EQ(drawn(*w, slot), frmmExpGraph::legendColour(coloured ? 1 : 0)) << slot;
  }
  EXPECT_EQ(frmmExpGraph::legendColour(1), QColor(0, 255, 0));
}

TEST(ExpGraph, TheWindowAsItOpens) {
  GraphKit kit;
  kit.fake.dialup.names = {"ISP A", "Work VPN"};
  auto w = kit.open();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Expense Graph"));
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(w->GraphReady);
  EXPECT_EQ(w->GraphStart, Regional::fromDate(QDate(2024, 12, 25)));
  EXPECT_EQ(w->Label11->text(), QStringLiteral("25, Dec To 31, Dec"));
  EXPECT_EQ(w->Label1->text(), QStringLiteral("Valid Connection :"));
  ASSERT_EQ(w->cmbExpCon->count(), 3);
  EXPECT_EQ(w->cmbExpCon->currentText(), QStringLiteral("Default"));
  EXPECT_EQ(w->cmbExpCon->itemText(2), QStringLiteral("Work VPN"));
  EXPECT_EQ(w->Command1[1]->text(), QStringLiteral("&Next"));
  EXPECT_EQ(w->Command1[2]->text(), QStringLiteral("&Prev"));
  const char* captions[] = {"&Refresh", "&Close", "S&tart Over", "Hide Legends"};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(w->CmdBut[i]->text(), QString::fromLatin1(captions[i])) << i;
  EXPECT_FALSE(w->PicG->isVisible());
  EXPECT_TRUE(w->Frame1->isVisible());
  // Day separators run through the strip; six-hour ticks only through its foot.
  const QImage& strip = w->Picture1->image();
  const QColor ink = w->palette().color(QPalette::WindowText);
  for (int day = 0; day < 7; ++day) {
    EXPECT_EQ(strip.pixelColor(ui::twips(15 * 96 * day), 1), ink) << day;
    EXPECT_EQ(strip.pixelColor(ui::twips(15 * (96 * day + 24)), ui::twips(350)), ink) << day;
    EXPECT_NE(strip.pixelColor(ui::twips(15 * (96 * day + 24)), 1), ink) << day;
  }
  EXPECT_EQ(kit.s.EvalConn, QString());  // left empty after drawing
}

TEST(ExpGraph, NextPrevAndStartOverMoveTheWeek) {
  for (const auto& [locale, prev, nextTwice] :
       {std::tuple{kEnUs, "24, Dec To 30, Dec", "26, Dec To 1, Jan"},
        std::tuple{QLocale(QLocale::German, QLocale::Germany), "24, Dez To 30, Dez", "26, Dez To 1, Jan"}}) {
    GraphKit kit(locale);
    kit.fake.dialup.names = {"ISP A"};
    auto w = kit.open();
    w->Command1[2]->click();
    EXPECT_EQ(w->Label11->text(), QString::fromUtf8(prev));
    w->Command1[1]->click();
    w->Command1[1]->click();
    EXPECT_EQ(w->Label11->text(), QString::fromUtf8(nextTwice));
    w->cmbExpCon->setCurrentIndex(1);
    w->CmdBut[2]->click();
    EXPECT_EQ(w->GraphStart, Regional::fromDate(QDate(2024, 12, 25)));
    EXPECT_EQ(w->cmbExpCon->currentText(), QStringLiteral("Default"));
    for (QPushButton* b : {w->Command1[1], w->Command1[2], w->CmdBut[0], w->CmdBut[1], w->CmdBut[2], w->CmdBut[3]})
      EXPECT_TRUE(b->isEnabled());
  }
}

TEST(ExpGraph, EverythingIsDisabledWhileDrawing) {
  GraphKit kit;
  kit.working({between(8, 18)});
  auto w = kit.open();
  struct Watch : QObject {
    frmmExpGraph* w;
    int paints = 0;
    bool allDisabled = true;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) {
        ++paints;
        for (QWidget* c : std::initializer_list<QWidget*>{w->Command1[1], w->Command1[2], w->CmdBut[0], w->CmdBut[1],
                                                          w->CmdBut[2], w->CmdBut[3], w->cmbExpCon})
          allDisabled = allDisabled && !c->isEnabled();
      }
      return false;
    }
  } watch;
  watch.w = w.get();
  w->PicG->installEventFilter(&watch);
  w->CmdBut[0]->click();
  EXPECT_GT(watch.paints, 0);
  EXPECT_TRUE(watch.allDisabled);
  EXPECT_FALSE(w->PicG->isVisible());
  EXPECT_TRUE(w->CmdBut[0]->isEnabled());
}

TEST(ExpGraph, TheConnectionListFiltersTheConditions) {
  GraphKit kit;
  kit.fake.dialup.names = {"ISP A", "ISP B"};
  kit.working({between(8, 18), cond([](ExpenseCondition& c) {
                 c.ConVal = true;
                 c.ConNm = "ISP A";
               })});
  auto w = kit.open();
  const std::size_t night = 8, noon = 48;
  EXPECT_EQ(w->slotConditions()[night], 0);
  EXPECT_EQ(w->slotConditions()[noon], 1);
  test::choose(w->cmbExpCon, 1);
  EXPECT_EQ(w->slotConditions()[night], 2);
  EXPECT_EQ(w->slotConditions()[noon], 2);
  test::choose(w->cmbExpCon, 2);
  EXPECT_EQ(w->slotConditions()[noon], 0);
}

TEST(ExpGraph, LegendSizesFollowTheConditionsInUse) {
  struct SizeCase {
    int used;
    int windowHeight, frameHeight, buttonTop;
  };
  for (const SizeCase c : {SizeCase{0, 3975, 615, 3090}, SizeCase{6, 3975, 615, 3090}, SizeCase{7, 4515, 1155, 3600},
                           SizeCase{13, 4515, 1155, 3600}, SizeCase{14, 5100, 1695, 4200},
                           SizeCase{20, 5100, 1695, 4200}}) {
    GraphKit kit;
    kit.working(std::vector<ExpenseCondition>(static_cast<std::size_t>(c.used), cond()));
    auto w = kit.open();
    std::vector<int> want;
    for (int n = 0; n <= c.used; ++n) want.push_back(n);
    EXPECT_EQ(visibleLegend(*w), want) << c.used;
    EXPECT_EQ(w->height(), ui::twips(c.windowHeight - 405)) << c.used;
    EXPECT_EQ(w->Frame1->height(), ui::twips(c.frameHeight)) << c.used;
    EXPECT_EQ(w->CmdBut[0]->y(), ui::twips(c.buttonTop)) << c.used;
    EXPECT_EQ(w->CmdBut[1]->y(), ui::twips(c.buttonTop)) << c.used;
  }
  // Hidden by the user, the legend stays hidden through later drawings.
  GraphKit kit;
  kit.working({cond()});
  auto w = kit.open();
  w->CmdBut[3]->click();
  EXPECT_EQ(w->CmdBut[3]->text(), QStringLiteral("Show Legends"));
  EXPECT_FALSE(w->Frame1->isVisible());
  EXPECT_EQ(w->height(), ui::twips(3300 - 405));
  EXPECT_EQ(w->CmdBut[2]->y(), ui::twips(2400));
  w->CmdBut[0]->click();
  EXPECT_FALSE(w->Frame1->isVisible());
  w->CmdBut[3]->click();
  EXPECT_EQ(w->CmdBut[3]->text(), QStringLiteral("Hide Legends"));
  EXPECT_TRUE(w->Frame1->isVisible());
}

TEST(ExpGraph, TheLegendMarksConditionsNeverInForce) {
  GraphKit kit;
  kit.working({cond(), between(8, 18), cond([](ExpenseCondition& c) {
                 c.PerType = 2;  // February: not in this week (whose last slot is 1 January)
                 c.PerNum = 1;
               }),
               cond([](ExpenseCondition& c) {
                 c.ConVal = true;
                 c.ConNm = "ISP A";
               })});
  auto w = kit.open();
  for (int n = 1; n <= 4; ++n) {
    const bool never = n >= 3;
    QLabel* name = w->lblCond[static_cast<std::size_t>(n)];
    EXPECT_EQ(name->font().strikeOut(), never) << n;
    EXPECT_EQ(name->toolTip().startsWith(QStringLiteral("never in force this week")), never) << n;
  }
  EXPECT_TRUE(w->lblCond[3]->toolTip().contains(QStringLiteral("Period : In February")));
  // The marks follow the next drawing.
  kit.working({cond(), between(8, 18), cond([](ExpenseCondition& c) {
                 c.PerType = 2;
                 c.PerNum = 11;
               })});
  w->CmdBut[0]->click();
  EXPECT_FALSE(w->lblCond[3]->font().strikeOut());
}

TEST(ExpGraph, TheChartTellsWhatIsInForceUnderTheMouse) {
  GraphKit kit;
  kit.working({cond(), between(8, 18)});
  auto w = kit.open();
  const int nineOClock = 36;
  EXPECT_EQ(w->slotAt(ui::twips(15 * nineOClock)), nineOClock);
  const QString tip = w->slotToolTip(nineOClock);
  EXPECT_TRUE(tip.startsWith(QStringLiteral("Wednesday, December 25, 2024\n09:00 - 09:15\nCondition 2\n"))) << tip.toStdString();
  EXPECT_TRUE(tip.contains(QStringLiteral("Period : Every Day"))) << tip.toStdString();
  EXPECT_TRUE(tip.contains(QStringLiteral("Time : From 08:00 To 18:00"))) << tip.toStdString();
  EXPECT_TRUE(w->slotToolTip(96 + 4).contains(QStringLiteral("Thursday, December 26, 2024\n01:00 - 01:15\nCondition 1")));
  EXPECT_EQ(w->slotToolTip(-1), QString());
  EXPECT_EQ(w->slotAt(w->PicGraph->width() - 1), -1);

  GraphKit empty;
  auto e = empty.open();
  EXPECT_TRUE(e->slotToolTip(10).endsWith(QStringLiteral("No Condition")));
}

TEST(ExpGraph, EachDrawingReadsTheWorkingConditionsAfresh) {
  GraphKit kit;
  kit.working({between(8, 18)});
  auto w = kit.open();
  EXPECT_EQ(w->slotConditions()[4], 0);
  kit.working({between(0, 6)});
  w->CmdBut[0]->click();
  EXPECT_EQ(w->slotConditions()[4], 1);
  EXPECT_EQ(w->slotConditions()[40], 0);
  // The live conditions are not the map's.
  store::writeRecord(kit.s.files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + 1, cond());
  w->CmdBut[0]->click();
  EXPECT_EQ(w->slotConditions()[40], 0);
}

TEST(ExpGraph, ClosingTheMapEndsNothing) {
  for (bool byEscape : {false, true}) {
    GraphKit kit;
    auto w = kit.open();
    if (byEscape) QTest::keyClick(w.get(), Qt::Key_Escape);
    else w->CmdBut[1]->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(kit.ends, 0);
  }
}

TEST(ExpGraph, BadRecordsStillGiveAMap) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  GraphKit kit;
  kit.working({cond([](ExpenseCondition& c) { c.PerType = 99; }), cond([](ExpenseCondition& c) { c.TimeType = 77; }),
               cond([&](ExpenseCondition& c) {
                 c.PerType = 7;
                 c.WkStart = 20000;
                 c.WkEnd = -5;
               }),
               cond([&](ExpenseCondition& c) {
                 c.PerType = 3;
                 c.PerStart = nan;
                 c.PerEnd = 1e300;
               }),
               cond([](ExpenseCondition& c) { c.PerType = 4; })});
  for (int k = 1; k <= 3; ++k) {
    store::HolidayRecord h;
    h.HoliDate = k == 1 ? nan : (k == 2 ? -1e300 : 5e6);
    store::writeRecord(kit.s.files, store::HolidayRecord::Channel, store::HolidayRecord::Base + k, h);
  }
  kit.s.MainRec.HolidayCount = 32767;
  auto w = kit.open();
  for (int slot = 0; slot < frmmExpGraph::kSlots; ++slot) {
    EXPECT_EQ(w->slotConditions()[static_cast<std::size_t>(slot)], 0) << slot;
    EXPECT_EQ(drawn(*w, slot), QColor(Qt::white)) << slot;
  }
  EXPECT_EQ(visibleLegend(*w).size(), 6u);
}

}  // namespace
}  // namespace prandel
