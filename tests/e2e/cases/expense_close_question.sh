#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Closing the window by its frame after an edit asks "Do you want to save
# changes?"; No leaves the live conditions as they were, Yes commits them.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/expense_session.bash"

start_xvfb
make_data
for answer in No Yes; do
  seed_conditions "cond(1, Amt=0.8)"
  run_prandel
  wait_window "Zelkora Expense"
  editor="$WIN"
  access e                          # &Edit the first condition
  typed "2.5"
  keys Return                       # the panel's OK
  sleep 0.3
  close_request "$editor"
  for ((n = 0; n < 100; n++)); do [ "$(count_windows "Zelkora Expense")" -ge 2 ] && break; sleep 0.1; done
  question="$(xdotool search --onlyvisible --name '^Zelkora Expense$' | grep -vx "$editor" | head -n 1)" ||
    fail "no question"
  if [ "$answer" = Yes ]; then send_keys "$question" Return; else send_keys "$question" Escape; fi
  wait_exit "$PRANDEL_PID" 10
  if [ "$answer" = Yes ]; then
    check_records "
eq(live(1, 'Amt'), 2.5, 'committed')
eq(get(1024 + 156, 'B'), 3, 'ChangeCode')
eq(get(8192 + 244, '<h'), -1, 'ReloadFlag')
"
  else
    check_records "
eq(live(1, 'Amt'), 0.8, 'not committed')
eq(work(1, 'Amt'), 2.5, 'the edit stays in the working set')
eq(get(1024 + 156, 'B'), 0, 'ChangeCode')
eq(get(8192 + 244, '<h'), 0, 'ReloadFlag')
"
  fi
done
echo "PASS $E2E_CASE"
