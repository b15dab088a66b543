#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The expense editor by keys only: add a per-call condition of 1.50 for weekdays
# from 08:00 to 18:00 with a custom call time and an ISP charge, press OK, and find
# it in the live records after the one that was there, with the tracker told.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/expense_session.bash"

start_xvfb
make_data
seed_conditions "cond(1, Amt=0.8)"
run_prandel
wait_window "Zelkora Expense"

access a                            # &Add: the amount box has the focus
typed "1.50"
keys Tab Down                       # amount kind: Per Call
keys Tab Down Down Down Down Down   # period: Weekdays (Mon-Fri)
keys Tab Down                       # time: Between
keys Tab; typed "08:00"
keys Tab; typed "18:00"
keys Tab Down                       # Custom Call Time
keys Tab; typed "00:01:30"
keys Tab space                      # Other ISP Charges
keys Tab; typed "0.50"
keys Return                         # the panel's OK
sleep 0.3
[ "$(count_windows Prandel)" -eq 0 ] || fail "the save was refused"
keys Return                         # the window's OK
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "exit code"

check_records "
eq(live(1, 'Amt'), 0.8, 'the first condition')
eq(live(2, 'InUse'), -1, 'in use')
eq(live(2, 'Amt'), 1.5, 'amount')
eq(live(2, 'PerCall'), -1, 'per call')
eq(live(2, 'AmtKind'), 0, 'amount kind')
eq(live(2, 'PerType'), 5, 'weekdays')
eq(live(2, 'TimeType'), 1, 'between')
eq(live(2, 'TimeStart'), 8 / 24, 'from')
eq(live(2, 'TimeEnd'), 18 / 24, 'to')
eq(live(2, 'CustCall'), -1, 'custom call time')
eq(live(2, 'CallTime'), 90 / 86400, 'call time')
eq(live(2, 'IspOn'), 12, 'ISP charges on')
eq(live(2, 'IspAmt'), 0.5, 'ISP charge')
eq(live(3, 'InUse'), 0, 'nothing after it')
"
expect_eq "$(rd_u8 "$(MLIF)" "$OFF_CHANGE_CODE")" 3 "ChangeCode"
expect_eq "$(rd_i16 "$(MLIF)" "$OFF_RELOAD")" -1 "ReloadFlag"
expect_eq "$(rd_i16 "$(MLIF)" "$OFF_REQUEST")" 0 "RequestCode taken"
echo "PASS $E2E_CASE"
