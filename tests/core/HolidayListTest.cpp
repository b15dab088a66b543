// SPDX-License-Identifier: GPL-3.0-or-later
// The holiday list the window and the tools share: what the load reads, the bytes
// the save writes (built here by hand from the record layout, not by the codec), and
// the checks of adding a holiday.
#include <gtest/gtest.h>

#include <QDate>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/HolidayList.h"
#include "store/HolidayRecord.h"
#include "store/MainRecord.h"
#include "support/FolderKit.h"

namespace prandel {
namespace {

using store::HolidayRecord;
using store::MainRecord;
using Spare = std::array<std::uint8_t, 16>;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMainAt = 1024;  // record 3 of the 512-byte view
std::size_t holidayAt(int k) { return static_cast<std::size_t>(HolidayRecord::Base + k - 1) * HolidayRecord::Size; }
double dateOf(int y, int m, int d) { return Regional::fromDate(QDate(y, m, d)); }

void putDouble(Bytes& b, std::size_t at, double v) { std::memcpy(b.data() + at, &v, 8); }
void putInt16(Bytes& b, std::size_t at, std::int16_t v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// A holiday record as the layout says: date, 40 bytes of Windows-1252 name padded
// with blanks, 16 spare bytes.
void putHoliday(Bytes& b, int k, double date, const std::string& cp1252Name, const Spare& spare) {
  const std::size_t at = holidayAt(k);
  putDouble(b, at, date);
  for (std::size_t i = 0; i < 40; ++i) b[at + 8 + i] = i < cp1252Name.size() ? static_cast<std::uint8_t>(cp1252Name[i]) : ' ';
  std::copy(spare.begin(), spare.end(), b.begin() + static_cast<std::ptrdiff_t>(at + 48));
}

void putMain(Bytes& b, int count, const std::array<bool, 7>& weekOff, std::uint8_t changeCode) {
  putInt16(b, kMainAt + MainRecord::Off::HolidayCount, static_cast<std::int16_t>(count));
  for (std::size_t d = 0; d < 7; ++d) putInt16(b, kMainAt + MainRecord::Off::WeekOff + 2 * d, weekOff[d] ? -1 : 0);
  b[kMainAt + MainRecord::Off::ChangeCode] = changeCode;
}

// mlif.zkt full of bytes that must survive, with holidays and a count of its own.
struct ListKit : test::FolderKit {
  Bytes image;

  struct Stored {
    double date;
    std::string name;  // Windows-1252
    Spare spare;
  };

  ListKit(const std::vector<Stored>& list, std::int16_t count, std::array<bool, 7> weekOff = {}) {
    image.resize(holidayAt(200));
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 31 + 7);
    putMain(image, count, weekOff, 0);
    for (std::size_t k = 0; k < list.size(); ++k)
      putHoliday(image, static_cast<int>(k + 1), list[k].date, list[k].name, list[k].spare);
    test::writeFileBytes(dir.file("mlif.zkt"), image);
    reopen();
  }
  // Through the kit's MainRecord and holiday record buffer, as the window's load and OK.
  HolidayList load() { return loadHolidayList(files(), main, holiday); }
  bool save(const std::vector<HolidayEntry>& entries, const std::array<bool, 7>& weekOff) {
    return saveHolidayList(files(), main, holiday, entries, weekOff);
  }
};

const Spare kSpareA = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const Spare kSpareB = {0xAA, 0xBB, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xCC};

TEST(HolidayList, LoadReadsAsTheWindowDoes) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ListKit kit({{dateOf(2024, 12, 25) + 0.75, "No\xEBl", kSpareA}, {nan, "", kSpareB}, {dateOf(2025, 1, 1), "x", {}}},
              2, {true, false, false, false, false, false, true});
  const HolidayList list = kit.load();
  ASSERT_EQ(list.entries.size(), 2u);  // the count, not the records that lie there
  EXPECT_EQ(list.entries[0].date, dateOf(2024, 12, 25) + 0.75);
  EXPECT_EQ(list.entries[0].name, "Noël" + std::string(36, ' '));
  EXPECT_EQ(list.entries[0].spare, kSpareA);
  EXPECT_TRUE(std::isnan(list.entries[1].date));
  EXPECT_EQ(list.weekOff, (std::array<bool, 7>{true, false, false, false, false, false, true}));
  // The buffer holds the last holiday read.
  EXPECT_EQ(kit.holiday.HoliSpare, kSpareB);

  for (std::int16_t count : {std::int16_t{-5}, std::int16_t{300}}) {
    ListKit bad({}, count);
    EXPECT_EQ(bad.load().entries.size(), count < 0 ? 0u : 190u) << count;
    EXPECT_EQ(bad.bytes(), bad.image) << "loading writes nothing";
  }
}

TEST(HolidayList, SaveWritesTheWindowsBytes) {
  const std::vector<ListKit::Stored> five = {{dateOf(2024, 1, 1), "One", kSpareA},
                                             {dateOf(2024, 2, 2) + 0.5, "Two", kSpareB},
                                             {dateOf(2024, 3, 3), "Three", {}},
                                             {dateOf(2024, 4, 4), "Four", kSpareA},
                                             {dateOf(2024, 5, 5), "Five", kSpareB}};
  struct Case {
    const char* what;
    std::vector<HolidayEntry> entries;
    std::array<bool, 7> weekOff;
    // What records 321.. should hold afterwards, as date, Windows-1252 name, spare.
    std::vector<ListKit::Stored> want;
  };
  const std::string forty(40, 'x');
  const Case cases[] = {
      {"fewer than before: the records after the count keep their bytes",
       {{dateOf(2024, 5, 5), "Five", kSpareB}, {dateOf(2024, 1, 1), "One", kSpareA}},
       {},
       {{dateOf(2024, 5, 5), "Five", kSpareB}, {dateOf(2024, 1, 1), "One", kSpareA}}},
      {"none at all", {}, {true, true, true, true, true, true, true}, {}},
      {"new holidays get the buffer's spare bytes, names are cut to 40 bytes on disk",
       {{dateOf(2025, 12, 24), "Heiligabend \xE2\x80\x93 Weihnachtsmarkt f\xC3\xBCr alle Kinder", std::nullopt},
        {dateOf(2024, 2, 2) + 0.5, "   ", kSpareA},
        {dateOf(2026, 1, 1), forty + "y", std::nullopt}},
       {false, false, false, false, false, true, false},
       {{dateOf(2025, 12, 24), "Heiligabend \x96 Weihnachtsmarkt f\xFCr alle K", kSpareB},
        {dateOf(2024, 2, 2) + 0.5, "", kSpareA},
        {dateOf(2026, 1, 1), forty, kSpareB}}},
  };
  for (const Case& c : cases) {
    ListKit kit(five, 5);
    kit.load();  // leaves the last holiday (spare B) in the buffer
    Bytes want = kit.image;
    putMain(want, static_cast<int>(c.want.size()), c.weekOff, 5);
    for (std::size_t k = 0; k < c.want.size(); ++k)
      putHoliday(want, static_cast<int>(k + 1), c.want[k].date, c.want[k].name, c.want[k].spare);
    EXPECT_TRUE(kit.save(c.entries, c.weekOff)) << c.what;
    EXPECT_EQ(test::changedOffsets(want, kit.bytes()), std::vector<std::size_t>{}) << c.what;
  }
}

TEST(HolidayList, SaveKeepsWhatTheTrackerWroteMeanwhileAndRefusesTooMany) {
  ListKit kit({{dateOf(2024, 1, 1), "One", kSpareA}}, 1);
  HolidayList list = kit.load();
  // The tracker writes its own field between the load and the save.
  Bytes meanwhile = kit.bytes();
  meanwhile[kMainAt + 10] ^= 0xFF;
  test::writeFileBytes(kit.dir.file("mlif.zkt"), meanwhile);
  EXPECT_TRUE(kit.save(list.entries, list.weekOff));
  Bytes want = meanwhile;
  want[kMainAt + MainRecord::Off::ChangeCode] = 5;
  EXPECT_EQ(test::changedOffsets(want, kit.bytes()), std::vector<std::size_t>{});

  std::vector<HolidayEntry> tooMany(191, HolidayEntry{dateOf(2030, 1, 1), "x", std::nullopt});
  const Bytes before = kit.bytes();
  EXPECT_FALSE(kit.save(tooMany, {}));
  EXPECT_EQ(kit.bytes(), before);
  tooMany.pop_back();
  EXPECT_TRUE(kit.save(tooMany, {}));
  EXPECT_EQ(kit.load().entries.size(), 190u);
}

TEST(HolidayList, NewHolidayChecksInTheWindowsOrder) {
  const Regional us(QLocale(QLocale::English, QLocale::UnitedStates));
  const Regional de(QLocale(QLocale::German, QLocale::Germany));
  const std::vector<double> listed = {dateOf(2024, 12, 25) + 0.5, std::numeric_limits<double>::quiet_NaN()};
  const std::vector<double> full(190, dateOf(2030, 1, 1));
  struct Case {
    const Regional* regional;
    const std::vector<double>* listed;
    const char* text;
    HolidayFault fault;
  };
  const Case cases[] = {
      {&us, &listed, "12/26/2024", HolidayFault::None},
      {&us, &listed, "12/25/2024", HolidayFault::DuplicateDate},  // the time of day does not count
      {&us, &listed, "12/25/24", HolidayFault::DuplicateDate},
      {&de, &listed, "25.12.2024", HolidayFault::DuplicateDate},
      {&us, &listed, "2/30/2025", HolidayFault::InvalidDate},
      {&us, &listed, "", HolidayFault::InvalidDate},
      {&us, &full, "1/1/2020", HolidayFault::ListFull},
      {&us, &full, "99/99", HolidayFault::ListFull},  // fullness comes first
  };
  for (const Case& c : cases) {
    const HolidayCheck got = checkNewHoliday(*c.regional, *c.listed, QString::fromLatin1(c.text));
    EXPECT_EQ(got.fault, c.fault) << c.text;
    if (c.fault == HolidayFault::None) {
      EXPECT_EQ(got.date, dateOf(2024, 12, 26));
    }
  }
  EXPECT_EQ(holidayFaultText(HolidayFault::ListFull), QStringLiteral("List of Holidays is full"));
  EXPECT_EQ(holidayFaultText(HolidayFault::InvalidDate), QStringLiteral("Invalid Date"));
  EXPECT_EQ(holidayFaultText(HolidayFault::DuplicateDate), QStringLiteral("Date is already exist"));
  EXPECT_TRUE(holidayFaultText(HolidayFault::None).isEmpty());
  EXPECT_FALSE(CheckDupliDate(listed, std::numeric_limits<double>::quiet_NaN()));
}

}  // namespace
}  // namespace prandel
