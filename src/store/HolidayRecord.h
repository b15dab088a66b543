// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "store/Field.h"

namespace prandel::store {

// One holiday: a 64-byte record of channel 5; holiday k (1..190) is record 320 + k.
struct HolidayRecord {
  static constexpr std::size_t Size = 64;
  static constexpr int Channel = 5;
  static constexpr int Base = 320;
  static constexpr int Capacity = 190;

  struct Off {
    static constexpr std::size_t HoliDate = 0, HoliName = 8, HoliSpare = 48;
  };

  double HoliDate = 0;
  std::string HoliName = std::string(40, ' ');
  std::array<std::uint8_t, 16> HoliSpare{};

  void decode(std::span<const std::uint8_t, Size> bytes);
  void encode(std::span<std::uint8_t, Size> bytes) const;
  std::array<std::uint8_t, Size> encoded() const;
};

extern const std::array<Field<HolidayRecord>, 3> kHolidayRecordFields;

}  // namespace prandel::store
