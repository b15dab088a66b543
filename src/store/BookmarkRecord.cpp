// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/BookmarkRecord.h"

#include <algorithm>

#include "store/Codec.h"

namespace prandel::store {

const std::array<FieldInfo, 5> kBookmarkRecordFields = {{
    {"BmName", BookmarkRecord::Off::BmName, 24, FieldType::Text},
    {"BmLink", BookmarkRecord::Off::BmLink, 384, FieldType::Text},
    {"BmDeleted", BookmarkRecord::Off::BmDeleted, 2, FieldType::Integer},
    {"BmNameMore", BookmarkRecord::Off::BmNameMore, 52, FieldType::Text},
    {"BmSpare", BookmarkRecord::Off::BmSpare, 50, FieldType::Bytes},
}};

void BookmarkRecord::decode(std::span<const std::uint8_t, Size> b) {
  BmName = getText(b, Off::BmName, 24);
  BmLink = getText(b, Off::BmLink, 384);
  BmDeleted = getInt16(b, Off::BmDeleted);
  BmNameMore = getText(b, Off::BmNameMore, 52);
  std::copy_n(b.begin() + Off::BmSpare, BmSpare.size(), BmSpare.begin());
}

void BookmarkRecord::encode(std::span<std::uint8_t, Size> b) const {
  putText(b, Off::BmName, 24, BmName);
  putText(b, Off::BmLink, 384, BmLink);
  putInt16(b, Off::BmDeleted, BmDeleted);
  putText(b, Off::BmNameMore, 52, BmNameMore);
  std::copy(BmSpare.begin(), BmSpare.end(), b.begin() + Off::BmSpare);
}

std::array<std::uint8_t, BookmarkRecord::Size> BookmarkRecord::encoded() const {
  std::array<std::uint8_t, Size> out{};
  encode(out);
  return out;
}

}  // namespace prandel::store
