#!/usr/bin/env bash
# Closing the window by its frame after an edit asks "Do you want to save
# changes?"; No leaves the live conditions as they were, Yes commits them.
set -euo pipefail
source "$(dirname "$0")/expense_session.bash"

start_xvfb
for answer in No Yes; do
  seed "cond(1, Amt=0.8)"
  launch
  wid="$(windows_named 'Zelkora Expense')" || fail "no expense window"
  focus "$wid"
  access e                          # &Edit the first condition
  typed "2.5"
  keys Return                       # the panel's OK
  close_request "$wid"
  ids="$(windows_named 'Zelkora Expense' 2)" || fail "no question"
  question="$(printf '%s\n' "$ids" | grep -vx "$wid" | head -n1)"
  focus "$question"
  if [ "$answer" = Yes ]; then keys Return; else keys Escape; fi
  wait_exit
  if [ "$answer" = Yes ]; then
    check "
eq(live(1, 'Amt'), 2.5, 'committed')
eq(get(1024 + 156, 'B'), 3, 'ChangeCode')
eq(get(8192 + 244, '<h'), -1, 'ReloadFlag')
"
  else
    check "
eq(live(1, 'Amt'), 0.8, 'not committed')
eq(work(1, 'Amt'), 2.5, 'the edit stays in the working set')
eq(get(1024 + 156, 'B'), 0, 'ChangeCode')
eq(get(8192 + 244, '<h'), 0, 'ReloadFlag')
"
  fi
done
echo "PASS expense_close_question"
