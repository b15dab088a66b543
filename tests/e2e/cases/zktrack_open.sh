#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# zktrack beside prandel: open holidays shows the editor, prandel runs without the
# right to set the clock, and after Escape zktrack reports and ends with 0.
source "$(dirname "$0")/../lib.sh"

start_xvfb
make_data
"$E2E_DATA/zktrack" open holidays >"$E2E_TMP/zktrack.log" 2>&1 &
zk=$!
track_pid "$zk"
wait_window Holidays

app="$(cat "/proc/$zk/task/$zk/children" 2>/dev/null | tr -d ' ')"
[ -n "$app" ] || fail "zktrack has no child process"
track_pid "$app"
bnd="$(awk '/^CapBnd:/ { print $2 }' "/proc/$app/status")"
(( (16#$bnd >> 25) & 1 )) && fail "prandel may set the clock (CapBnd $bnd)"

send_keys "$WIN" Escape
wait_exit "$zk" 15
cat "$E2E_TMP/zktrack.log"
expect_eq "$EXIT_CODE" 0 "exit code of zktrack"
grep -qx "Change notice: ChangeCode 0, ReloadFlag 0" "$E2E_TMP/zktrack.log" || fail "no change notice in zktrack's report"
expect_eq "$(rd_i16 "$(MLIF)" "$OFF_REQUEST")" 0 "RequestCode"
echo "PASS $E2E_CASE"
