#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The windows belong to the menu entry: their X11 class (WM_CLASS) is the entry's
# StartupWMClass, so that a desktop shows them under the entry's name and icon, and
# Qt names the entry itself on the window (the id Wayland takes as the app id).
source "$(dirname "$0")/../lib.sh"
command -v xprop >/dev/null || { echo "SKIP: xprop is not installed (Debian package x11-utils)"; exit 77; }
desktop="$(cd "$(dirname "$0")/../../.." && pwd)/packaging/desktop/org.zelkora.Prandel.desktop"

start_xvfb
make_data
set_request 503
run_prandel
wait_window "Call Settings"
class="$(xprop -id "$WIN" WM_CLASS)"
wanted="$(sed -n 's/^StartupWMClass=//p' "$desktop")"
[ -n "$wanted" ] || fail "the menu entry has no StartupWMClass"
expect_eq "$class" "WM_CLASS(STRING) = \"prandel\", \"$wanted\"" "WM_CLASS"
send_keys "$WIN" Escape
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "exit code"
echo "PASS $E2E_CASE"
