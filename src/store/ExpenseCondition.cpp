// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/ExpenseCondition.h"

#include <algorithm>

#include "store/Choices.h"

namespace prandel::store {

using O = ExpenseCondition::Off;

namespace ch = choices;
using M = Meaning;
using E = ExpenseCondition;

const std::array<Field<ExpenseCondition>, 29> kExpenseConditionFields = {{
    field<&E::InUse>({"InUse", O::InUse, 2, FieldType::Boolean, "In use", M::Flag}),
    field<&E::Amt>({"Amt", O::Amt, 8, FieldType::Double, "Amount", M::Money}),
    field<&E::PerCall>({"PerCall", O::PerCall, 2, FieldType::Boolean, "Per call", M::Flag}),
    field<&E::CondSpare>({"CondSpare", O::CondSpare, 1, FieldType::Byte, nullptr, M::Unused}),
    field<&E::PerType>({"PerType", O::PerType, 1, FieldType::Byte, "Period", M::Choice, ch::kPeriodKinds}),
    field<&E::PerNum>({"PerNum", O::PerNum, 1, FieldType::Byte, "Weekday or month", M::Number}),
    field<&E::PerStart>({"PerStart", O::PerStart, 8, FieldType::Date, "Period from", M::Date}),
    field<&E::PerEnd>({"PerEnd", O::PerEnd, 8, FieldType::Date, "Period to", M::Date}),
    field<&E::TimeType>({"TimeType", O::TimeType, 1, FieldType::Byte, "Time", M::Choice, ch::kTimeKinds}),
    field<&E::TimeStart>({"TimeStart", O::TimeStart, 8, FieldType::Date, "Time from", M::DayFraction}),
    field<&E::TimeEnd>({"TimeEnd", O::TimeEnd, 8, FieldType::Date, "Time to", M::DayFraction}),
    field<&E::InCall>({"InCall", O::InCall, 2, FieldType::Boolean, "Initial cost", M::Flag}),
    field<&E::InCallAmt>({"InCallAmt", O::InCallAmt, 8, FieldType::Double, "Initial call amount", M::Money}),
    field<&E::InTimeOn>({"InTimeOn", O::InTimeOn, 2, FieldType::Boolean, "Initial call duration", M::Flag}),
    field<&E::InTime>({"InTime", O::InTime, 8, FieldType::Date, "Initial call time", M::DayFraction}),
    field<&E::ConVal>({"ConVal", O::ConVal, 2, FieldType::Boolean, "Only for the connection", M::Flag}),
    field<&E::ConNm>({"ConNm", O::ConNm, 20, FieldType::Text, "Connection", M::Text}),
    field<&E::InclHoli>({"InclHoli", O::InclHoli, 2, FieldType::Boolean, "Include holidays", M::Flag}),
    field<&E::BwMode>({"BwMode", O::BwMode, 1, FieldType::Byte, "Traffic counted", M::Choice, ch::kTrafficModes}),
    field<&E::CondItem>({"CondItem", O::CondItem, 1, FieldType::Byte, "Filter counter", M::Number}),
    field<&E::CustCall>({"CustCall", O::CustCall, 2, FieldType::Boolean, "Custom call time", M::Flag}),
    field<&E::CallTime>({"CallTime", O::CallTime, 8, FieldType::Date, "Call time", M::DayFraction}),
    field<&E::AmtKind>({"AmtKind", O::AmtKind, 2, FieldType::Integer, "Amount kind", M::Number}),
    field<&E::IspOn>({"IspOn", O::IspOn, 1, FieldType::Byte, "Other ISP charges (12 is on)", M::Number}),
    field<&E::IspAmt>({"IspAmt", O::IspAmt, 8, FieldType::Double, "Other ISP charges", M::Money}),
    field<&E::WkStart>({"WkStart", O::WkStart, 2, FieldType::Integer, "Weekly from", M::MinuteOfWeek}),
    field<&E::WkEnd>({"WkEnd", O::WkEnd, 2, FieldType::Integer, "Weekly to", M::MinuteOfWeek}),
    field<&E::CondCmp>({"CondCmp", O::CondCmp, 1, FieldType::Byte, "Filter comparison", M::Choice, ch::kFilterComparisons}),
    field<&E::CondVal>({"CondVal", O::CondVal, 8, FieldType::Double, "Filter value", M::Number}),
}};

void ExpenseCondition::decode(std::span<const std::uint8_t, Size> b) {
  std::copy(b.begin(), b.end(), raw.begin());
  decodeFields(kExpenseConditionFields, b, *this);
}

void ExpenseCondition::encode(std::span<std::uint8_t, Size> b) const {
  std::copy(raw.begin(), raw.end(), b.begin());
  encodeFields(kExpenseConditionFields, *this, b);
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
