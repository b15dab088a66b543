// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "store/Field.h"

namespace prandel::store {

// One tariff rule: a 128-byte record of channel 7. Every byte belongs to a field.
struct ExpenseCondition {
  static constexpr std::size_t Size = 128;
  static constexpr int Channel = 7;
  static constexpr int LiveBase = 80;     // slot i is record 80 + i
  static constexpr int WorkBase = 120;    // slot i is record 120 + i
  static constexpr int Slots = 20;

  struct Off {
    static constexpr std::size_t InUse = 0, Amt = 2, PerCall = 10, CondSpare = 12, PerType = 13,
                                 PerNum = 14, PerStart = 15, PerEnd = 23, TimeType = 31,
                                 TimeStart = 32, TimeEnd = 40, InCall = 48, InCallAmt = 50,
                                 InTimeOn = 58, InTime = 60, ConVal = 68, ConNm = 70,
                                 InclHoli = 90, BwMode = 92, CondItem = 93, CustCall = 94,
                                 CallTime = 96, AmtKind = 104, IspOn = 106, IspAmt = 107,
                                 WkStart = 115, WkEnd = 117, CondCmp = 119, CondVal = 120;
  };

  bool InUse = false;
  double Amt = 0;
  bool PerCall = false;
  std::uint8_t CondSpare = 0;
  std::uint8_t PerType = 0;
  std::uint8_t PerNum = 0;
  double PerStart = 0;
  double PerEnd = 0;
  std::uint8_t TimeType = 0;
  double TimeStart = 0;
  double TimeEnd = 0;
  bool InCall = false;
  double InCallAmt = 0;
  bool InTimeOn = false;
  double InTime = 0;
  bool ConVal = false;
  std::string ConNm = std::string(20, ' ');
  bool InclHoli = false;
  std::uint8_t BwMode = 0;
  std::uint8_t CondItem = 0;
  bool CustCall = false;
  double CallTime = 0;
  std::int16_t AmtKind = 0;
  std::uint8_t IspOn = 0;
  double IspAmt = 0;
  std::int16_t WkStart = 0;
  std::int16_t WkEnd = 0;
  std::uint8_t CondCmp = 0;
  double CondVal = 0;

  // Boolean fields as stored: the tracker's files hold -1 for True, but any
  // non-zero value reads as True and is kept as it was unless the field changes.
  std::array<std::uint8_t, Size> raw{};

  void decode(std::span<const std::uint8_t, Size> bytes);
  void encode(std::span<std::uint8_t, Size> bytes) const;
  std::array<std::uint8_t, Size> encoded() const;

  // Resets every field but Amt, CondSpare and BwMode, which keep what the slot held
  // when it was last read.
  void Clear_Profile();
};

extern const std::array<Field<ExpenseCondition>, 29> kExpenseConditionFields;

}  // namespace prandel::store
