// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/HolidayRecord.h"

namespace prandel::store {

using O = HolidayRecord::Off;

const std::array<Field<HolidayRecord>, 3> kHolidayRecordFields = {{
    field<&HolidayRecord::HoliDate>({"HoliDate", O::HoliDate, 8, FieldType::Date, "Date", Meaning::Date}),
    field<&HolidayRecord::HoliName>({"HoliName", O::HoliName, 40, FieldType::Text, "Description", Meaning::Text}),
    field<&HolidayRecord::HoliSpare>({"HoliSpare", O::HoliSpare, 16, FieldType::Bytes, nullptr, Meaning::Unused}),
}};

void HolidayRecord::decode(std::span<const std::uint8_t, Size> b) { decodeFields(kHolidayRecordFields, b, *this); }

void HolidayRecord::encode(std::span<std::uint8_t, Size> b) const { encodeFields(kHolidayRecordFields, *this, b); }

std::array<std::uint8_t, HolidayRecord::Size> HolidayRecord::encoded() const {
  std::array<std::uint8_t, Size> out{};
  encode(out);
  return out;
}

}  // namespace prandel::store
