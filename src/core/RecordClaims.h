// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Records that an open editor holds in its window: the expense window's working set
// and the holiday window's list, which their OK writes back whole. An editor claims
// them for its data folder while it is open, beside its title; a command that would
// write them (an import) claims them too for as long as it runs, and is turned away
// while an editor holds them, instead of being overwritten by that editor's OK later.
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace prandel {

enum class HeldRecords { Conditions, Holidays };

// The name the claim goes by: the kind of records and the data folder (its canonical
// path, hashed so that any path makes a short name).
std::string heldRecordsName(HeldRecords what, const std::string& dataFolder);

// A claim on the records of the folder; none when another program holds them, or
// (refused says why) when no claim can be made at all.
platform::ClaimResult claimRecords(platform::WindowRegistry& registry, HeldRecords what, const std::string& dataFolder);

}  // namespace prandel
