#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every editor window as a screen reader reads it over the accessibility bus: each
# control a user can reach has a name, and no two enabled controls of a window share
# a role and a name. A private session bus (dbus-launch) carries an accessibility bus
# of our own (at-spi-bus-launcher); prandel exports its windows on it and
# a11y_walk.py walks them. One prandel per window; the expense window is walked with
# its list, with its editing panel open (and again for a weekly period, whose two day
# lists both show Sunday), and its condition map from there.

source "$(dirname "$0")/a11y_session.bash"
# pyatspi is a Debian package: the system's python has it where another python on PATH may not.
A11Y_PYTHON=""
for py in python3 /usr/bin/python3; do
  if command -v "$py" >/dev/null 2>&1 && "$py" -c 'import pyatspi' >/dev/null 2>&1; then A11Y_PYTHON="$py"; break; fi
done
[ -n "$A11Y_PYTHON" ] || skip "python3 cannot import pyatspi (Debian package python3-pyatspi)"

source "$(dirname "$0")/../lib.sh"
WALK="$(cd "$(dirname "$0")/.." && pwd)/a11y_walk.py"

start_xvfb
make_data

# A home with a few favourites, so that the import list has entries.
export HOME="$E2E_TMP/home"
fav="$HOME/Favorites"
mkdir -p "$fav/News"
printf '[InternetShortcut]\r\nURL=%s\r\n' "https://mail.example.com/" >"$fav/Web mail.url"
printf '[InternetShortcut]\r\nURL=%s\r\n' "http://paper.example/" >"$fav/News/Morning paper.url"

start_a11y_session

# --- The walks ---------------------------------------------------------------------
failed=()
# walk TITLE LABEL [WAIT_FOR_NAME]: walks the window of the running prandel.
walk() {
  local rc=0
  timeout 90 "$A11Y_PYTHON" "$WALK" "$PRANDEL_PID" "$1" "$2" ${3:+"$3"} || rc=$?
  case "$rc" in
    0) ;;
    1) failed+=("$2") ;;
    *) fail "the walk of '$2' did not run (exit $rc)" ;;
  esac
}

# end_prandel: ends this copy without saving anything.
end_prandel() {
  kill -TERM "$PRANDEL_PID" 2>/dev/null || true
  wait_exit "$PRANDEL_PID" 10
}

set_request 502
run_prandel
wait_window "Zelkora Expense"
walk "Zelkora Expense" "Zelkora Expense (list)"
# A new condition for a period between two times of day: every box of the panel's
# top row is in use.
send_keys "$WIN" alt+a alt+p Down Down Down alt+t Down
walk "Zelkora Expense" "Zelkora Expense (editing panel)" "Amount"
# The period's last kind, a weekly period: two day lists in place of the times.
send_keys "$WIN" alt+p End
walk "Zelkora Expense" "Zelkora Expense (weekly period)" "Weekly period from day"
send_keys "$WIN" Escape alt+c
wait_window "Expense Graph"
walk "Expense Graph" "Expense Graph"
end_prandel

for request in "501:Countdown" "503:Call Settings" "504:Holidays" "505:Zelkora Bookmarks" "506:Import Bookmarks"; do
  set_request "${request%%:*}"
  run_prandel
  wait_window "${request#*:}"
  walk "${request#*:}" "${request#*:}"
  end_prandel
done

[ ${#failed[@]} -eq 0 ] || fail "controls without a name of their own in: ${failed[*]}"
echo "PASS $E2E_CASE"
