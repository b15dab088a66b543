#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-process figures of prandel against yardsticks that link the same libraries:
#  - a request-0 run against a program that only does the same file work;
#  - time to the first painted editor window, and peak memory, against a bare Qt dialog.
# Usage: bench/startup.sh [build-dir]   (builds with -DPRANDEL_BENCH=ON into build-bench/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-bench}"
command -v hyperfine >/dev/null || { echo "needs hyperfine (apt-get install hyperfine)"; exit 1; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPRANDEL_BENCH=ON -DPRANDEL_TESTS=OFF >/dev/null
cmake --build "$build" --target prandel zktrack baseline_request0 prandel_firstpaint baseline_dialog >/dev/null

work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Program folder = data folder: no Zelkora.ini beside the copies.
cp "$build/bin/prandel" "$build/bin/zktrack" "$build/bench/"{baseline_request0,prandel_firstpaint,baseline_dialog} "$work/"
"$work/zktrack" seed --data "$work" >/dev/null
# Never with the right to set the clock.
nocap=(setpriv --bounding-set -sys_time --inh-caps -sys_time --)
# Writes a request code into the link record (little-endian, at byte 8192).
cat > "$work/request.sh" <<'SH'
#!/bin/sh
printf "$(printf '\\%03o\\%03o' $(($1 & 255)) $((($1 >> 8) & 255)))" |
  dd of="$(dirname "$0")/mlif.zkt" bs=1 seek=8192 conv=notrunc status=none
SH
chmod +x "$work/request.sh"
request() { "$work/request.sh" "$1"; }

echo "== request 0: whole process =="
hyperfine -N --warmup 20 --runs 200 --export-json "$work/r0.json" \
  -n prandel "${nocap[*]} $work/prandel" \
  -n baseline "${nocap[*]} $work/baseline_request0 $work" | grep -E "Time|±|faster|prandel|baseline" || true

echo "== first painted window (Xvfb) =="
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
for code in 502 501 504; do
  hyperfine -N --warmup 3 --runs 30 --prepare "$work/request.sh $code" \
    -n "prandel $code" "${nocap[*]} $work/prandel_firstpaint" \
    -n "bare dialog" "${nocap[*]} $work/baseline_dialog" | grep -E "Time|faster|prandel|dialog" || true
done

echo "== peak memory (max RSS, KiB, median of 5) =="
median() { sort -n | sed -n 3p; }
for code in 502 501 504; do
  m=$(for _ in 1 2 3 4 5; do request "$code"; /usr/bin/time -f %M "${nocap[@]}" "$work/prandel_firstpaint" 2>&1 >/dev/null | tail -1; done | median)
  echo "prandel $code: $m"
done
m=$(for _ in 1 2 3 4 5; do /usr/bin/time -f %M "${nocap[@]}" "$work/baseline_dialog" 2>&1 >/dev/null | tail -1; done | median)
echo "bare dialog: $m"
