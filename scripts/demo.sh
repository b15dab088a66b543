#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The main job: install, build, seed a demo data folder and open an editor on it
# through zktrack, the tracker stand-in.
#   scripts/demo.sh [expense|countdown|call|holidays|bookmarks|import]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
editor="${1:-expense}"

"$root/scripts/deps.sh"
BUILD_TARGETS="prandel zktrack" "$root/scripts/build.sh" -DCMAKE_BUILD_TYPE=Release

bin="$root/build/bin"
data="$root/build/demo-data"
# prandel finds its data folder through Zelkora.ini beside it, as the tracker's suite does.
printf 'DataDir=%s\r\n' "$data" > "$bin/Zelkora.ini"
if [ ! -s "$data/mlif.zkt" ]; then
  "$bin/zktrack" seed
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: run it in a desktop session, or without one as: xvfb-run -a $0 $editor"
  exit 1
fi
exec "$bin/zktrack" open "$editor"
