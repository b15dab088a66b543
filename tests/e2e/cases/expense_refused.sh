#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A refused save shows its message box and keeps the panel open; cancelling the
# edit and then the window leaves the live conditions and the change code alone.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/expense_session.bash"

start_xvfb
make_data
seed_conditions "cond(1, Amt=0.8)"
run_prandel
wait_window "Zelkora Expense"
editor="$WIN"

access a
keys Tab Down Down                  # Per MB, no amount typed
keys Return                         # the panel's OK
wait_window Prandel 10
send_keys "$WIN" Return             # closes the message
gone Prandel || fail "the message box stayed"
WIN="$editor"
typed "7"                           # the amount box has the focus again
keys Escape                         # cancels the edit
keys Escape                         # the window's Cancel
wait_exit "$PRANDEL_PID" 10

check_records "
eq(live(1, 'Amt'), 0.8, 'the live condition')
eq(live(2, 'InUse'), 0, 'nothing added to the live set')
eq(work(2, 'InUse'), 0, 'nothing added to the working set')
"
expect_eq "$(rd_u8 "$(MLIF)" "$OFF_CHANGE_CODE")" 0 "ChangeCode"
expect_eq "$(rd_i16 "$(MLIF)" "$OFF_RELOAD")" 0 "ReloadFlag"
echo "PASS $E2E_CASE"
