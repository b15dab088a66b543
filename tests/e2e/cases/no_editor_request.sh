#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A request that names no editor ends prandel at once, without a window and without
# needing a display, and the request is taken from the link record.
source "$(dirname "$0")/../lib.sh"

make_data
for code in 0 507; do
  set_request "$code"
  run_prandel --no-display
  wait_exit "$PRANDEL_PID" 10
  expect_eq "$EXIT_CODE" 0 "exit code for request $code"
  expect_eq "$(rd_i16 "$(MLIF)" "$OFF_REQUEST")" 0 "RequestCode after request $code"
  expect_eq "$(rd_i16 "$(MLIF)" "$OFF_RELOAD")" 0 "ReloadFlag after request $code"
done
echo "PASS $E2E_CASE"
