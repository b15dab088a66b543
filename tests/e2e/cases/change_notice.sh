#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Closing an editor tells the tracker to reload (ReloadFlag -1) exactly when a
# change is pending in MainRecord.ChangeCode.
source "$(dirname "$0")/../lib.sh"

start_xvfb
make_data
# ChangeCode before the start, ReloadFlag wanted after Escape
for row in "3 -1" "0 0"; do
  read -r change want <<<"$row"
  wr_u8 "$(MLIF)" "$OFF_CHANGE_CODE" "$change"
  wr_i16 "$(MLIF)" "$OFF_RELOAD" 0
  set_request 504
  run_prandel
  wait_window Holidays
  send_keys "$WIN" Escape
  wait_exit "$PRANDEL_PID" 10
  expect_eq "$EXIT_CODE" 0 "exit code with ChangeCode $change"
  expect_eq "$(rd_i16 "$(MLIF)" "$OFF_RELOAD")" "$want" "ReloadFlag with ChangeCode $change"
  expect_eq "$(rd_u8 "$(MLIF)" "$OFF_CHANGE_CODE")" "$change" "ChangeCode left for the tracker"
done
echo "PASS $E2E_CASE"
