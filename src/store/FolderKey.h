// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A short name for a data folder that every program of the suite derives alike, for
// the names of what belongs to the folder outside it (locks, claims, status files).
#include <string>

namespace prandel::store {

// 16 hex digits of the folder's canonical path (the path as given when it has none).
std::string folderKey(const std::string& dataFolder);

}  // namespace prandel::store
