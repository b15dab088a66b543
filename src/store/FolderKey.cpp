// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/FolderKey.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace prandel::store {

std::string folderKey(const std::string& dataFolder) {
  std::error_code ec;
  const auto canonical = std::filesystem::weakly_canonical(dataFolder, ec);
  const std::string path = ec ? dataFolder : canonical.string();
  // FNV-1a: the same name whatever built the program.
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : path) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return hex;
}

}  // namespace prandel::store
