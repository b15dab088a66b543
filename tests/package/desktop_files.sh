#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The menu entry and the software centre's metadata pass their validators with no
# error and no warning (hints and infos are printed, not failed), and every editor
# the menu entry opens is one that zktrack knows.
#   desktop_files.sh DESKTOP_FILE METAINFO_FILE [ZKTRACK]
set -euo pipefail
desktop="$1" metainfo="$2" zktrack="${3:-}"
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps.sh installs it)"; exit 77; }
done
status=0

echo "== desktop-file-validate $(basename "$desktop")"
out="$(desktop-file-validate "$desktop" 2>&1)" || status=1
[ -n "$out" ] && printf '%s\n' "$out"
if grep -Eq ': (error|warning): ' <<<"$out"; then status=1; fi

echo "== appstreamcli validate --no-net $(basename "$metainfo")"
out="$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1)" || status=1
printf '%s\n' "$out"
if grep -Eq '^[EW]: ' <<<"$out"; then status=1; fi

if [ -n "$zktrack" ]; then
  usage="$("$zktrack" --help 2>&1; "$zktrack" open --help 2>&1 || true)"
  execs="$(sed -n 's/^Exec=//p' "$desktop")"
  [ "$(head -n 1 <<<"$execs")" = "zktrack open expense" ] || { echo "FAIL: the main action is not 'zktrack open expense'" >&2; status=1; }
  while read -r program command editor rest; do
    if [ "$program $command" != "zktrack open" ] || [ -n "$rest" ] || ! grep -Eqw -- "$editor" <<<"$usage"; then
      echo "FAIL: Exec=$program $command $editor $rest is no editor of zktrack open" >&2
      status=1
    fi
  done <<<"$execs"
fi
[ "$status" -eq 0 ] && echo "PASS desktop_files"
exit "$status"
