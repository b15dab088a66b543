// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/BookmarkRecord.h"

namespace prandel::store {

using O = BookmarkRecord::Off;
using B = BookmarkRecord;

const std::array<Field<BookmarkRecord>, 5> kBookmarkRecordFields = {{
    field<&B::BmName>({"BmName", O::BmName, 24, FieldType::Text, "Name", Meaning::Text}),
    field<&B::BmLink>({"BmLink", O::BmLink, 384, FieldType::Text, "Link", Meaning::Text}),
    field<&B::BmDeleted>({"BmDeleted", O::BmDeleted, 2, FieldType::Integer, "Deleted", Meaning::Flag}),
    field<&B::BmNameMore>({"BmNameMore", O::BmNameMore, 52, FieldType::Text, "Name, continued", Meaning::Text}),
    field<&B::BmSpare>({"BmSpare", O::BmSpare, 50, FieldType::Bytes, nullptr, Meaning::Unused}),
}};

void BookmarkRecord::decode(std::span<const std::uint8_t, Size> b) { decodeFields(kBookmarkRecordFields, b, *this); }

void BookmarkRecord::encode(std::span<std::uint8_t, Size> b) const { encodeFields(kBookmarkRecordFields, *this, b); }

std::array<std::uint8_t, BookmarkRecord::Size> BookmarkRecord::encoded() const {
  std::array<std::uint8_t, Size> out{};
  encode(out);
  return out;
}

}  // namespace prandel::store
