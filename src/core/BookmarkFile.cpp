// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/BookmarkFile.h"

#include <algorithm>
#include <limits>

#include "store/Codec.h"
#include "store/Cp1252.h"

namespace prandel::bookmarks {

using store::BookmarkRecord;

namespace {

// Records read at once: large enough that a long file costs few reads, small enough
// that a garbage file of any length needs little memory.
constexpr std::int64_t kBlockRecords = 2048;

constexpr std::int64_t kMaxRecords = std::numeric_limits<std::int32_t>::max();

// The bytes of a text field without the spaces around them (the old Trim).
std::pair<const std::uint8_t*, std::size_t> trimmedField(const std::uint8_t* p, std::size_t width) {
  std::size_t first = 0;
  while (first < width && p[first] == ' ') ++first;
  std::size_t last = width;
  while (last > first && p[last - 1] == ' ') --last;
  return {p + first, last - first};
}

QString fromCp1252(const std::uint8_t* p, std::size_t n) {
  return QString::fromStdString(store::cp1252ToUtf8({p, n}));
}

QString trimmedText(const std::uint8_t* record, std::size_t off, std::size_t width) {
  const auto [p, n] = trimmedField(record + off, width);
  return fromCp1252(p, n);
}

QString trimSpaces(const QString& s) {
  qsizetype first = 0;
  qsizetype last = s.size();
  while (first < last && s.at(first) == QLatin1Char(' ')) ++first;
  while (last > first && s.at(last - 1) == QLatin1Char(' ')) --last;
  return s.mid(first, last - first);
}

}  // namespace

std::int64_t countRecords(const store::DataFiles& files) {
  const auto length = files.fileLength(BookmarkRecord::Channel);
  if (!length) return 0;
  return std::min<std::int64_t>(static_cast<std::int64_t>(*length / BookmarkRecord::Size), kMaxRecords);
}

std::int64_t reopenAndCount(store::DataFiles& files) {
  files.close(BookmarkRecord::Channel);
  files.open(BookmarkRecord::Channel);
  return countRecords(files);
}

bool forEachRecord(const store::DataFiles& files, std::int64_t count,
                   const std::function<void(std::int64_t, const std::uint8_t*)>& visit) {
  std::vector<std::uint8_t> block;
  bool all = true;
  for (std::int64_t first = 1; first <= count; first += kBlockRecords) {
    const std::int64_t n = std::min(kBlockRecords, count - first + 1);
    block.resize(static_cast<std::size_t>(n) * BookmarkRecord::Size);
    if (!files.readRecords(BookmarkRecord::Channel, first, n, block)) {
      all = false;
      continue;
    }
    for (std::int64_t k = 0; k < n; ++k) visit(first + k, block.data() + k * BookmarkRecord::Size);
  }
  return all;
}

bool isDeleted(const std::uint8_t* bytes) {
  return store::getInt16({bytes, BookmarkRecord::Size}, BookmarkRecord::Off::BmDeleted) != 0;
}

bool isDeleted(const BookmarkRecord& b) { return b.BmDeleted != 0; }

QString entryText(const std::uint8_t* bytes) {
  using Off = BookmarkRecord::Off;
  const auto [name, nameLen] = trimmedField(bytes + Off::BmName, 24);
  if (nameLen > 0) return fromCp1252(name, nameLen) + trimmedText(bytes, Off::BmNameMore, 52);
  // Every byte is one character, so the first 24 characters are the first 24 bytes.
  const auto [link, linkLen] = trimmedField(bytes + Off::BmLink, 384);
  if (linkLen < 24) return fromCp1252(link, linkLen);
  return trimmedText(bytes, Off::BmLink, 24) + QStringLiteral("...");
}

QString linkText(const std::uint8_t* bytes) { return trimmedText(bytes, BookmarkRecord::Off::BmLink, 384); }

std::vector<Entry> liveEntries(const store::DataFiles& files, std::int64_t count) {
  std::vector<Entry> out;
  forEachRecord(files, count, [&out](std::int64_t recNo, const std::uint8_t* bytes) {
    if (!isDeleted(bytes)) out.push_back({entryText(bytes), linkText(bytes), recNo});
  });
  return out;
}

QString storedForm(const QString& text) {
  const auto bytes = store::utf8ToCp1252(text.toStdString());
  return fromCp1252(bytes.data(), bytes.size());
}

SplitName splitImportName(const QString& name) {
  const QString stored = storedForm(name);
  if (stored.size() < 25) return {stored, QString()};
  return {stored.left(24), trimSpaces(stored.mid(24)).left(52)};
}

QString existingLinks(const store::DataFiles& files, std::int64_t count) {
  QString out = QStringLiteral("    ");
  forEachRecord(files, count, [&out](std::int64_t, const std::uint8_t* bytes) {
    if (isDeleted(bytes)) return;
    const auto [link, n] = trimmedField(bytes + BookmarkRecord::Off::BmLink, 384);
    if (n == 0) return;
    out += QStringLiteral("   ");
    out += fromCp1252(link, n);
    out += QLatin1Char(';');
  });
  return out;
}

DuplicateTest::DuplicateTest(const QString& existingLinks) : upper_(existingLinks.toUpper()) {
  qsizetype start = 0;
  for (qsizetype semi = upper_.indexOf(QLatin1Char(';')); semi >= 0;
       semi = upper_.indexOf(QLatin1Char(';'), start)) {
    QString stretch = upper_.mid(start, semi - start);
    std::reverse(stretch.begin(), stretch.end());
    reversedEnds_.push_back(std::move(stretch));
    start = semi + 1;
  }
  std::sort(reversedEnds_.begin(), reversedEnds_.end());
}

bool DuplicateTest::operator()(const QString& url) const {
  const QString needle = url.toUpper();
  // A URL holding ";" may run over several stretches: search the text itself.
  if (needle.contains(QLatin1Char(';'))) return upper_.contains(needle + QLatin1Char(';'));
  QString reversed = needle;
  std::reverse(reversed.begin(), reversed.end());
  // The first stretch not below the reversed URL starts with it, if any does.
  const auto it = std::lower_bound(reversedEnds_.begin(), reversedEnds_.end(), reversed);
  return it != reversedEnds_.end() && it->startsWith(reversed);
}

}  // namespace prandel::bookmarks
