// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cctype>

#include "platform/linux/LinuxPlatform.h"
#include "store/SmallFile.h"

namespace prandel::platform {
namespace {

// Shortcut files are small; anything past this is not read.
constexpr std::size_t kMaxBytes = 256 * 1024;

std::string trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

bool sameNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string FileIniReader::value(const std::string& path, const std::string& section, const std::string& key,
                                 std::size_t maxChars) {
  // Only a regular file is read: a pipe or a device named like a shortcut must not
  // block the window.
  const std::string text = store::readFileStart(path, kMaxBytes);

  bool inSection = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    auto end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      inSection = close != std::string::npos && sameNoCase(trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos || !sameNoCase(trim(line.substr(0, eq)), key)) continue;
    std::string v = trim(line.substr(eq + 1));
    if (v.size() >= 2 && ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
      v = v.substr(1, v.size() - 2);
    if (const auto nul = v.find('\0'); nul != std::string::npos) v.resize(nul);
    if (v.size() > maxChars) v.resize(maxChars);
    return v;
  }
  return {};
}

}  // namespace prandel::platform
