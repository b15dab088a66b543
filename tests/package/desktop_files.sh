#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The menu entry passes desktop-file-validate without a word (not even a hint, such
# as that of two main categories, which shows the entry twice in some menus), the
# software centre's metadata passes its validator with no error and no warning
# (infos are printed, not failed), the entry names the windows' class, every
# editor the menu entry opens is one that zktrack knows, and its report action is
# one zktrack report takes.
#   desktop_files.sh DESKTOP_FILE METAINFO_FILE [ZKTRACK]
set -euo pipefail
desktop="$1" metainfo="$2" zktrack="${3:-}"
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps.sh installs it)"; exit 77; }
done
status=0

echo "== desktop-file-validate $(basename "$desktop")"
out="$(desktop-file-validate "$desktop" 2>&1)" || status=1
if [ -n "$out" ]; then
  printf '%s\n' "$out"
  echo "FAIL: desktop-file-validate has something to say" >&2
  status=1
fi
# X11 window managers match it against the class of WM_CLASS, which Qt takes from the
# application name that prandel sets.
[ "$(sed -n 's/^StartupWMClass=//p' "$desktop")" = "Prandel" ] ||
  { echo "FAIL: StartupWMClass is not Prandel, the class of prandel's windows" >&2; status=1; }

echo "== appstreamcli validate --no-net $(basename "$metainfo")"
out="$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1)" || status=1
printf '%s\n' "$out"
if grep -Eq '^[EW]: ' <<<"$out"; then status=1; fi

if [ -n "$zktrack" ]; then
  usage="$("$zktrack" --help 2>&1; "$zktrack" open --help 2>&1 || true)"
  execs="$(sed -n 's/^Exec=//p' "$desktop")"
  [ "$(head -n 1 <<<"$execs")" = "zktrack open expense" ] || { echo "FAIL: the main action is not 'zktrack open expense'" >&2; status=1; }
  report="$("$zktrack" report --help 2>&1 || true)"
  while read -r program command editor rest; do
    # The month's chart of what the calls cost, shown by the desktop's viewer.
    if [ "$program $command $editor $rest" = "zktrack report --month --show" ]; then
      grep -Eq -- '--show' <<<"$report" && grep -Eq -- '--month' <<<"$report" && continue
      echo "FAIL: Exec=$program $command $editor $rest: zktrack report takes no --month --show" >&2
      status=1
    elif [ "$program $command" != "zktrack open" ] || [ -n "$rest" ] || ! grep -Eqw -- "$editor" <<<"$usage"; then
      echo "FAIL: Exec=$program $command $editor $rest is no editor of zktrack open" >&2
      status=1
    fi
  done <<<"$execs"
fi
[ "$status" -eq 0 ] && echo "PASS desktop_files"
exit "$status"
