// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The walk over the favourites folder: every Internet shortcut (a regular file whose
// name ends in ".url", in any case) of the folder and of all its sub-folders, a
// folder's own shortcuts first and then its sub-folders, each in name order.
// Every real folder is visited once, however many links lead to it, and the depth
// is bounded, so that loops and very deep trees end.
#include <QString>
#include <cstddef>
#include <string>
#include <vector>

namespace prandel::platform {
class IniReader;
}

namespace prandel::bookmarks {

class DuplicateTest;

struct WalkLimits {
  int maxDepth = 64;              // levels below the favourites folder
  std::size_t maxFolders = 100000;  // folders visited in all
};

struct ShortcutFile {
  std::string path;      // as the file system spells it: bytes, not always UTF-8
  std::string fileName;
};

std::vector<ShortcutFile> findShortcuts(const std::string& folder, const WalkLimits& limits = {});

// The name a shortcut is listed under: its file name (UTF-8, or "?"-like marks where
// it is not) with every ".url" in small letters removed.
QString shortcutName(const std::string& fileName);

// A URL as read from a shortcut: UTF-8 when it is (an incomplete character at the
// cut end is dropped), else Windows-1252; then as the bookmark file will hold it.
QString urlText(const std::string& bytes);

// The URL of a shortcut as the old platform's profile reading gave it (at most 249
// characters); empty without a reader.
QString readShortcutUrl(platform::IniReader* ini, const std::string& path);

struct Favorite {
  QString name;
  QString url;
};

// What the import offers: every shortcut found, in walk order, except those without
// a URL and those the duplicate test finds among the stored links.
std::vector<Favorite> collectFavorites(const std::string& folder, platform::IniReader* ini,
                                       const DuplicateTest& isDuplicate, const WalkLimits& limits = {});

}  // namespace prandel::bookmarks
