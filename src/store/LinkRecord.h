// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "store/Field.h"

namespace prandel::store {

// Record 17 of mlif.zkt in its 512-byte view: the exchange record between the
// programs of the suite. Only the request code and the reload flag are ours.
struct LinkRecord {
  static constexpr std::size_t Size = 359;
  static constexpr int Channel = 33;
  static constexpr int RecordNo = 17;

  struct Off {
    static constexpr std::size_t RequestCode = 0, ReloadFlag = 244;
  };

  std::array<std::uint8_t, Size> raw{};
  std::int16_t RequestCode = 0;
  std::int16_t ReloadFlag = 0;

  void decode(std::span<const std::uint8_t, Size> bytes);
  void encode(std::span<std::uint8_t, Size> bytes) const;
  std::array<std::uint8_t, Size> encoded() const;
};

extern const std::array<Field<LinkRecord>, 2> kLinkRecordFields;

}  // namespace prandel::store
