// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/LinkRecord.h"

#include <algorithm>

#include "store/Codec.h"

namespace prandel::store {

const std::array<FieldInfo, 2> kLinkRecordFields = {{
    {"RequestCode", LinkRecord::Off::RequestCode, 2, FieldType::Integer},
    {"ReloadFlag", LinkRecord::Off::ReloadFlag, 2, FieldType::Integer},
}};

void LinkRecord::decode(std::span<const std::uint8_t, Size> b) {
  std::copy(b.begin(), b.end(), raw.begin());
  RequestCode = getInt16(b, Off::RequestCode);
  ReloadFlag = getInt16(b, Off::ReloadFlag);
}

void LinkRecord::encode(std::span<std::uint8_t, Size> b) const {
  std::copy(raw.begin(), raw.end(), b.begin());
  putInt16(b, Off::RequestCode, RequestCode);
  putInt16(b, Off::ReloadFlag, ReloadFlag);
}

std::array<std::uint8_t, LinkRecord::Size> LinkRecord::encoded() const {
  std::array<std::uint8_t, Size> out{};
  encode(out);
  return out;
}

}  // namespace prandel::store
