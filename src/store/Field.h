// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>

namespace prandel::store {

enum class FieldType { Integer, Boolean, Long, Byte, Double, Date, Text, Bytes, BoolArray };

// One named field of a record layout; tables of these describe every record type
// for tests and for printing, and their offsets are the ones the codecs use.
struct FieldInfo {
  const char* name;
  std::size_t offset;
  std::size_t width;
  FieldType type;
};

}  // namespace prandel::store
