// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/ExpenseCondition.h"

#include <algorithm>

#include "store/Codec.h"

namespace prandel::store {

using O = ExpenseCondition::Off;

const std::array<FieldInfo, 29> kExpenseConditionFields = {{
    {"InUse", O::InUse, 2, FieldType::Boolean},
    {"Amt", O::Amt, 8, FieldType::Double},
    {"PerCall", O::PerCall, 2, FieldType::Boolean},
    {"CondSpare", O::CondSpare, 1, FieldType::Byte},
    {"PerType", O::PerType, 1, FieldType::Byte},
    {"PerNum", O::PerNum, 1, FieldType::Byte},
    {"PerStart", O::PerStart, 8, FieldType::Date},
    {"PerEnd", O::PerEnd, 8, FieldType::Date},
    {"TimeType", O::TimeType, 1, FieldType::Byte},
    {"TimeStart", O::TimeStart, 8, FieldType::Date},
    {"TimeEnd", O::TimeEnd, 8, FieldType::Date},
    {"InCall", O::InCall, 2, FieldType::Boolean},
    {"InCallAmt", O::InCallAmt, 8, FieldType::Double},
    {"InTimeOn", O::InTimeOn, 2, FieldType::Boolean},
    {"InTime", O::InTime, 8, FieldType::Date},
    {"ConVal", O::ConVal, 2, FieldType::Boolean},
    {"ConNm", O::ConNm, 20, FieldType::Text},
    {"InclHoli", O::InclHoli, 2, FieldType::Boolean},
    {"BwMode", O::BwMode, 1, FieldType::Byte},
    {"CondItem", O::CondItem, 1, FieldType::Byte},
    {"CustCall", O::CustCall, 2, FieldType::Boolean},
    {"CallTime", O::CallTime, 8, FieldType::Date},
    {"AmtKind", O::AmtKind, 2, FieldType::Integer},
    {"IspOn", O::IspOn, 1, FieldType::Byte},
    {"IspAmt", O::IspAmt, 8, FieldType::Double},
    {"WkStart", O::WkStart, 2, FieldType::Integer},
    {"WkEnd", O::WkEnd, 2, FieldType::Integer},
    {"CondCmp", O::CondCmp, 1, FieldType::Byte},
    {"CondVal", O::CondVal, 8, FieldType::Double},
}};

void ExpenseCondition::decode(std::span<const std::uint8_t, Size> b) {
  std::copy(b.begin(), b.end(), raw.begin());
  InUse = getBool(b, O::InUse);
  Amt = getDouble(b, O::Amt);
  PerCall = getBool(b, O::PerCall);
  CondSpare = getByte(b, O::CondSpare);
  PerType = getByte(b, O::PerType);
  PerNum = getByte(b, O::PerNum);
  PerStart = getDouble(b, O::PerStart);
  PerEnd = getDouble(b, O::PerEnd);
  TimeType = getByte(b, O::TimeType);
  TimeStart = getDouble(b, O::TimeStart);
  TimeEnd = getDouble(b, O::TimeEnd);
  InCall = getBool(b, O::InCall);
  InCallAmt = getDouble(b, O::InCallAmt);
  InTimeOn = getBool(b, O::InTimeOn);
  InTime = getDouble(b, O::InTime);
  ConVal = getBool(b, O::ConVal);
  ConNm = getText(b, O::ConNm, 20);
  InclHoli = getBool(b, O::InclHoli);
  BwMode = getByte(b, O::BwMode);
  CondItem = getByte(b, O::CondItem);
  CustCall = getBool(b, O::CustCall);
  CallTime = getDouble(b, O::CallTime);
  AmtKind = getInt16(b, O::AmtKind);
  IspOn = getByte(b, O::IspOn);
  IspAmt = getDouble(b, O::IspAmt);
  WkStart = getInt16(b, O::WkStart);
  WkEnd = getInt16(b, O::WkEnd);
  CondCmp = getByte(b, O::CondCmp);
  CondVal = getDouble(b, O::CondVal);
}

namespace {
void putBoolKeep(Bytes b, std::size_t off, bool v) {
  if (getBool(b, off) != v) putBool(b, off, v);
}
}  // namespace

void ExpenseCondition::encode(std::span<std::uint8_t, Size> b) const {
  std::copy(raw.begin(), raw.end(), b.begin());
  putBoolKeep(b, O::InUse, InUse);
  putDouble(b, O::Amt, Amt);
  putBoolKeep(b, O::PerCall, PerCall);
  putByte(b, O::CondSpare, CondSpare);
  putByte(b, O::PerType, PerType);
  putByte(b, O::PerNum, PerNum);
  putDouble(b, O::PerStart, PerStart);
  putDouble(b, O::PerEnd, PerEnd);
  putByte(b, O::TimeType, TimeType);
  putDouble(b, O::TimeStart, TimeStart);
  putDouble(b, O::TimeEnd, TimeEnd);
  putBoolKeep(b, O::InCall, InCall);
  putDouble(b, O::InCallAmt, InCallAmt);
  putBoolKeep(b, O::InTimeOn, InTimeOn);
  putDouble(b, O::InTime, InTime);
  putBoolKeep(b, O::ConVal, ConVal);
  putText(b, O::ConNm, 20, ConNm);
  putBoolKeep(b, O::InclHoli, InclHoli);
  putByte(b, O::BwMode, BwMode);
  putByte(b, O::CondItem, CondItem);
  putBoolKeep(b, O::CustCall, CustCall);
  putDouble(b, O::CallTime, CallTime);
  putInt16(b, O::AmtKind, AmtKind);
  putByte(b, O::IspOn, IspOn);
  putDouble(b, O::IspAmt, IspAmt);
  putInt16(b, O::WkStart, WkStart);
  putInt16(b, O::WkEnd, WkEnd);
  putByte(b, O::CondCmp, CondCmp);
  putDouble(b, O::CondVal, CondVal);
}

std::array<std::uint8_t, ExpenseCondition::Size> ExpenseCondition::encoded() const {
  std::array<std::uint8_t, Size> out{};
  encode(out);
  return out;
}

void ExpenseCondition::Clear_Profile() {
  InUse = false;
  AmtKind = 0;
  PerCall = false;
  PerType = 0;
  PerNum = 0;
  PerStart = 0;
  PerEnd = 0;
  TimeType = 0;
  TimeStart = 0;
  TimeEnd = 0;
  InCall = false;
  InCallAmt = 0;
  IspOn = 0;
  IspAmt = 0;
  ConVal = false;
  InTimeOn = false;
  InTime = 0;
  CustCall = false;
  CallTime = 0;
  InclHoli = false;
  WkStart = 0;
  WkEnd = 0;
  CondItem = 0;
  CondCmp = 0;
  CondVal = 0;
  ConNm = std::string(20, ' ');
}

}  // namespace prandel::store
