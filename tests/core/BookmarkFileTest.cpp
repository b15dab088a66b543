// SPDX-License-Identifier: GPL-3.0-or-later
// The bookmark file as both windows read it: record count, list texts, the split of
// imported names, ExistingLinks and the duplicate test against its literal meaning.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "BookmarkImages.h"
#include "core/BookmarkFile.h"
#include "support/FolderKit.h"

namespace prandel {
namespace {

using namespace test;

// A data folder whose bit.zkt is the given image, beside an mlif.zkt of bytes that
// must survive.
struct BookmarkKit : FolderKit {
  explicit BookmarkKit(const std::vector<std::uint8_t>& bit = {}) {
    std::vector<std::uint8_t> main(40000);
    for (std::size_t i = 0; i < main.size(); ++i) main[i] = static_cast<std::uint8_t>(i * 31 + 7);
    writeFileBytes(dir.file("mlif.zkt"), main);
    writeFileBytes(dir.file("bit.zkt"), bit);
    reopen();
  }
  std::vector<std::uint8_t> bit() const { return bytes("bit.zkt"); }
};

TEST(BookmarkFile, CountIsTheLengthInWholeRecords) {
  struct Case {
    std::size_t length;
    std::int64_t count;
  };
  for (const Case c : {Case{0, 0}, Case{511, 0}, Case{512, 1}, Case{1536, 3}, Case{1537, 3}, Case{2047, 3}}) {
    BookmarkKit kit(std::vector<std::uint8_t>(c.length, 0x5A));
    EXPECT_EQ(bookmarks::countRecords(kit.files()), c.count) << c.length;
    EXPECT_EQ(bookmarks::reopenAndCount(kit.files()), c.count) << c.length;
  }
}

TEST(BookmarkFile, ReopenCountsWhatTheTrackerAppendedAndCreatesAMissingFile) {
  BookmarkKit kit(fileOf({{"a", "http://a"}}));
  EXPECT_EQ(bookmarks::reopenAndCount(kit.files()), 1);
  auto bytes = kit.bit();
  const auto more = fileOf({{"b", "http://b"}, {"c", "http://c"}});
  bytes.insert(bytes.end(), more.begin(), more.end());
  writeFileBytes(kit.dir.file("bit.zkt"), bytes);
  EXPECT_EQ(bookmarks::reopenAndCount(kit.files()), 3);

  std::remove(kit.dir.file("bit.zkt").c_str());
  EXPECT_EQ(bookmarks::reopenAndCount(kit.files()), 0);
  EXPECT_TRUE(kit.bit().empty());
  EXPECT_TRUE(kit.files().isOpen(store::BookmarkRecord::Channel));
}

TEST(BookmarkFile, AWalkSaysWhetherItReadEveryRecord) {
  BookmarkKit kit(fileOf({{"a", "http://a"}, {"b", "http://b", -1}, {"c", "http://c"}}));
  std::vector<std::int64_t> seen;
  const auto visit = [&seen](std::int64_t recNo, const std::uint8_t*) { seen.push_back(recNo); };
  EXPECT_TRUE(bookmarks::forEachRecord(kit.files(), 3, visit));
  EXPECT_EQ(seen, (std::vector<std::int64_t>{1, 2, 3}));
  // Past the end of the file a record reads as zeros: read, not failed.
  seen.clear();
  EXPECT_TRUE(bookmarks::forEachRecord(kit.files(), 4, visit));
  EXPECT_EQ(seen.size(), 4u);
  seen.clear();
  kit.files().close(store::BookmarkRecord::Channel);
  EXPECT_FALSE(bookmarks::forEachRecord(kit.files(), 3, visit));
  EXPECT_TRUE(seen.empty());
}

TEST(BookmarkFile, EntryTexts) {
  const std::string az09 = "abcdefghijklmnopqrstuvwxyz0123456789";
  struct Case {
    Mark mark;
    QString text;
  };
  const Case cases[] = {
      {{"Zelkora", "http://zelkora.example/"}, QStringLiteral("Zelkora")},
      {{"  Spaced out  ", "http://x"}, QStringLiteral("Spaced out")},
      {{"A name of 24 characters!", "http://x", 0, "  and the rest  "},
       QStringLiteral("A name of 24 characters!and the rest")},
      {{"", az09}, QStringLiteral("abcdefghijklmnopqrstuvwx...")},
      {{"", "0123456789"}, QStringLiteral("0123456789")},
      {{"", az09.substr(0, 23)}, QString::fromStdString(az09.substr(0, 23))},
      {{"", az09.substr(0, 24)}, QString::fromStdString(az09.substr(0, 24)) + QStringLiteral("...")},
      // The first 24 characters of the field as stored, trimmed.
      {{"", "   " + az09}, QStringLiteral("abcdefghijklmnopqrstu...")},
      {{"", "http://a b/ " + az09}, QStringLiteral("http://a b/ abcdefghijkl...")},
      {{"", ""}, QString()},
      // Without a name the continuation is not shown.
      {{"", "http://a", 0, "more"}, QStringLiteral("http://a")},
      // Windows-1252 on disk.
      {{"Caf\xE9 \x80", "http://x"}, QStringLiteral("Caf\u00E9 \u20AC")},
  };
  for (const Case& c : cases) {
    const auto bytes = recordBytes(c.mark);
    EXPECT_EQ(bookmarks::entryText(bytes.data()), c.text) << c.mark.name << "|" << c.mark.link;
  }
}

TEST(BookmarkFile, LiveEntriesSkipEveryMarkedRecordAndAPartialTail) {
  auto file = fileOf({{"one", "http://1"},
                      {"two", "http://2", -1},
                      {"three", "http://3"},
                      {"odd mark", "http://4", 1},
                      {"", "http://5"}});
  file.resize(file.size() + 300, 'x');  // no record
  BookmarkKit kit(file);
  const auto entries = bookmarks::liveEntries(kit.files(), bookmarks::reopenAndCount(kit.files()));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].text, QStringLiteral("one"));
  EXPECT_EQ(entries[0].recNo, 1);
  EXPECT_EQ(entries[1].text, QStringLiteral("three"));
  EXPECT_EQ(entries[1].recNo, 3);
  EXPECT_EQ(entries[2].text, QStringLiteral("http://5"));
  EXPECT_EQ(entries[2].recNo, 5);
}

TEST(BookmarkFile, LongFilesAreReadAcrossBlocks) {
  std::vector<Mark> marks;
  // Names appended piece by piece: GCC 12 takes "..." + std::string&& for an overlapping
  // copy (-Wrestrict).
  for (int k = 1; k <= 5000; ++k) {
    std::string name("n"), link("http://x/");
    name += std::to_string(k);
    link += std::to_string(k);
    marks.push_back({name, link, static_cast<std::int16_t>(k % 3 ? 0 : -1)});
  }
  BookmarkKit kit(fileOf(marks));
  const auto entries = bookmarks::liveEntries(kit.files(), bookmarks::reopenAndCount(kit.files()));
  ASSERT_EQ(entries.size(), 5000u - 5000u / 3);
  std::int64_t expect = 0;
  for (const auto& e : entries) {
    do ++expect;
    while (expect % 3 == 0);
    ASSERT_EQ(e.recNo, expect);
    ASSERT_EQ(e.text, QStringLiteral("n") + QString::number(expect));
  }
}

TEST(BookmarkFile, ImportedNamesSplitAt24) {
  const QString az = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
  const QString name80 = (az + az + az + QStringLiteral("AB"));
  struct Case {
    QString name, bmName, more;
  };
  const Case cases[] = {
      {QStringLiteral("Short"), QStringLiteral("Short"), QString()},
      {az.left(24), az.left(24), QString()},
      {az.left(25), az.left(24), QStringLiteral("y")},
      {az.left(24) + QStringLiteral("123456"), az.left(24), QStringLiteral("123456")},
      {name80, name80.left(24), name80.mid(24, 52)},
      // The rest is trimmed; the space at the cut is lost, as the tracker lists it.
      {az.left(23) + QStringLiteral("  more  "), az.left(23) + QLatin1Char(' '), QStringLiteral("more")},
      {az.left(24) + QStringLiteral("   "), az.left(24), QString()},
      // As the file will hold them: one "?" per character Windows-1252 lacks.
      {QStringLiteral("\u65E5\u672C \u00E9t\u00E9"), QStringLiteral("?? \u00E9t\u00E9"), QString()},
      {QStringLiteral("\U0001F600") + az, QStringLiteral("?") + az.left(23), az.mid(23)},
  };
  for (const Case& c : cases) {
    const auto split = bookmarks::splitImportName(c.name);
    EXPECT_EQ(split.name, c.bmName) << c.name.toStdString();
    EXPECT_EQ(split.more, c.more) << c.name.toStdString();
  }
}

TEST(BookmarkFile, ExistingLinksHoldsTheLiveTrimmedLinks) {
  BookmarkKit kit(fileOf({{"a", "  http://a.example/  "},
                          {"gone", "http://gone.example/", -1},
                          {"no link", ""},
                          {"", "HTTP://B.example/x"}}));
  EXPECT_EQ(bookmarks::existingLinks(kit.files(), bookmarks::reopenAndCount(kit.files())),
            QStringLiteral("       http://a.example/;   HTTP://B.example/x;"));
  BookmarkKit empty;
  EXPECT_EQ(bookmarks::existingLinks(empty.files(), 0), QStringLiteral("    "));
}

// The test as the old program ran it: the URL in capitals with ";" anywhere in the text.
bool literalDuplicate(const QString& existing, const QString& url) {
  return existing.toUpper().contains(url.toUpper() + QLatin1Char(';'));
}

QString linksText(const QStringList& links) {
  QString s = QStringLiteral("    ");
  for (const QString& l : links) s += QStringLiteral("   ") + l + QLatin1Char(';');
  return s;
}

TEST(BookmarkFile, DuplicateTest) {
  struct Case {
    const char* what;
    QStringList stored;
    QString url;
    bool duplicate;
  };
  const Case cases[] = {
      {"the same link", {QStringLiteral("http://a.example/")}, QStringLiteral("http://a.example/"), true},
      {"differs only in case", {QStringLiteral("HTTP://A.EXAMPLE/Page")}, QStringLiteral("http://a.example/page"), true},
      {"a stored link ending with the whole URL", {QStringLiteral("http://www.a.example/x")},
       QStringLiteral("a.example/x"), true},
      {"the URL is longer than the stored one", {QStringLiteral("a.example/x")}, QStringLiteral("http://a.example/x"),
       false},
      {"a stored link beginning with the URL", {QStringLiteral("http://a.example/x")}, QStringLiteral("http://a.example"),
       false},
      {"another link", {QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/")},
       QStringLiteral("http://c.example/"), false},
      {"the second of several", {QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/")},
       QStringLiteral("http://b.example/"), true},
      {"no stored links", {}, QStringLiteral("http://a.example/"), false},
      {"an empty URL with stored links", {QStringLiteral("x")}, QString(), true},
      {"an empty URL without", {}, QString(), false},
      {"a URL with ';' stored whole", {QStringLiteral("http://a.example/x;y")}, QStringLiteral("http://a.example/x;y"),
       true},
      {"a URL ending a stored link before its ';'", {QStringLiteral("http://a.example/x;y")},
       QStringLiteral("a.example/x"), true},
      {"a URL running over two stored links", {QStringLiteral("http://a"), QStringLiteral("b")},
       QStringLiteral("a;   b"), true},
      {"leading blanks reach into the separator", {QStringLiteral("http://a")}, QStringLiteral("  http://a"), true},
      {"more blanks than the separator", {QStringLiteral("http://a")}, QStringLiteral("        http://a"), false},
      {"letters beyond ASCII", {QStringLiteral("http://\u00E9t\u00E9.example/")},
       QStringLiteral("HTTP://\u00C9T\u00C9.EXAMPLE/"), true},
  };
  for (const Case& c : cases) {
    const QString text = linksText(c.stored);
    EXPECT_EQ(bookmarks::DuplicateTest(text)(c.url), c.duplicate) << c.what;
    EXPECT_EQ(literalDuplicate(text, c.url), c.duplicate) << c.what << " (the literal test disagrees)";
  }
}

// Short texts over a small alphabet reach every way a URL can meet the separators.
TEST(BookmarkFile, DuplicateTestAnswersAsTheLiteralSearch) {
  std::mt19937 rng(20240305);
  const QString alphabet = QStringLiteral("aA; :/");
  auto word = [&](int maxLen) {
    QString s;
    const int n = static_cast<int>(rng() % static_cast<unsigned>(maxLen + 1));
    for (int i = 0; i < n; ++i) s += alphabet.at(static_cast<qsizetype>(rng() % alphabet.size()));
    return s;
  };
  for (int round = 0; round < 300; ++round) {
    QStringList stored;
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) stored << word(6);
    const QString text = linksText(stored);
    const bookmarks::DuplicateTest test(text);
    for (int q = 0; q < 20; ++q) {
      const QString url = word(8);
      ASSERT_EQ(test(url), literalDuplicate(text, url)) << text.toStdString() << " / " << url.toStdString();
    }
  }
}

}  // namespace
}  // namespace prandel
