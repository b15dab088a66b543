// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/LinkRecord.h"

#include <algorithm>


namespace prandel::store {

using O = LinkRecord::Off;

const std::array<Field<LinkRecord>, 2> kLinkRecordFields = {{
    field<&LinkRecord::RequestCode>({"RequestCode", O::RequestCode, 2, FieldType::Integer, "Request", Meaning::Number}),
    field<&LinkRecord::ReloadFlag>({"ReloadFlag", O::ReloadFlag, 2, FieldType::Integer, "Reload flag", Meaning::Number}),
}};

void LinkRecord::decode(std::span<const std::uint8_t, Size> b) {
  std::copy(b.begin(), b.end(), raw.begin());
  decodeFields(kLinkRecordFields, b, *this);
}

void LinkRecord::encode(std::span<std::uint8_t, Size> b) const {
  std::copy(raw.begin(), raw.end(), b.begin());
  encodeFields(kLinkRecordFields, *this, b);
}

std::array<std::uint8_t, LinkRecord::Size> LinkRecord::encoded() const {
  std::array<std::uint8_t, Size> out{};
  encode(out);
  return out;
}

}  // namespace prandel::store
