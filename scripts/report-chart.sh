#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the user guide's report chart (docs/screenshots/report-chart.png): a demo data
# folder seeded by zktrack, a month of calls logged with `zktrack log add` (the same
# calls every time), and `zktrack report --chart` on it.
#   scripts/report-chart.sh [BUILD_DIR]      (default: build, whose zktrack is built first)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
if [ $# -eq 0 ]; then
  [ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  flock /tmp/prandel-build.lock cmake --build "$build" --target zktrack
fi
zk="$build/bin/zktrack"
[ -x "$zk" ] || { echo "report-chart: no $zk" >&2; exit 1; }

tmp="$(mktemp -d "${TMPDIR:-/tmp}/prandel-chart.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
export TZ=UTC LC_ALL=C.UTF-8
"$zk" seed --data "$tmp" >/dev/null

# November 2026: evening calls on most days, a long one at some weekends, a few in
# the working day; byte counts that grow with the length of the call.
RANDOM=2026
for day in $(seq 1 30); do
  d=$(printf '2026-11-%02d' "$day")
  calls=$((RANDOM % 3))
  [ $((day % 7)) = 3 ] && calls=0
  for ((k = 0; k < calls; k++)); do
    hour=$((k == 0 ? 19 + RANDOM % 4 : 9 + RANDOM % 8))
    minutes=$((10 + RANDOM % 40))
    conn="ISP A"
    [ $((RANDOM % 4)) = 0 ] && conn="Work VPN"
    "$zk" log add --data "$tmp" --connection "$conn" --from "$d $(printf '%02d:%02d' "$hour" $((RANDOM % 60)))" \
      --duration "${minutes}m" --down $((minutes * (900000 + RANDOM * 20))) --up $((minutes * (40000 + RANDOM))) >/dev/null
  done
done
"$zk" report --data "$tmp" --at 2026-11-15 --chart "$root/docs/screenshots/report-chart.png"
