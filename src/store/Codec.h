// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Field codec of the tracker's fixed records: packed, little-endian, Boolean as a
// 2-byte Integer with True = -1, Date as a Double of days since 1899-12-30, fixed
// texts in Windows-1252 padded with spaces.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace prandel::store {

using Bytes = std::span<std::uint8_t>;
using ConstBytes = std::span<const std::uint8_t>;

std::int16_t getInt16(ConstBytes b, std::size_t off);
std::int32_t getInt32(ConstBytes b, std::size_t off);
std::uint8_t getByte(ConstBytes b, std::size_t off);
double getDouble(ConstBytes b, std::size_t off);
// Any non-zero value reads as True, as the old runtime did.
bool getBool(ConstBytes b, std::size_t off);
// The whole field, padding included.
std::string getText(ConstBytes b, std::size_t off, std::size_t width);

void putInt16(Bytes b, std::size_t off, std::int16_t v);
void putInt32(Bytes b, std::size_t off, std::int32_t v);
void putByte(Bytes b, std::size_t off, std::uint8_t v);
void putDouble(Bytes b, std::size_t off, double v);
void putBool(Bytes b, std::size_t off, bool v);
// Cut to width bytes on disk, or padded with spaces.
void putText(Bytes b, std::size_t off, std::size_t width, std::string_view text);

// Leading and trailing spaces removed (the old runtime's Trim).
std::string trimSpaces(std::string_view s);

}  // namespace prandel::store
