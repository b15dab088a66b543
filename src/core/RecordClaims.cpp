// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RecordClaims.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace prandel {

std::string heldRecordsName(HeldRecords what, const std::string& dataFolder) {
  std::error_code ec;
  const auto canonical = std::filesystem::weakly_canonical(dataFolder, ec);
  const std::string path = ec ? dataFolder : canonical.string();
  // FNV-1a: the same name in every program of the suite, whatever built it.
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : path) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return std::string(what == HeldRecords::Conditions ? "Zelkora conditions " : "Zelkora holidays ") + hex;
}

platform::ClaimResult claimRecords(platform::WindowRegistry& registry, HeldRecords what, const std::string& dataFolder) {
  return registry.claim(heldRecordsName(what, dataFolder));
}

}  // namespace prandel
