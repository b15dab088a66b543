// SPDX-License-Identifier: GPL-3.0-or-later
// The bookmark window: what it lists, the bytes Add and Delete write at once, the
// recount before each, the ways out, and files that are short, odd or garbage.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <cstdio>
#include <filesystem>
#include <random>

#include "BookmarkKit.h"
#include "editors/bookmarks/frmmBookmark.h"
#include "ui/EntryField.h"

namespace prandel {
namespace {

using namespace test;

std::vector<std::int64_t> recNos(const frmmBookmark& w) {
  std::vector<std::int64_t> out;
  for (int i = 0; i < w.lstHolidays->count(); ++i)
    out.push_back(w.lstHolidays->item(i)->data(frmmBookmark::RecNoRole).toLongLong());
  return out;
}

void add(frmmBookmark& w, const QString& name, const QString& link) {
  w.tHoli[0]->setText(name);
  w.tHoli[1]->setText(link);
  w.Command2[0]->click();
}

TEST(BookmarkWindow, ListsTheLiveRecordsWithTheirNumbers) {
  const std::string az09 = "abcdefghijklmnopqrstuvwxyz0123456789";
  BookmarkKit kit(fileOf({{"First", "http://1.example/"},
                          {"Second", "http://2.example/", -1},
                          {"", az09},
                          {"", "0123456789"}}));
  auto w = kit.open<frmmBookmark>();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Zelkora Bookmarks"));
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(texts(w->lstHolidays), (QStringList{QStringLiteral("First"), QStringLiteral("abcdefghijklmnopqrstuvwx..."),
                                                QStringLiteral("0123456789")}));
  EXPECT_EQ(recNos(*w), (std::vector<std::int64_t>{1, 3, 4}));
  EXPECT_EQ(w->lstHolidays->item(0)->toolTip(), QStringLiteral("http://1.example/"));
  EXPECT_EQ(kit.s.BookCount, 4);
  EXPECT_FALSE(w->Command2[1]->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), w->tHoli[0]);
  EXPECT_EQ(w->Label1->text(), QStringLiteral("D&escription"));
  EXPECT_EQ(w->cmdBMark[2]->text(), QStringLiteral("&Online Bookmarks"));
  EXPECT_EQ(w->Command1->text(), QStringLiteral("Close"));
  // Selecting enables Delete, and only then.
  w->lstHolidays->setCurrentRow(1);
  EXPECT_TRUE(w->Command2[1]->isEnabled());
  w->lstHolidays->clearSelection();
  EXPECT_FALSE(w->Command2[1]->isEnabled());
  // Loading writes nothing.
  EXPECT_EQ(kit.bit(), fileOf({{"First", "http://1.example/"},
                               {"Second", "http://2.example/", -1},
                               {"", az09},
                               {"", "0123456789"}}));
}

TEST(BookmarkWindow, AddWritesTheRecordAtOnce) {
  const auto before = fileOf({{"Old", "http://old.example/"}});
  BookmarkKit kit(before);
  auto w = kit.open<frmmBookmark>();
  add(*w, QStringLiteral("Zelkora"), QStringLiteral("http://zelkora.example/"));
  add(*w, QString(), QStringLiteral("http://no-name.example/a-rather-long-path"));
  add(*w, QStringLiteral("  Caf\u00E9 \u65E5  "), QStringLiteral(" short "));
  EXPECT_TRUE(kit.prompter.shown.empty());

  const auto bit = kit.bit();
  ASSERT_EQ(bit.size(), 4 * kRec);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), bit.begin()));
  struct Want {
    std::string name, link;
  };
  const Want want[] = {{"Zelkora", "http://zelkora.example/"},
                       {"", "http://no-name.example/a-rather-long-path"},
                       {"  Caf\xE9 ?  ", " short "}};
  for (int n = 2; n <= 4; ++n) {
    const Want& x = want[n - 2];
    EXPECT_EQ(fieldOf(bit, n, 0, 24), padded(x.name, 24)) << n;
    EXPECT_EQ(fieldOf(bit, n, 24, 384), padded(x.link, 384)) << n;
    EXPECT_EQ(deletedOf(bit, n), 0) << n;
    EXPECT_EQ(fieldOf(bit, n, 410, 52), std::string(52, ' ')) << n;
    EXPECT_EQ(fieldOf(bit, n, 462, 50), std::string(50, ' ')) << n;
  }
  EXPECT_EQ(texts(w->lstHolidays), (QStringList{QStringLiteral("Old"), QStringLiteral("Zelkora"),
                                                QStringLiteral("http://no-name.example/a..."),
                                                QStringLiteral("Caf\u00E9 ?")}));
  EXPECT_EQ(recNos(*w), (std::vector<std::int64_t>{1, 2, 3, 4}));
  EXPECT_EQ(w->lstHolidays->item(3)->toolTip(), QStringLiteral("short"));
  EXPECT_TRUE(w->tHoli[0]->text().isEmpty());
  EXPECT_TRUE(w->tHoli[1]->text().isEmpty());
  EXPECT_EQ(QApplication::focusWidget(), w->tHoli[0]);
  // Adding writes no main record.
  EXPECT_EQ(kit.mlif(), kit.mainBefore);
}

// The entry of a new bookmark comes from the texts as typed: trailing spaces count
// towards the 24 characters above which the link is cut, where the load measures the
// trimmed link.
TEST(BookmarkWindow, AddListsTheLinkByItsTypedLength) {
  const QString l22 = QStringLiteral("http://example.org/abc");  // 22 characters
  const QString l23 = l22 + QLatin1Char('d');
  const QString l24 = l23 + QLatin1Char('e');
  const struct {
    QString name, link, entry, reloaded;
  } rows[] = {
      {{}, l22 + QStringLiteral("   "), l22 + QStringLiteral("..."), l22},
      {{}, l22 + QStringLiteral(" "), l22, l22},
      {{}, l23, l23, l23},
      {{}, l24, l24 + QStringLiteral("..."), l24 + QStringLiteral("...")},
      {{}, QStringLiteral("    ") + l22, QStringLiteral("http://example.org/a..."), l22},
      {QStringLiteral("  Name  "), l22 + QStringLiteral("   "), QStringLiteral("Name"), QStringLiteral("Name")},
  };
  BookmarkKit kit;
  auto w = kit.open<frmmBookmark>();
  QStringList entries, reloaded;
  for (const auto& r : rows) {
    add(*w, r.name, r.link);
    entries << r.entry;
    reloaded << r.reloaded;
  }
  EXPECT_EQ(texts(w->lstHolidays), entries);
  w->LoadBookmarkList();
  EXPECT_EQ(texts(w->lstHolidays), reloaded);
}

TEST(BookmarkWindow, AddWithoutALinkWritesNothing) {
  BookmarkKit kit(fileOf({{"Old", "http://old.example/"}}));
  auto w = kit.open<frmmBookmark>();
  for (const QString& link : {QString(), QStringLiteral("    ")}) {
    const auto shown = kit.prompter.shown.size();
    add(*w, QStringLiteral("Name"), link);
    ASSERT_EQ(kit.prompter.shown.size(), shown + 1);
    EXPECT_EQ(kit.prompter.lastText(), QStringLiteral("Please insert link properly"));
    EXPECT_EQ(kit.prompter.shown.back().title, QStringLiteral("Prandel"));
    EXPECT_FALSE(kit.prompter.shown.back().isQuestion);
    EXPECT_EQ(QApplication::focusWidget(), w->tHoli[1]);
    EXPECT_EQ(w->tHoli[0]->text(), QStringLiteral("Name"));
  }
  EXPECT_EQ(kit.bit().size(), kRec);
  EXPECT_EQ(w->lstHolidays->count(), 1);
}

TEST(BookmarkWindow, NameAndLinkLengths) {
  BookmarkKit kit;
  auto w = kit.open<frmmBookmark>();
  w->tHoli[0]->setFocus();
  QTest::keyClicks(w->tHoli[0], QStringLiteral("abcdefghijklmnopqrstuvwxyz0123"));
  EXPECT_EQ(w->tHoli[0]->text(), QStringLiteral("abcdefghijklmnopqrstuvwx"));
  const QString link = QStringLiteral("http://") + QString(500, QLatin1Char('L'));
  w->tHoli[1]->setText(link);
  EXPECT_EQ(w->tHoli[1]->text(), link);  // the field itself takes any length
  w->Command2[0]->click();
  const auto bit = kit.bit();
  ASSERT_EQ(bit.size(), kRec);
  EXPECT_EQ(fieldOf(bit, 1, 0, 24), "abcdefghijklmnopqrstuvwx");
  EXPECT_EQ(fieldOf(bit, 1, 24, 384), link.left(384).toStdString());
  EXPECT_EQ(deletedOf(bit, 1), 0);
}

TEST(BookmarkWindow, AddAndDeleteCountTheTrackersRecordsFirst) {
  BookmarkKit kit(fileOf({{"Old", "http://old.example/"}}));
  auto w = kit.open<frmmBookmark>();
  // The tracker appends a record while the window is open.
  auto bytes = kit.bit();
  const auto theirs = recordBytes({"Theirs", "http://theirs.example/"}, 0x10);
  bytes.insert(bytes.end(), theirs.begin(), theirs.end());
  writeFileBytes(kit.dir.file("bit.zkt"), bytes);

  add(*w, QStringLiteral("Mine"), QStringLiteral("http://mine.example/"));
  auto bit = kit.bit();
  ASSERT_EQ(bit.size(), 3 * kRec);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), bit.begin()));
  EXPECT_EQ(fieldOf(bit, 3, 0, 24), padded("Mine", 24));
  EXPECT_EQ(recNos(*w), (std::vector<std::int64_t>{1, 3}));

  // Deleting reloads the list from the file: the tracker's record shows up too.
  w->lstHolidays->setCurrentRow(0);
  w->Command2[1]->click();
  EXPECT_EQ(texts(w->lstHolidays), (QStringList{QStringLiteral("Theirs"), QStringLiteral("Mine")}));
  EXPECT_EQ(recNos(*w), (std::vector<std::int64_t>{2, 3}));
}

TEST(BookmarkWindow, DeleteMarksExactlyThatRecord) {
  auto file = fileOf({{"One", "http://1/"}, {"Two", "http://2/"}});
  // Bytes no text can hold, and spare bytes: all must survive the mark.
  file[5] = 0x00;
  file[kRec + 30] = 0x81;
  file[kRec + 470] = 0x00;
  BookmarkKit kit(file);
  auto w = kit.open<frmmBookmark>();
  add(*w, QStringLiteral("Three"), QStringLiteral("http://3/"));
  add(*w, QStringLiteral("Four"), QStringLiteral("http://4/"));
  const auto before = kit.bit();

  w->lstHolidays->setCurrentRow(3);  // "Four", the second added
  w->Command2[1]->click();
  const auto after = kit.bit();
  EXPECT_EQ(changedOffsets(before, after), (std::vector<std::size_t>{3 * kRec + 408, 3 * kRec + 409}));
  EXPECT_EQ(deletedOf(after, 4), -1);
  EXPECT_EQ(texts(w->lstHolidays).size(), 3);
  EXPECT_EQ(w->lstHolidays->currentRow(), 0);
  EXPECT_TRUE(w->lstHolidays->item(0)->isSelected());
  EXPECT_TRUE(w->Command2[1]->isEnabled());

  w->lstHolidays->setCurrentRow(1);  // "Two": a record with odd bytes
  w->Command2[1]->click();
  EXPECT_EQ(changedOffsets(after, kit.bit()), (std::vector<std::size_t>{kRec + 408, kRec + 409}));
  EXPECT_EQ(kit.mlif(), kit.mainBefore);
}

TEST(BookmarkWindow, DeletingTheLastEntryKeepsTheFileLength) {
  BookmarkKit kit(fileOf({{"Only", "http://only/"}, {"Gone", "http://gone/", -1}}));
  auto w = kit.open<frmmBookmark>();
  w->Command2[1]->click();  // nothing selected: nothing happens
  EXPECT_EQ(deletedOf(kit.bit(), 1), 0);
  w->lstHolidays->setCurrentRow(0);
  w->Command2[1]->click();
  EXPECT_EQ(w->lstHolidays->count(), 0);
  EXPECT_FALSE(w->Command2[1]->isEnabled());
  EXPECT_EQ(kit.bit().size(), 2 * kRec);
  EXPECT_EQ(deletedOf(kit.bit(), 1), -1);
}

// A bookmark deleted after the file was cut short outside is still marked: its record
// reads as zeros and is written with the mark, so the file grows by that record and
// the tracker sees it deleted. A cut through a record keeps the bytes left of it.
TEST(BookmarkWindow, DeleteAfterTheFileWasCutShortStillMarksTheRecord) {
  const auto two = fileOf({{"One", "http://1/"}, {"Two", "http://2/"}, {"Three", "http://3/"}});
  for (const std::size_t cut : {kRec, kRec + 100}) {
    SCOPED_TRACE(cut);
    BookmarkKit kit(two);
    auto w = kit.open<frmmBookmark>();
    const std::vector<std::uint8_t> left(two.begin(), two.begin() + static_cast<std::ptrdiff_t>(cut));
    writeFileBytes(kit.dir.file("bit.zkt"), left);
    w->lstHolidays->setCurrentRow(1);  // "Two", record 2
    w->Command2[1]->click();

    std::vector<std::uint8_t> want = left;
    want.resize(2 * kRec, 0);
    want[408 + kRec] = 0xFF;
    want[409 + kRec] = 0xFF;
    EXPECT_EQ(kit.bit(), want);
    EXPECT_EQ(texts(w->lstHolidays), QStringList{QStringLiteral("One")});
  }
}

TEST(BookmarkWindow, CloseTellsTheTrackerAndTheCloseBoxDoesNot) {
  {
    BookmarkKit kit;
    auto w = kit.open<frmmBookmark>();
    w->Command1->click();
    EXPECT_EQ(changedOffsets(kit.mainBefore, kit.mlif()), std::vector<std::size_t>{kChangeCodeAt});
    EXPECT_EQ(kit.mlif()[kChangeCodeAt], 6);
    EXPECT_EQ(kit.s.MainRec.ChangeCode, 6);
    EXPECT_FALSE(w->isVisible());
    EXPECT_GE(kit.ends, 1);
  }
  {
    BookmarkKit kit(fileOf({{"One", "http://1/"}}));
    auto w = kit.open<frmmBookmark>();
    add(*w, QStringLiteral("Two"), QStringLiteral("http://2/"));
    w->close();
    EXPECT_EQ(kit.mlif(), kit.mainBefore);
    EXPECT_EQ(kit.ends, 1);
    EXPECT_EQ(kit.bit().size(), 2 * kRec);  // what was added stays
  }
}

TEST(BookmarkWindow, OnlineBookmarksAsksTheSuite) {
  BookmarkKit kit;
  auto w = kit.open<frmmBookmark>();
  w->cmdBMark[2]->click();
  ASSERT_EQ(kit.fake.launcher.started.size(), 1u);
  EXPECT_EQ(kit.fake.launcher.started[0], kit.dir.file("zkapp1"));
  const auto m = kit.mlif();
  EXPECT_EQ(m[8192], 39);
  EXPECT_EQ(m[8193], 0);
  EXPECT_EQ(changedOffsets(kit.mainBefore, m), (std::vector<std::size_t>{8192, 8193}));
  EXPECT_TRUE(w->isVisible());
}

TEST(BookmarkWindow, AnOddLengthFileLosesNoRecord) {
  auto file = fileOf({{"One", "http://1/"}, {"Two", "http://2/"}});
  file.resize(file.size() + 300, 0x77);  // a tail that is no record
  BookmarkKit kit(file);
  auto w = kit.open<frmmBookmark>();
  EXPECT_EQ(kit.s.BookCount, 2);
  EXPECT_EQ(w->lstHolidays->count(), 2);
  add(*w, QStringLiteral("Three"), QStringLiteral("http://3/"));
  const auto bit = kit.bit();
  ASSERT_EQ(bit.size(), 3 * kRec);
  EXPECT_TRUE(std::equal(bit.begin(), bit.begin() + 2 * kRec, file.begin()));
  EXPECT_EQ(fieldOf(bit, 3, 0, 24), padded("Three", 24));
  EXPECT_EQ(recNos(*w), (std::vector<std::int64_t>{1, 2, 3}));
}

TEST(BookmarkWindow, GarbageIsListedAndLeftAlone) {
  std::mt19937 rng(7);
  std::vector<std::uint8_t> file(200 * kRec + 77);
  for (auto& b : file) b = static_cast<std::uint8_t>(rng());
  std::size_t live = 0;
  for (std::size_t n = 0; n < 200; ++n) {
    // Every fifth record is live, the rest carry some non-zero mark.
    if (n % 5 == 0) file[n * kRec + 408] = file[n * kRec + 409] = 0, ++live;
    else if (file[n * kRec + 408] == 0 && file[n * kRec + 409] == 0) file[n * kRec + 409] = 0x80;
  }
  BookmarkKit kit(file);
  auto w = kit.open<frmmBookmark>();
  EXPECT_EQ(static_cast<std::size_t>(w->lstHolidays->count()), live);
  w->lstHolidays->setCurrentRow(2);
  w->Command2[1]->click();
  EXPECT_EQ(changedOffsets(file, kit.bit()), (std::vector<std::size_t>{10 * kRec + 408, 10 * kRec + 409}));
}

TEST(BookmarkWindow, AFileThatCannotBeOpenedGivesAnEmptyListAndNoFalseEntries) {
  BookmarkKit kit;
  std::remove(kit.dir.file("bit.zkt").c_str());
  std::filesystem::create_directory(kit.dir.file("bit.zkt"));
  auto w = kit.open<frmmBookmark>();
  EXPECT_EQ(w->lstHolidays->count(), 0);
  add(*w, QStringLiteral("Name"), QStringLiteral("http://x/"));
  EXPECT_EQ(w->lstHolidays->count(), 0);
  EXPECT_EQ(w->tHoli[1]->text(), QStringLiteral("http://x/"));  // nothing typed is lost
  w->Command1->click();
  EXPECT_EQ(kit.mlif()[kChangeCodeAt], 6);
}

}  // namespace
}  // namespace prandel
