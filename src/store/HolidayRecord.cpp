// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/HolidayRecord.h"

#include <algorithm>

#include "store/Codec.h"

namespace prandel::store {

const std::array<FieldInfo, 3> kHolidayRecordFields = {{
    {"HoliDate", HolidayRecord::Off::HoliDate, 8, FieldType::Date},
    {"HoliName", HolidayRecord::Off::HoliName, 40, FieldType::Text},
    {"HoliSpare", HolidayRecord::Off::HoliSpare, 16, FieldType::Bytes},
}};

void HolidayRecord::decode(std::span<const std::uint8_t, Size> b) {
  HoliDate = getDouble(b, Off::HoliDate);
  HoliName = getText(b, Off::HoliName, 40);
  std::copy_n(b.begin() + Off::HoliSpare, HoliSpare.size(), HoliSpare.begin());
}

void HolidayRecord::encode(std::span<std::uint8_t, Size> b) const {
  putDouble(b, Off::HoliDate, HoliDate);
  putText(b, Off::HoliName, 40, HoliName);
  std::copy(HoliSpare.begin(), HoliSpare.end(), b.begin() + Off::HoliSpare);
}

std::array<std::uint8_t, HolidayRecord::Size> HolidayRecord::encoded() const {
  std::array<std::uint8_t, Size> out{};
  encode(out);
  return out;
}

}  // namespace prandel::store
