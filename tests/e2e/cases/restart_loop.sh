#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Quick restarts, as a tracker makes them when the user asks for an editor again at
# once: each editor is closed by its cancel key and, as soon as its window is gone
# (not waiting for the process to end), the next request is written and the next
# prandel started. It runs with an accessibility bus of its own, as under a desktop
# session, which makes start and shutdown slower. Every start must show its window
# or say on standard error why it did not; a start that did neither is unexplained.
# RESTART_CYCLES sets the number of starts (40 by default; a few hundred for a long
# run); RESTART_REPORT names a file for the per-start table.
source "$(dirname "$0")/a11y_session.bash"
source "$(dirname "$0")/../lib.sh"
cycles="${RESTART_CYCLES:-40}"

start_xvfb
start_a11y_session
make_data
# A home of its own: the import window reads the favourites folder there.
export HOME="$E2E_TMP/home"
mkdir -p "$HOME"
wr_u8 "$(MLIF)" "$OFF_CHANGE_CODE" 0

# The editors that Escape closes without saving. Each one is asked for several
# times in a row: only a copy of the same editor can be turned away.
codes=(502 504 503 501 506)
titles=("Zelkora Expense" "Holidays" "Call Settings" "Countdown" "Import Bookmarks")
run_len=5

visible_ids() { xdotool search --onlyvisible --name "$(title_pattern "$1")" 2>/dev/null || true; }

pids=() shown=() starts_code=()
for ((i = 0; i < cycles; i++)); do
  k=$(((i / run_len) % ${#codes[@]}))
  code=${codes[k]} title=${titles[k]}
  set_request "$code"
  PRANDEL_LOG="$E2E_TMP/start-$i.err" run_prandel
  pid=$PRANDEL_PID
  pids+=("$pid") starts_code+=("$code")

  # Its window, or its end without one.
  win="" deadline=$((SECONDS + 30))
  while [ "$SECONDS" -lt "$deadline" ]; do
    win="$(visible_ids "$title" | head -n 1)"
    [ -n "$win" ] && break
    if ! kill -0 "$pid" 2>/dev/null; then
      win="$(visible_ids "$title" | head -n 1)"
      break
    fi
    sleep 0.02
  done
  if [ -z "$win" ]; then
    shown+=(no)
    kill -0 "$pid" 2>/dev/null && fail "start $i (request $code): no window within 30 s and still running"
    continue
  fi
  shown+=(yes)

  # Closed by its cancel key; then on at once, as soon as no such window shows.
  send_keys "$win" Escape
  deadline=$((SECONDS + 15))
  while [ -n "$(visible_ids "$title")" ]; do
    [ "$SECONDS" -lt "$deadline" ] || fail "start $i (request $code): the window stayed after Escape"
    sleep 0.02
  done
done

# Every start has ended by itself; then each is classified by its window and its line.
report="${RESTART_REPORT:-$E2E_TMP/restarts.txt}"
: >"$report"
declare -A reasons=()
windows=0 unexplained=0
for ((i = 0; i < cycles; i++)); do
  wait_exit "${pids[i]}" 30
  line="$(grep -m 1 '^prandel: ' "$E2E_TMP/start-$i.err" || true)"
  printf '%s\t%s\t%s\t%s\t%s\n' "$i" "${starts_code[i]}" "${shown[i]}" "$EXIT_CODE" "$line" >>"$report"
  if [ "${shown[i]}" = yes ]; then
    windows=$((windows + 1))
    [ "$EXIT_CODE" = 0 ] || fail "start $i (request ${starts_code[i]}): its window showed, but it ended with $EXIT_CODE"
  elif [ -n "$line" ]; then
    # The reason without the request's own number and title.
    kind="$(sed -E 's/request [0-9-]+/request N/; s/"[^"]*"/"T"/; s/\([^)]*\)/(..)/' <<<"$line")"
    reasons[$kind]=$((${reasons[$kind]:-0} + 1))
  else
    unexplained=$((unexplained + 1))
    echo "start $i (request ${starts_code[i]}): no window, exit code $EXIT_CODE, no line on standard error:" >&2
    sed 's/^/  /' "$E2E_TMP/start-$i.err" >&2
  fi
done

echo "$cycles starts: $windows windows, $unexplained unexplained"
for kind in "${!reasons[@]}"; do echo "  ${reasons[$kind]} x $kind"; done
expect_eq "$unexplained" 0 "starts that ended without window or reason"
# Each start was a quick restart of a closed editor: none should be turned away.
expect_eq "$windows" "$cycles" "starts that showed their window"
expect_eq "$(rd_i16 "$(MLIF)" "$OFF_REQUEST")" 0 "RequestCode after the last start"
echo "PASS $E2E_CASE"
