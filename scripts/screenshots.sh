#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the user guide's screenshots: one PNG per window in docs/screenshots/.
#   scripts/screenshots.sh [BUILD_DIR]
# Without BUILD_DIR the prandel and zktrack targets are built in build/ first.
# Everything runs in a temporary folder: copies of prandel and zktrack beside a
# demo data folder seeded by zktrack, a home folder with a few favourites, and an
# Xvfb of our own. prandel never gets the right to set the clock; every wait is
# bounded; at exit the processes started here are ended by their pid.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/docs/screenshots"

for tool in Xvfb xdotool import setpriv md5sum; do
  command -v "$tool" >/dev/null 2>&1 || { echo "screenshots: $tool is missing (scripts/deps.sh installs it)" >&2; exit 1; }
done

if [ $# -ge 1 ]; then
  bin="$(cd "$1" && pwd)/bin"
else
  build="$root/build"
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  # Several people may share the build folder: one build at a time.
  flock /tmp/prandel-build.lock cmake --build "$build" --target prandel zktrack
  bin="$build/bin"
fi
for p in prandel zktrack; do
  [ -x "$bin/$p" ] || { echo "screenshots: no $bin/$p" >&2; exit 1; }
done

tmp="$(mktemp -d "${TMPDIR:-/tmp}/prandel-shots.XXXXXX")"
pids=()
cleanup() {
  local i pid n
  # Newest first: Xvfb goes after its clients.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid="${pids[i]}"
    kill -0 "$pid" 2>/dev/null || continue
    kill -TERM "$pid" 2>/dev/null || true
    for ((n = 0; n < 30; n++)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

die() {
  echo "screenshots: $*" >&2
  [ -s "$tmp/prandel.log" ] && tail -n 5 "$tmp/prandel.log" | sed 's/^/  prandel: /' >&2
  exit 1
}

# The window texts are the program's own; dates, day and month names follow the locale.
if locale -a 2>/dev/null | grep -qix 'en_US\.utf-\?8'; then
  export LC_ALL=en_US.UTF-8
else
  export LC_ALL=C.UTF-8
fi
export HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY SESSION_MANAGER

# --- Data: copies of the programs beside the demo records (no Zelkora.ini) ------
data="$tmp/zelkora"
mkdir -p "$data"
cp "$bin/prandel" "$bin/zktrack" "$data/"
"$data/zktrack" seed --force >/dev/null || die "zktrack seed failed"

# A few favourites, some in sub-folders; the first link is stored as a bookmark already.
shortcut() {
  mkdir -p "$(dirname "$1")"
  printf '[InternetShortcut]\r\nURL=%s\r\n' "$2" >"$1"
}
fav="$HOME/Favorites"
shortcut "$fav/Web mail.url" "https://mail.example.com/"
shortcut "$fav/Dial-up tariffs compared.url" "http://tariffs.example/"
shortcut "$fav/Links/Zelkora support forum.url" "http://forum.zelkora.example/"
shortcut "$fav/Links/Phone book.url" "http://phonebook.example.net/"
shortcut "$fav/News/Morning paper.url" "http://paper.example/"
shortcut "$fav/News/Sport/Cricket scores.url" "http://cricket.example.org/"

# --- Display ---------------------------------------------------------------------
: >"$tmp/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
pids+=($!)
for ((n = 0; ; n++)); do
  [ -s "$tmp/display" ] && break
  kill -0 "${pids[0]}" 2>/dev/null || die "Xvfb ended: $(tail -n 2 "$tmp/xvfb.log")"
  [ "$n" -lt 100 ] || die "Xvfb named no display within 10 s"
  sleep 0.1
done
export DISPLAY=":$(head -n 1 "$tmp/display")"

# --- Helpers -----------------------------------------------------------------------
# start EDITOR_CODE: writes the request into the link record and starts prandel.
start() {
  local code="$1"
  printf "$(printf '\\%03o\\%03o' $((code & 255)) $((code >> 8)))" |
    dd of="$data/mlif.zkt" bs=1 seek=8192 conv=notrunc status=none
  setpriv --bounding-set -sys_time --inh-caps -sys_time -- "$data/prandel" >>"$tmp/prandel.log" 2>&1 &
  prandel_pid=$!
  pids+=("$prandel_pid")
}

# window TITLE: WIN is the shown window with exactly that title.
window() {
  local pattern ids
  pattern="^$(printf '%s' "$1" | sed 's/[][\.*^$+?(){}|/]/\\&/g')\$"
  ids="$(timeout 15 xdotool search --sync --onlyvisible --name "$pattern" 2>/dev/null)" ||
    die "no window titled '$1' within 15 s"
  WIN="$(printf '%s\n' "$ids" | head -n 1)"
}

keys() {
  timeout 10 xdotool windowfocus --sync "$WIN" || die "window $WIN took no focus"
  timeout 20 xdotool key --delay 80 "$@" || die "keys not sent: $*"
  sleep 0.3
}

# Waits (at most 10 s) until two grabs of the window a moment apart are the same:
# resizes, drawing and the blinking caret's first phase are over.
settle() {
  local a="" b n
  for ((n = 0; n < 40; n++)); do
    b="$(timeout 10 import -window "$WIN" rgb:- 2>/dev/null | md5sum)"
    [ -n "$a" ] && [ "$a" = "$b" ] && return 0
    a="$b"
    sleep 0.25
  done
  echo "screenshots: window $WIN still changing; taking it as it is" >&2
}

# shot NAME: the window alone (no window manager, so no frame) as NAME.png, focused
# as a user sees it, without time stamps in the file.
shot() {
  timeout 10 xdotool windowfocus --sync "$WIN" || die "window $WIN took no focus"
  settle
  timeout 10 import -window "$WIN" -strip -define png:exclude-chunks=date,time "$out/$1.png" ||
    die "no screenshot of $1"
  echo "$out/$1.png: $(xdotool getwindowgeometry "$WIN" | sed -n 's/.*Geometry: //p')"
}

# Ends this prandel without saving anything.
finish() {
  local n
  kill -TERM "$prandel_pid" 2>/dev/null || true
  for ((n = 0; n < 50; n++)); do
    kill -0 "$prandel_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$prandel_pid" 2>/dev/null || true
  wait "$prandel_pid" 2>/dev/null || true
}

mkdir -p "$out"

# --- The windows -----------------------------------------------------------------
start 502
window "Zelkora Expense"
shot expense
keys Down Down alt+e                # the third condition: per call, weekends
shot expense-edit
keys Escape                         # the panel's Cancel
keys alt+c
window "Expense Graph"
shot condition-map
finish

start 501
window "Countdown"
keys alt+n                          # E&nable Following Expense Conditions
shot countdown
finish

start 503
window "Call Settings"
shot call-settings
finish

start 504
window "Holidays"
shot holidays
finish

start 505
window "Zelkora Bookmarks"
shot bookmarks
finish

start 506
window "Import Bookmarks"
keys space Down Down space          # two favourites ticked
shot import
finish
