// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Random data folders for the editor harness: record files of any length and
// content (garbage, all 0xFF, all 0x80, NaN-filled, or valid-looking records whose
// fields are out of range), Zelkora.ini texts, and favourites folders full of odd
// shortcuts.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace prandel::fuzz {

class Random {
 public:
  explicit Random(std::uint64_t seed) : gen_(seed) {}
  std::uint64_t next() { return gen_(); }
  // 0 .. n-1 (0 when n is 0).
  std::size_t below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(gen_() % n); }
  int range(int lo, int hi) { return lo + static_cast<int>(below(static_cast<std::size_t>(hi - lo) + 1)); }
  bool chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(gen_) < p; }
  std::uint8_t byte() { return static_cast<std::uint8_t>(gen_()); }
  template <class T>
  const T& of(const std::vector<T>& v) {
    return v[below(v.size())];
  }

  // Values a file may hold: the edges of every range the windows care about, NaN
  // with any payload, infinities, huge and tiny values, and plain random ones.
  double anyDouble();
  std::int16_t anyInt16();
  std::int32_t anyInt32();
  std::uint8_t anyByte();
  // A fixed text as the file holds it (Windows-1252 bytes): blanks, ASCII, the high
  // half, control bytes and NUL.
  std::string ansiText(std::size_t maxLen);
  // A text a user might type or paste into a field.
  std::string typedText();

 private:
  std::mt19937_64 gen_;
};

// mlif.zkt: any length (0, short, cut inside a record, not a multiple of any record
// length) and any content.
std::vector<std::uint8_t> randomMlif(Random& r);

// bit.zkt: whole records and a partial tail; some records hold links of the pool.
std::vector<std::uint8_t> randomBit(Random& r, const std::vector<std::string>& links);

// Links shared by the favourites and the bookmark file, so that duplicates occur.
std::vector<std::string> randomLinks(Random& r);

// A Zelkora.ini text (which the caller still checks stays inside its folder).
std::string randomIni(Random& r);

// What the tracker may do to the data files while an editor is open: write the main
// or the link record afresh, cut mlif.zkt short or lengthen it, append bookmarks or
// cut bit.zkt short. Only regular files are touched.
void trackerWrites(Random& r, const std::string& dataDir);

// Shortcuts, other files and sub-folders (a link back up now and then) under folder.
void randomFavorites(Random& r, const std::string& folder, const std::vector<std::string>& links);

}  // namespace prandel::fuzz
