// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace prandel::store {

// The tracker writes texts in the Windows-1252 code page; in memory they are UTF-8.
// Every byte maps to one code point and back (the five unassigned bytes to their C1
// controls), so a text that is only read and written again keeps its bytes.
std::string cp1252ToUtf8(std::span<const std::uint8_t> bytes);

// A character that Windows-1252 cannot hold becomes '?'; invalid UTF-8 bytes too.
std::vector<std::uint8_t> utf8ToCp1252(std::string_view text);

// The first character of text that Windows-1252 cannot hold (U+FFFD for a byte that
// is no UTF-8), so that an import can refuse the text instead of storing "?".
std::optional<char32_t> outsideCp1252(std::string_view text);

}  // namespace prandel::store
