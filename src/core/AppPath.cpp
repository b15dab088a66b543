// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/AppPath.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "store/SmallFile.h"

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

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// The start of an ini file; empty unless it is a regular file: a pipe under that
// name must not hold the start in a read that never ends.
std::string readIni(const std::string& path) { return store::readFileStart(path, kMaxIniBytes); }

std::string homeFolder() {
  std::string home;
  if (const char* h = std::getenv("HOME"); h && h[0] == '/') {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
    home = pw->pw_dir;
  }
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home == "/" ? std::string() : home;
}

// An XDG base folder: the variable when it names an absolute folder, else the default
// below the home folder (empty when there is no home).
std::string xdgHome(const char* var, const char* belowHome) {
  if (const char* v = std::getenv(var); v && v[0] == '/') return v;
  const std::string home = homeFolder();
  return home.empty() ? std::string() : home + "/" + belowHome;
}

std::vector<std::string> xdgConfigDirs() {
  std::vector<std::string> out;
  const char* v = std::getenv("XDG_CONFIG_DIRS");
  std::string list = v && *v ? v : "/etc/xdg";
  std::size_t from = 0;
  for (;;) {
    const std::size_t colon = list.find(':', from);
    const std::string item = list.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
    if (!item.empty() && item[0] == '/') out.push_back(item);
    if (colon == std::string::npos) break;
    from = colon + 1;
  }
  return out;
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The folder an ini names, absolute; empty when it names none or only the root
// (records must never land among the system's folders).
std::string folderNamedBy(const std::string& iniText, const std::string& base, bool expandHome) {
  std::string value = dataFolderFromIni(iniText);
  if (value.empty()) return {};
  if (expandHome && (value == "~" || value.rfind("~/", 0) == 0)) {
    const std::string home = homeFolder();
    if (home.empty()) return {};
    value = home + value.substr(1);
  }
  std::filesystem::path folder(value);
  if (folder.is_relative()) folder = std::filesystem::path(base) / folder;
  const std::string result = withoutTrailingSlashes(folder.lexically_normal().string());
  return result == "/" ? std::string() : result;
}

bool hasControlCharacters(const std::string& s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// The folders of an installed copy: the first config file that names a folder, else
// the user's data folder. A config file that cannot be read, is no regular file, or
// names nothing sensible is passed over.
DataFolder xdgDataFolder() {
  std::vector<std::pair<std::string, DataFolderOrigin>> inis;
  if (const std::string config = xdgHome("XDG_CONFIG_HOME", ".config"); !config.empty())
    inis.emplace_back(config + "/zelkora/Zelkora.ini", DataFolderOrigin::UserConfig);
  for (const auto& dir : xdgConfigDirs())
    inis.emplace_back(withoutTrailingSlashes(dir) + "/zelkora/Zelkora.ini", DataFolderOrigin::SystemConfig);
  for (const auto& [ini, origin] : inis) {
    const std::string text = readIni(ini);
    if (text.empty()) continue;
    const std::string folder = folderNamedBy(text, std::filesystem::path(ini).parent_path().string(), true);
    if (folder.empty() || hasControlCharacters(folder)) continue;
    return {folder, origin, ini};
  }
  return {userDataFolder(), DataFolderOrigin::UserData, {}};
}

}  // namespace

std::string userDataFolder() {
  const std::string data = xdgHome("XDG_DATA_HOME", ".local/share");
  return data.empty() ? std::string() : data + "/zelkora";
}

bool isInstalledLocation(const std::string& programDir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path dir = fs::weakly_canonical(programDir, ec);
  if (ec) dir = fs::path(programDir).lexically_normal();
  const std::string d = withoutTrailingSlashes(dir.string());
  for (const char* prefix : {"/usr", "/opt", "/bin", "/sbin", "/snap", "/app", "/nix/store", "/gnu/store"}) {
    const std::string p(prefix);
    if (d == p || d.rfind(p + "/", 0) == 0) return true;
  }
  return fs::is_directory(dir.parent_path() / "share/doc/prandel", ec);
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

DataFolder locateDataFolder(const std::string& programDir) {
  if (isInstalledLocation(programDir)) return xdgDataFolder();
  const std::string iniPath = programDir + "/Zelkora.ini";
  if (exists(iniPath)) {
    const std::string text = readIni(iniPath);
    const std::string folder = text.empty() ? std::string() : folderNamedBy(text, programDir, false);
    if (folder.empty()) return {programDir, DataFolderOrigin::ProgramFolder, {}};
    return {folder, DataFolderOrigin::IniBesideProgram, iniPath};
  }
  // A copy where its user cannot write and that holds no records is installed in all
  // but name.
  if (::access(programDir.c_str(), W_OK) == 0 || exists(programDir + "/mlif.zkt"))
    return {programDir, DataFolderOrigin::ProgramFolder, {}};
  return xdgDataFolder();
}

std::string SetAppPath(const std::string& programDir) { return locateDataFolder(programDir).path; }

std::string describeOrigin(const DataFolder& folder) {
  switch (folder.origin) {
    case DataFolderOrigin::IniBesideProgram:
    case DataFolderOrigin::UserConfig:
    case DataFolderOrigin::SystemConfig: return "named by " + folder.iniPath;
    case DataFolderOrigin::ProgramFolder: return "the programs' own folder";
    case DataFolderOrigin::UserData: return "the user's data folder, $XDG_DATA_HOME/zelkora";
    case DataFolderOrigin::Given: return "given with --data";
  }
  return {};
}

std::string executableDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return exe.parent_path().string();
}

}  // namespace prandel
