// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>

#include "store/Codec.h"

namespace prandel::store {

enum class FieldType { Integer, Boolean, Long, Byte, Double, Date, Text, Bytes, BoolArray };

// What a stored value means to a person: how `show` and the exports write it.
enum class Meaning {
  Number,        // the value as stored
  Flag,          // yes or no (a Boolean, or a Byte where non-zero is on)
  Choice,        // an index into the field's items
  Seconds,       // a duration in seconds, as hh:mm:ss
  DayFraction,   // a duration or time of day held as a fraction of a day, as hh:mm:ss
  SecondsOfDay,  // a time of day in seconds after midnight, as hh:mm
  Date,          // yyyy-mm-dd
  Text,          // a fixed text, trimmed
  Weekdays,      // Booleans by weekday, Sunday first
  Numbered,      // Booleans by number (element 0 unused), the numbers that are on
  Money,         // an amount in the tracker's currency
  MinuteOfWeek,  // minutes from Sunday 00:00, as "Sunday 09:30"
  Unused,        // carried through, nothing to say about it
};

// One named field of a record layout. Every record type has one table of these: its
// codec reads and writes the record by it, and tests and tools print by it, so that
// each field is named once.
struct FieldInfo {
  const char* name;
  std::size_t offset;
  std::size_t width;
  FieldType type;
  const char* label = nullptr;  // what the field is, for people
  Meaning meaning = Meaning::Number;
  std::span<const char* const> items = {};  // Meaning::Choice: the words by stored index
};

// A field of record type R: where it lies and which member of R holds it.
template <class R>
struct Field : FieldInfo {
  void (*decodeInto)(R& rec, ConstBytes bytes, const FieldInfo& f);
  void (*encodeFrom)(const R& rec, Bytes bytes, const FieldInfo& f);
};

namespace detail {

// A Boolean that is only carried through keeps its stored bit pattern (a tracker may
// have written 1 instead of -1); one that changed is written as -1 or 0.
inline void putBoolKeep(Bytes b, std::size_t off, bool v) {
  if (getBool(b, off) != v) putBool(b, off, v);
}

template <class T>
struct IsArray : std::false_type {};
template <class E, std::size_t N>
struct IsArray<std::array<E, N>> : std::true_type {};

template <class T>
void decodeValue(T& v, ConstBytes b, const FieldInfo& f) {
  if constexpr (std::is_same_v<T, bool>) {
    v = getBool(b, f.offset);
  } else if constexpr (std::is_same_v<T, std::uint8_t>) {
    v = getByte(b, f.offset);
  } else if constexpr (std::is_same_v<T, std::int16_t>) {
    v = getInt16(b, f.offset);
  } else if constexpr (std::is_same_v<T, std::int32_t>) {
    v = getInt32(b, f.offset);
  } else if constexpr (std::is_same_v<T, double>) {
    v = getDouble(b, f.offset);
  } else if constexpr (std::is_same_v<T, std::string>) {
    v = getText(b, f.offset, f.width);
  } else {
    static_assert(IsArray<T>::value, "no codec for this member type");
    for (std::size_t i = 0; i < v.size(); ++i) {
      if constexpr (std::is_same_v<typename T::value_type, bool>) {
        v[i] = getBool(b, f.offset + 2 * i);
      } else {
        v[i] = b[f.offset + i];
      }
    }
  }
}

template <class T>
void encodeValue(const T& v, Bytes b, const FieldInfo& f) {
  if constexpr (std::is_same_v<T, bool>) {
    putBoolKeep(b, f.offset, v);
  } else if constexpr (std::is_same_v<T, std::uint8_t>) {
    putByte(b, f.offset, v);
  } else if constexpr (std::is_same_v<T, std::int16_t>) {
    putInt16(b, f.offset, v);
  } else if constexpr (std::is_same_v<T, std::int32_t>) {
    putInt32(b, f.offset, v);
  } else if constexpr (std::is_same_v<T, double>) {
    putDouble(b, f.offset, v);
  } else if constexpr (std::is_same_v<T, std::string>) {
    putText(b, f.offset, f.width, v);
  } else {
    static_assert(IsArray<T>::value, "no codec for this member type");
    for (std::size_t i = 0; i < v.size(); ++i) {
      if constexpr (std::is_same_v<typename T::value_type, bool>) {
        putBoolKeep(b, f.offset + 2 * i, v[i]);
      } else {
        b[f.offset + i] = v[i];
      }
    }
  }
}

template <auto Member>
struct MemberOf;
template <class R, class T, T R::*Member>
struct MemberOf<Member> {
  using Record = R;
  using Type = T;
};

}  // namespace detail

// The table row of a member: field<&MainRecord::CallStart>({"CallStart", 2, 2, ...}).
template <auto Member>
constexpr Field<typename detail::MemberOf<Member>::Record> field(FieldInfo info) {
  using R = typename detail::MemberOf<Member>::Record;
  return {info, [](R& r, ConstBytes b, const FieldInfo& f) { detail::decodeValue(r.*Member, b, f); },
          [](const R& r, Bytes b, const FieldInfo& f) { detail::encodeValue(r.*Member, b, f); }};
}

template <class R, std::size_t N>
void decodeFields(const std::array<Field<R>, N>& table, ConstBytes bytes, R& rec) {
  for (const auto& f : table) f.decodeInto(rec, bytes, f);
}

template <class R, std::size_t N>
void encodeFields(const std::array<Field<R>, N>& table, const R& rec, Bytes bytes) {
  for (const auto& f : table) f.encodeFrom(rec, bytes, f);
}

}  // namespace prandel::store
