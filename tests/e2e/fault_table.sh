#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The fault table: each row (an editor's save, an editor's opening, zktrack import of
# conditions and holidays, a recovery cut short; all rows when none are named) run once
# clean under strace, then once per write or flush of the data files with a fault there:
# the program killed (kill), the call failing with EIO (eio) or with ENOSPC (enospc), a
# flush failing (flush); and the states a power cut after each call of a recorded clean
# run could leave (powercut). After each a fresh start recovers, and every data file must
# equal its image before the row's run or after a clean one. Prints the runs of each row
# and kind, then one table of points tried and points with a file neither before nor
# after; fails when any cell has such a point.
#
#   PRANDEL_BIN=build/bin/prandel bash tests/e2e/run_case.sh tests/e2e/fault_table.sh \
#       [--kinds kill,eio,enospc,flush,powercut] [--states N] [--seed N] [--short] [ROW...]
#
# --states caps the power-cut states of each row (0, the default: every state the model
# gives); --short runs only a few points of each kind (the CTest cases do). The same from
# the environment: FP_KINDS, FP_STATES, FP_SEED, FP_SHORT. FP_KNOWN names a file of cells
# known to fail ("ROW KIND" lines), reported without failing; FP_STRICT=1 ignores it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cases/fault_points.bash"
source "$(dirname "$0")/cases/fault_editors.bash"
source "$(dirname "$0")/cases/fault_rows.bash"
command -v strace >/dev/null 2>&1 || { echo "SKIP: strace is not installed"; exit 77; }

kinds="${FP_KINDS:-kill,eio,enospc,flush,powercut}"
rows=()
while [ $# -gt 0 ]; do
  case "$1" in
    --kinds) kinds="$2"; shift 2 ;;
    --states) FP_STATES="$2"; shift 2 ;;
    --seed) FP_SEED="$2"; shift 2 ;;
    --short) FP_SHORT=1; shift ;;
    -*) fail "unknown option $1" ;;
    *) rows+=("$1"); shift ;;
  esac
done
[ ${#rows[@]} -gt 0 ] || rows=("${FP_ROWS_ALL[@]}")
IFS=, read -r -a kinds <<<"$kinds"
for kind in "${kinds[@]}"; do
  [[ " ${FP_KINDS_ALL[*]} " == *" $kind "* ]] || fail "unknown kind of fault $kind"
done
for row in "${rows[@]}"; do
  [[ " ${FP_ROWS_ALL[*]} " == *" $row "* ]] || fail "unknown row $row (rows: ${FP_ROWS_ALL[*]})"
done

start_xvfb
fp_header
for row in "${rows[@]}"; do
  fp_setup "$row"
  fp_count "$row"
  for kind in "${kinds[@]}"; do
    if [ "$kind" = powercut ]; then
      fp_powercut "$row"
      continue
    fi
    picks=()
    if [ -n "${FP_SHORT:-}" ]; then
      mapfile -t picks < <(fp_short_points "$kind")
    else
      mapfile -t picks < <(fp_kind_points "$kind")
    fi
    fp_table "$row" "$kind" "${picks[@]}"
  done
done
fp_summary || fail "points with a file neither before nor after (see above)"
echo "PASS $E2E_CASE"
