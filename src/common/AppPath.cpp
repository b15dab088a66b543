// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AppPath.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include <filesystem>
#include <system_error>
#include <vector>

namespace prandel {
namespace {

// Only the first line or two matter; a huge or binary file is read no further.
constexpr std::size_t kMaxIniBytes = 64 * 1024;

std::string trimBlanks(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

bool hasRecords(const std::string& folder) {
  struct stat st {};
  const std::string path = folder + "/mlif.zkt";
  return ::stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// Without Zelkora.ini the records lie beside the program, as they always did. A
// program installed where its user cannot write (/usr/bin) and with no records there
// keeps them in the user's own data folder instead.
std::string folderWithoutIni(const std::string& programDir) {
  if (::access(programDir.c_str(), W_OK) == 0 || exists(programDir + "/mlif.zkt")) return programDir;
  const std::string own = userDataFolder();
  if (own.empty()) return programDir;
  std::error_code ec;
  std::filesystem::create_directories(own, ec);
  return own;
}

// The start of the ini file; empty unless it is a regular file: a pipe under that
// name must not hold the start in a read that never ends.
std::string readIni(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {};
  std::string text;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    text.resize(kMaxIniBytes);
    std::size_t got = 0;
    while (got < text.size()) {
      const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    text.resize(got);
  }
  ::close(fd);
  return text;
}

}  // namespace

std::string userDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/zelkora";
  std::string home;
  if (const char* h = std::getenv("HOME"); h && h[0] == '/') {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
    home = pw->pw_dir;
  }
  if (home.empty()) return {};
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return (home == "/" ? std::string() : home) + "/.local/share/zelkora";
}

std::string dataFolderFromIni(const std::string& iniText) {
  // Pieces between "=" and line breaks; the second one is the value of the first
  // line that has a "=".
  std::vector<std::string> pieces(1);
  for (std::size_t i = 0; i < iniText.size(); ++i) {
    const char c = iniText[i];
    if (c == '\r' || c == '\n' || c == '=') {
      if (c == '\r' && i + 1 < iniText.size() && iniText[i + 1] == '\n') ++i;
      pieces.emplace_back();
      if (pieces.size() > 2) break;
    } else {
      pieces.back().push_back(c);
    }
  }
  if (pieces.size() < 2) return {};
  std::string value = trimBlanks(pieces[1]);
  // A NUL cannot be part of a path; what follows it is garbage.
  if (const auto nul = value.find('\0'); nul != std::string::npos) value = trimBlanks(value.substr(0, nul));
  if (value.size() > 1 && (value.back() == '\\' || value.back() == '/')) value.pop_back();
  return value;
}

std::string SetAppPath(const std::string& programDir) {
  const std::string iniPath = programDir + "/Zelkora.ini";
  if (!exists(iniPath)) return folderWithoutIni(programDir);
  const std::string text = readIni(iniPath);
  if (text.empty()) return programDir;

  std::string value = dataFolderFromIni(text);
  if (value.empty()) return programDir;
  std::filesystem::path folder(value);
  if (folder.is_relative()) folder = std::filesystem::path(programDir) / folder;
  folder = folder.lexically_normal();
  std::string result = folder.string();
  while (result.size() > 1 && result.back() == '/') result.pop_back();
  // Never the root folder: the records would land among the system's folders.
  if (result == "/" || result.empty()) return programDir;
  if (!hasRecords(result)) {
    std::error_code ec;
    std::filesystem::create_directories(result, ec);
  }
  return result;
}

std::string executableDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return exe.parent_path().string();
}

}  // namespace prandel
