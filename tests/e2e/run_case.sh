#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one e2e case, or reports it skipped (77) where the display tools are missing.
# Each case gets a runtime folder of its own: prandel keeps its single-instance
# locks there, and cases run in parallel must not see each other's windows as a
# first copy.
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
XDG_RUNTIME_DIR="$(mktemp -d "${TMPDIR:-/tmp}/prandel-e2e-run.XXXXXX")" || exit 1
export XDG_RUNTIME_DIR
rc=0
bash "$@" || rc=$?
rm -rf "$XDG_RUNTIME_DIR"
exit "$rc"
