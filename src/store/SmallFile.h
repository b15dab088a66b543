// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small file a user names or a program keeps beside its records (a tariff file, a
// calendar, Zelkora.ini, a shortcut), read in one go without ever blocking or filling
// the memory: only a regular file is read (a pipe or a device under that name would
// hold the read forever), and never more than a bound.
#include <cstdint>
#include <string>

namespace prandel::store {

struct SmallFile {
  enum class Fault {
    None,
    Missing,     // no such file, or its folder cannot be entered: error says which
    NotRegular,  // a folder, a pipe, a device
    TooBig,      // over the bound (readSmallFile only)
    CannotOpen,
    Unreadable,  // a read failed
    Changed,     // it grew while it was read
  };
  Fault fault = Fault::None;
  int error = 0;  // errno when it is Missing
  std::string text;
};

// The whole file, or nothing and why: a file over maxBytes is refused before it is
// read, and one that grew while it was read is refused as well.
SmallFile readSmallFile(const std::string& path, std::uintmax_t maxBytes);

// The first maxBytes of a regular file (all of a shorter one); empty when it is no
// regular file or cannot be read. For files of which only the start matters.
std::string readFileStart(const std::string& path, std::size_t maxBytes);

}  // namespace prandel::store
