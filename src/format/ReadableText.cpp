// SPDX-License-Identifier: GPL-3.0-or-later
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QString>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

#include "Zktrack.h"
#include "common/ConditionTexts.h"
#include "common/Regional.h"
#include "common/Session.h"
#include "store/Codec.h"
#include "store/RecordIO.h"

namespace zktrack {

using prandel::Regional;

namespace {

// A bit.zkt of garbage could be huge; nobody keeps this many bookmarks.
constexpr std::int64_t kMaxBookmarks = 100000;

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

std::string qs(const QString& s) { return s.toStdString(); }

// Day and time of a minute of the week counted from Sunday 00:00.
std::string weekMinute(long long minute) {
  if (minute < 0 || minute >= 7 * 1440) return "minute " + std::to_string(minute) + " of the week (out of range)";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s %02lld:%02lld", kLongDays[minute / 1440], minute % 1440 / 60, minute % 60);
  return buf;
}

// An item of a list without its access-key ampersand.
std::string itemText(const char* item) {
  std::string out;
  for (const char* p = item; *p; ++p)
    if (*p != '&') out.push_back(*p);
  return out;
}

std::int64_t integerOf(std::span<const std::uint8_t> bytes, const store::FieldInfo& f) {
  using store::FieldType;
  switch (f.type) {
    case FieldType::Integer:
    case FieldType::Boolean: return store::getInt16(bytes, f.offset);
    case FieldType::Long: return store::getInt32(bytes, f.offset);
    case FieldType::Byte: return store::getByte(bytes, f.offset);
    default: return 0;
  }
}

std::vector<bool> boolsOf(std::span<const std::uint8_t> bytes, const store::FieldInfo& f) {
  std::vector<bool> out;
  for (std::size_t i = 0; i + 1 < f.width; i += 2) out.push_back(store::getBool(bytes, f.offset + i));
  return out;
}

std::string hex(std::span<const std::uint8_t> bytes, const store::FieldInfo& f) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < f.width; ++i) {
    const auto b = bytes[f.offset + i];
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

}  // namespace

// --- Reading ---------------------------------------------------------------------

bool isDeleted(const store::BookmarkRecord& b) { return b.BmDeleted != 0; }

Records readAll(store::DataFiles& files) {
  Records r;
  store::MainRecIO(files, r.main, false);
  store::LinkRecIO(files, r.link, false);
  using store::ExpenseCondition;
  r.live.resize(ExpenseCondition::Slots);
  for (int i = 1; i <= ExpenseCondition::Slots; ++i)
    store::readRecord(files, ExpenseCondition::Channel, ExpenseCondition::LiveBase + i, r.live[static_cast<std::size_t>(i - 1)]);
  using store::HolidayRecord;
  const int count = std::clamp<int>(r.main.HolidayCount, 0, HolidayRecord::Capacity);
  r.holidays.resize(static_cast<std::size_t>(count));
  for (int k = 1; k <= count; ++k)
    store::readRecord(files, HolidayRecord::Channel, HolidayRecord::Base + k, r.holidays[static_cast<std::size_t>(k - 1)]);
  using store::BookmarkRecord;
  const std::uint64_t len = files.fileLength(BookmarkRecord::Channel).value_or(0);
  const auto records = std::min<std::int64_t>(static_cast<std::int64_t>((len + BookmarkRecord::Size - 1) / BookmarkRecord::Size),
                                              kMaxBookmarks);
  for (std::int64_t n = 1; n <= records; ++n) {
    Bookmark b;
    b.recNo = n;
    store::readRecord(files, BookmarkRecord::Channel, n, b.rec);
    r.bookmarks.push_back(std::move(b));
  }
  return r;
}

// --- Texts -----------------------------------------------------------------------

std::string readable(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0) {
      out.push_back(' ');  // zero bytes are the padding of a fresh file
    } else if (c < 0x20 || c == 0x7F) {
      out.push_back('?');
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      out.push_back('?');  // a C1 control
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return store::trimSpaces(out);
}

std::string quoted(const std::string& text) { return "\"" + readable(text) + "\""; }

std::string plural(long long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string number(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

std::string money(const std::string& currency, double v) {
  std::string amount;
  if (std::isfinite(v) && std::fabs(v) < 1e15) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.2f", std::fabs(v) < 0.005 ? 0.0 : v);  // no "-0.00"
    amount = buf;
  } else {
    amount = number(v);
  }
  const std::string cur = readable(currency);
  return cur.empty() ? amount : cur + " " + amount;
}

std::string dateText(double d) {
  const auto date = Regional::datePart(d);
  return date ? qs(date->toString(QStringLiteral("yyyy-MM-dd"))) : "invalid date (" + number(d) + ")";
}

std::string timeText(double d) {
  const auto t = Regional::timePart(d);
  return t ? qs(t->toString(QStringLiteral("HH:mm:ss"))) : "invalid time (" + number(d) + ")";
}

std::string dateTimeText(double d) {
  if (!Regional::isValidDate(d)) return "invalid (" + number(d) + ")";
  const double r = Regional::roundToSecond(d);
  if (r >= 0 && r < 1) return timeText(r);
  if (r == std::floor(r)) return dateText(r);
  return dateText(r) + " " + timeText(r);
}

std::string secondsText(double secs) {
  if (!std::isfinite(secs) || std::fabs(secs) > 1e12) return number(secs) + " s";
  const auto total = static_cast<long long>(std::llround(std::fabs(secs)));
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld", secs < 0 && total > 0 ? "-" : "", total / 3600, total / 60 % 60,
                total % 60);
  return buf;
}

std::string weekDaysText(const std::vector<bool>& days) {
  std::string out;
  for (std::size_t d = 0; d < days.size() && d < 7; ++d)
    if (days[d]) out += (out.empty() ? "" : ", ") + std::string(kLongDays[d]);
  return out.empty() ? "none" : out;
}

namespace {
// The descriptions' session: the data folder's currency and decimal mark come with
// the main record each time.
prandel::Session& describingSession() {
  static prandel::platform::Platform noServices;
  static prandel::Session session(noServices);
  return session;
}
}  // namespace

std::string amountShown(double amount, const store::MainRecord& main) {
  prandel::Session& session = describingSession();
  session.MainRec = main;
  return readable(qs(prandel::money(session, amount)));
}

std::vector<std::string> conditionDescription(const store::ExpenseCondition& c, const store::MainRecord& main) {
  prandel::Session& session = describingSession();
  session.MainRec = main;
  session.CondRec = c;
  std::vector<std::string> lines;
  for (const auto& line : prandel::describeCondition(session, c))
    if (line) lines.push_back(readable(qs(*line)));
  return lines;
}

std::string holidayLine(const store::HolidayRecord& h) { return dateText(h.HoliDate) + " " + readable(h.HoliName); }

std::string bookmarkLine(const Bookmark& b) {
  std::string line = std::to_string(b.recNo) + ": " + quoted(b.rec.BmName);
  if (const std::string more = readable(b.rec.BmNameMore); !more.empty()) line += " (more: \"" + more + "\")";
  return line + " -> " + readable(b.rec.BmLink);
}

std::string fieldLabel(const store::FieldInfo& f) { return f.label ? f.label : f.name; }

std::string fieldValue(std::span<const std::uint8_t> bytes, const store::FieldInfo& f) {
  using store::FieldType;
  using store::Meaning;
  const bool isDouble = f.type == FieldType::Double || f.type == FieldType::Date;
  const double d = isDouble ? store::getDouble(bytes, f.offset) : 0.0;
  switch (f.meaning) {
    case Meaning::Flag: return integerOf(bytes, f) != 0 ? "yes" : "no";
    case Meaning::Choice: {
      const auto i = integerOf(bytes, f);
      if (i >= 0 && static_cast<std::size_t>(i) < f.items.size()) return itemText(f.items[static_cast<std::size_t>(i)]);
      return "unknown (" + std::to_string(i) + ")";
    }
    case Meaning::Seconds: return secondsText(d);
    case Meaning::DayFraction: return timeText(d);
    case Meaning::SecondsOfDay: {
      if (!std::isfinite(d) || d < 0 || d >= 86400) return "invalid time (" + number(d) + " s)";
      const auto secs = static_cast<long long>(std::llround(d));
      char buf[16];
      std::snprintf(buf, sizeof buf, "%02lld:%02lld", secs / 3600 % 24, secs / 60 % 60);
      return buf;
    }
    case Meaning::Date: return d == 0 ? "none" : dateText(d);
    case Meaning::Text: return quoted(store::getText(bytes, f.offset, f.width));
    case Meaning::Weekdays: return weekDaysText(boolsOf(bytes, f));
    case Meaning::Numbered: {
      std::string out;
      const auto on = boolsOf(bytes, f);
      for (std::size_t i = 1; i < on.size(); ++i)
        if (on[i]) out += (out.empty() ? "" : " ") + std::to_string(i);
      return out.empty() ? "none" : out;
    }
    case Meaning::Money: return money("", d);
    case Meaning::MinuteOfWeek: return weekMinute(integerOf(bytes, f));
    case Meaning::Unused: return hex(bytes, f);
    case Meaning::Number: break;
  }
  if (isDouble) return number(d);
  if (f.type == FieldType::Text) return quoted(store::getText(bytes, f.offset, f.width));
  if (f.type == FieldType::Bytes || f.type == FieldType::BoolArray) return hex(bytes, f);
  return std::to_string(integerOf(bytes, f));
}

// --- show --------------------------------------------------------------------------

namespace {

// The reset day says something different for each period.
std::string resetOnText(const store::MainRecord& m) {
  switch (m.CdResetPeriod) {
    case 0: return "every day";
    case 1: return m.CdResetDay >= 0 && m.CdResetDay < 7 ? kLongDays[m.CdResetDay] : "day " + std::to_string(m.CdResetDay);
    case 2: return "day " + std::to_string(static_cast<long long>(m.CdResetDay) + 1) + " of the month";
    case 3: {
      const auto date = Regional::datePart(m.CdResetDate);
      return date ? qs(QLocale(QLocale::English).toString(*date, QStringLiteral("d MMMM"))) : dateText(m.CdResetDate);
    }
    default: return "day " + std::to_string(m.CdResetDay);
  }
}

// Every field of a record in words; say may put its own words for a field, or skip it.
template <class Table, class Say>
void printFields(std::ostream& out, std::span<const std::uint8_t> bytes, const Table& table, Say say) {
  for (const auto& f : table) {
    if (f.meaning == store::Meaning::Unused) continue;
    const std::optional<std::string> own = say(f);
    if (own && own->empty()) continue;
    out << "  " << fieldLabel(f) << ": " << (own ? *own : fieldValue(bytes, f)) << "\n";
  }
}

const auto kAsStored = [](const store::FieldInfo&) { return std::optional<std::string>(); };

QString qstr(const std::string& s) { return QString::fromStdString(s); }

// A field as {"value": as stored, "text": in words}.
QJsonValue jsonValue(std::span<const std::uint8_t> bytes, const store::FieldInfo& f) {
  using store::FieldType;
  QJsonValue value;
  switch (f.type) {
    case FieldType::Double:
    case FieldType::Date: {
      const double d = store::getDouble(bytes, f.offset);
      value = std::isfinite(d) ? QJsonValue(d) : QJsonValue(qstr(number(d)));
      break;
    }
    case FieldType::Text: value = qstr(readable(store::getText(bytes, f.offset, f.width))); break;
    case FieldType::BoolArray: {
      QJsonArray on;
      for (bool b : boolsOf(bytes, f)) on.append(b);
      value = on;
      break;
    }
    case FieldType::Bytes: value = qstr(hex(bytes, f)); break;
    default: value = static_cast<qint64>(integerOf(bytes, f));
  }
  return QJsonObject{{QStringLiteral("value"), value}, {QStringLiteral("text"), qstr(fieldValue(bytes, f))}};
}

template <class Table>
QJsonObject jsonFields(std::span<const std::uint8_t> bytes, const Table& table) {
  QJsonObject out;
  for (const auto& f : table)
    if (f.meaning != store::Meaning::Unused) out.insert(QLatin1String(f.name), jsonValue(bytes, f));
  return out;
}

QJsonArray jsonLines(const std::vector<std::string>& lines) {
  QJsonArray out;
  for (const auto& l : lines) out.append(qstr(l));
  return out;
}

void printJson(const prandel::DataFolder& folder, const Records& r) {
  QJsonObject doc;
  doc.insert(QStringLiteral("dataFolder"), qstr(folder.path));
  doc.insert(QStringLiteral("dataFolderOrigin"), qstr(prandel::describeOrigin(folder)));
  doc.insert(QStringLiteral("main"), jsonFields(r.main.raw, store::kMainRecordFields));
  doc.insert(QStringLiteral("countdownResetOn"), qstr(resetOnText(r.main)));
  doc.insert(QStringLiteral("link"), jsonFields(r.link.raw, store::kLinkRecordFields));
  QJsonArray conditions;
  for (std::size_t i = 0; i < r.live.size(); ++i) {
    if (!r.live[i].InUse) continue;
    conditions.append(QJsonObject{
        {QStringLiteral("slot"), static_cast<int>(i + 1)},
        {QStringLiteral("description"), jsonLines(conditionDescription(r.live[i], r.main))},
        {QStringLiteral("fields"), jsonFields(r.live[i].raw, store::kExpenseConditionFields)},
    });
  }
  doc.insert(QStringLiteral("conditions"), conditions);
  QJsonArray holidays;
  for (const auto& h : r.holidays)
    holidays.append(QJsonObject{{QStringLiteral("date"), qstr(dateText(h.HoliDate))},
                                {QStringLiteral("description"), qstr(readable(h.HoliName))}});
  doc.insert(QStringLiteral("holidays"), holidays);
  QJsonArray bookmarks;
  for (const auto& b : r.bookmarks)
    bookmarks.append(QJsonObject{{QStringLiteral("record"), static_cast<qint64>(b.recNo)},
                                 {QStringLiteral("name"), qstr(readable(b.rec.BmName + b.rec.BmNameMore))},
                                 {QStringLiteral("link"), qstr(readable(b.rec.BmLink))},
                                 {QStringLiteral("deleted"), isDeleted(b.rec)}});
  doc.insert(QStringLiteral("bookmarks"), bookmarks);
  std::cout << QJsonDocument(doc).toJson(QJsonDocument::Indented).toStdString();
}

void printText(const prandel::DataFolder& folder, const Records& r) {
  std::cout << dataFolderLine(folder) << "\n"
            << "Main settings:\n";
  // The reset day and date mean something only together with the period.
  printFields(std::cout, r.main.raw, store::kMainRecordFields, [&r](const store::FieldInfo& f) {
    if (f.offset == store::MainRecord::Off::CdResetDay) return std::optional<std::string>(resetOnText(r.main));
    if (f.offset == store::MainRecord::Off::CdResetDate) return std::optional<std::string>("");
    return std::optional<std::string>();
  });
  if (static_cast<std::size_t>(r.main.HolidayCount) != r.holidays.size())
    std::cout << "  (the holiday count is out of range; " << r.holidays.size() << " shown)\n";
  std::cout << "Link record:\n";
  printFields(std::cout, r.link.raw, store::kLinkRecordFields, kAsStored);

  std::size_t inUse = 0;
  for (const auto& c : r.live) inUse += c.InUse ? 1 : 0;
  std::cout << "Conditions (" << inUse << " in use):\n";
  for (std::size_t i = 0; i < r.live.size(); ++i) {
    if (!r.live[i].InUse) continue;
    std::cout << "  Condition " << i + 1 << "\n";
    for (const auto& line : conditionDescription(r.live[i], r.main)) std::cout << "    " << line << "\n";
  }

  std::cout << "Holidays (" << r.holidays.size() << "):\n";
  for (const auto& h : r.holidays) std::cout << "  " << holidayLine(h) << "\n";

  std::size_t liveMarks = 0;
  for (const auto& b : r.bookmarks) liveMarks += isDeleted(b.rec) ? 0 : 1;
  std::cout << "Bookmarks (" << liveMarks << " of " << r.bookmarks.size() << " records):\n";
  for (const auto& b : r.bookmarks)
    if (!isDeleted(b.rec)) std::cout << "  " << bookmarkLine(b) << "\n";
}

}  // namespace

int runShow(const prandel::DataFolder& folder, bool json) {
  store::DataFiles files;
  if (!openRecordsForReading(folder, files)) return 1;
  const Records r = readAll(files);
  if (json) {
    printJson(folder, r);
  } else {
    printText(folder, r);
  }
  return 0;
}

void addShowCommand(CLI::App& app, Context& ctx) {
  struct Options {
    std::string data;
    bool json = false;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("show", "Print the settings, conditions, holidays and bookmarks in words");
  cmd->footer("Reads the record files and never creates or changes one.");
  addDataOption(*cmd, opts->data);
  cmd->add_flag("--json", opts->json, "Print the same as JSON, for scripts");
  cmd->callback([&ctx, opts] { ctx.exitCode = runShow(dataFolderFor(ctx, opts->data), opts->json); });
}

}  // namespace zktrack
