// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Codec.h"

#include <bit>
#include <cstring>

#include "store/Cp1252.h"

namespace prandel::store {

std::int16_t getInt16(ConstBytes b, std::size_t off) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8)));
}

std::int32_t getInt32(ConstBytes b, std::size_t off) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | b[off + static_cast<std::size_t>(i)];
  return static_cast<std::int32_t>(v);
}

std::uint8_t getByte(ConstBytes b, std::size_t off) { return b[off]; }

double getDouble(ConstBytes b, std::size_t off) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | b[off + static_cast<std::size_t>(i)];
  return std::bit_cast<double>(v);
}

bool getBool(ConstBytes b, std::size_t off) { return getInt16(b, off) != 0; }

std::string getText(ConstBytes b, std::size_t off, std::size_t width) {
  return cp1252ToUtf8(b.subspan(off, width));
}

void putInt16(Bytes b, std::size_t off, std::int16_t v) {
  const auto u = static_cast<std::uint16_t>(v);
  b[off] = static_cast<std::uint8_t>(u & 0xFF);
  b[off + 1] = static_cast<std::uint8_t>(u >> 8);
}

void putInt32(Bytes b, std::size_t off, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (std::size_t i = 0; i < 4; ++i, u >>= 8) b[off + i] = static_cast<std::uint8_t>(u & 0xFF);
}

void putByte(Bytes b, std::size_t off, std::uint8_t v) { b[off] = v; }

void putDouble(Bytes b, std::size_t off, double v) {
  auto u = std::bit_cast<std::uint64_t>(v);
  for (std::size_t i = 0; i < 8; ++i, u >>= 8) b[off + i] = static_cast<std::uint8_t>(u & 0xFF);
}

void putBool(Bytes b, std::size_t off, bool v) { putInt16(b, off, v ? -1 : 0); }

void putText(Bytes b, std::size_t off, std::size_t width, std::string_view text) {
  const auto bytes = utf8ToCp1252(text);
  for (std::size_t i = 0; i < width; ++i) b[off + i] = i < bytes.size() ? bytes[i] : ' ';
}

std::string trimSpaces(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return std::string(s.substr(first, last - first + 1));
}

}  // namespace prandel::store
