#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A file size limit (ulimit -f, set on the running program with prlimit) below the
# end of the holiday list: the save meets the limit, is refused whole and silently
# (no count without its records), and the program ends with exit code 0 instead of
# being killed by the limit's signal.
source "$(dirname "$0")/../lib.sh"
command -v prlimit >/dev/null || { echo "SKIP: prlimit is not installed"; exit 77; }

start_xvfb
make_data
wr_u8 "$(MLIF)" "$OFF_CHANGE_CODE" 0
length=$(stat -c %s "$(MLIF)")
set_request 504
cp "$(MLIF)" "$E2E_TMP/before.zkt"
run_prandel
wait_window Holidays
# Every record in the file can still be written; one more holiday cannot.
prlimit --pid "$PRANDEL_PID" --fsize="$length:$length" || fail "no limit set"
type_text "$WIN" "26/12/2025"
send_keys "$WIN" Return         # Add
sleep 0.3
expect_eq "$(count_windows Prandel)" 0 "message boxes shown"
send_keys "$WIN" Return         # OK
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "exit code"
python3 - "$E2E_TMP/before.zkt" "$(MLIF)" <<'PY' || fail "mlif.zkt"
import sys
before, after = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read()
if len(after) != len(before): sys.exit(f'length {len(after)}, was {len(before)}')
bad = [i for i in range(len(before)) if before[i] != after[i] and i not in (8192, 8193)]
if bad: sys.exit(f'bytes changed: {bad[:20]}')
PY
echo "PASS $E2E_CASE"
