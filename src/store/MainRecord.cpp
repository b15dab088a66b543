// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/MainRecord.h"

#include <algorithm>

#include "store/Choices.h"

namespace prandel::store {

namespace ch = choices;
using O = MainRecord::Off;
using M = Meaning;

const std::array<Field<MainRecord>, 22> kMainRecordFields = {{
    field<&MainRecord::CallStart>({"CallStart", O::CallStart, 2, FieldType::Integer, "Start counting call", M::Choice, ch::kCallStart}),
    field<&MainRecord::IncChoice>({"IncChoice", O::IncChoice, 2, FieldType::Integer, "Increments after every", M::Choice, ch::kIncrements}),
    field<&MainRecord::IncTime>({"IncTime", O::IncTime, 8, FieldType::Date, "Increment", M::DayFraction}),
    field<&MainRecord::CurSymbol>({"CurSymbol", O::CurSymbol, 8, FieldType::Text, "Currency", M::Text}),
    field<&MainRecord::CdEnabled>({"CdEnabled", O::CdEnabled, 2, FieldType::Boolean, "Countdown enabled", M::Flag}),
    field<&MainRecord::CdStatus>({"CdStatus", O::CdStatus, 2, FieldType::Integer, "Countdown status", M::Number}),
    field<&MainRecord::CdTotal>({"CdTotal", O::CdTotal, 8, FieldType::Double, "Countdown length", M::Seconds}),
    field<&MainRecord::CdUsed>({"CdUsed", O::CdUsed, 8, FieldType::Double, "Countdown used", M::Seconds}),
    field<&MainRecord::CdActiveOnly>({"CdActiveOnly", O::CdActiveOnly, 1, FieldType::Byte, "Countdown only with active conditions", M::Flag}),
    field<&MainRecord::CdExpenseMode>({"CdExpenseMode", O::CdExpenseMode, 2, FieldType::Integer, "Expense settings during countdown", M::Choice, ch::kCountdownExpenseModes}),
    field<&MainRecord::CdResetOn>({"CdResetOn", O::CdResetOn, 2, FieldType::Boolean, "Reset countdown", M::Flag}),
    field<&MainRecord::CdResetTime>({"CdResetTime", O::CdResetTime, 8, FieldType::Double, "Reset time", M::SecondsOfDay}),
    field<&MainRecord::CdResetPeriod>({"CdResetPeriod", O::CdResetPeriod, 4, FieldType::Long, "Reset period", M::Choice, ch::kResetPeriods}),
    field<&MainRecord::CdResetDay>({"CdResetDay", O::CdResetDay, 4, FieldType::Long, "Reset on", M::Number}),
    field<&MainRecord::CdResetDate>({"CdResetDate", O::CdResetDate, 8, FieldType::Date, "Yearly reset day", M::Date}),
    field<&MainRecord::CdCondOn>({"CdCondOn", O::CdCondOn, 42, FieldType::BoolArray, "Conditions enabled during countdown", M::Numbered}),
    field<&MainRecord::CommaDecimal>({"CommaDecimal", O::CommaDecimal, 2, FieldType::Boolean, "Decimal comma", M::Flag}),
    field<&MainRecord::HolidayCount>({"HolidayCount", O::HolidayCount, 2, FieldType::Integer, "Holidays", M::Number}),
    field<&MainRecord::WeekOff>({"WeekOff", O::WeekOff, 14, FieldType::BoolArray, "Weekly days off", M::Weekdays}),
    field<&MainRecord::ChangeCode>({"ChangeCode", O::ChangeCode, 1, FieldType::Byte, "Change notice", M::Choice, ch::kChangeCodes}),
    field<&MainRecord::AddDialTime>({"AddDialTime", O::AddDialTime, 1, FieldType::Byte, "Add dialing time", M::Flag}),
    field<&MainRecord::DialSeconds>({"DialSeconds", O::DialSeconds, 1, FieldType::Byte, "Dialing time in seconds", M::Number}),
}};

void MainRecord::decode(std::span<const std::uint8_t, Size> b) {
  std::copy(b.begin(), b.end(), raw.begin());
  decodeFields(kMainRecordFields, b, *this);
}

void MainRecord::encode(std::span<std::uint8_t, Size> b) const {
  std::copy(raw.begin(), raw.end(), b.begin());
  encodeFields(kMainRecordFields, *this, b);
}

std::array<std::uint8_t, MainRecord::Size> MainRecord::encoded() const {
  std::array<std::uint8_t, Size> out{};
  encode(out);
  return out;
}

}  // namespace prandel::store
