#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Time and peak memory of `zktrack holidays import-ics --dry-run` on calendars made to
# be as costly as the command lets through: just under its 1 MiB limit with as many
# events as fit, as many property lines as fit, daily rules begun in 1900 up to its
# budget of rule steps, and a file over the limit (refused before it is read).
#
#   bench/ics_import.sh [ZKTRACK]     (default: build-release/bin/zktrack)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
zktrack="${1:-$root/build-release/bin/zktrack}"
[ -x "$zktrack" ] || { echo "no zktrack at $zktrack" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 1; }
tmp="$(mktemp -d "${TMPDIR:-/tmp}/ics-bench.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
"$zktrack" seed --data "$tmp/data" >/dev/null

head=$'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n'
tail=$'END:VCALENDAR\r\n'
limit=$((1024 * 1024))

# Events of one day each until the file is just under the limit.
python3 - "$tmp/events.ics" "$limit" <<'EOF'
import sys, datetime
path, limit = sys.argv[1], int(sys.argv[2])
out = ["BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n"]
size, i = len(out[0]) + 15, 0
day = datetime.date(2026, 1, 1)
while True:
    d = day + datetime.timedelta(days=i % 365)
    ev = f"BEGIN:VEVENT\r\nUID:{i}\r\nDTSTART;VALUE=DATE:{d:%Y%m%d}\r\nSUMMARY:Holiday {i}\r\nEND:VEVENT\r\n"
    if size + len(ev) > limit:
        break
    out.append(ev)
    size += len(ev)
    i += 1
out.append("END:VCALENDAR\r\n")
open(path, "w", newline="").write("".join(out))
EOF

# One event with as many short property lines as fit.
python3 - "$tmp/lines.ics" "$limit" <<'EOF'
import sys
path, limit = sys.argv[1], int(sys.argv[2])
open(path, "w", newline="").write(
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\nBEGIN:VEVENT\r\nUID:x\r\n"
    "DTSTART;VALUE=DATE:20260101\r\n" + "X-A:b\r\n" * ((limit - 200) // 7) + "END:VEVENT\r\nEND:VCALENDAR\r\n")
EOF

# Daily rules from 1900: each takes some 46000 steps to reach the end of 2026, so ten
# stay just within the budget of 500000.
{
  printf '%s' "$head"
  for i in $(seq 1 10); do printf 'BEGIN:VEVENT\r\nUID:%d\r\nDTSTART;VALUE=DATE:19000101\r\nRRULE:FREQ=DAILY\r\nEND:VEVENT\r\n' "$i"; done
  printf '%s' "$tail"
} >"$tmp/rules.ics"

head -c $((limit + 1)) /dev/zero >"$tmp/huge.ics"

printf '%-12s %10s %8s %10s  %s\n' calendar bytes exit "max RSS" "wall"
for f in events lines rules huge; do
  file="$tmp/$f.ics"
  code=0
  /usr/bin/time -f '%M %e' -o "$tmp/time" "$zktrack" holidays import-ics "$file" --data "$tmp/data" --dry-run \
    --year 2026 >/dev/null 2>"$tmp/err" || code=$?
  read -r rss wall < <(tail -n 1 "$tmp/time")
  printf '%-12s %10s %8s %7s KiB  %ss  %s\n' "$f" "$(stat -c %s "$file")" "$code" "$rss" "$wall" \
    "$(grep -v '^zktrack: nothing' "$tmp/err" | head -n 1 | cut -c1-90)"
done
# What zktrack needs for a small calendar, for comparison.
cp "$root/tests/format/data/fr-holidays.ics" "$tmp/fr.ics"
/usr/bin/time -f '%M %e' -o "$tmp/time" "$zktrack" holidays import-ics "$tmp/fr.ics" --data "$tmp/data" --dry-run \
  --year 2026 >/dev/null 2>&1 || true
read -r rss wall <"$tmp/time"
printf '%-12s %10s %8s %7s KiB  %ss\n' fr-holidays "$(stat -c %s "$tmp/fr.ics")" 0 "$rss" "$wall"
