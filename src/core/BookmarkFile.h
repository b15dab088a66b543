// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bookmark file bit.zkt as both bookmark windows see it: how many records it
// holds, the text a record is listed under, the names and links of new records,
// and the duplicate test of the favourites import.
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/BookmarkRecord.h"
#include "store/DataFiles.h"

namespace prandel::bookmarks {

// The file length div 512 (a tail shorter than a record is no record); 0 when the
// channel is closed. Never more than a channel can address.
std::int64_t countRecords(const store::DataFiles& files);

// Closes and opens the bookmark channel again and recounts, so that records the
// tracker appended meanwhile are counted.
std::int64_t reopenAndCount(store::DataFiles& files);

// Visits records 1 to count in order, read in blocks; a block that cannot be read
// is skipped. The visitor sees the raw 512 bytes of each record. Returns whether
// every block was read.
bool forEachRecord(const store::DataFiles& files, std::int64_t count,
                   const std::function<void(std::int64_t recNo, const std::uint8_t* bytes)>& visit);

// Whether the raw record is marked deleted (BmDeleted not 0).
bool isDeleted(const std::uint8_t* bytes);
bool isDeleted(const store::BookmarkRecord& b);

// The text a live bookmark is listed under: the trimmed name followed by the trimmed
// name continuation; without a name, the trimmed link when it is shorter than 24
// characters, else its first 24 characters trimmed followed by "...".
QString entryText(const std::uint8_t* bytes);

// The trimmed link of a record.
QString linkText(const std::uint8_t* bytes);

struct Entry {
  QString text;
  QString link;
  std::int64_t recNo;
};
// The live records of 1..count in record order, with their list texts and links.
std::vector<Entry> liveEntries(const store::DataFiles& files, std::int64_t count);

// A text as the file will hold it: every character that Windows-1252 cannot hold
// (and every byte that is not UTF-8) becomes "?".
QString storedForm(const QString& text);

// An imported name: 25 characters or more go as the first 24 in BmName and the rest,
// trimmed and cut to 52, in BmNameMore; a shorter name goes whole into BmName.
struct SplitName {
  QString name;
  QString more;
};
SplitName splitImportName(const QString& name);

// The duplicate test of the import over ExistingLinks ("    " then, per live link,
// "   ", the trimmed link and ";"): a URL is a duplicate when the URL in capitals
// followed by ";" occurs anywhere in ExistingLinks in capitals. The same answer as
// that search, without scanning the whole text for every shortcut.
class DuplicateTest {
 public:
  explicit DuplicateTest(const QString& existingLinks);
  bool operator()(const QString& url) const;

 private:
  QString upper_;
  // Every stretch of the text that ends just before a ";", reversed and sorted: a URL
  // without ";" occurs before a ";" exactly when it ends one of these stretches.
  std::vector<QString> reversedEnds_;
};

// ExistingLinks of the live records 1..count.
QString existingLinks(const store::DataFiles& files, std::int64_t count);

}  // namespace prandel::bookmarks
