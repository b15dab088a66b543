// SPDX-License-Identifier: GPL-3.0-or-later
// The call settings window: what it shows for stored records (sane and broken), the
// rules of its lists, the checks of "OK" and the bytes it writes (and Cancel and the
// close box do not).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <vector>

#include "ui/EditorState.h"
#include "editors/callsettings/frmSetCall.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "support/WindowKit.h"
#include "ui/EntryField.h"
#include "ui/Greying.h"
#include "ui/Style.h"
#include "ui/WindowContext.h"

namespace prandel {
namespace {

using store::MainRecord;
using Setter = std::function<void(MainRecord&)>;

const QLocale kEnUs(QLocale::English, QLocale::UnitedStates);
constexpr std::size_t kMainAt = 1024;

double hms(int h, int m, int s) { return (h * 3600 + m * 60 + s) / 86400.0; }

// Counting after the call is made, in steps of 5 minutes, with 30 s of dialling.
void sane(MainRecord& m) {
  m.CallStart = 0;
  m.IncChoice = 5;
  m.IncTime = hms(0, 5, 0);
  m.AddDialTime = 1;
  m.DialSeconds = 30;
  m.ChangeCode = 0;
}

struct CallKit : test::WindowKit {
  std::vector<std::uint8_t> before;

  explicit CallKit(const Setter& set = {}) : WindowKit(kEnUs) {
    std::vector<std::uint8_t> image(12000);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 53 + 5);
    test::writeFileBytes(dir.file("mlif.zkt"), image);
    s.OpenDataFiles();
    s.MainRecIO(false);
    sane(s.MainRec);
    if (set) set(s.MainRec);
    s.MainRecIO(true);
    before = bytes();
    // The window reads the record itself.
    s.MainRec = MainRecord{};
  }

  MainRecord stored() const { return storedMain(); }
  std::unique_ptr<frmSetCall> open() { return show<frmSetCall>(); }
};

using test::choose;

// --- Load ---------------------------------------------------------------------------------

TEST(CallSettings, LoadShowsTheStoredSettings) {
  struct Case {
    const char* what;
    Setter set;
    int start, increment;
    bool incrementEnabled;
    const char* time;  // nullptr: the time box is hidden
    bool dialTicked, dialEnabled;
    int seconds;
    bool secondsEnabled;
  };
  const Case cases[] = {
      {"after making the call", {}, 0, 5, true, nullptr, true, true, 30, true},
      {"dialling time off", [](MainRecord& m) { m.AddDialTime = 0; }, 0, 5, true, nullptr, false, true, 30, false},
      {"any positive byte adds the dialling time", [](MainRecord& m) { m.AddDialTime = 200; }, 0, 5, true, nullptr,
       true, true, 30, true},
      {"after connection, specified",
       [](MainRecord& m) { m.CallStart = 1; m.IncChoice = 1; m.IncTime = hms(0, 1, 30); }, 1, 1, true, "00:01:30",
       true, false, 30, false},
      {"never counting", [](MainRecord& m) { m.CallStart = 2; m.IncChoice = 9; }, 2, 0, false, nullptr, true, false,
       30, false},
      {"never counting, specified", [](MainRecord& m) { m.CallStart = 2; m.IncChoice = 1; }, 2, 0, false, nullptr,
       true, false, 30, false},
      {"90 seconds", [](MainRecord& m) { m.DialSeconds = 90; }, 0, 5, true, nullptr, true, true, 90, true},
      {"200 seconds shows 20", [](MainRecord& m) { m.DialSeconds = 200; }, 0, 5, true, nullptr, true, true, 20, true},
      {"91 seconds shows 20", [](MainRecord& m) { m.DialSeconds = 91; }, 0, 5, true, nullptr, true, true, 20, true},
      {"a start beyond the list", [](MainRecord& m) { m.CallStart = 3; }, 1, 5, true, nullptr, true, false, 30, false},
      {"a negative start", [](MainRecord& m) { m.CallStart = -1; }, 1, 5, true, nullptr, true, false, 30, false},
      {"an increment beyond the list", [](MainRecord& m) { m.IncChoice = 15; }, 0, 0, true, nullptr, true, true, 30, true},
      {"a negative increment", [](MainRecord& m) { m.IncChoice = -32768; }, 0, 0, true, nullptr, true, true, 30, true},
      {"specified, time NaN",
       [](MainRecord& m) { m.IncChoice = 1; m.IncTime = std::numeric_limits<double>::quiet_NaN(); }, 0, 1, true, "",
       true, true, 30, true},
      {"specified, time huge", [](MainRecord& m) { m.IncChoice = 1; m.IncTime = 1e300; }, 0, 1, true, "", true, true, 30,
       true},
      {"specified, a day and a half", [](MainRecord& m) { m.IncChoice = 1; m.IncTime = 1.5; }, 0, 1, true, "12:00:00",
       true, true, 30, true},
  };
  for (const Case& c : cases) {
    CallKit kit(c.set);
    auto w = kit.open();
    EXPECT_EQ(w->Combo1->currentIndex(), c.start) << c.what;
    EXPECT_EQ(w->Combo4->currentIndex(), c.increment) << c.what;
    EXPECT_EQ(w->Combo4->isEnabled(), c.incrementEnabled) << c.what;
    EXPECT_EQ(w->txtTime->isVisible(), c.time != nullptr) << c.what;
    if (c.time) {
      EXPECT_EQ(w->txtTime->text(), QString::fromLatin1(c.time)) << c.what;
    }
    EXPECT_EQ(w->Check1->isChecked(), c.dialTicked) << c.what;
    EXPECT_EQ(w->Check1->isEnabled(), c.dialEnabled) << c.what;
    EXPECT_EQ(w->Combo2->currentIndex(), c.seconds) << c.what;
    EXPECT_EQ(w->Combo2->isEnabled(), c.secondsEnabled) << c.what;
    EXPECT_EQ(ui::isFieldGreyed(w->Combo2), !c.secondsEnabled) << c.what;
    EXPECT_EQ(kit.bytes(), kit.before) << c.what;
  }
}

TEST(CallSettings, WindowAndLists) {
  CallKit kit;
  auto w = kit.open();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Call Settings"));
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(w->Command1[1]->isDefault());
  EXPECT_EQ(w->Command1[1]->text(), QStringLiteral("OK"));
  EXPECT_EQ(w->Command1[2]->text(), QStringLiteral("Cancel"));
  EXPECT_EQ(w->Combo1->count(), 3);
  EXPECT_EQ(w->Combo1->itemText(2), QStringLiteral("Never"));
  ASSERT_EQ(w->Combo4->count(), 15);
  EXPECT_EQ(w->Combo4->itemText(1), QStringLiteral("Specify"));
  EXPECT_EQ(w->Combo4->itemText(9), QStringLiteral("1 Hour"));
  EXPECT_EQ(w->Combo4->itemText(14), QStringLiteral("24 Hours"));
  ASSERT_EQ(w->Combo2->count(), 91);
  EXPECT_EQ(w->Combo2->itemText(90), QStringLiteral("90"));
  EXPECT_EQ(w->txtTime->maxLength(), 10);
  // Captions fit; PRANDEL_SHOTS names a folder for a screenshot.
  for (QWidget* c : std::initializer_list<QWidget*>{w->Label1[0], w->Label1[1], w->Label2, w->Check1, w->Command1[1],
                                                    w->Command1[2]})
    EXPECT_LE(c->sizeHint().width(), c->width()) << c->objectName().toStdString();
  choose(w->Combo4, 1);
  if (const char* dir = std::getenv("PRANDEL_SHOTS"))
    w->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/callsettings.png"));
}

// --- Rules --------------------------------------------------------------------------------

TEST(CallSettings, ListsShowAndEnableTheirDependants) {
  CallKit kit([](MainRecord& m) { m.IncTime = hms(0, 7, 0); });
  auto w = kit.open();
  choose(w->Combo4, 1);
  EXPECT_TRUE(w->txtTime->isVisible());
  EXPECT_EQ(w->txtTime->text(), QStringLiteral("00:07:00"));  // the stored increment

  // Typed, then the start changed: the typed time stays.
  w->txtTime->setText(QStringLiteral("00:09:00"));
  choose(w->Combo1, 1);
  choose(w->Combo4, 1);
  EXPECT_EQ(w->txtTime->text(), QStringLiteral("00:09:00"));
  EXPECT_FALSE(w->Check1->isEnabled());
  EXPECT_FALSE(w->Combo2->isEnabled());
  EXPECT_TRUE(w->Check1->isChecked());

  choose(w->Combo1, 2);
  EXPECT_EQ(w->Combo4->currentIndex(), 0);
  EXPECT_FALSE(w->Combo4->isEnabled());
  EXPECT_FALSE(w->txtTime->isVisible());

  choose(w->Combo1, 0);
  EXPECT_TRUE(w->Combo4->isEnabled());
  EXPECT_EQ(w->Combo4->currentIndex(), 0);
  EXPECT_TRUE(w->Check1->isEnabled());
  EXPECT_TRUE(w->Combo2->isEnabled());
  w->Check1->click();
  EXPECT_FALSE(w->Combo2->isEnabled());
  EXPECT_TRUE(ui::isFieldGreyed(w->Combo2));
  w->Check1->click();
  EXPECT_TRUE(w->Combo2->isEnabled());
  EXPECT_FALSE(ui::isFieldGreyed(w->Combo2));

  // Hidden and shown again, the box starts from the stored increment.
  choose(w->Combo4, 1);
  EXPECT_EQ(w->txtTime->text(), QStringLiteral("00:07:00"));
  w->txtTime->setFocus();
  w->txtTime->clear();
  QTest::keyClicks(w->txtTime, QStringLiteral("1a:3-0.x"));
  EXPECT_EQ(w->txtTime->text(), QStringLiteral("1:30"));
}

// --- OK, Cancel ---------------------------------------------------------------------------

std::set<std::size_t> ownBytes() {
  using O = MainRecord::Off;
  const std::pair<std::size_t, std::size_t> fields[] = {{O::CallStart, 2},   {O::IncChoice, 2},   {O::IncTime, 8},
                                                        {O::AddDialTime, 1}, {O::DialSeconds, 1}, {O::ChangeCode, 1}};
  std::set<std::size_t> out;
  for (const auto& [off, width] : fields)
    for (std::size_t i = 0; i < width; ++i) out.insert(kMainAt + off + i);
  return out;
}

TEST(CallSettings, OkStoresTheChoices) {
  struct Case {
    const char* what;
    Setter stored;
    std::function<void(frmSetCall&)> act;
    std::int16_t start, increment;
    double incTime;
    std::uint8_t addDial, seconds;
  };
  auto specify = [](const char* text) {
    return [text](frmSetCall& w) {
      choose(w.Combo4, 1);
      w.txtTime->setText(QString::fromLatin1(text));
    };
  };
  const Case cases[] = {
      {"unchanged", {}, [](frmSetCall&) {}, 0, 5, hms(0, 5, 0), 1, 30},
      {"1:30 is a minute and a half", {}, specify("1:30"), 0, 1, hms(0, 1, 30), 1, 30},
      {"12:45 is minutes and seconds", {}, specify("12:45"), 0, 1, hms(0, 12, 45), 1, 30},
      {"a full time", {}, specify("2:03:04"), 0, 1, hms(2, 3, 4), 1, 30},
      {"0:30 is thirty seconds", {}, specify("0:30"), 0, 1, hms(0, 0, 30), 1, 30},
      {"the stored time, unchanged", [](MainRecord& m) { m.IncChoice = 1; m.IncTime = hms(1, 2, 3); },
       [](frmSetCall&) {}, 0, 1, hms(1, 2, 3), 1, 30},
      {"a stored time with a fraction of a second",
       [](MainRecord& m) { m.IncChoice = 1; m.IncTime = hms(1, 2, 3) + 0.4 / 86400; }, [](frmSetCall&) {}, 0, 1,
       hms(1, 2, 3), 1, 30},
      {"24 Hours", {}, [](frmSetCall& w) { choose(w.Combo4, 14); }, 0, 14, hms(23, 59, 58), 1, 30},
      {"never counting", {}, [](frmSetCall& w) { choose(w.Combo1, 2); }, 2, 0, 0, 1, 30},
      {"never counting from a specified time", [](MainRecord& m) { m.IncChoice = 1; m.IncTime = hms(0, 2, 0); },
       [](frmSetCall& w) { choose(w.Combo1, 2); }, 2, 0, 0, 1, 30},
      {"after connection keeps the greyed dialling time", {}, [](frmSetCall& w) { choose(w.Combo1, 1); }, 1, 5,
       hms(0, 5, 0), 1, 30},
      {"no dialling time, 45 seconds",
       {}, [](frmSetCall& w) { w.Check1->click(); w.Combo2->setCurrentIndex(45); }, 0, 5, hms(0, 5, 0), 0, 45},
      {"a stored 200 seconds becomes 20", [](MainRecord& m) { m.DialSeconds = 200; m.AddDialTime = 9; },
       [](frmSetCall&) {}, 0, 5, hms(0, 5, 0), 1, 20},
      {"stored indexes beyond the lists take the defaults",
       [](MainRecord& m) { m.CallStart = 40; m.IncChoice = 99; m.IncTime = std::numeric_limits<double>::quiet_NaN(); },
       [](frmSetCall&) {}, 1, 0, 0, 1, 30},
  };
  for (const Case& c : cases) {
    CallKit kit(c.stored);
    auto w = kit.open();
    c.act(*w);
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_TRUE(kit.prompter.shown.empty()) << c.what << ": " << kit.prompter.lastText().toStdString();
    EXPECT_EQ(kit.ends, 1) << c.what;
    EXPECT_FALSE(w->isVisible()) << c.what;
    const MainRecord got = kit.stored();
    EXPECT_EQ(got.CallStart, c.start) << c.what;
    EXPECT_EQ(got.IncChoice, c.increment) << c.what;
    EXPECT_EQ(got.IncTime, c.incTime) << c.what;
    EXPECT_EQ(got.AddDialTime, c.addDial) << c.what;
    EXPECT_EQ(got.DialSeconds, c.seconds) << c.what;
    EXPECT_EQ(got.ChangeCode, 4) << c.what;
    const auto own = ownBytes();
    for (std::size_t off : test::changedOffsets(kit.before, kit.bytes()))
      EXPECT_TRUE(own.count(off)) << c.what << ": byte " << off << " is not the call settings'";
  }
}

// Each entry stores the time it names, exactly as the tracker reads it.
TEST(CallSettings, EveryIncrementStoresItsTime) {
  const double times[] = {0,           0,           hms(0, 1, 0), hms(0, 2, 0), hms(0, 3, 0),
                          hms(0, 5, 0), hms(0, 10, 0), hms(0, 15, 0), hms(0, 30, 0), hms(1, 0, 0),
                          hms(2, 0, 0), hms(3, 0, 0), hms(6, 0, 0), hms(12, 0, 0), hms(23, 59, 58)};
  for (int k = 0; k < 15; ++k) {
    if (k == 1) continue;  // "Specify" takes the typed time
    CallKit kit;
    auto w = kit.open();
    choose(w->Combo4, k);
    w->Command1[1]->click();
    EXPECT_EQ(kit.stored().IncTime, times[k]) << k;
    EXPECT_EQ(kit.stored().IncChoice, k) << k;
  }
}

TEST(CallSettings, OkRefusesAMissingOrZeroTime) {
  struct Case {
    const char* what;
    Setter stored;
    const char* text;  // nullptr: as loaded
  };
  const Case cases[] = {
      {"00:00:00", {}, "00:00:00"},
      {"0:00", {}, "0:00"},
      {"empty", {}, ""},
      {"a bare number", {}, "90"},
      {"minutes beyond 59", {}, "5:75"},
      {"24 hours", {}, "24:00:00"},
      {"three parts too many", {}, "1:2:3:4"},
      {"Specify chosen after Never was stored", [](MainRecord& m) { m.IncChoice = 0; m.IncTime = 0; }, nullptr},
  };
  for (const Case& c : cases) {
    CallKit kit(c.stored);
    auto w = kit.open();
    choose(w->Combo4, 1);
    if (c.text) w->txtTime->setText(QString::fromLatin1(c.text));
    else EXPECT_EQ(w->txtTime->text(), QStringLiteral("00:00:00")) << c.what;
    w->Command1[1]->click();
    ASSERT_EQ(kit.prompter.shown.size(), 1u) << c.what;
    EXPECT_EQ(kit.prompter.lastText(), QStringLiteral("Please insert time properly")) << c.what;
    EXPECT_EQ(kit.prompter.shown.back().title, QStringLiteral("Prandel")) << c.what;
    EXPECT_FALSE(kit.prompter.shown.back().isQuestion) << c.what;
    EXPECT_EQ(w->txtTime->text(), QString()) << c.what;
    EXPECT_EQ(QApplication::focusWidget(), w->txtTime) << c.what;
    EXPECT_TRUE(w->isVisible()) << c.what;
    EXPECT_EQ(kit.ends, 0) << c.what;
    EXPECT_EQ(kit.bytes(), kit.before) << c.what;
  }
}

// What the tracker wrote while the window was open survives the save.
TEST(CallSettings, OkReadsTheRecordAfresh) {
  CallKit kit;
  auto w = kit.open();
  MainRecord tracker = kit.stored();
  tracker.CdUsed = 1234;
  tracker.HolidayCount = 3;
  tracker.IncChoice = 7;  // the window's own field: the window's choice wins
  store::writeRecord(kit.s.files, MainRecord::Channel, MainRecord::RecordNo, tracker);
  const auto written = kit.bytes();
  choose(w->Combo4, 9);
  w->Command1[1]->click();
  const MainRecord got = kit.stored();
  EXPECT_EQ(got.CdUsed, 1234);
  EXPECT_EQ(got.HolidayCount, 3);
  EXPECT_EQ(got.IncChoice, 9);
  EXPECT_EQ(got.ChangeCode, 4);
  const auto own = ownBytes();
  for (std::size_t off : test::changedOffsets(written, kit.bytes())) EXPECT_TRUE(own.count(off)) << off;
}

TEST(CallSettings, CancelEscapeAndTheCloseBoxWriteNothing) {
  enum Way { CancelButton, Escape, CloseBox };
  for (Way way : {CancelButton, Escape, CloseBox}) {
    CallKit kit;
    auto w = kit.open();
    choose(w->Combo1, 2);
    if (way == CancelButton) w->Command1[2]->click();
    else if (way == Escape) QTest::keyClick(w.get(), Qt::Key_Escape);
    else w->close();
    EXPECT_GE(kit.ends, 1) << way;
    EXPECT_FALSE(w->isVisible()) << way;
    EXPECT_EQ(kit.bytes(), kit.before) << way;
  }
}

// An empty data file: every value reads as 0 and the window still works.
TEST(CallSettings, EmptyRecordFile) {
  test::WindowKit kit(kEnUs);
  kit.s.OpenDataFiles();
  ui::applyAppStyle();
  frmSetCall w(kit.ctx);
  EXPECT_EQ(w.Combo1->currentIndex(), 0);
  EXPECT_EQ(w.Combo4->currentIndex(), 0);
  EXPECT_EQ(w.Combo2->currentIndex(), 0);
  EXPECT_FALSE(w.Check1->isChecked());
  w.Command1[1]->click();
  EXPECT_EQ(kit.ends, 1);
  const auto bytes = kit.bytes();
  ASSERT_GE(bytes.size(), kMainAt + MainRecord::Size);
  EXPECT_EQ(bytes[kMainAt + MainRecord::Off::ChangeCode], 4);
}

}  // namespace
}  // namespace prandel
