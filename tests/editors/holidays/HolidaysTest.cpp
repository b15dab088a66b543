// SPDX-License-Identifier: GPL-3.0-or-later
// The holiday window: what it loads, the checks of "&Add" in their order, deleting,
// the default button, the date key filter, and the bytes "OK" writes (and Cancel
// and the close box do not).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "ui/EditorState.h"
#include "editors/holidays/frmmHolidays.h"
#include "store/Codec.h"
#include "store/HolidayRecord.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "support/FailingCalls.h"
#include "support/WindowKit.h"
#include "ui/EntryField.h"
#include "ui/Style.h"
#include "ui/WindowContext.h"

namespace prandel {
namespace {

using store::HolidayRecord;
using store::MainRecord;

const QLocale kEnUs(QLocale::English, QLocale::UnitedStates);

double dateOf(int y, int m, int d) { return Regional::fromDate(QDate(y, m, d)); }

struct Holiday {
  double date;
  const char* name;
  std::array<std::uint8_t, 16> spare = {};
};

constexpr std::size_t kMainAt = 1024;
std::size_t holidayAt(int k) { return static_cast<std::size_t>(HolidayRecord::Base + k - 1) * HolidayRecord::Size; }

// A data folder whose mlif.zkt is full of bytes that must survive, with the given
// holidays and weekly days off.
struct HolidayKit : test::WindowKit {
  std::vector<std::uint8_t> before;

  explicit HolidayKit(const std::vector<Holiday>& list = {}, std::array<bool, 7> weekOff = {},
                      const QLocale& locale = kEnUs, std::optional<std::int16_t> count = std::nullopt)
      : WindowKit(locale) {
    std::vector<std::uint8_t> image(40000);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 31 + 7);
    test::writeFileBytes(dir.file("mlif.zkt"), image);
    s.ShortDateFmt = QStringLiteral("M/d/yyyy");
    s.OpenDataFiles();
    s.MainRecIO(false);
    s.MainRec.HolidayCount = count.value_or(static_cast<std::int16_t>(list.size()));
    s.MainRec.WeekOff = weekOff;
    s.MainRec.ChangeCode = 0;
    s.MainRecIO(true);
    for (std::size_t k = 0; k < list.size(); ++k) {
      HolidayRecord r;
      r.HoliDate = list[k].date;
      r.HoliName = list[k].name;
      r.HoliSpare = list[k].spare;
      store::writeRecord(s.files, HolidayRecord::Channel, HolidayRecord::Base + 1 + static_cast<int>(k), r);
    }
    s.MainRec = MainRecord{};
    before = bytes();
  }

  HolidayRecord record(int k) const {
    HolidayRecord r;
    store::readRecord(s.files, HolidayRecord::Channel, HolidayRecord::Base + k, r);
    return r;
  }
  MainRecord main() const { return storedMain(); }
  std::unique_ptr<frmmHolidays> open() { return show<frmmHolidays>(); }
};

QStringList entries(const frmmHolidays& w) {
  QStringList out;
  for (int i = 0; i < w.lstHolidays->count(); ++i) out << w.lstHolidays->item(i)->text();
  return out;
}

// Offsets of the fields the window owns in MainRecord.
std::vector<std::size_t> ownMainBytes() {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < 2; ++i) out.push_back(kMainAt + MainRecord::Off::HolidayCount + i);
  for (std::size_t i = 0; i < 14; ++i) out.push_back(kMainAt + MainRecord::Off::WeekOff + i);
  out.push_back(kMainAt + MainRecord::Off::ChangeCode);
  return out;
}

TEST(Holidays, LoadsTheListAndTheWeeklyDaysOff) {
  HolidayKit kit({{dateOf(2024, 12, 25), "Christmas"},
                  {dateOf(2025, 1, 1), ""},
                  {dateOf(2025, 4, 18) + 0.75, "  Good Friday"}},
                 {true, false, false, false, false, false, true});
  auto w = kit.open();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Holidays"));
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(entries(*w), (QStringList{QStringLiteral("25-Dec-2024.......Christmas"), QStringLiteral("01-Jan-2025"),
                                      QStringLiteral("18-Apr-2025.......  Good Friday")}));
  EXPECT_EQ(w->Label3->text(), QStringLiteral("(M/d/yyyy)"));
  for (std::size_t d = 0; d < 7; ++d) EXPECT_EQ(w->chkWeek[d]->isChecked(), d == 0 || d == 6) << d;
  EXPECT_FALSE(w->Command2[1]->isEnabled());
  EXPECT_TRUE(w->Command1[0]->isDefault());
  EXPECT_EQ(QApplication::focusWidget(), w->tHoli[0]);
  // Loading writes nothing.
  EXPECT_EQ(kit.bytes(), kit.before);
}

TEST(Holidays, AddChecksInTheirOrder) {
  struct Step {
    const char* what;
    const char* date;
    const char* message;  // nullptr: no message
    bool added;
    bool dateCleared;
  };
  const Step steps[] = {
      {"an empty date does nothing", "", nullptr, false, false},
      {"blanks do nothing", "   ", nullptr, false, false},
      {"no such day", "2/30/2025", "Invalid Date", false, true},
      {"not a date", "12//", "Invalid Date", false, true},
      {"the same day in another notation", "12/25/2024", "Date is already exist", false, true},
      {"the same day, two-digit year", "12/25/24", "Date is already exist", false, true},
      {"a new day", "12/26/2024", nullptr, true, true},
  };
  HolidayKit kit({{dateOf(2024, 12, 25), "Christmas"}});
  auto w = kit.open();
  for (const Step& st : steps) {
    const auto before = entries(*w);
    const auto shown = kit.prompter.shown.size();
    w->tHoli[0]->setText(QString::fromLatin1(st.date));
    w->tHoli[1]->setText(QStringLiteral("Boxing Day"));
    w->Command2[0]->click();
    if (st.message) {
      ASSERT_EQ(kit.prompter.shown.size(), shown + 1) << st.what;
      EXPECT_EQ(kit.prompter.lastText(), QString::fromLatin1(st.message)) << st.what;
      EXPECT_EQ(kit.prompter.shown.back().title, QStringLiteral("Prandel")) << st.what;
      EXPECT_FALSE(kit.prompter.shown.back().isQuestion) << st.what;
    } else {
      EXPECT_EQ(kit.prompter.shown.size(), shown) << st.what;
    }
    EXPECT_EQ(entries(*w).size(), before.size() + (st.added ? 1 : 0)) << st.what;
    EXPECT_EQ(w->tHoli[0]->text().isEmpty(), st.dateCleared || !*st.date) << st.what;
    // Only a successful add clears the description.
    EXPECT_EQ(w->tHoli[1]->text().isEmpty(), st.added) << st.what;
  }
  EXPECT_EQ(entries(*w).back(), QStringLiteral("26-Dec-2024.......Boxing Day"));
  EXPECT_EQ(QApplication::focusWidget(), w->tHoli[0]);
}

TEST(Holidays, AFullListRefusesEvenAValidDateUntilOneIsDeleted) {
  std::vector<Holiday> list;
  for (int k = 0; k < 190; ++k) list.push_back({dateOf(2030, 1, 1) + k, "x"});
  HolidayKit kit(list);
  auto w = kit.open();
  ASSERT_EQ(w->lstHolidays->count(), 190);
  w->tHoli[0]->setText(QStringLiteral("1/1/2020"));
  w->Command2[0]->click();
  EXPECT_EQ(kit.prompter.lastText(), QStringLiteral("List of Holidays is full"));
  EXPECT_EQ(w->tHoli[0]->text(), QStringLiteral("1/1/2020"));  // kept, unlike the other faults
  // The full-list check comes before the date checks.
  w->tHoli[0]->setText(QStringLiteral("99/99"));
  w->Command2[0]->click();
  EXPECT_EQ(kit.prompter.lastText(), QStringLiteral("List of Holidays is full"));

  w->lstHolidays->setCurrentRow(5);
  w->Command2[1]->click();
  w->tHoli[0]->setText(QStringLiteral("1/1/2020"));
  w->Command2[0]->click();
  EXPECT_EQ(w->lstHolidays->count(), 190);
  EXPECT_EQ(kit.prompter.shown.size(), 2u);
}

TEST(Holidays, DeleteRemovesTheSelectedEntryOnly) {
  HolidayKit kit({{dateOf(2024, 12, 25), "A"}, {dateOf(2024, 12, 26), "B"}, {dateOf(2024, 12, 31), "C"}});
  auto w = kit.open();
  w->Command2[1]->setEnabled(true);
  w->Command2[1]->click();  // nothing selected: nothing happens
  EXPECT_EQ(w->lstHolidays->count(), 3);

  QTest::mouseClick(w->lstHolidays->viewport(), Qt::LeftButton, {},
                    w->lstHolidays->visualItemRect(w->lstHolidays->item(1)).center());
  EXPECT_TRUE(w->Command2[1]->isEnabled());
  w->Command2[1]->click();
  EXPECT_EQ(entries(*w), (QStringList{QStringLiteral("25-Dec-2024.......A"), QStringLiteral("31-Dec-2024.......C")}));
  // Still enabled, but nothing is selected, so a second press removes nothing.
  EXPECT_TRUE(w->Command2[1]->isEnabled());
  w->Command2[1]->click();
  EXPECT_EQ(w->lstHolidays->count(), 2);
}

TEST(Holidays, TypedTextMakesAddTheDefaultButton) {
  HolidayKit kit;
  auto w = kit.open();
  QTest::keyClicks(w->tHoli[0], QStringLiteral("12/25/2024"));
  EXPECT_TRUE(w->Command2[0]->isDefault());
  EXPECT_FALSE(w->Command1[0]->isDefault());
  QTest::keyClick(w->tHoli[0], Qt::Key_Return);  // Enter adds
  EXPECT_EQ(entries(*w), QStringList{QStringLiteral("25-Dec-2024")});
  EXPECT_TRUE(w->Command1[0]->isDefault());  // the boxes were emptied
  QTest::keyClicks(w->tHoli[1], QStringLiteral("x"));
  EXPECT_TRUE(w->Command2[0]->isDefault());
  QTest::keyClick(w->tHoli[1], Qt::Key_Backspace);
  EXPECT_TRUE(w->Command1[0]->isDefault());
  EXPECT_EQ(kit.ends, 0);
}

TEST(Holidays, TheDateBoxTakesDigitsAndSeparatorsOnly) {
  HolidayKit kit;
  auto w = kit.open();
  QTest::keyClicks(w->tHoli[0], QStringLiteral("1a2/-3x.b4/2025"));
  EXPECT_EQ(w->tHoli[0]->text(), QStringLiteral("12/34/2025"));
  QTest::keyClicks(w->tHoli[1], QStringLiteral("New Year's Day!"));
  EXPECT_EQ(w->tHoli[1]->text(), QStringLiteral("New Year's Day!"));
  EXPECT_EQ(w->tHoli[0]->maxLength(), 12);
  EXPECT_EQ(w->tHoli[1]->maxLength(), 40);
}

TEST(Holidays, OkWritesTheCountTheDaysOffAndTheListInOrder) {
  HolidayKit kit({{dateOf(2024, 1, 1), "One"},
                  {dateOf(2024, 2, 2), "Two"},
                  {dateOf(2024, 3, 3), "Three"},
                  {dateOf(2024, 4, 4), "Four"},
                  {dateOf(2024, 5, 5), "Five"}});
  auto w = kit.open();
  w->lstHolidays->setCurrentRow(1);
  w->Command2[1]->click();
  w->lstHolidays->setCurrentRow(1);
  w->Command2[1]->click();
  w->lstHolidays->setCurrentRow(1);
  w->Command2[1]->click();
  w->tHoli[0]->setText(QStringLiteral("12/25/2024"));
  w->Command2[0]->click();  // no description
  w->chkWeek[0]->click();
  w->chkWeek[6]->click();
  w->Command1[0]->click();

  EXPECT_EQ(kit.ends, 1);
  EXPECT_FALSE(w->isVisible());
  const MainRecord m = kit.main();
  EXPECT_EQ(m.HolidayCount, 3);
  EXPECT_EQ(m.ChangeCode, 5);
  for (std::size_t d = 0; d < 7; ++d) EXPECT_EQ(m.WeekOff[d], d == 0 || d == 6) << d;

  const auto after = kit.bytes();
  // Sunday and Saturday are written as True (-1), the others as they were (False).
  EXPECT_EQ(store::getInt16(after, kMainAt + MainRecord::Off::WeekOff), -1);
  EXPECT_EQ(store::getInt16(after, kMainAt + MainRecord::Off::WeekOff + 12), -1);

  const struct {
    double date;
    const char* name;
  } want[] = {{dateOf(2024, 1, 1), "One"}, {dateOf(2024, 5, 5), "Five"}, {dateOf(2024, 12, 25), ""}};
  for (int k = 1; k <= 3; ++k) {
    const std::size_t at = holidayAt(k);
    EXPECT_EQ(store::getDouble(after, at), want[k - 1].date) << k;
    std::string name(want[k - 1].name);
    name.resize(40, ' ');
    EXPECT_EQ(std::string(after.begin() + static_cast<long>(at) + 8, after.begin() + static_cast<long>(at) + 48), name)
        << k;
  }
  // Nothing else changed: not the rest of MainRecord, not records 324 and 325.
  std::vector<std::size_t> allowed = ownMainBytes();
  for (std::size_t i = holidayAt(1); i < holidayAt(4); ++i) allowed.push_back(i);
  for (std::size_t off : test::changedOffsets(kit.before, after))
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), off), allowed.end()) << "byte " << off << " changed";
}

TEST(Holidays, CancelAndTheCloseBoxWriteNothing) {
  for (bool closeBox : {false, true}) {
    HolidayKit kit({{dateOf(2024, 12, 25), "Christmas"}});
    auto w = kit.open();
    w->tHoli[0]->setText(QStringLiteral("1/1/2025"));
    w->Command2[0]->click();
    w->chkWeek[3]->click();
    if (closeBox) w->close();
    else QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_EQ(kit.ends, 1) << closeBox;
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(kit.bytes(), kit.before) << closeBox;
  }
}

TEST(Holidays, EntriesKeepTheirDateAndDescriptionInAnyLocale) {
  // Month abbreviations of other lengths ("déc.", "März") must not shift the
  // description on saving.
  for (const QLocale& locale : {QLocale(QLocale::French, QLocale::France), QLocale(QLocale::German, QLocale::Germany)}) {
    HolidayKit kit({{dateOf(2024, 12, 25), "Noël"}, {dateOf(2025, 3, 1), "Fête"}}, {}, locale);
    auto w = kit.open();
    w->tHoli[0]->setText(QStringLiteral("14/7/2025"));
    w->tHoli[1]->setText(QStringLiteral("Fête nationale"));
    w->Command2[0]->click();
    ASSERT_EQ(w->lstHolidays->count(), 3) << locale.name().toStdString() << " " << kit.prompter.lastText().toStdString();
    w->Command1[0]->click();
    EXPECT_EQ(kit.record(1).HoliDate, dateOf(2024, 12, 25));
    EXPECT_EQ(store::trimSpaces(kit.record(1).HoliName), "Noël");
    EXPECT_EQ(store::trimSpaces(kit.record(2).HoliName), "Fête");
    EXPECT_EQ(kit.record(3).HoliDate, dateOf(2025, 7, 14));
    EXPECT_EQ(store::trimSpaces(kit.record(3).HoliName), "Fête nationale");
  }
}

TEST(Holidays, SavingKeepsWhatItDoesNotShow) {
  const std::array<std::uint8_t, 16> spareA = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const std::array<std::uint8_t, 16> spareB = {0xAA, 0xBB};
  HolidayKit kit({{dateOf(2024, 12, 25) + 0.5, "A", spareA}, {dateOf(2024, 12, 26), "B", spareB}});
  auto w = kit.open();
  w->lstHolidays->setCurrentRow(0);
  w->Command2[1]->click();
  w->tHoli[0]->setText(QStringLiteral("1/1/2025"));
  w->Command2[0]->click();
  w->Command1[0]->click();
  // B moved up with its own spare bytes; the new holiday got what the buffer held
  // after the load (B's, the last one read).
  EXPECT_EQ(kit.record(1).HoliDate, dateOf(2024, 12, 26));
  EXPECT_EQ(kit.record(1).HoliSpare, spareB);
  EXPECT_EQ(kit.record(2).HoliDate, dateOf(2025, 1, 1));
  EXPECT_EQ(kit.record(2).HoliSpare, spareB);
}

TEST(Holidays, BadRecordsNeitherCrashNorGetLost) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct CountCase {
    std::int16_t count;
    int listed;
  };
  for (const CountCase c : {CountCase{500, 190}, CountCase{-3, 0}, CountCase{32767, 190}}) {
    std::vector<Holiday> list(200, Holiday{dateOf(2030, 1, 1), "x"});
    HolidayKit kit(list, {}, kEnUs, c.count);
    auto w = kit.open();
    EXPECT_EQ(w->lstHolidays->count(), c.listed) << c.count;
  }

  HolidayKit kit({{nan, "NaN"}, {1e300, "Far"}, {-2.25, "Long ago"}, {dateOf(2024, 12, 25), "Christmas"}});
  auto w = kit.open();
  EXPECT_EQ(entries(*w), (QStringList{QStringLiteral("\?\?-\?\?\?-\?\?\?\?.......NaN"), QStringLiteral("\?\?-\?\?\?-\?\?\?\?.......Far"),
                                      QStringLiteral("28-Dec-1899.......Long ago"),
                                      QStringLiteral("25-Dec-2024.......Christmas")}));
  // A date that is none is no duplicate of anything.
  w->tHoli[0]->setText(QStringLiteral("12/28/1899"));
  w->Command2[0]->click();
  EXPECT_EQ(kit.prompter.lastText(), QStringLiteral("Date is already exist"));
  w->Command1[0]->click();
  EXPECT_TRUE(std::isnan(kit.record(1).HoliDate));
  EXPECT_EQ(kit.record(2).HoliDate, 1e300);
  EXPECT_EQ(kit.record(3).HoliDate, -2.0);
  EXPECT_EQ(kit.main().HolidayCount, 4);
}

// A holiday that cannot be read at the opening would be missing from the list the OK
// writes back: the window is refused instead, and nothing is written.
TEST(Holidays, AnOpeningThatCannotReadTheListIsRefused) {
  HolidayKit kit({{dateOf(2024, 12, 25), "A"}, {dateOf(2024, 12, 26), "B"}, {dateOf(2024, 12, 31), "C"}});
  for (int n = 1; n <= 4; ++n) {  // MainRecord, then each holiday
    SCOPED_TRACE("read " + std::to_string(n));
    std::unique_ptr<frmmHolidays> w;
    {
      test::FailingCalls fail(n, EIO, {store::file::Call::Read});
      w = std::make_unique<frmmHolidays>(kit.ctx);
    }
    EXPECT_EQ(w->openingFault(), QStringLiteral("The holidays could not be read; nothing was changed."));
    w->Command1[0]->click();
    w->unloadForm();
    EXPECT_EQ(kit.bytes(), kit.before);
  }
  EXPECT_TRUE(kit.open()->openingFault().isEmpty());
}

}  // namespace
}  // namespace prandel
