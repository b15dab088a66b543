// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/RecordPrinter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QString>
#include <cmath>
#include <optional>
#include <ostream>

#include "core/BookmarkFile.h"
#include "core/EnglishNames.h"
#include "core/Regional.h"
#include "format/ReadableText.h"
#include "store/Codec.h"

namespace prandel::format {

namespace {

// The reset day says something different for each period.
std::string resetOnText(const store::MainRecord& m) {
  switch (m.CdResetPeriod) {
    case 0: return "every day";
    case 1: return m.CdResetDay >= 0 && m.CdResetDay < 7 ? kWeekdayNames[static_cast<std::size_t>(m.CdResetDay)] : "day " + std::to_string(m.CdResetDay);
    case 2: return "day " + std::to_string(static_cast<long long>(m.CdResetDay) + 1) + " of the month";
    case 3: {
      const auto date = Regional::datePart(m.CdResetDate);
      return date ? QLocale(QLocale::English).toString(*date, QStringLiteral("d MMMM")).toStdString() : dateText(m.CdResetDate);
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
      for (bool b : fieldFlags(bytes, f)) on.append(b);
      value = on;
      break;
    }
    case FieldType::Bytes: value = qstr(fieldHex(bytes, f)); break;
    default: value = static_cast<qint64>(fieldInteger(bytes, f));
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

}  // namespace

std::string recordsJson(const DataFolder& folder, const FolderRecords& r) {
  QJsonObject doc;
  doc.insert(QStringLiteral("dataFolder"), qstr(folder.path));
  doc.insert(QStringLiteral("dataFolderOrigin"), qstr(describeOrigin(folder)));
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
                                 {QStringLiteral("deleted"), bookmarks::isDeleted(b.rec)}});
  doc.insert(QStringLiteral("bookmarks"), bookmarks);
  return QJsonDocument(doc).toJson(QJsonDocument::Indented).toStdString();
}

void printRecords(std::ostream& out, const FolderRecords& r) {
  out << "Main settings:\n";
  // The reset day and date mean something only together with the period.
  printFields(out, r.main.raw, store::kMainRecordFields, [&r](const store::FieldInfo& f) {
    if (f.offset == store::MainRecord::Off::CdResetDay) return std::optional<std::string>(resetOnText(r.main));
    if (f.offset == store::MainRecord::Off::CdResetDate) return std::optional<std::string>("");
    return std::optional<std::string>();
  });
  if (static_cast<std::size_t>(r.main.HolidayCount) != r.holidays.size())
    out << "  (the holiday count is out of range; " << r.holidays.size() << " shown)\n";
  out << "Link record:\n";
  printFields(out, r.link.raw, store::kLinkRecordFields, kAsStored);

  std::size_t inUse = 0;
  for (const auto& c : r.live) inUse += c.InUse ? 1 : 0;
  out << "Conditions (" << inUse << " in use):\n";
  for (std::size_t i = 0; i < r.live.size(); ++i) {
    if (!r.live[i].InUse) continue;
    out << "  Condition " << i + 1 << "\n";
    for (const auto& line : conditionDescription(r.live[i], r.main)) out << "    " << line << "\n";
  }

  out << "Holidays (" << r.holidays.size() << "):\n";
  for (const auto& h : r.holidays) out << "  " << holidayLine(h) << "\n";

  std::size_t liveMarks = 0;
  for (const auto& b : r.bookmarks) liveMarks += bookmarks::isDeleted(b.rec) ? 0 : 1;
  out << "Bookmarks (" << liveMarks << " of " << r.bookmarks.size() << " records):\n";
  for (const auto& b : r.bookmarks)
    if (!bookmarks::isDeleted(b.rec)) out << "  " << bookmarkLine(b) << "\n";
}

}  // namespace prandel::format
