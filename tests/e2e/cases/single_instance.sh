#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# While the holiday editor is open, a second prandel asked for it ends by itself,
# says so, and opens no second window; Escape then closes the first.
source "$(dirname "$0")/../lib.sh"

start_xvfb
make_data
set_request 504
run_prandel
first=$PRANDEL_PID
wait_window Holidays
win=$WIN

set_request 504
PRANDEL_LOG="$E2E_TMP/second.err" run_prandel
wait_exit "$PRANDEL_PID" 5
expect_eq "$EXIT_CODE" 0 "exit code of the second copy"
expect_eq "$(cat "$E2E_TMP/second.err")" 'prandel: request 504: "Holidays" is already open in another copy' \
  "standard error of the second copy"
expect_eq "$(rd_i16 "$(MLIF)" "$OFF_REQUEST")" 0 "RequestCode taken by the second copy"
expect_eq "$(count_windows Holidays)" 1 "windows titled Holidays"
kill -0 "$first" 2>/dev/null || fail "the first copy ended too"

send_keys "$win" Escape
wait_exit "$first" 10
expect_eq "$EXIT_CODE" 0 "exit code of the first copy"
expect_eq "$(count_windows Holidays)" 0 "windows titled Holidays at the end"
echo "PASS $E2E_CASE"
