// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A data folder for the bookmark windows: mlif.zkt full of bytes that must survive,
// bit.zkt built by hand from the record layout, and a favourites folder.
#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Session.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "support/WindowKit.h"
#include "ui/Style.h"
#include "ui/WindowContext.h"

namespace prandel::test {

struct Mark {
  std::string name;
  std::string link;
  std::int16_t deleted = 0;
  std::string more = {};
};

constexpr std::size_t kRec = 512;
constexpr std::size_t kMainAt = 1024;
constexpr std::size_t kChangeCodeAt = kMainAt + store::MainRecord::Off::ChangeCode;

inline void putField(std::vector<std::uint8_t>& b, std::size_t at, std::size_t width, const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) b[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

// One record as the tracker lays it out; the spare bytes carry a pattern of their own.
inline std::vector<std::uint8_t> recordBytes(const Mark& m, std::uint8_t spareSeed = 0xA0) {
  std::vector<std::uint8_t> b(kRec);
  putField(b, 0, 24, m.name);
  putField(b, 24, 384, m.link);
  b[408] = static_cast<std::uint8_t>(m.deleted & 0xFF);
  b[409] = static_cast<std::uint8_t>((m.deleted >> 8) & 0xFF);
  putField(b, 410, 52, m.more);
  for (std::size_t i = 462; i < kRec; ++i) b[i] = static_cast<std::uint8_t>(spareSeed + i);
  return b;
}

inline std::vector<std::uint8_t> fileOf(const std::vector<Mark>& marks) {
  std::vector<std::uint8_t> out;
  for (std::size_t k = 0; k < marks.size(); ++k) {
    const auto r = recordBytes(marks[k], static_cast<std::uint8_t>(0xA0 + k));
    out.insert(out.end(), r.begin(), r.end());
  }
  return out;
}

// Text of a field of record n (1-based) of a bit.zkt image, padding included.
inline std::string fieldOf(const std::vector<std::uint8_t>& file, int n, std::size_t off, std::size_t width) {
  const std::size_t at = static_cast<std::size_t>(n - 1) * kRec + off;
  if (at + width > file.size()) return "<past the end>";
  return std::string(file.begin() + static_cast<std::ptrdiff_t>(at),
                     file.begin() + static_cast<std::ptrdiff_t>(at + width));
}
inline std::int16_t deletedOf(const std::vector<std::uint8_t>& file, int n) {
  const std::size_t at = static_cast<std::size_t>(n - 1) * kRec + 408;
  return static_cast<std::int16_t>(file.at(at) | (file.at(at + 1) << 8));
}
inline std::string padded(const std::string& s, std::size_t width) {
  std::string out = s.substr(0, width);
  out.resize(width, ' ');
  return out;
}

struct BookmarkKit : WindowKit {
  std::vector<std::uint8_t> mainBefore;

  explicit BookmarkKit(const std::vector<std::uint8_t>& bit = {}, std::uint8_t changeCode = 0)
      : WindowKit(QLocale::system()) {
    mainBefore.assign(40000, 0);
    for (std::size_t i = 0; i < mainBefore.size(); ++i) mainBefore[i] = static_cast<std::uint8_t>(i * 31 + 7);
    mainBefore[kChangeCodeAt] = changeCode;
    writeFileBytes(dir.file("mlif.zkt"), mainBefore);
    writeFileBytes(dir.file("bit.zkt"), bit);
    fake.favorites.path = dir.file("Favorites");
    s.ProgramDir = dir.path();
    s.OpenDataFiles();
  }

  std::vector<std::uint8_t> bit() const { return bytes("bit.zkt"); }
  std::vector<std::uint8_t> mlif() const { return bytes(); }

  template <class Window>
  std::unique_ptr<Window> open() {
    return show<Window>();
  }
};

inline QStringList texts(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

}  // namespace prandel::test
