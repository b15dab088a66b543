// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/linux/LinuxPlatform.h"

namespace prandel::platform {

PeersDirectory::PeersDirectory(std::string folder) : folder_(std::move(folder)) {}

std::vector<std::string> PeersDirectory::entryNames() {
  constexpr std::size_t kMaxEntries = 256;
  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder_, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code fec;
    if (!it->is_regular_file(fec)) continue;
    std::string name = it->path().filename().string();
    if (name.empty() || name.front() == '.') continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  if (names.size() > kMaxEntries) names.resize(kMaxEntries);
  return names;
}

}  // namespace prandel::platform
