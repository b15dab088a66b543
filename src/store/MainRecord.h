// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "store/Field.h"

namespace prandel::store {

// Record 3 of mlif.zkt in its 512-byte view: the main settings shared with the
// tracker. Every editor owns some of its fields; the others, and the bytes this
// program never uses, travel through `raw` unchanged.
struct MainRecord {
  static constexpr std::size_t Size = 163;
  static constexpr int Channel = 33;
  static constexpr int RecordNo = 3;

  struct Off {
    static constexpr std::size_t CallStart = 2, IncChoice = 4, IncTime = 6, CurSymbol = 14,
                                 CdEnabled = 24, CdStatus = 26, CdTotal = 28, CdUsed = 36,
                                 CdActiveOnly = 46, CdExpenseMode = 55, CdResetOn = 57,
                                 CdResetTime = 59, CdResetPeriod = 67, CdResetDay = 71,
                                 CdResetDate = 75, CdCondOn = 91, CommaDecimal = 133,
                                 HolidayCount = 135, WeekOff = 137, ChangeCode = 156,
                                 AddDialTime = 161, DialSeconds = 162;
  };

  std::array<std::uint8_t, Size> raw{};

  std::int16_t CallStart = 0;
  std::int16_t IncChoice = 0;
  double IncTime = 0;
  std::string CurSymbol = std::string(8, ' ');
  bool CdEnabled = false;
  std::int16_t CdStatus = 0;
  double CdTotal = 0;
  double CdUsed = 0;
  std::uint8_t CdActiveOnly = 0;
  std::int16_t CdExpenseMode = 0;
  bool CdResetOn = false;
  double CdResetTime = 0;
  std::int32_t CdResetPeriod = 0;
  std::int32_t CdResetDay = 0;
  double CdResetDate = 0;
  std::array<bool, 21> CdCondOn{};
  bool CommaDecimal = false;
  std::int16_t HolidayCount = 0;
  std::array<bool, 7> WeekOff{};
  std::uint8_t ChangeCode = 0;
  std::uint8_t AddDialTime = 0;
  std::uint8_t DialSeconds = 0;

  void decode(std::span<const std::uint8_t, Size> bytes);
  void encode(std::span<std::uint8_t, Size> bytes) const;
  std::array<std::uint8_t, Size> encoded() const;
};

extern const std::array<Field<MainRecord>, 22> kMainRecordFields;

}  // namespace prandel::store
