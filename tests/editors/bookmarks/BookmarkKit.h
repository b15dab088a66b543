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

#include "core/BookmarkImages.h"
#include "store/MainRecord.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "support/WindowKit.h"
#include "ui/EditorState.h"
#include "ui/Style.h"
#include "ui/WindowContext.h"

namespace prandel::test {

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
