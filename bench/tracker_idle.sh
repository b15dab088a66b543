#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the live tracker costs while it waits: CPU time over a span and peak memory of
# `zktrack run`, idle and with one connection up, against a bare QCoreApplication with
# QtDBus on both buses (baseline_dbus_idle). Everything runs on private buses with
# NetworkManager and the notification daemon mocked.
# Usage: bench/tracker_idle.sh [build-dir] [seconds]   (Release, into build-bench/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-bench}"
span="${2:-60}"

if [ -z "${DBUS_SYSTEM_BUS_ADDRESS_MOCKED:-}" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPRANDEL_BENCH=ON -DPRANDEL_TESTS=OFF >/dev/null
  cmake --build "$build" --target zktrack zktrack-run baseline_dbus_idle >/dev/null
  export DBUS_SYSTEM_BUS_ADDRESS_MOCKED=1
  exec /usr/bin/python3 "$root/tests/tracker/dbusmock_env.py" run -- "$0" "$build" "$span"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -m 0700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
"$build/bin/zktrack" seed --data "$work/data" >/dev/null
env="/usr/bin/python3 $root/tests/tracker/dbusmock_env.py"

# name, then the program; ended by SIGTERM after the span. Prints its CPU time
# (user + system) over the span, the share of one core, and its resident memory at
# the end and at its peak, read from /proc (zktrack run becomes zktrack-run by exec,
# keeping its pid; the peak counts from there).
tick="$(getconf CLK_TCK)"
measure() {
  local name="$1"
  shift
  "$@" 2>"$work/$name.err" &
  local pid=$!
  sleep "$span"
  local cpu rss hwm
  cpu="$(awk -v t="$tick" '{ sub(/^.*\) /, ""); print ($12 + $13) / t }' "/proc/$pid/stat")"
  rss="$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")"
  hwm="$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")"
  kill -TERM "$pid"
  wait "$pid" || true
  echo "$cpu $rss $hwm" >"$work/$name.figures"
  awk -v n="$name" -v c="$cpu" -v r="$rss" -v h="$hwm" -v span="$span" \
    'BEGIN { printf "%-24s cpu %5.2f s over %d s (%5.3f %% of a core)   RSS %6d KiB (peak %6d KiB)\n", n, c, span, 100 * c / span, r, h }'
}

echo "== idle for ${span} s: CPU time and peak memory =="
measure baseline_dbus_idle "$build/bench/baseline_dbus_idle"
measure "zktrack run (idle)" "$build/bin/zktrack" run --data "$work/data"
read -r _ base_rss _ <"$work/baseline_dbus_idle.figures"
read -r _ idle_rss _ <"$work/zktrack run (idle).figures"

# One dial-up connection up for the whole span, its counters moving.
paths="$($env nm add 'ISP A' --type ppp --interface ppp0)"
read -r active device <<<"$paths"
$env nm state "$active" 2 >/dev/null
$env nm bytes "$device" 1000000 50000 >/dev/null
measure "zktrack run (a session)" "$build/bin/zktrack" run --data "$work/data"
grep -q 'session "ISP A"' "$work/zktrack run (a session).err" || { echo "the session was not seen:"; cat "$work/zktrack run (a session).err"; exit 1; }
awk -v a="$idle_rss" -v b="$base_rss" 'BEGIN { printf "RSS of the idle tracker / yardstick: %.2f\n", a / b }'
