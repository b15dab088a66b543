// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The session log's tables, version by version. A log records its version in
// PRAGMA user_version; opening one applies the steps from its version up to this
// program's, all in one transaction. A step, once shipped, never changes: a change
// of the tables is a new step.
#include <span>

namespace prandel::tracker {

// The version this program writes.
inline constexpr int kLogVersion = 2;

// Step v (counted from 1) takes a log from version v - 1 to v; step 1 makes the
// tables of an empty database.
std::span<const char* const> logSchemaSteps();

}  // namespace prandel::tracker
