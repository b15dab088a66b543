// SPDX-License-Identifier: GPL-3.0-or-later
// The countdown window: what it shows for stored records (sane and broken), its
// enabling and layout rules, the day lists, the spin arrows and arrow keys, and the
// bytes that "&Reset" and "&Discard" write (and Cancel and the close box do not).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <vector>

#include "ui/EditorState.h"
#include "editors/countdown/frmmCountdown.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "support/WindowKit.h"
#include "ui/EntryField.h"
#include "ui/Greying.h"
#include "ui/SpinBar.h"
#include "ui/Style.h"
#include "ui/Twips.h"
#include "ui/WindowContext.h"

namespace prandel {
namespace {

using store::MainRecord;
using Setter = std::function<void(MainRecord&)>;

const QLocale kEnUs(QLocale::English, QLocale::UnitedStates);
constexpr std::size_t kMainAt = 1024;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double dateOf(int y, int m, int d) { return Regional::fromDate(QDate(y, m, d)); }

// A sane countdown: on, two hours of which 30 minutes are used, a daily reset at
// 01:00, the conditions left alone.
void sane(MainRecord& m) {
  m.CdEnabled = true;
  m.CdStatus = 3;
  m.CdTotal = 7200;
  m.CdUsed = 1800;
  m.CdActiveOnly = 0;
  m.CdExpenseMode = 0;
  m.CdResetOn = true;
  m.CdResetTime = 3600;
  m.CdResetPeriod = 0;
  m.CdResetDay = 0;
  m.CdResetDate = 0;
  m.CdCondOn = {};
  m.ChangeCode = 0;
}

// A data folder whose mlif.zkt is full of bytes that must survive, with MainRecord
// read into the session as start-up leaves it.
struct CountdownKit : test::WindowKit {
  std::vector<std::uint8_t> before;

  explicit CountdownKit(const Setter& set = {}) : WindowKit(kEnUs) {
    std::vector<std::uint8_t> image(20000);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 37 + 11);
    test::writeFileBytes(dir.file("mlif.zkt"), image);
    s.OpenDataFiles();
    s.MainRecIO(false);
    sane(s.MainRec);
    if (set) set(s.MainRec);
    s.MainRecIO(true);
    before = bytes();
    s.MainRecIO(false);
  }

  MainRecord stored() const { return storedMain(); }
  std::unique_ptr<frmmCountdown> open() { return show<frmmCountdown>(); }
};

// File offsets of the fields the countdown may write.
std::set<std::size_t> ownBytes() {
  using O = MainRecord::Off;
  const std::pair<std::size_t, std::size_t> fields[] = {
      {O::CdEnabled, 2},   {O::CdStatus, 2},    {O::CdTotal, 8},       {O::CdUsed, 8},     {O::CdActiveOnly, 1},
      {O::CdExpenseMode, 2}, {O::CdResetOn, 2}, {O::CdResetTime, 8},   {O::CdResetPeriod, 4}, {O::CdResetDay, 4},
      {O::CdResetDate, 8}, {O::CdCondOn, 42},   {O::ChangeCode, 1}};
  std::set<std::size_t> out;
  for (const auto& [off, width] : fields)
    for (std::size_t i = 0; i < width; ++i) out.insert(kMainAt + off + i);
  return out;
}

void expectOnlyOwnBytesChanged(const CountdownKit& kit, const char* what) {
  const auto own = ownBytes();
  for (std::size_t off : test::changedOffsets(kit.before, kit.bytes()))
    EXPECT_TRUE(own.count(off)) << what << ": byte " << off << " is not the countdown's";
}

QString hm(const frmmCountdown& w, std::size_t i) { return w.txtHour[i]->text() + QLatin1Char(':') + w.txtMin[i]->text(); }

int checkedOption(const frmmCountdown& w) {
  for (std::size_t k = 0; k < w.ExOpt.size(); ++k)
    if (w.ExOpt[k]->isChecked()) return static_cast<int>(k);
  return -1;
}

// Access keys click their buttons after a short press.
void pressAccessKey(QWidget* w, Qt::Key key, const int& ends) {
  QTest::keyClick(w, key, Qt::AltModifier);
  for (int k = 0; k < 100 && ends == 0; ++k) QTest::qWait(10);
}

using test::choose;

// --- Load ---------------------------------------------------------------------------------

TEST(Countdown, LoadShowsTheStoredTimes) {
  struct Case {
    const char* what;
    Setter set;
    const char* countdown;
    const char* reset;
  };
  const Case cases[] = {
      {"a whole number of minutes", {}, "01:30", "01:00"},
      {"5370 s left is rounded up to 01:30", [](MainRecord& m) { m.CdUsed = 1830; }, "01:30", "01:00"},
      {"a fraction below half a second is dropped", [](MainRecord& m) { m.CdTotal = 60.4; m.CdUsed = 0; }, "00:01", "01:00"},
      {"a fraction above half a second is a second more", [](MainRecord& m) { m.CdTotal = 60.6; m.CdUsed = 0; }, "00:02", "01:00"},
      {"all used", [](MainRecord& m) { m.CdUsed = 7200; }, "00:00", "01:00"},
      {"more than all used", [](MainRecord& m) { m.CdUsed = 9000; }, "00:00", "01:00"},
      {"NaN length", [](MainRecord& m) { m.CdTotal = kNaN; }, "00:00", "01:00"},
      {"NaN used", [](MainRecord& m) { m.CdUsed = kNaN; }, "00:00", "01:00"},
      {"infinite length", [](MainRecord& m) { m.CdTotal = std::numeric_limits<double>::infinity(); }, "00:00", "01:00"},
      {"a length no duration has", [](MainRecord& m) { m.CdTotal = 1e300; }, "00:00", "01:00"},
      {"more than 999 hours shows every digit", [](MainRecord& m) { m.CdTotal = 4000 * 3600 + 7 * 60; m.CdUsed = 0; }, "4000:07", "01:00"},
      {"reset at 07:05", [](MainRecord& m) { m.CdResetTime = 7 * 3600 + 5 * 60; }, "01:30", "07:05"},
      {"reset at 30 s past midnight", [](MainRecord& m) { m.CdResetTime = 30; }, "01:30", "00:00"},
      {"reset time NaN", [](MainRecord& m) { m.CdResetTime = kNaN; }, "01:30", "00:00"},
      {"reset time negative", [](MainRecord& m) { m.CdResetTime = -3600; }, "01:30", "00:00"},
      {"reset time huge", [](MainRecord& m) { m.CdResetTime = 1e30; }, "01:30", "00:00"},
  };
  for (const Case& c : cases) {
    CountdownKit kit(c.set);
    auto w = kit.open();
    EXPECT_EQ(hm(*w, 0), QString::fromLatin1(c.countdown)) << c.what;
    EXPECT_EQ(hm(*w, 1), QString::fromLatin1(c.reset)) << c.what;
    // Loading writes nothing.
    EXPECT_EQ(kit.bytes(), kit.before) << c.what;
  }
}

TEST(Countdown, LoadShowsTheStoredChoices) {
  struct Case {
    const char* what;
    Setter set;
    int option;       // -1: none
    int period;       // -1: none
    const char* day;  // Combo4's current text
    const char* date; // Combo2's current text; nullptr: hidden
  };
  const Case cases[] = {
      {"daily", {}, 0, 0, "", nullptr},
      {"free hours", [](MainRecord& m) { m.CdExpenseMode = 1; }, 1, 0, "", nullptr},
      {"listed conditions", [](MainRecord& m) { m.CdExpenseMode = 2; }, 2, 0, "", nullptr},
      {"an option beyond the three", [](MainRecord& m) { m.CdExpenseMode = 3; }, -1, 0, "", nullptr},
      {"a negative option", [](MainRecord& m) { m.CdExpenseMode = -1; }, -1, 0, "", nullptr},
      {"weekly on Wednesday", [](MainRecord& m) { m.CdResetPeriod = 1; m.CdResetDay = 3; }, 0, 1, "Wednesday", nullptr},
      {"weekly on day 7", [](MainRecord& m) { m.CdResetPeriod = 1; m.CdResetDay = 7; }, 0, 1, "Sunday", nullptr},
      {"monthly on the 31st", [](MainRecord& m) { m.CdResetPeriod = 2; m.CdResetDay = 30; }, 0, 2, "31", nullptr},
      {"monthly on a negative day", [](MainRecord& m) { m.CdResetPeriod = 2; m.CdResetDay = -4; }, 0, 2, "1", nullptr},
      {"yearly on 15 March", [](MainRecord& m) { m.CdResetPeriod = 3; m.CdResetDate = dateOf(2001, 3, 15); }, 0, 3, "Mar", "15"},
      {"yearly on 31 December", [](MainRecord& m) { m.CdResetPeriod = 3; m.CdResetDate = dateOf(2001, 12, 31); }, 0, 3, "Dec", "31"},
      {"yearly on 29 February", [](MainRecord& m) { m.CdResetPeriod = 3; m.CdResetDate = dateOf(2000, 2, 29); }, 0, 3, "Feb", "1"},
      {"yearly on no date", [](MainRecord& m) { m.CdResetPeriod = 3; m.CdResetDate = kNaN; }, 0, 3, "Jan", "1"},
      {"a period beyond the four", [](MainRecord& m) { m.CdResetPeriod = 9; m.CdResetDay = 2; }, 0, -1, "", nullptr},
      {"a negative period", [](MainRecord& m) { m.CdResetPeriod = -2147483647 - 1; }, 0, -1, "", nullptr},
      {"reset off, weekly on Friday",
       [](MainRecord& m) { m.CdResetOn = false; m.CdResetPeriod = 1; m.CdResetDay = 5; }, 0, 1, "Friday", nullptr},
      {"reset off, yearly on 4 July",
       [](MainRecord& m) { m.CdResetOn = false; m.CdResetPeriod = 3; m.CdResetDate = dateOf(2001, 7, 4); }, 0, 3, "Jul", "4"},
  };
  for (const Case& c : cases) {
    CountdownKit kit(c.set);
    auto w = kit.open();
    EXPECT_EQ(checkedOption(*w), c.option) << c.what;
    EXPECT_EQ(w->Combo1->currentIndex(), c.period) << c.what;
    EXPECT_EQ(w->Combo4->currentText(), QString::fromLatin1(c.day)) << c.what;
    EXPECT_EQ(w->Combo2->isVisible(), c.date != nullptr) << c.what;
    if (c.date) {
      EXPECT_EQ(w->Combo2->currentText(), QString::fromLatin1(c.date)) << c.what;
    }
    EXPECT_EQ(w->lstShowOpt->count(), 20) << c.what;
    EXPECT_EQ(w->lstShowOpt->item(19)->text(), QStringLiteral("Condition 20")) << c.what;
  }
}

TEST(Countdown, LoadTicksTheListedConditionsLast) {
  CountdownKit kit([](MainRecord& m) {
    m.CdExpenseMode = 2;
    m.CdActiveOnly = 7;  // any value but 0 ticks the box
    m.CdCondOn[0] = true;
    m.CdCondOn[1] = true;
    m.CdCondOn[20] = true;
  });
  auto w = kit.open();
  for (int n = 1; n <= 20; ++n)
    EXPECT_EQ(w->lstShowOpt->item(n - 1)->checkState() == Qt::Checked, n == 1 || n == 20) << n;
  EXPECT_EQ(w->lstShowOpt->currentRow(), 0);
  EXPECT_TRUE(w->Check1->isChecked());
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Countdown"));
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(w->Command1[1]->text(), QStringLiteral("&Reset"));
  EXPECT_EQ(w->Command1[0]->text(), QStringLiteral("&Discard"));
  EXPECT_EQ(w->Command1[2]->text(), QStringLiteral("Cancel"));
}

// --- Enabling, layout and the day lists --------------------------------------------------

TEST(Countdown, TickBoxesEnableTheirControls) {
  CountdownKit kit([](MainRecord& m) {
    m.CdEnabled = false;
    m.CdResetOn = false;
    m.CdExpenseMode = 2;
    m.CdResetPeriod = 3;
    m.CdResetDate = dateOf(2001, 5, 9);
  });
  auto w = kit.open();
  const std::vector<QWidget*> countdownPart = {w->txtHour[0], w->txtMin[0], w->Label1[0], w->Label3,     w->ExOpt[0],
                                               w->ExOpt[1],   w->ExOpt[2],  w->lstShowOpt, w->HourScroll[0],
                                               w->MinScroll[0], w->Check1};
  const std::vector<QWidget*> resetPart = {w->txtHour[1], w->txtMin[1], w->Label1[1], w->Label1[2],
                                           w->Label1[3],  w->Label5,    w->Label2,    w->Combo1,
                                           w->Combo2,     w->Combo4,    w->HourScroll[1], w->MinScroll[1]};
  const std::vector<QWidget*> greyable = {w->txtHour[0], w->txtMin[0], w->lstShowOpt, w->txtHour[1],
                                          w->txtMin[1],  w->Combo1,    w->Combo2,     w->Combo4};
  auto expectState = [&](const std::vector<QWidget*>& part, bool on, const char* what) {
    for (QWidget* c : part) {
      EXPECT_EQ(c->isEnabled(), on) << what << ' ' << c->objectName().toStdString();
      if (std::find(greyable.begin(), greyable.end(), c) != greyable.end()) {
        EXPECT_EQ(ui::isFieldGreyed(c), !on) << what << ' ' << c->objectName().toStdString();
      }
    }
  };
  expectState(countdownPart, false, "loaded off");
  expectState(resetPart, false, "loaded off");
  // The greyed lists still show the stored yearly day.
  EXPECT_EQ(w->Combo4->currentText(), QStringLiteral("May"));
  EXPECT_EQ(w->Combo2->currentText(), QStringLiteral("9"));

  w->chkEnaCoundown->click();
  expectState(countdownPart, true, "countdown on");
  expectState(resetPart, false, "countdown on");
  w->chkResetCDown->click();
  expectState(resetPart, true, "reset on");
  // Switching the reset on refills the lists from the first day.
  EXPECT_EQ(w->Combo4->currentText(), QStringLiteral("Jan"));
  EXPECT_EQ(w->Combo2->count(), 31);

  // Every Day offers no day at all.
  choose(w->Combo1, 0);
  EXPECT_FALSE(w->Combo4->isEnabled());
  EXPECT_TRUE(ui::isFieldGreyed(w->Combo4));
  EXPECT_EQ(w->Combo4->count(), 0);
  EXPECT_FALSE(w->Combo2->isVisible());

  w->chkEnaCoundown->click();
  w->chkResetCDown->click();
  expectState(countdownPart, false, "both off again");
  expectState(resetPart, false, "both off again");
}

TEST(Countdown, PeriodRefillsTheDayLists) {
  CountdownKit kit;
  auto w = kit.open();
  struct Case {
    int period;
    int items;
    const char* first;
    const char* last;
    int widthTwips;  // 0: as wide as Combo1
    bool dates;
  };
  const Case cases[] = {
      {1, 7, "Sunday", "Saturday", 0, false},
      {2, 31, "1", "31", 1100, false},
      {3, 12, "Jan", "Dec", 1100, true},
      {0, 0, "", "", 0, false},
  };
  for (const Case& c : cases) {
    choose(w->Combo1, c.period);
    ASSERT_EQ(w->Combo4->count(), c.items) << c.period;
    EXPECT_EQ(w->Combo4->isEnabled(), c.items > 0) << c.period;
    EXPECT_EQ(w->Combo4->width(), c.widthTwips ? ui::twips(c.widthTwips) : w->Combo1->width()) << c.period;
    EXPECT_EQ(w->Combo2->isVisible(), c.dates) << c.period;
    if (c.items == 0) continue;
    EXPECT_EQ(w->Combo4->currentIndex(), 0) << c.period;
    EXPECT_EQ(w->Combo4->itemText(0), QString::fromLatin1(c.first)) << c.period;
    EXPECT_EQ(w->Combo4->itemText(c.items - 1), QString::fromLatin1(c.last)) << c.period;
  }

  choose(w->Combo1, 3);
  const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int month = 0; month < 12; ++month) {
    w->Combo2->setCurrentIndex(5);
    choose(w->Combo4, month);
    EXPECT_EQ(w->Combo2->count(), days[month]) << month;
    EXPECT_EQ(w->Combo2->currentIndex(), 0) << month;
  }
}

TEST(Countdown, ExpenseOptionsSwitchTheLayout) {
  struct Case {
    int option;
    bool listed;
    int frame2, frame1, window, resetTop, buttonsTop;  // twips
  };
  const Case cases[] = {
      {2, true, 2900, 3735, 6430, 3900, 5560},
      {0, false, 1095, 1935, 4735, 2130, 3830},
      {2, true, 2900, 3735, 6430, 3900, 5560},
      {1, false, 1095, 1935, 4735, 2130, 3830},
  };
  CountdownKit kit;
  auto w = kit.open();
  for (const Case& c : cases) {
    w->ExOpt[static_cast<std::size_t>(c.option)]->click();
    EXPECT_EQ(w->height(), ui::twips(c.window - ui::FormBase::kTitleAndBorderTwips)) << c.option;
    EXPECT_EQ(w->Frame2->height(), ui::twips(c.frame2)) << c.option;
    EXPECT_EQ(w->Frame1->height(), ui::twips(c.frame1)) << c.option;
    EXPECT_EQ(w->chkResetCDown->y(), ui::twips(c.resetTop)) << c.option;
    EXPECT_EQ(w->Frame3->y(), ui::twips(c.resetTop + 20)) << c.option;
    for (QPushButton* b : w->Command1) EXPECT_EQ(b->y(), ui::twips(c.buttonsTop)) << c.option;
    EXPECT_EQ(w->lstShowOpt->isVisible(), c.listed) << c.option;
    EXPECT_EQ(w->lstShowOpt->isEnabled(), c.listed) << c.option;
    EXPECT_EQ(w->Check1->isVisible(), c.listed) << c.option;
  }

  // The list stays disabled, though shown, while the countdown is off.
  w->chkEnaCoundown->click();
  w->ExOpt[2]->setEnabled(true);
  w->ExOpt[2]->click();
  EXPECT_TRUE(w->lstShowOpt->isVisible());
  EXPECT_FALSE(w->lstShowOpt->isEnabled());
}

// Every caption fits its control and every control lies inside its window, in both
// layouts; PRANDEL_SHOTS names a folder for screenshots.
TEST(Countdown, CaptionsFitInBothLayouts) {
  CountdownKit kit;
  auto w = kit.open();
  for (int option : {0, 2}) {
    w->ExOpt[static_cast<std::size_t>(option)]->click();
    QApplication::processEvents();
    for (QWidget* c : w->findChildren<QWidget*>()) {
      if (!c->isVisible() || c == w->Text1) continue;
      const QString name = c->objectName();
      if (qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c)) {
        EXPECT_LE(c->sizeHint().width(), c->width()) << option << ' ' << name.toStdString();
      }
      if (name.isEmpty()) continue;
      const QRect inWindow(c->mapTo(w.get(), QPoint(0, 0)), c->size());
      EXPECT_TRUE(w->rect().contains(inWindow)) << option << ' ' << name.toStdString();
    }
    // The twenty conditions are all in sight, in columns.
    if (option == 2) {
      const QRect last = w->lstShowOpt->visualItemRect(w->lstShowOpt->item(19));
      EXPECT_TRUE(w->lstShowOpt->viewport()->rect().contains(last));
      EXPECT_LE(w->lstShowOpt->sizeHintForColumn(0), last.width());
    }
    if (const char* dir = std::getenv("PRANDEL_SHOTS"))
      w->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/countdown-option%1.png").arg(option));
  }
}

// --- Spin arrows, arrow keys, typing ------------------------------------------------------

TEST(Countdown, SpinArrowsCountWithinTheirLimits) {
  enum Action { HourUp, HourDown, MinUp, MinDown };
  struct Case {
    const char* start;  // hh:mm
    Action action;
    const char* result;
  };
  const Case cases[] = {
      {"05:30", HourUp, "06:30"},  {"05:30", HourDown, "04:30"}, {"998:00", HourUp, "999:00"},
      {"999:00", HourUp, "999:00"}, {"00:10", HourDown, "00:10"}, {"01:10", HourDown, "00:10"},
      {"5:7", HourUp, "06:7"},     {":30", HourUp, ":30"},        {"x:30", HourDown, "x:30"},
      {"02:58", MinUp, "02:59"},   {"02:59", MinUp, "02:00"},     {"02:00", MinDown, "02:59"},
      {"02:01", MinDown, "02:00"}, {"02:7", MinUp, "02:08"},      {"02:", MinUp, "02:"},
  };
  CountdownKit kit;
  auto w = kit.open();
  for (std::size_t i = 0; i < 2; ++i) {
    for (const Case& c : cases) {
      const QString start = QString::fromLatin1(c.start);
      w->txtHour[i]->setText(start.section(QLatin1Char(':'), 0, 0));
      w->txtMin[i]->setText(start.section(QLatin1Char(':'), 1, 1));
      ui::EntryField* field = c.action == HourUp || c.action == HourDown ? w->txtHour[i] : w->txtMin[i];
      switch (c.action) {
        case HourUp: w->HourScroll[i]->stepUp(); break;
        case HourDown: w->HourScroll[i]->stepDown(); break;
        case MinUp: w->MinScroll[i]->stepUp(); break;
        case MinDown: w->MinScroll[i]->stepDown(); break;
      }
      EXPECT_EQ(hm(*w, i), QString::fromLatin1(c.result)) << i << ' ' << c.start << ' ' << c.action;
      EXPECT_EQ(QApplication::focusWidget(), field) << i << ' ' << c.start;
      EXPECT_EQ(field->selectedText(), field->text()) << i << ' ' << c.start;
    }
  }
}

TEST(Countdown, SpinArrowsKeepWorkingAtTheEndsOfTheirRange) {
  CountdownKit kit;
  auto w = kit.open();
  w->txtMin[0]->setText(QStringLiteral("00"));
  // 16005 steps down from 00, past the end of the spin's range: 16005 = 266 * 60 + 45.
  for (int k = 0; k < 16005; ++k) w->MinScroll[0]->stepDown();
  EXPECT_EQ(w->txtMin[0]->text(), QStringLiteral("15"));
  w->txtHour[0]->setText(QStringLiteral("00"));
  for (int k = 0; k < 16005; ++k) w->HourScroll[0]->stepUp();
  EXPECT_EQ(w->txtHour[0]->text(), QStringLiteral("999"));
}

TEST(Countdown, ArrowKeysWorkTheSpinsAndTypingIsFiltered) {
  CountdownKit kit;
  auto w = kit.open();
  w->txtHour[0]->setFocus();
  QTest::keyClick(w->txtHour[0], Qt::Key_Up);
  QTest::keyClick(w->txtHour[0], Qt::Key_Up);
  EXPECT_EQ(w->txtHour[0]->text(), QStringLiteral("03"));
  EXPECT_EQ(w->txtHour[0]->selectedText(), QStringLiteral("03"));  // selected when the key is released
  QTest::keyPress(w->txtHour[0], Qt::Key_Down);
  EXPECT_EQ(w->txtHour[0]->text(), QStringLiteral("02"));
  EXPECT_EQ(w->txtHour[0]->cursorPosition(), 2);
  QTest::keyRelease(w->txtHour[0], Qt::Key_Down);

  w->txtMin[1]->setFocus();
  QTest::keyClick(w->txtMin[1], Qt::Key_Down);
  EXPECT_EQ(w->txtMin[1]->text(), QStringLiteral("59"));
  QTest::keyClick(w->txtMin[1], Qt::Key_Up);
  EXPECT_EQ(w->txtMin[1]->text(), QStringLiteral("00"));

  // Typing: digits only, at most three, and minutes never beyond 59.
  w->txtMin[0]->setFocus();
  QTest::keyClicks(w->txtMin[0], QStringLiteral("75"));
  EXPECT_EQ(w->txtMin[0]->text(), QStringLiteral("7"));
  EXPECT_EQ(w->txtMin[0]->cursorPosition(), 1);
  QTest::keyClicks(w->txtMin[0], QStringLiteral("a9:"));
  EXPECT_EQ(w->txtMin[0]->text(), QStringLiteral("7"));
  QTest::keyClicks(w->txtMin[0], QStringLiteral("2"));
  EXPECT_EQ(w->txtMin[0]->text(), QStringLiteral("7"));  // 72 is cut back as well
  w->txtMin[0]->setText(QStringLiteral("4-"));          // pasted, not typed
  EXPECT_EQ(w->txtMin[0]->text(), QString());
  w->txtHour[1]->setFocus();
  QTest::keyClicks(w->txtHour[1], QStringLiteral("12345"));
  EXPECT_EQ(w->txtHour[1]->text(), QStringLiteral("123"));
}

// --- Reset (apply), Discard, Cancel -----------------------------------------------------

TEST(Countdown, ApplyWritesOnlyTheCountdownFields) {
  struct Case {
    const char* what;
    Setter stored;
    std::function<void(frmmCountdown&)> act;
    std::function<void(MainRecord& expected)> change;  // from the stored record
  };
  const Case cases[] = {
      {"unchanged: the running countdown goes on", {}, [](frmmCountdown&) {},
       [](MainRecord& e) { e.CdResetOn = true; }},
      {"a rounded-up time restarts the countdown", [](MainRecord& m) { m.CdUsed = 1830; }, [](frmmCountdown&) {},
       [](MainRecord& e) { e.CdTotal = 5400; e.CdUsed = 0; }},
      {"a new time restarts the countdown", {},
       [](frmmCountdown& w) { w.txtHour[0]->setText(QStringLiteral("12")); w.txtMin[0]->setText(QStringLiteral("5")); },
       [](MainRecord& e) { e.CdTotal = 12 * 3600 + 5 * 60; e.CdUsed = 0; }},
      {"the listed conditions", [](MainRecord& m) { m.CdCondOn[4] = true; m.CdCondOn[0] = true; },
       [](frmmCountdown& w) {
         w.ExOpt[2]->click();
         w.lstShowOpt->item(4 - 1)->setCheckState(Qt::Unchecked);
         w.lstShowOpt->item(7 - 1)->setCheckState(Qt::Checked);
         w.Check1->click();
       },
       [](MainRecord& e) { e.CdExpenseMode = 2; e.CdCondOn[4] = false; e.CdCondOn[7] = true; e.CdActiveOnly = 1; }},
      {"free hours keep the list", [](MainRecord& m) { m.CdCondOn[9] = true; m.CdExpenseMode = 2; },
       [](frmmCountdown& w) {
         w.lstShowOpt->item(2)->setCheckState(Qt::Checked);
         w.ExOpt[1]->click();
       },
       [](MainRecord& e) { e.CdExpenseMode = 1; }},
      {"no option selected keeps the mode", [](MainRecord& m) { m.CdExpenseMode = 6; }, [](frmmCountdown&) {},
       [](MainRecord&) {}},
      {"weekly on Saturday at 23:45", {},
       [](frmmCountdown& w) {
         choose(w.Combo1, 1);
         choose(w.Combo4, 6);
         w.txtHour[1]->setText(QStringLiteral("23"));
         w.txtMin[1]->setText(QStringLiteral("45"));
       },
       [](MainRecord& e) { e.CdResetPeriod = 1; e.CdResetDay = 6; e.CdResetTime = 23 * 3600 + 45 * 60; }},
      {"yearly on 28 February", {},
       [](frmmCountdown& w) {
         choose(w.Combo1, 3);
         choose(w.Combo4, 1);
         w.Combo2->setCurrentIndex(27);
         w.txtMin[1]->setText(QStringLiteral("1"));
       },
       [](MainRecord& e) { e.CdResetPeriod = 3; e.CdResetDate = dateOf(2001, 2, 28); e.CdResetTime = 3660; }},
      {"reset switched off keeps its settings", [](MainRecord& m) { m.CdResetPeriod = 2; m.CdResetDay = 14; },
       [](frmmCountdown& w) { w.chkResetCDown->click(); },
       [](MainRecord& e) { e.CdResetOn = false; }},
      {"reset loaded off keeps the stored day",
       [](MainRecord& m) { m.CdResetOn = false; m.CdResetPeriod = 1; m.CdResetDay = 4; m.CdResetTime = 3600; },
       [](frmmCountdown&) {}, [](MainRecord&) {}},
      {"a period beyond the four is kept", [](MainRecord& m) { m.CdResetPeriod = 9; m.CdResetDay = 77; },
       [](frmmCountdown&) {}, [](MainRecord&) {}},
      {"countdown off: only the switch and the reset",
       [](MainRecord& m) { m.CdExpenseMode = 2; m.CdCondOn[3] = true; m.CdUsed = 1830; },
       [](frmmCountdown& w) {
         w.lstShowOpt->item(0)->setCheckState(Qt::Checked);
         w.txtHour[0]->setText(QStringLiteral("9"));
         w.chkEnaCoundown->click();
         choose(w.Combo1, 2);
         choose(w.Combo4, 9);
         w.txtHour[1]->clear();
         w.txtMin[1]->setText(QStringLiteral("30"));
       },
       [](MainRecord& e) { e.CdEnabled = false; e.CdResetPeriod = 2; e.CdResetDay = 9; e.CdResetTime = 1800; }},
      {"countdown off: a reset of 00:00 is not checked", {},
       [](frmmCountdown& w) {
         w.chkEnaCoundown->click();
         w.txtHour[1]->setText(QStringLiteral("00"));
         w.txtMin[1]->setText(QStringLiteral("00"));
       },
       [](MainRecord& e) { e.CdEnabled = false; e.CdResetTime = 0; }},
      {"countdown switched on", [](MainRecord& m) { m.CdEnabled = false; },
       [](frmmCountdown& w) { w.chkEnaCoundown->click(); }, [](MainRecord& e) { e.CdEnabled = true; }},
  };
  for (const Case& c : cases) {
    CountdownKit kit(c.stored);
    MainRecord expected = kit.stored();
    auto w = kit.open();
    c.act(*w);
    pressAccessKey(w.get(), Qt::Key_R, kit.ends);
    EXPECT_TRUE(kit.prompter.shown.empty()) << c.what << ": " << kit.prompter.lastText().toStdString();
    EXPECT_EQ(kit.ends, 1) << c.what;
    EXPECT_FALSE(w->isVisible()) << c.what;
    c.change(expected);
    expected.ChangeCode = 1;
    const MainRecord got = kit.stored();
    EXPECT_EQ(got.CdEnabled, expected.CdEnabled) << c.what;
    EXPECT_EQ(got.CdStatus, expected.CdStatus) << c.what;
    EXPECT_EQ(got.CdTotal, expected.CdTotal) << c.what;
    EXPECT_EQ(got.CdUsed, expected.CdUsed) << c.what;
    EXPECT_EQ(got.CdActiveOnly, expected.CdActiveOnly) << c.what;
    EXPECT_EQ(got.CdExpenseMode, expected.CdExpenseMode) << c.what;
    EXPECT_EQ(got.CdResetOn, expected.CdResetOn) << c.what;
    EXPECT_EQ(got.CdResetTime, expected.CdResetTime) << c.what;
    EXPECT_EQ(got.CdResetPeriod, expected.CdResetPeriod) << c.what;
    EXPECT_EQ(got.CdResetDay, expected.CdResetDay) << c.what;
    EXPECT_EQ(got.CdResetDate, expected.CdResetDate) << c.what;
    EXPECT_EQ(got.CdCondOn, expected.CdCondOn) << c.what;
    EXPECT_EQ(got.ChangeCode, 1) << c.what;
    expectOnlyOwnBytesChanged(kit, c.what);
  }
}

TEST(Countdown, ApplyRefusesAMissingTime) {
  struct Case {
    const char* what;
    Setter stored;
    std::function<void(frmmCountdown&)> act;
    const char* message;
    int faultyRow;  // 0 countdown, 1 reset
    bool faultyIsHour;
  };
  const char* countdown = "Please set Countdown Time properly";
  const char* reset = "Please set Reset Countdown Time properly";
  const Case cases[] = {
      {"all used, shown as 00:00", [](MainRecord& m) { m.CdUsed = 7200; }, [](frmmCountdown&) {}, countdown, 0, true},
      {"hours empty", {}, [](frmmCountdown& w) { w.txtHour[0]->clear(); }, countdown, 0, true},
      {"minutes empty", {}, [](frmmCountdown& w) { w.txtMin[0]->clear(); }, countdown, 0, false},
      {"hours not a number", {}, [](frmmCountdown& w) { w.txtHour[0]->setText(QStringLiteral("1a")); }, countdown, 0, true},
      {"a negative time", {},
       [](frmmCountdown& w) { w.txtHour[0]->setText(QStringLiteral("-1")); w.txtMin[0]->setText(QStringLiteral("30")); },
       countdown, 0, true},
      {"reset at 00:00", [](MainRecord& m) { m.CdResetTime = 0; }, [](frmmCountdown&) {}, reset, 1, true},
      {"reset minutes empty", {},
       [](frmmCountdown& w) { w.txtHour[1]->setText(QStringLiteral("4")); w.txtMin[1]->clear(); }, reset, 1, false},
  };
  for (const Case& c : cases) {
    CountdownKit kit(c.stored);
    auto w = kit.open();
    c.act(*w);
    w->Command1[1]->click();
    ASSERT_EQ(kit.prompter.shown.size(), 1u) << c.what;
    EXPECT_EQ(kit.prompter.lastText(), QString::fromLatin1(c.message)) << c.what;
    EXPECT_EQ(kit.prompter.shown.back().title, QStringLiteral("Prandel")) << c.what;
    EXPECT_FALSE(kit.prompter.shown.back().isQuestion) << c.what;
    const auto row = static_cast<std::size_t>(c.faultyRow);
    EXPECT_EQ(hm(*w, row), QStringLiteral("00:00")) << c.what;
    EXPECT_EQ(QApplication::focusWidget(), c.faultyIsHour ? w->txtHour[row] : w->txtMin[row]) << c.what;
    EXPECT_EQ(kit.ends, 0) << c.what;
    EXPECT_TRUE(w->isVisible()) << c.what;
    EXPECT_EQ(kit.bytes(), kit.before) << c.what;
  }
}

// The tracker may write the record while the window is open: what it wrote survives.
TEST(Countdown, ApplyAndDiscardReadTheRecordAfresh) {
  for (bool discard : {false, true}) {
    CountdownKit kit;
    auto w = kit.open();
    MainRecord tracker = kit.stored();
    tracker.CdUsed = 2400;
    tracker.HolidayCount = 12;
    tracker.IncChoice = 4;
    tracker.CdStatus = 9;
    store::writeRecord(kit.s.files, MainRecord::Channel, MainRecord::RecordNo, tracker);
    const auto written = kit.bytes();
    (discard ? w->Command1[0] : w->Command1[1])->click();
    const MainRecord got = kit.stored();
    EXPECT_EQ(got.HolidayCount, 12) << discard;
    EXPECT_EQ(got.IncChoice, 4) << discard;
    EXPECT_EQ(got.CdUsed, discard ? 0 : 2400) << discard;
    EXPECT_EQ(got.CdStatus, discard ? 0 : 9) << discard;
    EXPECT_EQ(got.ChangeCode, discard ? 2 : 1) << discard;
    kit.before = written;
    expectOnlyOwnBytesChanged(kit, discard ? "discard" : "apply");
  }
}

TEST(Countdown, DiscardSwitchesOffAndClearsTheCountdown) {
  CountdownKit kit([](MainRecord& m) {
    m.CdTotal = kNaN;
    m.CdResetPeriod = 3;
    m.CdResetDate = dateOf(2001, 6, 1);
  });
  auto w = kit.open();
  // The controls are not read.
  w->txtHour[0]->clear();
  w->chkResetCDown->click();
  pressAccessKey(w.get(), Qt::Key_D, kit.ends);
  EXPECT_TRUE(kit.prompter.shown.empty());
  EXPECT_EQ(kit.ends, 1);
  const MainRecord got = kit.stored();
  EXPECT_FALSE(got.CdEnabled);
  EXPECT_EQ(got.CdTotal, 0);
  EXPECT_EQ(got.CdUsed, 0);
  EXPECT_EQ(got.CdStatus, 0);
  EXPECT_EQ(got.ChangeCode, 2);
  const auto after = kit.bytes();
  std::set<std::size_t> allowed;
  using O = MainRecord::Off;
  for (auto [off, width] : {std::pair{O::CdEnabled, 2}, {O::CdStatus, 2}, {O::CdTotal, 8}, {O::CdUsed, 8},
                            {O::ChangeCode, 1}})
    for (std::size_t i = 0; i < static_cast<std::size_t>(width); ++i) allowed.insert(kMainAt + off + i);
  for (std::size_t off : test::changedOffsets(kit.before, after)) EXPECT_TRUE(allowed.count(off)) << off;
  EXPECT_EQ(after[kMainAt + O::CdEnabled], 0);
  EXPECT_EQ(after[kMainAt + O::ChangeCode], 2);
}

TEST(Countdown, CancelEscapeAndTheCloseBoxWriteNothing) {
  enum Way { CancelButton, Escape, CloseBox };
  for (Way way : {CancelButton, Escape, CloseBox}) {
    CountdownKit kit;
    auto w = kit.open();
    w->txtHour[0]->setText(QStringLiteral("7"));
    w->chkEnaCoundown->click();
    if (way == CancelButton) w->Command1[2]->click();
    else if (way == Escape) QTest::keyClick(w.get(), Qt::Key_Escape);
    else w->close();
    EXPECT_GE(kit.ends, 1) << way;
    EXPECT_FALSE(w->isVisible()) << way;
    EXPECT_EQ(kit.bytes(), kit.before) << way;
  }
}

TEST(Countdown, EnterAppliesThroughTheDefaultButton) {
  CountdownKit kit;
  auto w = kit.open();
  EXPECT_TRUE(w->Command1[1]->isDefault());
  w->txtHour[0]->setFocus();
  QTest::keyClicks(w->txtHour[0], QStringLiteral("3"));
  QTest::keyClick(w->txtHour[0], Qt::Key_Return);
  EXPECT_EQ(kit.stored().CdTotal, 3 * 3600 + 30 * 60);
  EXPECT_EQ(kit.stored().ChangeCode, 1);
}

// A record file that cannot be read leaves the defaults; nothing breaks.
TEST(Countdown, EmptyRecordFileShowsDefaults) {
  test::WindowKit kit(kEnUs);
  kit.s.OpenDataFiles();
  kit.s.MainRecIO(false);
  ui::applyAppStyle();
  frmmCountdown w(kit.ctx);
  EXPECT_FALSE(w.chkEnaCoundown->isChecked());
  EXPECT_EQ(checkedOption(w), 0);
  EXPECT_EQ(hm(w, 0), QStringLiteral("00:00"));
  EXPECT_EQ(w.Combo1->currentIndex(), 0);
  w.Command1[1]->click();
  EXPECT_EQ(kit.ends, 1);
  const auto bytes = kit.bytes();
  ASSERT_GE(bytes.size(), kMainAt + MainRecord::Size);
  EXPECT_EQ(bytes[kMainAt + MainRecord::Off::ChangeCode], 1);
}

}  // namespace
}  // namespace prandel
