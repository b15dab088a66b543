#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The fault table: for each editor named (all when none are), its save run once clean
# and then once per write or flush of the data files with that call failing (EIO) and
# once with the program killed at it (SIGKILL); after each run a fresh start
# recovers, and every data file must equal its image before the save or after a
# clean one. Prints one line per editor and kind of fault; fails when any file is
# neither. FP_SHORT=1 runs only a few points per editor (the CTest cases do).
#
#   PRANDEL_BIN=build/bin/prandel bash tests/e2e/run_case.sh tests/e2e/fault_table.sh [EDITOR...]
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cases/fault_points.bash"
source "$(dirname "$0")/cases/fault_editors.bash"
command -v strace >/dev/null 2>&1 || { echo "SKIP: strace is not installed"; exit 77; }

editors=("$@")
[ ${#editors[@]} -gt 0 ] || editors=("${FP_EDITORS[@]}")
start_xvfb
fp_header
for editor in "${editors[@]}"; do
  fp_prepare "$editor"
  fp_count "$editor"
  picks=()
  [ -n "${FP_SHORT:-}" ] && mapfile -t picks < <(fp_short_points)
  fp_table "$editor" eio "${picks[@]}"
  fp_table "$editor" kill "${picks[@]}"
done
expect_eq "${FP_NEITHER:-0}" 0 "files that are neither before nor after"
echo "PASS $E2E_CASE"
