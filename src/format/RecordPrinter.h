// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What `zktrack show` prints: every field of the main and link records in words, the
// live conditions by the expense window's lines, the holidays and the bookmarks; as
// text for people or as JSON for scripts, each field there with its stored value.
#include <iosfwd>
#include <string>

#include "core/AppPath.h"
#include "core/FolderRecords.h"

namespace prandel::format {

// From "Main settings:" on; the caller says which data folder it is first.
void printRecords(std::ostream& out, const FolderRecords& r);

// The whole of it as one JSON document, the data folder and where it came from first.
std::string recordsJson(const DataFolder& folder, const FolderRecords& r);

}  // namespace prandel::format
