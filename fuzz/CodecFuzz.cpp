// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target of the record codec and the regional conversions. Random bytes
// decoded as each record type must encode to the very same bytes (texts in
// Windows-1252, NaN payloads and non-canonical Booleans included); the values and
// texts they hold, and the input read as text, must pass through every conversion
// the windows use, in en_US and de_DE, without a crash, a hang or undefined
// behaviour; and what a conversion writes, the matching parse reads back.
#include <QLocale>
#include <QString>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "core/RecordFolder.h"
#include "core/Regional.h"
#include "platform/Platform.h"
#include "store/BookmarkRecord.h"
#include "store/Codec.h"
#include "store/Cp1252.h"
#include "store/ExpenseCondition.h"
#include "store/HolidayRecord.h"
#include "store/LinkRecord.h"
#include "store/MainRecord.h"
#include "ui/EditorState.h"
#include "ui/SharedProcs.h"

namespace {

using namespace prandel;
using Bytes = std::span<const std::uint8_t>;

// The patterns the program formats dates, times and names with.
const char* const kDatePatterns[] = {"Short Date", "Short Time", "Long Time", "dd-mmm-yyyy", "dd-mmm-yy",
                                     "DD-MM-YYYY", "dddd",       "Dddd",      "Ddd",         "Mmm",
                                     "Mmmm",       "d",          "d, Mmm",    "hh:mm",       "hh:mm:ss",
                                     "d/m/yy",     "h:mm"};

// An editor state on a data folder object of its own, in one locale.
struct Editor {
  Editor(platform::Platform& services, const QLocale& locale) : folder(services, locale), state(folder) {
    folder.regional().setCurrentYear(2024);
  }
  RecordFolder folder;
  ui::EditorState state;
};

struct World {
  platform::Platform none;
  std::array<Editor*, 2> editors{};
  World() {
    editors[0] = new Editor(none, QLocale(QLocale::English, QLocale::UnitedStates));
    editors[1] = new Editor(none, QLocale(QLocale::German, QLocale::Germany));
  }
};

World& world() {
  static World* w = new World;
  return *w;
}

[[noreturn]] void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "codec_fuzz: %s: %s\n", what, detail.c_str());
  std::abort();
}

std::string hex(Bytes b) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t c : b) {
    out += kDigits[c >> 4];
    out += kDigits[c & 0xF];
  }
  return out;
}

std::string show(const QString& s) { return s.toStdString(); }

struct Found {
  std::vector<double> values;
  std::vector<QString> texts;
};

template <class Record, class Table>
void roundTrip(const char* name, Bytes input, const Table& fields, Found& found) {
  std::array<std::uint8_t, Record::Size> in{};
  std::copy_n(input.begin(), std::min(input.size(), in.size()), in.begin());
  Record r;
  r.decode(in);
  const auto out = r.encoded();
  if (out != in) {
    std::size_t at = 0;
    while (out[at] == in[at]) ++at;
    fail(name, "encode(decode(bytes)) differs at offset " + std::to_string(at) + "\n  in:  " + hex(in) +
                   "\n  out: " + hex(out));
  }
  // The same record decoded from a buffer that held other bytes before.
  Record again;
  again.decode(out);
  again.decode(in);
  if (again.encoded() != in) fail(name, "a second decode does not replace the first");

  for (const store::FieldInfo& f : fields) {
    switch (f.type) {
      case store::FieldType::Double:
      case store::FieldType::Date: found.values.push_back(store::getDouble(in, f.offset)); break;
      case store::FieldType::Integer:
      case store::FieldType::Boolean: found.values.push_back(store::getInt16(in, f.offset)); break;
      case store::FieldType::Long: found.values.push_back(store::getInt32(in, f.offset)); break;
      case store::FieldType::Byte: found.values.push_back(store::getByte(in, f.offset)); break;
      case store::FieldType::Text:
        found.texts.push_back(QString::fromStdString(store::getText(in, f.offset, f.width)));
        break;
      default: break;
    }
  }
}

void exerciseValue(const Regional& r, double v) {
  for (const char* p : kDatePatterns) (void)r.formatDate(v, QString::fromLatin1(p));
  (void)Regional::datePart(v);
  (void)Regional::timePart(v);
  (void)Regional::weekday(v);
  (void)Regional::roundToSecond(v);
  (void)r.formatNumber(v, QStringLiteral("00"));
  (void)r.formatNumber(v, QStringLiteral("#0.00"));

  // A number's text reads back as a number that shows the same text; only the
  // largest Doubles round up to 15 digits beyond the range (as CStr did).
  const QString text = r.numberText(v);
  if (std::isfinite(v)) {
    const auto back = r.parseNumber(text);
    if (!back && std::fabs(v) < 1.797693134862315e308) fail("numberText", "not read back: " + show(text));
    if (back && r.numberText(*back) != text)
      fail("numberText", show(text) + " reads back as " + show(r.numberText(*back)));
  }
  // A date's short form reads back as that day.
  if (const auto day = Regional::datePart(v)) {
    const QString shown = r.formatDate(v, QStringLiteral("Short Date"));
    const auto back = r.parseDate(shown);
    if (!back || *back != Regional::fromDate(*day))
      fail("Short Date", show(shown) + " does not read back as " + show(day->toString(Qt::ISODate)));
  }
}

void exerciseText(ui::EditorState& s, const QString& t, double value) {
  const Regional& r = s.regional;
  (void)r.parseDateTime(t);
  (void)r.isNumeric(t);
  (void)Regional::val(t);
  (void)FixTimeText(t);
  (void)r.formatDate(value, t);  // the text as a pattern
  if (const auto d = r.parseDate(t)) {
    const QString shown = r.formatDate(*d, QStringLiteral("Short Date"));
    if (r.parseDate(shown) != d) fail("parseDate", show(t) + " -> " + show(shown) + " does not read back");
  }
  if (const auto tm = r.parseTime(t)) {
    const QString shown = r.formatDate(*tm, QStringLiteral("hh:mm:ss"));
    if (r.parseTime(shown) != tm) fail("parseTime", show(t) + " -> " + show(shown) + " does not read back");
  }
  if (const auto n = r.parseNumber(t)) {
    if (!std::isfinite(*n)) fail("parseNumber", show(t) + " gives a value that is not finite");
  }
}

// The key filter of every kind of field, for a key and a text taken from the input.
void exerciseKeys(ui::EditorState& s, Bytes input, const QString& t) {
  const int key = input.size() >= 2 ? input[0] | (input[1] << 8) : 65;
  const int kind = input.size() >= 3 ? input[2] % 8 : 1;
  for (bool comma : {false, true}) {
    s.MainRec.CommaDecimal = comma;
    (void)CommaToDecimal(s, t);
    (void)DecimalToComma(s, t);
    (void)KeyFilter(s, key, kind, t);
    (void)KeyFilter(s, key & 0xFF, kind, t);
  }
}

void cp1252RoundTrip(Bytes b) {
  const std::string utf8 = store::cp1252ToUtf8(b);
  const auto back = store::utf8ToCp1252(utf8);
  if (!std::equal(back.begin(), back.end(), b.begin(), b.end())) fail("Windows-1252", "bytes do not survive: " + hex(b));
  // Any bytes taken as UTF-8: one byte on disk at most per byte in memory.
  const std::string asText(reinterpret_cast<const char*>(b.data()), b.size());
  if (store::utf8ToCp1252(asText).size() > b.size()) fail("Windows-1252", "longer than its text: " + hex(b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes input(data, size);
  World& w = world();

  // The input as it is (zeros after it), and repeated to fill the longest record, so
  // that a short input reaches every field.
  std::vector<std::uint8_t> repeated(size == 0 ? 0 : store::BookmarkRecord::Size);
  for (std::size_t i = 0; i < repeated.size(); ++i) repeated[i] = data[i % size];
  Found found;
  for (const Bytes bytes : {input, Bytes(repeated)}) {
    roundTrip<store::MainRecord>("MainRecord", bytes, store::kMainRecordFields, found);
    roundTrip<store::LinkRecord>("LinkRecord", bytes, store::kLinkRecordFields, found);
    roundTrip<store::ExpenseCondition>("ExpenseCondition", bytes, store::kExpenseConditionFields, found);
    roundTrip<store::HolidayRecord>("HolidayRecord", bytes, store::kHolidayRecordFields, found);
    roundTrip<store::BookmarkRecord>("BookmarkRecord", bytes, store::kBookmarkRecordFields, found);
  }
  cp1252RoundTrip(input);

  const QString asUtf8 = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString asAnsi = QString::fromStdString(store::cp1252ToUtf8(input));
  // The fields overlap the same input bytes: each bit pattern once.
  std::sort(found.values.begin(), found.values.end(), [](double a, double b) {
    return std::bit_cast<std::uint64_t>(a) < std::bit_cast<std::uint64_t>(b);
  });
  found.values.erase(std::unique(found.values.begin(), found.values.end(),
                                 [](double a, double b) {
                                   return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
                                 }),
                     found.values.end());
  const double sample = found.values.empty() ? 0.0 : found.values.front();
  for (Editor* e : w.editors) {
    ui::EditorState& s = e->state;
    for (double v : found.values) exerciseValue(s.regional, v);
    for (const QString& t : found.texts) exerciseText(s, t, sample);
    exerciseText(s, asUtf8, sample);
    exerciseText(s, asAnsi, sample);
    exerciseKeys(s, input, asUtf8);
  }
  return 0;
}
