// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Cp1252.h"

#include <array>

namespace prandel::store {
namespace {

// Code points of bytes 0x80..0x9F; the unassigned ones keep their C1 value.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t toCodePoint(std::uint8_t b) {
  if (b >= 0x80 && b <= 0x9F) return kHigh[b - 0x80];
  return b;
}

int fromCodePoint(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
  return -1;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string cp1252ToUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::uint8_t b : bytes) appendUtf8(out, toCodePoint(b));
  return out;
}

namespace {

// Walks text one UTF-8 character at a time; each reaches emit as its Windows-1252
// byte, or -1 when the code page has none (an invalid byte counts as one such
// character). emit returns false to stop.
template <class Emit>
void walkUtf8(std::string_view text, Emit emit) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    char32_t cp = 0;
    std::size_t len = 0;
    if (lead < 0x80) {
      cp = lead;
      len = 1;
    } else if ((lead & 0xE0) == 0xC0) {
      cp = lead & 0x1F;
      len = 2;
    } else if ((lead & 0xF0) == 0xE0) {
      cp = lead & 0x0F;
      len = 3;
    } else if ((lead & 0xF8) == 0xF0) {
      cp = lead & 0x07;
      len = 4;
    }
    bool valid = len > 0 && i + len <= n;
    for (std::size_t k = 1; valid && k < len; ++k) {
      const auto c = static_cast<std::uint8_t>(text[i + k]);
      if ((c & 0xC0) != 0x80) valid = false;
      else cp = (cp << 6) | (c & 0x3F);
    }
    if (!valid) {
      if (!emit(-1, 0xFFFD)) return;
      ++i;
      continue;
    }
    if (!emit(fromCodePoint(cp), cp)) return;
    i += len;
  }
}

}  // namespace

std::vector<std::uint8_t> utf8ToCp1252(std::string_view text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size());
  walkUtf8(text, [&out](int b, char32_t) {
    out.push_back(b < 0 ? static_cast<std::uint8_t>('?') : static_cast<std::uint8_t>(b));
    return true;
  });
  return out;
}

std::optional<char32_t> outsideCp1252(std::string_view text) {
  std::optional<char32_t> found;
  walkUtf8(text, [&found](int b, char32_t cp) {
    if (b < 0) found = cp;
    return b >= 0;
  });
  return found;
}

}  // namespace prandel::store
