// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// bit.zkt and mlif.zkt images built by hand from the record layout, for the tests of
// the bookmark file and of the bookmark windows.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/MainRecord.h"

namespace prandel::test {

struct Mark {
  std::string name;
  std::string link;
  std::int16_t deleted = 0;
  std::string more = {};
};

constexpr std::size_t kRec = 512;
constexpr std::size_t kMainAt = 1024;
constexpr std::size_t kChangeCodeAt = kMainAt + store::MainRecord::Off::ChangeCode;

inline void putField(std::vector<std::uint8_t>& b, std::size_t at, std::size_t width, const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) b[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

// One record as the tracker lays it out; the spare bytes carry a pattern of their own.
inline std::vector<std::uint8_t> recordBytes(const Mark& m, std::uint8_t spareSeed = 0xA0) {
  std::vector<std::uint8_t> b(kRec);
  putField(b, 0, 24, m.name);
  putField(b, 24, 384, m.link);
  b[408] = static_cast<std::uint8_t>(m.deleted & 0xFF);
  b[409] = static_cast<std::uint8_t>((m.deleted >> 8) & 0xFF);
  putField(b, 410, 52, m.more);
  for (std::size_t i = 462; i < kRec; ++i) b[i] = static_cast<std::uint8_t>(spareSeed + i);
  return b;
}

inline std::vector<std::uint8_t> fileOf(const std::vector<Mark>& marks) {
  std::vector<std::uint8_t> out;
  for (std::size_t k = 0; k < marks.size(); ++k) {
    const auto r = recordBytes(marks[k], static_cast<std::uint8_t>(0xA0 + k));
    out.insert(out.end(), r.begin(), r.end());
  }
  return out;
}

// Text of a field of record n (1-based) of a bit.zkt image, padding included.
inline std::string fieldOf(const std::vector<std::uint8_t>& file, int n, std::size_t off, std::size_t width) {
  const std::size_t at = static_cast<std::size_t>(n - 1) * kRec + off;
  if (at + width > file.size()) return "<past the end>";
  return std::string(file.begin() + static_cast<std::ptrdiff_t>(at),
                     file.begin() + static_cast<std::ptrdiff_t>(at + width));
}
inline std::int16_t deletedOf(const std::vector<std::uint8_t>& file, int n) {
  const std::size_t at = static_cast<std::size_t>(n - 1) * kRec + 408;
  return static_cast<std::int16_t>(file.at(at) | (file.at(at + 1) << 8));
}
inline std::string padded(const std::string& s, std::size_t width) {
  std::string out = s.substr(0, width);
  out.resize(width, ' ');
  return out;
}

}  // namespace prandel::test
