// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "store/BookmarkRecord.h"
#include "store/Codec.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"

namespace prandel::fuzz {

using store::BookmarkRecord;
using store::ExpenseCondition;
using store::HolidayRecord;
using store::LinkRecord;
using store::MainRecord;
using Image = std::vector<std::uint8_t>;

namespace {

constexpr std::size_t kMainAt = (MainRecord::RecordNo - 1) * 512;
constexpr std::size_t kLinkAt = (LinkRecord::RecordNo - 1) * 512;
constexpr std::size_t kHolidaysEnd = (HolidayRecord::Base + HolidayRecord::Capacity) * HolidayRecord::Size;
constexpr std::size_t kFullImage = kHolidaysEnd + 2048;

std::size_t conditionAt(int record) { return static_cast<std::size_t>(record - 1) * ExpenseCondition::Size; }
std::size_t holidayAt(int k) { return static_cast<std::size_t>(HolidayRecord::Base + k - 1) * HolidayRecord::Size; }

double nanWithPayload(Random& r) {
  std::uint64_t mantissa = r.next() & ((std::uint64_t{1} << 52) - 1);
  if (mantissa == 0) mantissa = 1;
  const std::uint64_t sign = r.chance(0.5) ? std::uint64_t{1} << 63 : 0;
  return std::bit_cast<double>(sign | (std::uint64_t{0x7FF} << 52) | mantissa);
}

void putRaw(Image& img, std::size_t at, const std::string& bytes, std::size_t width) {
  for (std::size_t i = 0; i < width && at + i < img.size(); ++i)
    img[at + i] = i < bytes.size() ? static_cast<std::uint8_t>(bytes[i]) : ' ';
}

// A Boolean as the tracker might have written it: mostly -1 and 0, now and then 1 or junk.
void putLooseBool(Image& img, std::size_t at, Random& r) {
  static const std::vector<std::int16_t> kValues = {-1, 0, -1, 0, 1, 2, 255, -256, 0x7FFF};
  store::putInt16({img.data(), img.size()}, at, r.of(kValues));
}

void fill(Image& img, Random& r) {
  switch (r.below(6)) {
    case 0: std::generate(img.begin(), img.end(), [&] { return r.byte(); }); break;
    case 1: std::fill(img.begin(), img.end(), 0xFF); break;
    case 2: std::fill(img.begin(), img.end(), 0x80); break;
    case 3: std::fill(img.begin(), img.end(), 0x00); break;
    case 4: {  // NaN-filled Doubles at some alignment
      std::fill(img.begin(), img.end(), 0x00);
      const std::size_t phase = r.below(8);
      const bool samePayload = r.chance(0.5);
      const double one = nanWithPayload(r);
      for (std::size_t at = phase; at + 8 <= img.size(); at += 8)
        store::putDouble({img.data(), img.size()}, at, samePayload ? one : nanWithPayload(r));
      break;
    }
    default: {  // Doubles of every kind
      for (std::size_t at = r.below(8); at + 8 <= img.size(); at += 8)
        store::putDouble({img.data(), img.size()}, at, r.anyDouble());
      break;
    }
  }
}

void mutate(Image& img, Random& r) {
  if (img.empty()) return;
  const int edits = r.chance(0.5) ? 0 : r.range(1, 40);
  for (int e = 0; e < edits; ++e) {
    const std::size_t at = r.below(img.size());
    switch (r.below(4)) {
      case 0: img[at] = r.byte(); break;
      case 1: img[at] ^= static_cast<std::uint8_t>(1u << r.below(8)); break;
      case 2:
        if (at + 8 <= img.size()) store::putDouble({img.data(), img.size()}, at, r.anyDouble());
        break;
      default: {
        const std::size_t n = std::min(img.size() - at, r.below(64) + 1);
        std::fill_n(img.begin() + static_cast<std::ptrdiff_t>(at), n, r.chance(0.5) ? 0xFF : 0x80);
        break;
      }
    }
  }
}

template <class Record>
Record decodedAt(const Image& img, std::size_t at) {
  Record rec;
  std::array<std::uint8_t, Record::Size> b{};
  std::copy_n(img.begin() + static_cast<std::ptrdiff_t>(at), Record::Size, b.begin());
  rec.decode(b);
  return rec;
}

template <class Record>
void encodeAt(Image& img, std::size_t at, const Record& rec) {
  const auto b = rec.encoded();
  std::copy(b.begin(), b.end(), img.begin() + static_cast<std::ptrdiff_t>(at));
}

double timeOfDay(Random& r) { return r.range(0, 86399) / 86400.0; }
double dateValue(Random& r) { return r.range(10000, 60000) + (r.chance(0.3) ? timeOfDay(r) : 0.0); }

// Each field plausible, or anything at all.
void mainRecord(Image& img, Random& r) {
  MainRecord m = decodedAt<MainRecord>(img, kMainAt);
  const double wild = r.chance(0.3) ? 0.8 : 0.15;
  const auto pick16 = [&](int lo, int hi) { return r.chance(wild) ? r.anyInt16() : static_cast<std::int16_t>(r.range(lo, hi)); };
  const auto pick32 = [&](int lo, int hi) { return r.chance(wild) ? r.anyInt32() : r.range(lo, hi); };
  const auto pick8 = [&](int lo, int hi) { return r.chance(wild) ? r.anyByte() : static_cast<std::uint8_t>(r.range(lo, hi)); };
  const auto pickD = [&](double plain) { return r.chance(wild) ? r.anyDouble() : plain; };
  m.CallStart = pick16(0, 2);
  m.IncChoice = pick16(0, 14);
  m.IncTime = pickD(timeOfDay(r));
  m.CurSymbol = r.chance(0.5) ? std::string("EUR") : std::string("$");
  m.CdEnabled = r.chance(0.5);
  m.CdStatus = r.anyInt16();
  m.CdTotal = pickD(r.range(0, 400000));
  m.CdUsed = pickD(r.range(0, 400000) + (r.chance(0.5) ? 0.5 : 0.0));
  m.CdActiveOnly = pick8(0, 1);
  m.CdExpenseMode = pick16(0, 2);
  m.CdResetOn = r.chance(0.5);
  m.CdResetTime = pickD(r.range(0, 86399));
  m.CdResetPeriod = pick32(0, 3);
  m.CdResetDay = pick32(0, 30);
  m.CdResetDate = pickD(r.range(36892, 37256));  // 2001
  for (bool& b : m.CdCondOn) b = r.chance(0.5);
  m.CommaDecimal = r.chance(0.3);
  m.HolidayCount = pick16(0, HolidayRecord::Capacity);
  for (bool& b : m.WeekOff) b = r.chance(0.3);
  m.ChangeCode = r.chance(0.7) ? 0 : pick8(0, 6);
  m.AddDialTime = pick8(0, 1);
  m.DialSeconds = pick8(0, 90);
  encodeAt(img, kMainAt, m);
  if (r.chance(0.3)) putLooseBool(img, kMainAt + MainRecord::Off::CdEnabled, r);
  if (r.chance(0.3)) putLooseBool(img, kMainAt + MainRecord::Off::CommaDecimal, r);
  if (r.chance(0.3)) putLooseBool(img, kMainAt + MainRecord::Off::CdCondOn + 2 * r.below(21), r);
  if (r.chance(0.3)) putLooseBool(img, kMainAt + MainRecord::Off::WeekOff + 2 * r.below(7), r);
  if (r.chance(0.2)) putRaw(img, kMainAt + MainRecord::Off::CurSymbol, r.ansiText(8), 8);
}

void linkRecord(Image& img, Random& r) {
  LinkRecord l = decodedAt<LinkRecord>(img, kLinkAt);
  l.RequestCode = r.chance(0.5) ? static_cast<std::int16_t>(r.range(501, 506)) : r.anyInt16();
  l.ReloadFlag = r.chance(0.7) ? 0 : r.anyInt16();
  encodeAt(img, kLinkAt, l);
}

void condition(Image& img, int record, bool inUse, Random& r) {
  ExpenseCondition c = decodedAt<ExpenseCondition>(img, conditionAt(record));
  const double wild = r.chance(0.3) ? 0.7 : 0.1;
  const auto pick8 = [&](int lo, int hi) { return r.chance(wild) ? r.anyByte() : static_cast<std::uint8_t>(r.range(lo, hi)); };
  const auto pick16 = [&](int lo, int hi) { return r.chance(wild) ? r.anyInt16() : static_cast<std::int16_t>(r.range(lo, hi)); };
  const auto pickD = [&](double plain) { return r.chance(wild) ? r.anyDouble() : plain; };
  c.InUse = inUse;
  c.Amt = pickD(r.range(0, 10000) / 100.0);
  c.PerCall = r.chance(0.5);
  c.PerType = pick8(0, 7);
  c.PerNum = pick8(0, 11);
  c.PerStart = pickD(dateValue(r));
  c.PerEnd = pickD(c.PerStart + r.range(0, 400));
  c.TimeType = pick8(0, 3);
  c.TimeStart = pickD(timeOfDay(r));
  c.TimeEnd = pickD(timeOfDay(r));
  c.InCall = r.chance(0.5);
  c.InCallAmt = pickD(r.range(0, 1000) / 100.0);
  c.InTimeOn = r.chance(0.5);
  c.InTime = pickD(timeOfDay(r));
  c.ConVal = r.chance(0.4);
  c.ConNm = r.chance(0.5) ? std::string("Provider") : std::string();
  c.InclHoli = r.chance(0.5);
  c.BwMode = pick8(0, 2);
  c.CondItem = pick8(0, 14);
  c.CustCall = r.chance(0.5);
  c.CallTime = pickD(timeOfDay(r));
  c.AmtKind = static_cast<std::int16_t>(r.chance(wild) ? r.anyInt16() : r.of(std::vector<std::int16_t>{0, 2, 3}));
  c.IspOn = r.chance(0.5) ? 12 : pick8(0, 1);
  c.IspAmt = pickD(r.range(0, 1000) / 100.0);
  c.WkStart = pick16(0, 10079);
  c.WkEnd = pick16(0, 10079);
  c.CondCmp = pick8(0, 5);
  c.CondVal = pickD(r.range(0, 100000));
  encodeAt(img, conditionAt(record), c);
  if (r.chance(0.2)) putRaw(img, conditionAt(record) + ExpenseCondition::Off::ConNm, r.ansiText(24), 20);
  if (r.chance(0.1)) putLooseBool(img, conditionAt(record) + ExpenseCondition::Off::InUse, r);
}

// Used slots from slot 1, now and then with gaps, in both sets, and record 141.
void conditions(Image& img, Random& r) {
  for (const int base : {ExpenseCondition::LiveBase, ExpenseCondition::WorkBase}) {
    const int used = r.chance(0.1) ? ExpenseCondition::Slots : r.range(0, ExpenseCondition::Slots);
    const bool gaps = r.chance(0.2);
    for (int slot = 1; slot <= ExpenseCondition::Slots; ++slot) {
      const bool inUse = gaps ? r.chance(0.5) : slot <= used;
      if (inUse || r.chance(0.3)) condition(img, base + slot, inUse, r);
    }
  }
  if (r.chance(0.5)) condition(img, ExpenseCondition::WorkBase + ExpenseCondition::Slots + 1, r.chance(0.5), r);
}

void holidays(Image& img, Random& r) {
  const int n = r.chance(0.1) ? HolidayRecord::Capacity : r.range(0, 30);
  for (int k = 1; k <= n; ++k) {
    HolidayRecord h;
    h.HoliDate = r.chance(0.8) ? dateValue(r) : r.anyDouble();
    h.HoliName = r.chance(0.5) ? std::string("Holiday ") + std::to_string(k) : std::string();
    for (auto& b : h.HoliSpare) b = r.chance(0.5) ? 0 : r.byte();
    encodeAt(img, holidayAt(k), h);
    if (r.chance(0.2)) putRaw(img, holidayAt(k) + HolidayRecord::Off::HoliName, r.ansiText(40), 40);
  }
}

std::size_t mlifLength(Random& r) {
  const auto near = [&](std::size_t at) { return at + r.below(600) - std::min<std::size_t>(at, 300); };
  switch (r.below(9)) {
    case 0: return 0;
    case 1: return r.below(1024) + 1;
    case 2: return kMainAt + r.below(MainRecord::Size + 2);
    case 3: return kLinkAt + r.below(LinkRecord::Size + 2);
    case 4: return near(conditionAt(ExpenseCondition::LiveBase + 1) + r.below(20 * ExpenseCondition::Size));
    case 5: return near(conditionAt(ExpenseCondition::WorkBase + 1) + r.below(21 * ExpenseCondition::Size));
    case 6: return holidayAt(1) + r.below(kHolidaysEnd - holidayAt(1) + 1);
    case 7: return r.below(kFullImage + 1);
    default: return kHolidaysEnd + r.below(2048);
  }
}

}  // namespace

// --- Values --------------------------------------------------------------------------

double Random::anyDouble() {
  static const double kEdges[] = {0.0, -0.0, 1.0, -1.0, 0.5, -0.5, 1.0 / 1440, 1.0 / 86400, 0.999994,
                                  0.99999999, 1.0 - 1e-12, 23.0 / 24, 36526, 36892, 45357.41666,
                                  2958465, 2958465.9999999, 2958466, -657434, -657435, -657434.5,
                                  1e15, -1e15, 1e300, -1e300, DBL_MAX, -DBL_MAX, DBL_MIN,
                                  std::numeric_limits<double>::denorm_min(), 5e-310,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(), 2147483647.0, 2147483648.0,
                                  -2147483649.0, 9.3e18, 86400, 3600, 7200, 5370, 359999, 3596400,
                                  3599999.5, 35999999, 0.125, 0.005, 12.345, 1e-5};
  switch (below(6)) {
    case 0:
    case 1: return kEdges[below(std::size(kEdges))];
    case 2: return std::bit_cast<double>(next());
    case 3: return nanWithPayload(*this);
    case 4: return std::uniform_real_distribution<double>(-1e6, 1e6)(gen_);
    default: return chance(0.5) ? timeOfDay(*this) : dateValue(*this);
  }
}

std::int16_t Random::anyInt16() {
  static const std::int16_t kEdges[] = {0,  1,   -1,  2,   3,   4,    5,    6,     7,     8,      11,     12, 13,
                                        14, 15,  19,  20,  21,  30,   31,   89,    90,    91,     100,    189,
                                        190, 191, 255, 256, 1439, 1440, 10079, 10080, 32767, -32768, -2};
  return chance(0.7) ? kEdges[below(std::size(kEdges))] : static_cast<std::int16_t>(next());
}

std::int32_t Random::anyInt32() {
  static const std::int32_t kEdges[] = {0, 1, -1, 2, 3, 4, 6, 7, 12, 30, 31, 32, 255, 65536, INT_MAX, INT_MIN};
  return chance(0.7) ? kEdges[below(std::size(kEdges))] : static_cast<std::int32_t>(next());
}

std::uint8_t Random::anyByte() {
  static const std::uint8_t kEdges[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 20, 90, 91, 127, 128, 200, 255};
  return chance(0.7) ? kEdges[below(std::size(kEdges))] : byte();
}

std::string Random::ansiText(std::size_t maxLen) {
  std::string s;
  const std::size_t n = below(maxLen + 1);
  for (std::size_t i = 0; i < n; ++i) {
    switch (below(5)) {
      case 0: s += ' '; break;
      case 1: s += static_cast<char>(range(0x80, 0xFF)); break;
      case 2: s += static_cast<char>(range(0, 31)); break;
      default: s += static_cast<char>(range(0x21, 0x7E)); break;
    }
  }
  return s;
}

std::string Random::typedText() {
  static const std::vector<std::string> kTexts = {
      "", "0", "00", "1", "2", "12", "23", "59", "60", "75", "99", "999", "1000", "-1", "-0", "12.5", "12,5",
      "0.125", "1e308", "1e-400", "1E5", "NaN", "inf", "12345678", "99999999", "1.5.5", ",5", ".5",
      "1:30", "01:30", "5:30", "12:45", "24:00", "23:59", "00:00:00", "00:00", "12:60", "99:99:99", "1:2:3",
      "12:00 pm", "0:00", "13:00 am", "1:30:15", "10:00", "22:00",
      "25/12/2024", "12/25/2024", "31.12.1999", "29/2/2023", "2/29/2024", "2024-02-29", "25-Dec-2024",
      "Dec 25, 2024", "25. Dez. 2024", "1/1/30", "1/1/29", "12/31/9999", "1/1/100", "0/0/0", "31/31/31",
      "http://example.com/a", "www.example.org", "   ", "a", "Caf\xc3\xa9", "\xe2\x82\xac 5", "\xe6\x97\xa5\xe6\x9c\xac",
      "Provider", "  Provider  "};
  switch (below(5)) {
    case 0: {
      std::string s;
      const std::size_t n = below(40);
      for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(range(0x20, 0x7E));
      return s;
    }
    case 1: return std::string(below(600) + 1, chance(0.5) ? 'x' : '9');
    default: return of(kTexts);
  }
}

// --- Files -----------------------------------------------------------------------------

std::vector<std::uint8_t> randomMlif(Random& r) {
  Image img(kFullImage);
  fill(img, r);
  if (r.chance(0.6)) {
    if (r.chance(0.8)) mainRecord(img, r);
    if (r.chance(0.8)) linkRecord(img, r);
    if (r.chance(0.7)) conditions(img, r);
    if (r.chance(0.6)) holidays(img, r);
  }
  mutate(img, r);
  img.resize(mlifLength(r));
  return img;
}

std::vector<std::string> randomLinks(Random& r) {
  std::vector<std::string> links;
  const int n = r.range(0, 12);
  for (int i = 0; i < n; ++i) {
    switch (r.below(6)) {
      case 0: links.push_back("http://example.com/" + std::to_string(r.below(1000))); break;
      case 1: links.push_back("https://Example.org/Path?q=" + std::to_string(r.below(100)) + ";x"); break;
      case 2: links.push_back(std::string(r.range(300, 420), 'u')); break;
      case 3: links.push_back(""); break;
      case 4: links.push_back("  http://spaced.example/  "); break;
      default: links.push_back("http://caf\xc3\xa9.example/\xe6\x97\xa5"); break;
    }
  }
  return links;
}

std::vector<std::uint8_t> randomBit(Random& r, const std::vector<std::string>& links) {
  std::size_t records = 0;
  switch (r.below(5)) {
    case 0: records = 0; break;
    case 1: records = r.below(4) + 1; break;
    case 2:
    case 3: records = r.below(40) + 1; break;
    default: records = r.below(400) + 1; break;
  }
  const std::size_t tail = r.chance(0.3) ? r.below(BookmarkRecord::Size) : 0;
  Image img(records * BookmarkRecord::Size + tail);
  fill(img, r);
  if (r.chance(0.6)) {
    for (std::size_t n = 0; n < records; ++n) {
      const std::size_t at = n * BookmarkRecord::Size;
      std::string link = links.empty() || r.chance(0.4) ? r.ansiText(r.chance(0.2) ? 500 : 60) : r.of(links);
      if (r.chance(0.3)) std::transform(link.begin(), link.end(), link.begin(), [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
      putRaw(img, at + BookmarkRecord::Off::BmName, r.chance(0.3) ? std::string() : r.ansiText(30), 24);
      putRaw(img, at + BookmarkRecord::Off::BmLink, link, 384);
      static const std::vector<std::int16_t> kDeleted = {0, 0, 0, -1, -1, 1, -2, 0x7FFF, -32768};
      store::putInt16({img.data(), img.size()}, at + BookmarkRecord::Off::BmDeleted, r.of(kDeleted));
      putRaw(img, at + BookmarkRecord::Off::BmNameMore, r.chance(0.6) ? std::string() : r.ansiText(60), 52);
    }
  }
  mutate(img, r);
  return img;
}

std::string randomIni(Random& r) {
  static const std::vector<std::string> kValues = {"data", "sub/dir", "data\\", " data ", "./data", "Favorites",
                                                   "mlif.zkt", "", "/", "a\\b\\c", "deep/er/still/", "x y",
                                                   "caf\xc3\xa9", ".", "data/../data2"};
  const std::string v = r.of(kValues);
  switch (r.below(9)) {
    case 0: return "DataDir=" + v + "\r\n";
    case 1: return "DataDir=" + v;
    case 2: return "[Zelkora]\r\nDir=" + v + "\r\n";
    case 3: return "=" + v;
    case 4: return "key without equals";
    case 5: return "\r\n\r\n";
    case 6: return std::string("DataDir=") + v + std::string(1, '\0') + "garbage";
    case 7: {
      std::string s;
      const std::size_t n = r.below(120);
      for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(r.chance(0.2) ? '=' : r.range(0x20, 0x7E));
      return s;
    }
    default: {
      std::string s;
      const std::size_t n = r.below(300);
      for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(r.byte());
      return s;
    }
  }
}

namespace {

bool readRegular(const std::string& path, Image& img) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::ifstream in(path, std::ios::binary);
  img.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// Written in place (same file, as the tracker's own channels would), so that the
// editor's open descriptors see it.
void writeInPlace(const std::string& path, const Image& img) {
  std::ofstream out(path, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(img.data()), static_cast<std::streamsize>(img.size()));
}

}  // namespace

void trackerWrites(Random& r, const std::string& dataDir) {
  const std::string mlif = dataDir + "/mlif.zkt";
  const std::string bit = dataDir + "/bit.zkt";
  Image img;
  switch (r.below(6)) {
    case 0:
    case 1:
      if (!readRegular(mlif, img)) return;
      if (img.size() < kMainAt + MainRecord::Size) img.resize(kMainAt + MainRecord::Size);
      mainRecord(img, r);
      break;
    case 2:
      if (!readRegular(mlif, img)) return;
      if (img.size() < kLinkAt + LinkRecord::Size) img.resize(kLinkAt + LinkRecord::Size);
      linkRecord(img, r);
      break;
    case 3:
      if (!readRegular(mlif, img)) return;
      img.resize(mlifLength(r));
      break;
    case 4: {
      if (!readRegular(bit, img)) return;
      const Image more = randomBit(r, randomLinks(r));
      img.resize(img.size() / BookmarkRecord::Size * BookmarkRecord::Size);
      img.insert(img.end(), more.begin(), more.end());
      return writeInPlace(bit, img);
    }
    default:
      if (!readRegular(bit, img)) return;
      img.resize(r.below(img.size() + 1));
      return writeInPlace(bit, img);
  }
  writeInPlace(mlif, img);
}

namespace {

std::string shortcutName(Random& r) {
  static const std::vector<std::string> kBases = {"Home", "News site", "caf\xc3\xa9", "\xe6\x97\xa5\xe6\x9c\xac",
                                                  " spaced ", "a.url.b", "x", ".hidden",
                                                  "A name of thirty characters xx", "Dots...", "semi;colon"};
  static const std::vector<std::string> kEndings = {".url", ".url", ".url", ".URL", ".Url", ".url.url", ".txt", "",
                                                    ".url "};
  std::string base = r.chance(0.7) ? r.of(kBases) : std::string(r.range(1, 120), static_cast<char>(r.range('a', 'z')));
  if (r.chance(0.3)) base += std::to_string(r.below(100));
  return base + r.of(kEndings);
}

std::string shortcutText(Random& r, const std::vector<std::string>& links) {
  const std::string url = links.empty() || r.chance(0.3) ? "http://only.here/" + std::to_string(r.below(50)) : r.of(links);
  switch (r.below(8)) {
    case 0:
    case 1: return "[InternetShortcut]\r\nURL=" + url + "\r\n";
    case 2: return "[internetshortcut]\nurl = " + url + "\n";
    case 3: return "[Other]\nURL=nope\n[InternetShortcut]\nIconIndex=0\nURL=" + url + "\n";
    case 4: return "[InternetShortcut]\nIconFile=x\n";
    case 5: return "";
    case 6: {
      std::string s;
      const std::size_t n = r.below(2000);
      for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(r.byte());
      return s;
    }
    default: return "[InternetShortcut]\nURL=" + std::string(r.chance(0.9) ? 300 : 70000, 'w');
  }
}

void writeText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void favoritesFolder(Random& r, const std::filesystem::path& dir, const std::vector<std::string>& links, int depth,
                     int& budget) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const int entries = r.range(0, 8);
  for (int e = 0; e < entries && budget > 0; ++e, --budget) {
    const std::filesystem::path p = dir / shortcutName(r);
    if (std::filesystem::symlink_status(p, ec).type() != std::filesystem::file_type::not_found) continue;
    const std::size_t kind = r.below(12);
    if (kind < 8) {
      writeText(p.string(), shortcutText(r, links));
    } else if (kind < 10 && depth < 4) {
      favoritesFolder(r, dir / (r.chance(0.2) ? shortcutName(r) : "Folder" + std::to_string(r.below(10))), links,
                      depth + 1, budget);
    } else if (kind == 10) {
      std::filesystem::create_symlink(r.chance(0.5) ? "." : "..", p, ec);  // a loop
    } else {
      ::mkfifo(p.c_str(), 0600);
    }
  }
}

}  // namespace

void randomFavorites(Random& r, const std::string& folder, const std::vector<std::string>& links) {
  int budget = 60;
  favoritesFolder(r, folder, links, 0, budget);
}

}  // namespace prandel::fuzz
