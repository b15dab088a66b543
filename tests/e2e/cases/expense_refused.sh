#!/usr/bin/env bash
# A refused save shows its message box and keeps the panel open; cancelling the
# edit and then the window leaves the live conditions and the change code alone.
set -euo pipefail
source "$(dirname "$0")/expense_session.bash"

start_xvfb
seed "cond(1, Amt=0.8)"
launch
wid="$(windows_named 'Zelkora Expense')" || fail "no expense window"
focus "$wid"

access a
keys Tab Down Down                  # Per MB, no amount typed
keys Return                         # the panel's OK
box="$(windows_named 'Prandel')" || fail "no message box"
focus "$box"
keys Return                         # closes the message
gone Prandel || fail "the message box stayed"
focus "$wid"
typed "7"                           # the amount box has the focus again
keys Escape                         # cancels the edit
keys Escape                         # the window's Cancel
wait_exit

check "
eq(live(1, 'Amt'), 0.8, 'the live condition')
eq(live(2, 'InUse'), 0, 'nothing added to the live set')
eq(work(2, 'InUse'), 0, 'nothing added to the working set')
eq(get(1024 + 156, 'B'), 0, 'ChangeCode')
eq(get(8192 + 244, '<h'), 0, 'ReloadFlag')
"
echo "PASS expense_refused"
