# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the e2e cases (sourced): a temporary program folder that holds copies
# of prandel and zktrack beside their record files (no Zelkora.ini, so it is also
# the data folder), an Xvfb of our own, keys sent with xdotool, and record bytes read
# back with od. Every wait is bounded; at exit only the processes this script
# started are ended, by their pid, and the temporary folder is removed.
set -euo pipefail

: "${PRANDEL_BIN:?set PRANDEL_BIN to the prandel binary}"
: "${ZKTRACK_BIN:=$(dirname "$PRANDEL_BIN")/zktrack}"
E2E_CASE="$(basename "$0" .sh)"
# The cases check record bytes with records.py beside this file.
export PYTHONPATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)${PYTHONPATH:+:$PYTHONPATH}"
for _bin in "$PRANDEL_BIN" "$ZKTRACK_BIN"; do
  [ -x "$_bin" ] || { echo "FAIL $E2E_CASE: no program at $_bin (build the prandel and zktrack targets)" >&2; exit 1; }
done

# Byte offsets in mlif.zkt (the store's MainRecord and LinkRecord, 512-byte records 3 and 17).
OFF_CHANGE_CODE=$((1024 + 156))
OFF_REQUEST=8192
OFF_RELOAD=$((8192 + 244))

E2E_TMP="$(mktemp -d "${TMPDIR:-/tmp}/prandel-e2e-$E2E_CASE.XXXXXX")"
E2E_PIDS=()
E2E_DATA="$E2E_TMP/zelkora"
mkdir -p "$E2E_DATA"
# The single-instance locks live here; parallel cases must not see each other's.
export XDG_RUNTIME_DIR="$E2E_TMP/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY
export LC_ALL="${LC_ALL:-C.UTF-8}"

e2e_cleanup() {
  local i pid n
  # Newest first, so that Xvfb goes after its clients.
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
    pid="${E2E_PIDS[i]}"
    kill -0 "$pid" 2>/dev/null || continue
    kill -TERM "$pid" 2>/dev/null || true
    for ((n = 0; n < 30; n++)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  done
  for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM

# Ends the case. Messages go to stderr: a helper may run inside $(...).
fail() {
  echo "FAIL $E2E_CASE: $*" >&2
  if [ -s "$E2E_TMP/prandel.log" ]; then tail -n 20 "$E2E_TMP/prandel.log" | sed 's/^/  prandel: /' >&2; fi
  if [ -n "${DISPLAY:-}" ]; then
    local shot="${E2E_ARTIFACTS:-${TMPDIR:-/tmp}}/$E2E_CASE-failure.png"
    mkdir -p "$(dirname "$shot")"
    screenshot "$shot" && echo "  screen: $shot" >&2
  fi
  exit 1
}

# Remembers a process to end at exit (one started by a program we started).
track_pid() { E2E_PIDS+=("$1"); }

# --- Data folder ---------------------------------------------------------------

# Copies of prandel and zktrack in the data folder, with zktrack's demo records.
make_data() {
  cp "$PRANDEL_BIN" "$E2E_DATA/prandel"
  cp "$ZKTRACK_BIN" "$E2E_DATA/zktrack"
  "$E2E_DATA/zktrack" seed --force >/dev/null || fail "zktrack seed failed"
}

# rd_u8 FILE OFFSET, rd_i16 FILE OFFSET: bytes past the end read as zeros, as the store reads them.
rd_u8() {
  local v
  v="$(od -An -t u1 -j "$2" -N 1 "$1" | tr -d ' \n')"
  echo "${v:-0}"
}
rd_i16() {
  local v
  v="$(od -An -t d2 -j "$2" -N 2 "$1" | tr -d ' \n')"
  echo "${v:-0}"
}
# wr_u8 FILE OFFSET VALUE, wr_i16 FILE OFFSET VALUE (little-endian)
wr_u8() { printf "$(printf '\\%03o' $(($3 & 255)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
wr_i16() { printf "$(printf '\\%03o\\%03o' $(($3 & 255)) $((($3 >> 8) & 255)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }

MLIF() { echo "$E2E_DATA/mlif.zkt"; }
set_request() { wr_i16 "$(MLIF)" "$OFF_REQUEST" "$1"; }

# expect_eq ACTUAL WANTED WHAT
expect_eq() { [ "$1" = "$2" ] || fail "$3: got '$1', want '$2'"; }

# --- Processes -------------------------------------------------------------------

# Starts an Xvfb on a display it finds free itself and exports DISPLAY.
start_xvfb() {
  local out="$E2E_TMP/xvfb.display" n
  : >"$out"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$out" >"$E2E_TMP/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  track_pid "$E2E_XVFB_PID"
  for ((n = 0; n < 100; n++)); do
    if [ "$(wc -l <"$out")" -ge 1 ]; then
      export DISPLAY=":$(head -n 1 "$out")"
      export QT_QPA_PLATFORM=xcb
      return 0
    fi
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || fail "Xvfb ended: $(tail -n 3 "$E2E_TMP/xvfb.log")"
    sleep 0.1
  done
  fail "Xvfb named no display within 10 s"
}

# Starts the copy of prandel in the background, never with the right to set the
# clock; PRANDEL_PID is its pid. --no-display: without any display variable. Its
# output goes to $PRANDEL_LOG when set, else to prandel.log.
run_prandel() {
  local envs=()
  if [ "${1:-}" = "--no-display" ]; then envs=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM); fi
  "${envs[@]}" setpriv --bounding-set -sys_time --inh-caps -sys_time -- "$E2E_DATA/prandel" >>"${PRANDEL_LOG:-$E2E_TMP/prandel.log}" 2>&1 &
  PRANDEL_PID=$!
  track_pid "$PRANDEL_PID"
}

# wait_exit PID TIMEOUT: waits for a process we started; EXIT_CODE is its exit code.
wait_exit() {
  local pid="$1" limit="$2" n
  for ((n = 0; n < limit * 10; n++)); do
    if ! kill -0 "$pid" 2>/dev/null; then
      EXIT_CODE=0
      wait "$pid" || EXIT_CODE=$?
      return 0
    fi
    sleep 0.1
  done
  fail "process $pid did not end within $limit s"
}

# --- Windows ---------------------------------------------------------------------

title_pattern() { printf '^%s$' "$(printf '%s' "$1" | sed 's/[][\.*^$+?(){}|/]/\\&/g')"; }

# wait_window TITLE [TIMEOUT]: WIN is the first shown window titled exactly TITLE.
wait_window() {
  local ids
  ids="$(timeout "${2:-15}" xdotool search --sync --onlyvisible --name "$(title_pattern "$1")" 2>/dev/null)" ||
    fail "no window titled '$1' within ${2:-15} s"
  WIN="$(printf '%s\n' "$ids" | head -n 1)"
}

# How many shown windows are titled exactly TITLE now.
count_windows() {
  { xdotool search --onlyvisible --name "$(title_pattern "$1")" 2>/dev/null || true; } | grep -c . || true
}

focus_window() { timeout 10 xdotool windowfocus --sync "$1" || fail "window $1 took no focus"; }

# send_keys WIN KEY...: keys as xdotool names them (Escape, Return, alt+a).
send_keys() {
  local win="$1"
  shift
  focus_window "$win"
  timeout 20 xdotool key --delay 60 "$@" || fail "keys not sent: $*"
}

# type_text WIN TEXT
type_text() {
  focus_window "$1"
  timeout 20 xdotool type --delay 60 "$2" || fail "text not typed: $2"
}

screenshot() { timeout 10 import -window root "$1" 2>/dev/null; }
