// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace prandel::test {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::vector<std::uint8_t> readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void writeFileText(const std::string& path, const std::string& text);

// n bytes that differ from their neighbours and, for another seed, from another image.
std::vector<std::uint8_t> patternBytes(std::size_t n, std::uint8_t seed);

// Bytes that differ between two images, as offsets (the longer tail counts too).
std::vector<std::size_t> changedOffsets(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

}  // namespace prandel::test
