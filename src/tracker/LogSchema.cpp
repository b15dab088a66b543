// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/LogSchema.h"

#include <array>

namespace prandel::tracker {
namespace {

// Version 1. Moments are Unix epoch seconds (UTC); money is REAL, rounded to
// 1/100 000 by the writer; byte counts fit SQLite's signed 64-bit integers.
constexpr const char* kVersion1 = R"sql(
CREATE TABLE sessions (
  id INTEGER PRIMARY KEY,
  connection TEXT NOT NULL,
  t0 INTEGER,
  t1 INTEGER NOT NULL,
  t2 INTEGER,
  count_from INTEGER NOT NULL,
  counted_seconds INTEGER NOT NULL DEFAULT 0 CHECK (counted_seconds >= 0),
  received INTEGER NOT NULL DEFAULT 0 CHECK (received >= 0),
  sent INTEGER NOT NULL DEFAULT 0 CHECK (sent >= 0),
  cost REAL NOT NULL DEFAULT 0,
  unpriced_seconds INTEGER NOT NULL DEFAULT 0 CHECK (unpriced_seconds >= 0),
  countdown_seconds REAL NOT NULL DEFAULT 0,
  state TEXT NOT NULL CHECK (state IN ('running', 'finished')),
  CHECK (t2 IS NULL OR t2 >= t1),
  CHECK ((state = 'running') = (t2 IS NULL))
);
CREATE INDEX sessions_by_start ON sessions (count_from);
CREATE INDEX sessions_by_t1 ON sessions (t1);
CREATE INDEX sessions_by_connection ON sessions (connection, count_from);

CREATE TABLE slices (
  session INTEGER NOT NULL REFERENCES sessions (id) ON DELETE CASCADE,
  from_at INTEGER NOT NULL,
  to_at INTEGER NOT NULL,
  slot INTEGER NOT NULL CHECK (slot BETWEEN 0 AND 20),
  label TEXT NOT NULL,
  units INTEGER NOT NULL CHECK (units >= 0),
  charge REAL NOT NULL,
  CHECK (to_at >= from_at)
);
CREATE INDEX slices_by_session ON slices (session, from_at);

CREATE TABLE samples (
  session INTEGER NOT NULL REFERENCES sessions (id) ON DELETE CASCADE,
  at INTEGER NOT NULL,
  received INTEGER NOT NULL CHECK (received >= 0),
  sent INTEGER NOT NULL CHECK (sent >= 0),
  PRIMARY KEY (session, at)
) WITHOUT ROWID;

CREATE TABLE settings (
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL
) WITHOUT ROWID;
)sql";

// Version 2: when each session was last written, so that a session left running by
// a tracker that died can be told from one that runs, and closed where it stopped.
// Sessions of version 1 were last written at their end, or as far as they counted.
constexpr const char* kVersion2 = R"sql(
ALTER TABLE sessions ADD COLUMN last_write INTEGER NOT NULL DEFAULT 0;
UPDATE sessions SET last_write = COALESCE(t2, count_from + counted_seconds);
CREATE INDEX sessions_by_state ON sessions (state) WHERE state = 'running';
)sql";

constexpr std::array<const char*, kLogVersion> kSteps = {kVersion1, kVersion2};

}  // namespace

std::span<const char* const> logSchemaSteps() { return kSteps; }

}  // namespace prandel::tracker
