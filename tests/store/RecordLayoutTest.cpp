// SPDX-License-Identifier: GPL-3.0-or-later
// The record layouts checked against bytes placed by hand at the tracker's offsets,
// independent of the codec's own offset constants.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "store/BookmarkRecord.h"
#include "store/Codec.h"
#include "store/Cp1252.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"

namespace prandel::store {
namespace {

// Tiny independent writers: little-endian by hand.
void le(std::span<std::uint8_t> b, std::size_t off, std::uint64_t v, int width) {
  for (int i = 0; i < width; ++i) b[off + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
void dbl(std::span<std::uint8_t> b, std::size_t off, double d) {
  std::uint64_t u;
  std::memcpy(&u, &d, 8);
  le(b, off, u, 8);
}
void txt(std::span<std::uint8_t> b, std::size_t off, const char* s, std::size_t width) {
  const std::size_t n = std::strlen(s);
  for (std::size_t i = 0; i < width; ++i) b[off + i] = i < n ? static_cast<std::uint8_t>(s[i]) : ' ';
}
template <std::size_t N>
std::array<std::uint8_t, N> patterned() {
  std::array<std::uint8_t, N> b{};
  for (std::size_t i = 0; i < N; ++i) b[i] = static_cast<std::uint8_t>(0xA0 + (i * 7) % 31);
  return b;
}

TEST(MainRecordLayout, EveryFieldAtItsOffsetAndUnusedBytesCarried) {
  auto b = patterned<163>();
  le(b, 2, 1, 2);            // CallStart
  le(b, 4, 14, 2);           // IncChoice
  dbl(b, 6, 1.0 / 1440);     // IncTime
  txt(b, 14, "EUR", 8);      // CurSymbol
  le(b, 24, 0xFFFF, 2);      // CdEnabled
  le(b, 26, 0x1234, 2);      // CdStatus
  dbl(b, 28, 7200);          // CdTotal
  dbl(b, 36, 1830);          // CdUsed
  b[46] = 1;                 // CdActiveOnly
  le(b, 55, 2, 2);           // CdExpenseMode
  le(b, 57, 0xFFFF, 2);      // CdResetOn
  dbl(b, 59, 3600 * 6.0);    // CdResetTime
  le(b, 67, 3, 4);           // CdResetPeriod
  le(b, 71, 30, 4);          // CdResetDay
  dbl(b, 75, 36951);         // CdResetDate
  for (int i = 0; i <= 20; ++i) le(b, 91 + 2 * static_cast<std::size_t>(i), i % 3 == 0 ? 0xFFFF : 0, 2);
  le(b, 133, 0xFFFF, 2);     // CommaDecimal
  le(b, 135, 190, 2);        // HolidayCount
  for (int d = 0; d < 7; ++d) le(b, 137 + 2 * static_cast<std::size_t>(d), d == 0 || d == 6 ? 0xFFFF : 0, 2);
  b[156] = 4;                // ChangeCode
  b[161] = 1;                // AddDialTime
  b[162] = 90;               // DialSeconds

  MainRecord r;
  r.decode(b);
  EXPECT_EQ(r.CallStart, 1);
  EXPECT_EQ(r.IncChoice, 14);
  EXPECT_DOUBLE_EQ(r.IncTime, 1.0 / 1440);
  EXPECT_EQ(r.CurSymbol, "EUR     ");
  EXPECT_TRUE(r.CdEnabled);
  EXPECT_EQ(r.CdStatus, 0x1234);
  EXPECT_EQ(r.CdTotal, 7200);
  EXPECT_EQ(r.CdUsed, 1830);
  EXPECT_EQ(r.CdActiveOnly, 1);
  EXPECT_EQ(r.CdExpenseMode, 2);
  EXPECT_TRUE(r.CdResetOn);
  EXPECT_EQ(r.CdResetTime, 21600);
  EXPECT_EQ(r.CdResetPeriod, 3);
  EXPECT_EQ(r.CdResetDay, 30);
  EXPECT_EQ(r.CdResetDate, 36951);
  for (int i = 0; i <= 20; ++i) EXPECT_EQ(r.CdCondOn[static_cast<std::size_t>(i)], i % 3 == 0) << i;
  EXPECT_TRUE(r.CommaDecimal);
  EXPECT_EQ(r.HolidayCount, 190);
  EXPECT_TRUE(r.WeekOff[0]);
  EXPECT_FALSE(r.WeekOff[3]);
  EXPECT_TRUE(r.WeekOff[6]);
  EXPECT_EQ(r.ChangeCode, 4);
  EXPECT_EQ(r.AddDialTime, 1);
  EXPECT_EQ(r.DialSeconds, 90);

  // Unchanged, it encodes to the very same bytes, unused ones included.
  EXPECT_EQ(r.encoded(), b);

  // Changing owned fields touches only their bytes.
  r.ChangeCode = 5;
  r.WeekOff[3] = true;
  r.CurSymbol = "$";
  auto expect = b;
  expect[156] = 5;
  le(expect, 137 + 6, 0xFFFF, 2);
  txt(expect, 14, "$", 8);
  EXPECT_EQ(r.encoded(), expect);
}

TEST(LinkRecordLayout, RequestAndReloadFlagOnlyTheRestCarried) {
  auto b = patterned<359>();
  le(b, 0, 502, 2);
  le(b, 244, 0, 2);
  LinkRecord r;
  r.decode(b);
  EXPECT_EQ(r.RequestCode, 502);
  EXPECT_EQ(r.ReloadFlag, 0);
  r.RequestCode = 0;
  r.ReloadFlag = -1;
  auto expect = b;
  le(expect, 0, 0, 2);
  le(expect, 244, 0xFFFF, 2);
  EXPECT_EQ(r.encoded(), expect);
}

TEST(ExpenseConditionLayout, EveryFieldAtItsOffset) {
  std::array<std::uint8_t, 128> b{};
  le(b, 0, 0xFFFF, 2);        // InUse
  dbl(b, 2, 1.5);             // Amt
  le(b, 10, 0xFFFF, 2);       // PerCall
  b[12] = 0x5A;               // CondSpare
  b[13] = 7;                  // PerType
  b[14] = 3;                  // PerNum
  dbl(b, 15, 45000);          // PerStart
  dbl(b, 23, 45010);          // PerEnd
  b[31] = 1;                  // TimeType
  dbl(b, 32, 8.0 / 24);       // TimeStart
  dbl(b, 40, 18.0 / 24);      // TimeEnd
  le(b, 48, 0xFFFF, 2);       // InCall
  dbl(b, 50, 0.25);           // InCallAmt
  le(b, 58, 0xFFFF, 2);       // InTimeOn
  dbl(b, 60, 90.0 / 86400);   // InTime
  le(b, 68, 0xFFFF, 2);       // ConVal
  txt(b, 70, "MyISP", 20);    // ConNm
  le(b, 90, 0xFFFF, 2);       // InclHoli
  b[92] = 2;                  // BwMode
  b[93] = 8;                  // CondItem
  le(b, 94, 0xFFFF, 2);       // CustCall
  dbl(b, 96, 30.0 / 86400);   // CallTime
  le(b, 104, 3, 2);           // AmtKind
  b[106] = 12;                // IspOn
  dbl(b, 107, 0.5);           // IspAmt
  le(b, 115, 570, 2);         // WkStart
  le(b, 117, 2460, 2);        // WkEnd
  b[119] = 5;                 // CondCmp
  dbl(b, 120, 9000);          // CondVal

  ExpenseCondition c;
  c.decode(b);
  EXPECT_TRUE(c.InUse);
  EXPECT_EQ(c.Amt, 1.5);
  EXPECT_TRUE(c.PerCall);
  EXPECT_EQ(c.CondSpare, 0x5A);
  EXPECT_EQ(c.PerType, 7);
  EXPECT_EQ(c.PerNum, 3);
  EXPECT_EQ(c.PerStart, 45000);
  EXPECT_EQ(c.PerEnd, 45010);
  EXPECT_EQ(c.TimeType, 1);
  EXPECT_EQ(c.TimeStart, 8.0 / 24);
  EXPECT_EQ(c.TimeEnd, 18.0 / 24);
  EXPECT_TRUE(c.InCall);
  EXPECT_EQ(c.InCallAmt, 0.25);
  EXPECT_TRUE(c.InTimeOn);
  EXPECT_EQ(c.InTime, 90.0 / 86400);
  EXPECT_TRUE(c.ConVal);
  EXPECT_EQ(trimSpaces(c.ConNm), "MyISP");
  EXPECT_TRUE(c.InclHoli);
  EXPECT_EQ(c.BwMode, 2);
  EXPECT_EQ(c.CondItem, 8);
  EXPECT_TRUE(c.CustCall);
  EXPECT_EQ(c.CallTime, 30.0 / 86400);
  EXPECT_EQ(c.AmtKind, 3);
  EXPECT_EQ(c.IspOn, 12);
  EXPECT_EQ(c.IspAmt, 0.5);
  EXPECT_EQ(c.WkStart, 570);
  EXPECT_EQ(c.WkEnd, 2460);
  EXPECT_EQ(c.CondCmp, 5);
  EXPECT_EQ(c.CondVal, 9000);
  EXPECT_EQ(c.encoded(), b);
}

TEST(ExpenseConditionLayout, ClearProfileKeepsAmountSpareAndBandwidth) {
  std::array<std::uint8_t, 128> b;
  b.fill(0x77);
  ExpenseCondition c;
  c.decode(b);
  c.Clear_Profile();
  const auto out = c.encoded();
  std::array<std::uint8_t, 128> expect{};
  std::memcpy(expect.data() + 2, b.data() + 2, 8);  // Amt
  expect[12] = 0x77;                                // CondSpare
  expect[92] = 0x77;                                // BwMode
  txt(expect, 70, "", 20);                          // ConNm: 20 spaces
  EXPECT_EQ(out, expect);
}

TEST(HolidayRecordLayout, DateNameAndSpare) {
  std::array<std::uint8_t, 64> b{};
  dbl(b, 0, 45651);  // 2024-12-25
  txt(b, 8, "Christmas", 40);
  for (std::size_t i = 48; i < 64; ++i) b[i] = static_cast<std::uint8_t>(i);
  HolidayRecord h;
  h.decode(b);
  EXPECT_EQ(h.HoliDate, 45651);
  EXPECT_EQ(trimSpaces(h.HoliName), "Christmas");
  EXPECT_EQ(h.encoded(), b);
}

TEST(BookmarkRecordLayout, NameLinkDeletedMoreAndSpare) {
  std::array<std::uint8_t, 512> b{};
  txt(b, 0, "Zelkora home", 24);
  txt(b, 24, "http://example.org/", 384);
  le(b, 408, 0xFFFF, 2);
  txt(b, 410, "more", 52);
  for (std::size_t i = 462; i < 512; ++i) b[i] = static_cast<std::uint8_t>(i);
  BookmarkRecord r;
  r.decode(b);
  EXPECT_EQ(trimSpaces(r.BmName), "Zelkora home");
  EXPECT_EQ(trimSpaces(r.BmLink), "http://example.org/");
  EXPECT_EQ(r.BmDeleted, -1);
  EXPECT_EQ(trimSpaces(r.BmNameMore), "more");
  EXPECT_EQ(r.encoded(), b);
}

TEST(FixedText, PaddedCutAndWindows1252) {
  struct Case {
    const char* utf8;
    std::vector<std::uint8_t> bytes;  // 8-byte field
  } cases[] = {
      {"$", {'$', ' ', ' ', ' ', ' ', ' ', ' ', ' '}},
      {"EUR", {'E', 'U', 'R', ' ', ' ', ' ', ' ', ' '}},
      {"\u20AC", {0x80, ' ', ' ', ' ', ' ', ' ', ' ', ' '}},               // euro sign
      {"\u00A3 \u00FC", {0xA3, ' ', 0xFC, ' ', ' ', ' ', ' ', ' '}},        // pound, u-umlaut
      {"\u4E2D\u6587", {'?', '?', ' ', ' ', ' ', ' ', ' ', ' '}},           // not in the code page
      {"abcdefghijk", {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}},            // cut
      {"\xff\xfe", {'?', '?', ' ', ' ', ' ', ' ', ' ', ' '}},               // broken UTF-8
  };
  for (const auto& c : cases) {
    std::array<std::uint8_t, 8> buf{};
    putText(buf, 0, 8, c.utf8);
    EXPECT_EQ(std::vector<std::uint8_t>(buf.begin(), buf.end()), c.bytes) << c.utf8;
  }
  // Every byte survives a read and a write.
  std::array<std::uint8_t, 256> all{};
  for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  const std::string text = getText(all, 0, 256);
  std::array<std::uint8_t, 256> back{};
  putText(back, 0, 256, text);
  EXPECT_EQ(back, all);
}

TEST(FixedText, FindsWhatTheCodePageCannotHold) {
  const struct {
    const char* utf8;
    std::optional<char32_t> outside;
  } cases[] = {
      {"", std::nullopt},
      {"Jour de l'An \u20AC \u0152uvre \u00FC", std::nullopt},  // euro, OE ligature, u-umlaut
      {"\u00C5 \u0081", std::nullopt},                          // an unassigned byte keeps its C1 control
      {"\u015Awi\u0119to Niepodleg\u0142o\u015Bci", U'\u015A'},  // the first one is named
      {"Party \U0001F389", U'\U0001F389'},
      {"ab\xff" "cd", U'\uFFFD'},  // broken UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(outsideCp1252(c.utf8), c.outside) << c.utf8;
}

TEST(Codec, BooleansNanAndExtremes) {
  std::array<std::uint8_t, 16> b{};
  putBool(b, 0, true);
  EXPECT_EQ(b[0], 0xFF);
  EXPECT_EQ(b[1], 0xFF);
  le(b, 2, 1, 2);
  EXPECT_TRUE(getBool(b, 2));  // any non-zero reads as True
  putDouble(b, 4, std::nan(""));
  EXPECT_TRUE(std::isnan(getDouble(b, 4)));
  putInt32(b, 12, -2147483647 - 1);
  EXPECT_EQ(getInt32(b, 12), -2147483647 - 1);
  putInt16(b, 0, -32768);
  EXPECT_EQ(getInt16(b, 0), -32768);
}

}  // namespace
}  // namespace prandel::store
