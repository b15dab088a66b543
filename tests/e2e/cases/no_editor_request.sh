#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A request that names no editor ends prandel at once, without a window and without
# needing a display, and the request is taken from the link record. An editor asked
# for where there is no display is not opened either. Each run says why in one line
# on standard error.
source "$(dirname "$0")/../lib.sh"

make_data
wr_u8 "$(MLIF)" "$OFF_CHANGE_CODE" 0
check_run() {  # CODE EXIT LINE
  local log="$E2E_TMP/run-$1.err"
  set_request "$1"
  PRANDEL_LOG="$log" run_prandel --no-display
  wait_exit "$PRANDEL_PID" 10
  expect_eq "$EXIT_CODE" "$2" "exit code for request $1"
  expect_eq "$(rd_i16 "$(MLIF)" "$OFF_REQUEST")" 0 "RequestCode after request $1"
  expect_eq "$(rd_i16 "$(MLIF)" "$OFF_RELOAD")" 0 "ReloadFlag after request $1"
  expect_eq "$(cat "$log")" "$3" "standard error for request $1"
}
check_run 0 0 "prandel: no request pending (code 0)"
check_run 507 0 "prandel: no editor for request 507"
check_run 502 1 'prandel: no display to open request 502 ("Zelkora Expense") on; start it in a desktop session or under xvfb-run'
echo "PASS $E2E_CASE"
