// SPDX-License-Identifier: GPL-3.0-or-later
// The favourites import: what it offers from a favourites tree, the two lists in
// step, the records "&Import" appends, and the ways out.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QPushButton>
#include <filesystem>

#include "BookmarkKit.h"
#include "editors/bookmarks/frmmIEBook.h"

namespace prandel {
namespace {

using namespace test;
namespace fs = std::filesystem;

struct ImportKit : BookmarkKit {
  using BookmarkKit::BookmarkKit;
  std::string fav(const std::string& rel) const { return fake.favorites.path + "/" + rel; }
  void url(const std::string& rel, const std::string& link) const {
    fs::create_directories(fs::path(fav(rel)).parent_path());
    writeFileText(fav(rel), "[InternetShortcut]\r\nURL=" + link + "\r\n");
  }
};

void tick(frmmIEBook& w, int row) { w.lstBMark->item(row)->setCheckState(Qt::Checked); }

const std::string k30 = "Thirty characters in this name";
const std::string k78 = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-abcdefghijklmno";

TEST(IEBookWindow, OffersTheShortcutsWhoseLinksAreNotStored) {
  ImportKit kit(fileOf({{"Stored", "HTTP://STORED.EXAMPLE/"},
                        {"Gone", "http://gone.example/", -1},
                        {"Longer", "http://www.suffix.example/"}}));
  kit.url("Links/stored.url", "http://stored.example/");        // the same but for case
  kit.url("Links/gone.url", "http://gone.example/");            // only a deleted record holds it
  kit.url("Links/suffix.url", "suffix.example/");               // ends a stored link
  kit.url("Links/News.url", "http://news.example/");
  kit.url("Links/Caps.URL", "http://caps.example/");
  kit.url("Links/Deep/Deeper/deep.url", "http://deep.example/");
  kit.url("top.url", "http://top.example/");
  kit.url("again.url", "http://news.example/");  // two shortcuts, one URL: both offered
  writeFileText(kit.fav("nourl.url"), "[InternetShortcut]\n");
  auto w = kit.open<frmmIEBook>();

  EXPECT_EQ(w->windowTitle(), QStringLiteral("Import Bookmarks"));
  EXPECT_FALSE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(w->ExistingLinks, QStringLiteral("       HTTP://STORED.EXAMPLE/;   http://www.suffix.example/;"));
  EXPECT_EQ(texts(w->lstBMark), (QStringList{QStringLiteral("again"), QStringLiteral("top"), QStringLiteral("Caps.URL"),
                                             QStringLiteral("gone"), QStringLiteral("News"), QStringLiteral("deep")}));
  EXPECT_EQ(texts(w->lstLink),
            (QStringList{QStringLiteral("http://news.example/"), QStringLiteral("http://top.example/"),
                         QStringLiteral("http://caps.example/"), QStringLiteral("http://gone.example/"),
                         QStringLiteral("http://news.example/"), QStringLiteral("http://deep.example/")}));
  EXPECT_FALSE(w->lstLink->isVisible());
  for (int i = 0; i < w->lstBMark->count(); ++i) {
    const QListWidgetItem* item = w->lstBMark->item(i);
    EXPECT_TRUE(item->flags() & Qt::ItemIsUserCheckable) << i;
    EXPECT_EQ(item->checkState(), Qt::Unchecked) << i;
    EXPECT_EQ(item->toolTip(), w->lstLink->item(i)->text()) << i;
  }
  EXPECT_EQ(w->cmdImport->text(), QStringLiteral("&Import"));
  EXPECT_EQ(w->cmdClose->text(), QStringLiteral("Close"));
  EXPECT_EQ(w->lstBMark->parentWidget(), w->Frame1);
  EXPECT_EQ(kit.bit().size(), 3 * kRec);
  EXPECT_EQ(kit.mlif(), kit.mainBefore);
}

TEST(IEBookWindow, ImportAppendsTheTickedInListOrder) {
  const auto before = fileOf({{"Stored", "http://stored.example/"}});
  ImportKit kit(before);
  kit.url("a.url", "http://a.example/");
  kit.url("b " + k30 + ".url", "http://b.example/");
  kit.url("c.url", "http://c.example/");
  kit.url("d_" + k78 + ".url", "http://d.example/" + std::string(200, 'p'));
  auto w = kit.open<frmmIEBook>();
  ASSERT_EQ(w->lstBMark->count(), 4);
  tick(*w, 3);
  tick(*w, 1);
  tick(*w, 0);
  // Ticks come by keyboard as well.
  w->lstBMark->setFocus();
  w->lstBMark->setCurrentRow(2);
  QTest::keyClick(w->lstBMark, Qt::Key_Space);
  QTest::keyClick(w->lstBMark, Qt::Key_Space);
  EXPECT_EQ(w->lstBMark->item(2)->checkState(), Qt::Unchecked);
  w->cmdImport->click();

  const auto bit = kit.bit();
  ASSERT_EQ(bit.size(), 4 * kRec);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), bit.begin()));
  const std::string b30 = "b " + k30;  // 32 characters
  const std::string d80 = "d_" + k78;
  struct Want {
    std::string name, more, link;
  };
  const Want want[] = {{"a", "", "http://a.example/"},
                       {b30.substr(0, 24), b30.substr(24), "http://b.example/"},
                       {d80.substr(0, 24), d80.substr(24, 52), "http://d.example/" + std::string(200, 'p')}};
  for (int n = 2; n <= 4; ++n) {
    const Want& x = want[n - 2];
    EXPECT_EQ(fieldOf(bit, n, 0, 24), padded(x.name, 24)) << n;
    EXPECT_EQ(fieldOf(bit, n, 410, 52), padded(x.more, 52)) << n;
    EXPECT_EQ(fieldOf(bit, n, 24, 384), padded(x.link, 384)) << n;
    EXPECT_EQ(deletedOf(bit, n), 0) << n;
    EXPECT_EQ(fieldOf(bit, n, 462, 50), std::string(50, ' ')) << n;
  }
  EXPECT_EQ(changedOffsets(kit.mainBefore, kit.mlif()), std::vector<std::size_t>{kChangeCodeAt});
  EXPECT_EQ(kit.mlif()[kChangeCodeAt], 6);
  EXPECT_FALSE(w->isVisible());
  EXPECT_GE(kit.ends, 1);
}

TEST(IEBookWindow, ImportCountsTheTrackersRecordsFirst) {
  ImportKit kit(fileOf({{"One", "http://1/"}}));
  kit.url("new.url", "http://new.example/");
  auto w = kit.open<frmmIEBook>();
  auto bytes = kit.bit();
  const auto theirs = recordBytes({"Theirs", "http://theirs/"}, 0x10);
  bytes.insert(bytes.end(), theirs.begin(), theirs.end());
  writeFileBytes(kit.dir.file("bit.zkt"), bytes);
  tick(*w, 0);
  w->cmdImport->click();
  const auto bit = kit.bit();
  ASSERT_EQ(bit.size(), 3 * kRec);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), bit.begin()));
  EXPECT_EQ(fieldOf(bit, 3, 0, 24), padded("new", 24));
}

TEST(IEBookWindow, ImportingNothingStillTellsTheTracker) {
  ImportKit kit(fileOf({{"One", "http://1/"}}));
  kit.url("new.url", "http://new.example/");
  auto w = kit.open<frmmIEBook>();
  w->cmdImport->click();
  EXPECT_EQ(kit.bit(), fileOf({{"One", "http://1/"}}));
  EXPECT_EQ(changedOffsets(kit.mainBefore, kit.mlif()), std::vector<std::size_t>{kChangeCodeAt});
  EXPECT_EQ(kit.mlif()[kChangeCodeAt], 6);
}

TEST(IEBookWindow, CloseEscapeAndTheCloseBoxWriteNothing) {
  for (int way = 0; way < 3; ++way) {
    ImportKit kit(fileOf({{"One", "http://1/"}}));
    kit.url("new.url", "http://new.example/");
    auto w = kit.open<frmmIEBook>();
    tick(*w, 0);
    if (way == 0) w->cmdClose->click();
    else if (way == 1) QTest::keyClick(w.get(), Qt::Key_Escape);
    else w->close();
    EXPECT_FALSE(w->isVisible()) << way;
    EXPECT_EQ(kit.ends, 1) << way;
    EXPECT_EQ(kit.bit(), fileOf({{"One", "http://1/"}})) << way;
    EXPECT_EQ(kit.mlif(), kit.mainBefore) << way;
  }
}

TEST(IEBookWindow, NoFavouritesNoReaderNoFolder) {
  struct Case {
    const char* what;
    bool folder, reader, locator;
  };
  for (const Case c : {Case{"a missing folder", false, true, true}, Case{"no ini reader", true, false, true},
                       Case{"no favourites service", true, true, false}}) {
    ImportKit kit;
    if (c.folder) kit.url("a.url", "http://a.example/");
    if (!c.reader) kit.fake.services().ini = nullptr;
    if (!c.locator) kit.fake.services().favorites = nullptr;
    auto w = kit.open<frmmIEBook>();
    EXPECT_EQ(w->lstBMark->count(), 0) << c.what;
    EXPECT_EQ(w->lstLink->count(), 0) << c.what;
    w->cmdImport->click();
    EXPECT_TRUE(kit.bit().empty()) << c.what;
    EXPECT_EQ(kit.mlif()[kChangeCodeAt], 6) << c.what;
  }
}

TEST(IEBookWindow, AGarbageBookmarkFileStillGivesAList) {
  std::vector<std::uint8_t> garbage(7 * kRec + 100);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>((i * 131) ^ (i >> 3));
  for (std::size_t n = 0; n < 7; ++n) garbage[n * kRec + 408] = garbage[n * kRec + 409] = 0;  // all live
  ImportKit kit(garbage);
  kit.url("a.url", "http://a.example/");
  auto w = kit.open<frmmIEBook>();
  EXPECT_EQ(texts(w->lstLink), QStringList{QStringLiteral("http://a.example/")});
  tick(*w, 0);
  w->cmdImport->click();
  const auto bit = kit.bit();
  ASSERT_EQ(bit.size(), 8 * kRec);
  EXPECT_TRUE(std::equal(bit.begin(), bit.begin() + 7 * kRec, garbage.begin()));
  EXPECT_EQ(fieldOf(bit, 8, 0, 24), padded("a", 24));
}

}  // namespace
}  // namespace prandel
