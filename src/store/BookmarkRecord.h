// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "store/Field.h"

namespace prandel::store {

// One bookmark: a 512-byte record of bit.zkt (channel 16). Records are only
// appended; a deleted bookmark stays, marked.
struct BookmarkRecord {
  static constexpr std::size_t Size = 512;
  static constexpr int Channel = 16;

  struct Off {
    static constexpr std::size_t BmName = 0, BmLink = 24, BmDeleted = 408, BmNameMore = 410,
                                 BmSpare = 462;
  };

  std::string BmName = std::string(24, ' ');
  std::string BmLink = std::string(384, ' ');
  std::int16_t BmDeleted = 0;
  std::string BmNameMore = std::string(52, ' ');
  std::array<std::uint8_t, 50> BmSpare{};

  BookmarkRecord() { BmSpare.fill(' '); }

  void decode(std::span<const std::uint8_t, Size> bytes);
  void encode(std::span<std::uint8_t, Size> bytes) const;
  std::array<std::uint8_t, Size> encoded() const;
};

extern const std::array<Field<BookmarkRecord>, 5> kBookmarkRecordFields;

}  // namespace prandel::store
