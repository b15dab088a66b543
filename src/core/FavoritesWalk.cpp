// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/FavoritesWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QStringDecoder>
#include <algorithm>
#include <set>
#include <utility>

#include "core/BookmarkFile.h"
#include "platform/Platform.h"
#include "store/Cp1252.h"

namespace prandel::bookmarks {
namespace {

bool endsWithUrlAnyCase(const std::string& name) {
  if (name.size() < 4) return false;
  const std::string tail = name.substr(name.size() - 4);
  return tail[0] == '.' && (tail[1] | 0x20) == 'u' && (tail[2] | 0x20) == 'r' && (tail[3] | 0x20) == 'l';
}

// Name order as a file manager shows it: letters without regard to case, runs of
// digits by their value ("Site 2" before "Site 10"); equal names by their bytes, so
// that the order is the same on every run whatever the names hold.
int compareNames(const QString& a, const QString& b) {
  const auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
  qsizetype i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a.at(i)) && isDigit(b.at(j))) {
      auto run = [&isDigit](const QString& s, qsizetype& k) {
        while (k < s.size() && s.at(k) == QLatin1Char('0')) ++k;
        const qsizetype start = k;
        while (k < s.size() && isDigit(s.at(k))) ++k;
        return QStringView(s).mid(start, k - start);
      };
      const QStringView x = run(a, i);
      const QStringView y = run(b, j);
      if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
      if (const int c = x.compare(y); c != 0) return c;
      continue;
    }
    const char32_t x = QChar::toCaseFolded(a.at(i).unicode());
    const char32_t y = QChar::toCaseFolded(b.at(j).unicode());
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  return (a.size() - i > 0) - (b.size() - j > 0);
}

struct Named {
  std::string bytes;
  QString key;
};
void sortByName(std::vector<Named>& names) {
  std::sort(names.begin(), names.end(), [](const Named& a, const Named& b) {
    const int c = compareNames(a.key, b.key);
    return c != 0 ? c < 0 : a.bytes < b.bytes;
  });
}

std::string joinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

class Walker {
 public:
  Walker(const WalkLimits& limits, std::vector<ShortcutFile>& out) : limits_(limits), out_(out) {}

  void visit(const std::string& folder, int depth) {
    if (folders_ >= limits_.maxFolders) return;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return;
    struct stat self {};
    if (::fstat(fd, &self) != 0 || !seen_.insert({self.st_dev, self.st_ino}).second) {
      ::close(fd);
      return;
    }
    ++folders_;
    std::vector<Named> shortcuts;
    std::vector<Named> subfolders;
    list(fd, shortcuts, subfolders);  // takes the descriptor
    sortByName(shortcuts);
    for (const Named& s : shortcuts) out_.push_back({joinPath(folder, s.bytes), s.bytes});
    if (depth >= limits_.maxDepth) return;
    sortByName(subfolders);
    for (const Named& d : subfolders) visit(joinPath(folder, d.bytes), depth + 1);
  }

 private:
  // Reads a folder's entries and closes it before any sub-folder is opened, so that
  // a deep walk holds one folder open at a time.
  static void list(int fd, std::vector<Named>& shortcuts, std::vector<Named>& subfolders) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
      ::close(fd);
      return;
    }
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      const bool shortcut = endsWithUrlAnyCase(name);
      unsigned char type = e->d_type;
      if (type == DT_LNK || type == DT_UNKNOWN) {
        // Links count as what they lead to.
        struct stat st {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, 0) != 0) continue;
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
      }
      // Only regular files are read: a pipe or a device named *.url must not block.
      if (type == DT_REG && shortcut) shortcuts.push_back({name, QString::fromUtf8(name)});
      else if (type == DT_DIR) subfolders.push_back({name, QString::fromUtf8(name)});
    }
    ::closedir(dir);
  }

  const WalkLimits& limits_;
  std::vector<ShortcutFile>& out_;
  std::set<std::pair<dev_t, ino_t>> seen_;
  std::size_t folders_ = 0;
};

}  // namespace

std::vector<ShortcutFile> findShortcuts(const std::string& folder, const WalkLimits& limits) {
  std::vector<ShortcutFile> out;
  // No favourites folder is no folder at all, never the root.
  if (folder.empty()) return out;
  Walker(limits, out).visit(folder, 0);
  return out;
}

QString shortcutName(const std::string& fileName) {
  QString name = QString::fromUtf8(fileName);
  return name.remove(QStringLiteral(".url"), Qt::CaseSensitive);
}

QString urlText(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (utf8.hasError()) {
    text = QString::fromStdString(store::cp1252ToUtf8(
        {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}));
  }
  return storedForm(text);
}

QString readShortcutUrl(platform::IniReader* ini, const std::string& path) {
  if (!ini) return {};
  return urlText(ini->value(path, "InternetShortcut", "URL", 249));
}

std::vector<Favorite> collectFavorites(const std::string& folder, platform::IniReader* ini,
                                       const DuplicateTest& isDuplicate, const WalkLimits& limits) {
  std::vector<Favorite> out;
  for (const ShortcutFile& f : findShortcuts(folder, limits)) {
    QString url = readShortcutUrl(ini, f.path);
    // A bookmark without a link is one the bookmark window refuses to make.
    if (url.isEmpty() || isDuplicate(url)) continue;
    out.push_back({shortcutName(f.fileName), std::move(url)});
  }
  return out;
}

}  // namespace prandel::bookmarks
