// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/MainRecord.h"

#include <algorithm>

#include "store/Codec.h"

namespace prandel::store {

const std::array<FieldInfo, 22> kMainRecordFields = {{
    {"CallStart", MainRecord::Off::CallStart, 2, FieldType::Integer},
    {"IncChoice", MainRecord::Off::IncChoice, 2, FieldType::Integer},
    {"IncTime", MainRecord::Off::IncTime, 8, FieldType::Date},
    {"CurSymbol", MainRecord::Off::CurSymbol, 8, FieldType::Text},
    {"CdEnabled", MainRecord::Off::CdEnabled, 2, FieldType::Boolean},
    {"CdStatus", MainRecord::Off::CdStatus, 2, FieldType::Integer},
    {"CdTotal", MainRecord::Off::CdTotal, 8, FieldType::Double},
    {"CdUsed", MainRecord::Off::CdUsed, 8, FieldType::Double},
    {"CdActiveOnly", MainRecord::Off::CdActiveOnly, 1, FieldType::Byte},
    {"CdExpenseMode", MainRecord::Off::CdExpenseMode, 2, FieldType::Integer},
    {"CdResetOn", MainRecord::Off::CdResetOn, 2, FieldType::Boolean},
    {"CdResetTime", MainRecord::Off::CdResetTime, 8, FieldType::Double},
    {"CdResetPeriod", MainRecord::Off::CdResetPeriod, 4, FieldType::Long},
    {"CdResetDay", MainRecord::Off::CdResetDay, 4, FieldType::Long},
    {"CdResetDate", MainRecord::Off::CdResetDate, 8, FieldType::Date},
    {"CdCondOn", MainRecord::Off::CdCondOn, 42, FieldType::BoolArray},
    {"CommaDecimal", MainRecord::Off::CommaDecimal, 2, FieldType::Boolean},
    {"HolidayCount", MainRecord::Off::HolidayCount, 2, FieldType::Integer},
    {"WeekOff", MainRecord::Off::WeekOff, 14, FieldType::BoolArray},
    {"ChangeCode", MainRecord::Off::ChangeCode, 1, FieldType::Byte},
    {"AddDialTime", MainRecord::Off::AddDialTime, 1, FieldType::Byte},
    {"DialSeconds", MainRecord::Off::DialSeconds, 1, FieldType::Byte},
}};

void MainRecord::decode(std::span<const std::uint8_t, Size> b) {
  std::copy(b.begin(), b.end(), raw.begin());
  CallStart = getInt16(b, Off::CallStart);
  IncChoice = getInt16(b, Off::IncChoice);
  IncTime = getDouble(b, Off::IncTime);
  CurSymbol = getText(b, Off::CurSymbol, 8);
  CdEnabled = getBool(b, Off::CdEnabled);
  CdStatus = getInt16(b, Off::CdStatus);
  CdTotal = getDouble(b, Off::CdTotal);
  CdUsed = getDouble(b, Off::CdUsed);
  CdActiveOnly = getByte(b, Off::CdActiveOnly);
  CdExpenseMode = getInt16(b, Off::CdExpenseMode);
  CdResetOn = getBool(b, Off::CdResetOn);
  CdResetTime = getDouble(b, Off::CdResetTime);
  CdResetPeriod = getInt32(b, Off::CdResetPeriod);
  CdResetDay = getInt32(b, Off::CdResetDay);
  CdResetDate = getDouble(b, Off::CdResetDate);
  for (std::size_t i = 0; i < CdCondOn.size(); ++i) CdCondOn[i] = getBool(b, Off::CdCondOn + 2 * i);
  CommaDecimal = getBool(b, Off::CommaDecimal);
  HolidayCount = getInt16(b, Off::HolidayCount);
  for (std::size_t i = 0; i < WeekOff.size(); ++i) WeekOff[i] = getBool(b, Off::WeekOff + 2 * i);
  ChangeCode = getByte(b, Off::ChangeCode);
  AddDialTime = getByte(b, Off::AddDialTime);
  DialSeconds = getByte(b, Off::DialSeconds);
}

namespace {
// A Boolean that is only carried through keeps its stored bit pattern (a tracker may
// have written 1 instead of -1); one that changed is written as -1 or 0.
void putBoolKeep(Bytes b, std::size_t off, bool v) {
  if (getBool(b, off) != v) putBool(b, off, v);
}
}  // namespace

void MainRecord::encode(std::span<std::uint8_t, Size> b) const {
  std::copy(raw.begin(), raw.end(), b.begin());
  putInt16(b, Off::CallStart, CallStart);
  putInt16(b, Off::IncChoice, IncChoice);
  putDouble(b, Off::IncTime, IncTime);
  putText(b, Off::CurSymbol, 8, CurSymbol);
  putBoolKeep(b, Off::CdEnabled, CdEnabled);
  putInt16(b, Off::CdStatus, CdStatus);
  putDouble(b, Off::CdTotal, CdTotal);
  putDouble(b, Off::CdUsed, CdUsed);
  putByte(b, Off::CdActiveOnly, CdActiveOnly);
  putInt16(b, Off::CdExpenseMode, CdExpenseMode);
  putBoolKeep(b, Off::CdResetOn, CdResetOn);
  putDouble(b, Off::CdResetTime, CdResetTime);
  putInt32(b, Off::CdResetPeriod, CdResetPeriod);
  putInt32(b, Off::CdResetDay, CdResetDay);
  putDouble(b, Off::CdResetDate, CdResetDate);
  for (std::size_t i = 0; i < CdCondOn.size(); ++i) putBoolKeep(b, Off::CdCondOn + 2 * i, CdCondOn[i]);
  putBoolKeep(b, Off::CommaDecimal, CommaDecimal);
  putInt16(b, Off::HolidayCount, HolidayCount);
  for (std::size_t i = 0; i < WeekOff.size(); ++i) putBoolKeep(b, Off::WeekOff + 2 * i, WeekOff[i]);
  putByte(b, Off::ChangeCode, ChangeCode);
  putByte(b, Off::AddDialTime, AddDialTime);
  putByte(b, Off::DialSeconds, DialSeconds);
}

std::array<std::uint8_t, MainRecord::Size> MainRecord::encoded() const {
  std::array<std::uint8_t, Size> out{};
  encode(out);
  return out;
}

}  // namespace prandel::store
