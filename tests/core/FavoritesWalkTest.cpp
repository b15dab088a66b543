// SPDX-License-Identifier: GPL-3.0-or-later
// The walk over a favourites tree on disk: sub-folders whatever their parent holds,
// name order, ".url" in any case, loops, depth, names that are not UTF-8, files that
// are no shortcuts, and the URL of shortcut files good and bad.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QStringList>
#include <filesystem>

#include "core/BookmarkFile.h"
#include "core/FavoritesWalk.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace prandel {
namespace {

namespace fs = std::filesystem;
using namespace test;

void shortcut(const std::string& path, const std::string& url) {
  writeFileText(path, "[InternetShortcut]\r\nURL=" + url + "\r\n");
}

std::vector<std::string> relative(const std::vector<bookmarks::ShortcutFile>& found, const std::string& root) {
  std::vector<std::string> out;
  for (const auto& f : found) out.push_back(f.path.substr(root.size() + 1));
  return out;
}

struct Tree {
  TempDir dir;
  std::string root = dir.file("Favorites");
  Tree() { fs::create_directories(root); }
  std::string at(const std::string& rel) const { return root + "/" + rel; }
  void folder(const std::string& rel) const { fs::create_directories(at(rel)); }
  void url(const std::string& rel, const std::string& link = "http://x.example/") const { shortcut(at(rel), link); }
};

TEST(FavoritesWalk, EverySubFolderInNameOrderOwnShortcutsFirst) {
  Tree t;
  // The favourites folder itself holds no shortcut: its sub-folders are searched all the same.
  t.folder("Sub1/Deeper");
  t.folder("sub0");
  t.folder("Sub2");
  t.url("Sub1/b.url");
  t.url("Sub1/A.url");
  t.url("Sub1/c.URL");
  t.url("Sub1/x.Url");
  writeFileText(t.at("Sub1/notes.txt"), "[InternetShortcut]\nURL=http://no/\n");
  writeFileText(t.at("Sub1/url"), "");
  t.url("Sub1/Deeper/d.url");
  t.url("sub0/only.url");
  t.url("Sub2/e.url");
  t.url("Sub2/Site 10.url");
  t.url("Sub2/Site 2.url");
  t.url("Sub2/site 1.url");
  t.url("Sub2/Site 02.url");
  // A folder without shortcuts of its own still leads to those below it.
  t.folder("Sub2/Empty/Below");
  t.url("Sub2/Empty/Below/f.url");
  const auto found = bookmarks::findShortcuts(t.root);
  EXPECT_EQ(relative(found, t.root),
            (std::vector<std::string>{"sub0/only.url", "Sub1/A.url", "Sub1/b.url", "Sub1/c.URL", "Sub1/x.Url",
                                      "Sub1/Deeper/d.url", "Sub2/e.url", "Sub2/site 1.url", "Sub2/Site 02.url",
                                      "Sub2/Site 2.url", "Sub2/Site 10.url", "Sub2/Empty/Below/f.url"}));
}

TEST(FavoritesWalk, ListedNamesLoseOnlySmallLetterUrl) {
  struct Case {
    const char* file;
    const char* name;
  };
  for (const Case c : {Case{"News.url", "News"}, Case{"News.URL", "News.URL"}, Case{"News.Url", "News.Url"},
                       Case{"my.url.site.url", "my.site"}, Case{".url", ""}}) {
    EXPECT_EQ(bookmarks::shortcutName(c.file), QString::fromUtf8(c.name)) << c.file;
  }
}

TEST(FavoritesWalk, LoopsAndSecondLinksToAFolderAreVisitedOnce) {
  Tree t;
  t.folder("A/B");
  t.url("A/a.url");
  t.url("A/B/b.url");
  fs::create_directory_symlink(t.root, t.at("A/B/up"));         // back to the top
  fs::create_directory_symlink(t.at("A/B"), t.at("A/B/self"));  // to itself
  fs::create_directory_symlink(t.at("A"), t.at("Z"));           // a second way in
  const auto found = bookmarks::findShortcuts(t.root);
  EXPECT_EQ(relative(found, t.root), (std::vector<std::string>{"A/a.url", "A/B/b.url"}));
}

TEST(FavoritesWalk, DepthIsBounded) {
  Tree t;
  std::string rel;
  for (int level = 0; level < 6; ++level) {
    rel += (level ? "/" : "") + std::string("d") + std::to_string(level);
    t.folder(rel);
    t.url(rel + "/s.url");
  }
  EXPECT_EQ(bookmarks::findShortcuts(t.root, {3, 1000}).size(), 3u);  // d0 .. d2, at depths 1 .. 3
  EXPECT_EQ(bookmarks::findShortcuts(t.root).size(), 6u);
  EXPECT_EQ(bookmarks::findShortcuts(t.root, {64, 3}).size(), 2u);   // the top and two below it
}

TEST(FavoritesWalk, OnlyRegularFilesAreShortcutsAndFoldersAreFoldersWhateverTheirName) {
  Tree t;
  t.url("real.url");
  ASSERT_EQ(::mkfifo(t.at("pipe.url").c_str(), 0644), 0);  // reading it would block
  fs::create_symlink(t.at("nowhere"), t.at("dead.url"));
  fs::create_symlink(t.at("real.url"), t.at("link.url"));
  t.folder("folder.url");
  t.url("folder.url/inside.url");
  t.folder("Dotted.Name");
  t.url("Dotted.Name/dot.url");
  const auto found = bookmarks::findShortcuts(t.root);
  EXPECT_EQ(relative(found, t.root), (std::vector<std::string>{"link.url", "real.url", "Dotted.Name/dot.url",
                                                               "folder.url/inside.url"}));
}

TEST(FavoritesWalk, NamesThatAreNotUtf8KeepTheirBytes) {
  Tree t;
  const std::string latin1 = "caf\xE9.url";   // Latin-1, not UTF-8
  const std::string wide = "\xC4\x80 wide.url";  // UTF-8 of a letter Windows-1252 lacks
  t.url(latin1, "http://cafe.example/");
  t.url(wide, "http://wide.example/");
  t.url("\xE6\x97\xA5\xE6\x9C\xAC.url", "http://nihon.example/");
  const auto found = bookmarks::findShortcuts(t.root);
  ASSERT_EQ(found.size(), 3u);
  platform::FileIniReader ini;
  const bookmarks::DuplicateTest nothingStored(QStringLiteral("    "));
  const auto favorites = bookmarks::collectFavorites(t.root, &ini, nothingStored);
  ASSERT_EQ(favorites.size(), 3u);
  QStringList urls;
  for (const auto& f : favorites) {
    urls << f.url;
    EXPECT_FALSE(f.name.isEmpty());
    const auto split = bookmarks::splitImportName(f.name);
    EXPECT_FALSE(split.name.contains(QChar(0xFFFD))) << "stored with \"?\" in place of what cannot be held";
  }
  urls.sort();
  EXPECT_EQ(urls, (QStringList{QStringLiteral("http://cafe.example/"), QStringLiteral("http://nihon.example/"),
                               QStringLiteral("http://wide.example/")}));
  QStringList stored;
  for (const auto& f : favorites) stored << bookmarks::splitImportName(f.name).name;
  EXPECT_TRUE(stored.contains(QStringLiteral("caf?"))) << stored.join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(stored.contains(QStringLiteral("??"))) << stored.join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(stored.contains(QStringLiteral("? wide"))) << stored.join(QLatin1Char('|')).toStdString();
}

TEST(FavoritesWalk, NoFolderGivesNothing) {
  TempDir dir;
  writeFileText(dir.file("file"), "[InternetShortcut]\nURL=http://x/\n");
  for (const std::string& path : {std::string(), dir.file("missing"), dir.file("file"), dir.file("file/below")})
    EXPECT_TRUE(bookmarks::findShortcuts(path).empty()) << path;
}

TEST(FavoritesWalk, AFolderThatCannotBeReadIsPassedOver) {
  Tree t;
  t.folder("Locked");
  t.url("Locked/hidden.url");
  t.url("open.url");
  ::chmod(t.at("Locked").c_str(), 0);
  ::chmod(t.dir.path().c_str(), 0755);
  // Permissions do not bind root: the walk runs as an ordinary user.
  const int rc = test::runInChild([&] {
    if (!test::becomeOrdinaryUser()) return test::kChildSkipped;
    return relative(bookmarks::findShortcuts(t.root), t.root) == std::vector<std::string>{"open.url"} ? 0 : 10;
  });
  if (rc == test::kChildSkipped) GTEST_SKIP() << "no ordinary user to become";
  EXPECT_EQ(rc, 0);
}

TEST(FavoritesWalk, ShortcutFilesGoodAndBad) {
  Tree t;
  const std::string longUrl = "http://long.example/" + std::string(5000, 'q');
  struct Case {
    const char* file;
    std::string content;
    QString url;  // empty: not offered
  };
  const Case cases[] = {
      {"a plain.url", "[InternetShortcut]\r\nURL=http://plain.example/\r\n", QStringLiteral("http://plain.example/")},
      {"b other case.url", "[internetshortcut]\nurl = http://case.example/ \n", QStringLiteral("http://case.example/")},
      {"c empty.url", "", QString()},
      {"d no url.url", "[InternetShortcut]\nIconIndex=0\n", QString()},
      {"e other section.url", "[Other]\nURL=http://other.example/\n", QString()},
      {"f blank url.url", "[InternetShortcut]\nURL=   \n", QString()},
      {"g long line.url", "[InternetShortcut]\nURL=" + longUrl + "\n",
       QString::fromStdString(longUrl.substr(0, 249))},
      {"h binary.url", std::string("\x00\xFF\x01[Intern\x00" "etShortcut]\nURL=\x80\x81", 29), QString()},
      {"i huge.url", std::string(2 * 1024 * 1024, 'z') + "\n[InternetShortcut]\nURL=http://far.example/\n",
       QString()},
      {"j latin1.url", "[InternetShortcut]\nURL=http://caf\xE9.example/\n", QStringLiteral("http://caf\u00E9.example/")},
      {"k utf8.url", "[InternetShortcut]\nURL=http://\xC3\xA9t\xC3\xA9.example/\xE2\x82\xAC\xE6\x97\xA5\n",
       QStringLiteral("http://\u00E9t\u00E9.example/\u20AC?")},
      {"l stored.url", "[InternetShortcut]\nURL=HTTP://STORED.EXAMPLE/\n", QString()},
  };
  for (const Case& c : cases) writeFileText(t.at(c.file), c.content);
  platform::FileIniReader ini;
  const bookmarks::DuplicateTest stored(QStringLiteral("       http://stored.example/;"));
  const auto favorites = bookmarks::collectFavorites(t.root, &ini, stored);
  std::vector<QString> offered;
  for (const Case& c : cases)
    if (!c.url.isEmpty()) offered.push_back(c.url);
  ASSERT_EQ(favorites.size(), offered.size());
  for (std::size_t i = 0; i < offered.size(); ++i) EXPECT_EQ(favorites[i].url, offered[i]) << i;
  EXPECT_EQ(favorites.front().name, QStringLiteral("a plain"));
}

TEST(FavoritesWalk, WithoutAReaderNothingIsOffered) {
  Tree t;
  t.url("a.url");
  const bookmarks::DuplicateTest nothingStored(QStringLiteral("    "));
  EXPECT_TRUE(bookmarks::collectFavorites(t.root, nullptr, nothingStored).empty());
}

}  // namespace
}  // namespace prandel
