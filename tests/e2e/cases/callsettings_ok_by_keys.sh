#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The call settings by keys only: "Specify" with 0:00 typed is refused with a
# message box titled "Prandel" (nothing written); 1:30 typed then is stored as a
# minute and a half, with counting after the connection and the dialling time
# kept. ChangeCode is 4 and no byte outside the window's fields has changed (but the
# request taken and the reload flag).
source "$(dirname "$0")/../lib.sh"

start_xvfb
make_data

python3 - "$(MLIF)" <<'PY'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, 'rb').read())
data.extend(bytes(max(0, 20000 - len(data))))
m = 1024
struct.pack_into('<h', data, m + 2, 0)                  # CallStart: after making the call
struct.pack_into('<h', data, m + 4, 5)                  # IncChoice: 5 Min.
struct.pack_into('<d', data, m + 6, 300 / 86400)        # IncTime
data[m + 161] = 1                                       # AddDialTime
data[m + 162] = 200                                     # DialSeconds out of range: shown as 20
data[m + 156] = 0                                       # ChangeCode
open(path, 'wb').write(data)
PY
cp "$(MLIF)" "$E2E_TMP/before.zkt"

set_request 503
run_prandel
wait_window "Call Settings"
win=$WIN
send_keys "$win" alt+i Home Down    # &Increments After Every: Specify
send_keys "$win" Tab                # the time box, its text selected
type_text "$win" "0:00"
send_keys "$win" Return
wait_window Prandel 10
box=$WIN
send_keys "$box" Return
for ((n = 0; n < 50; n++)); do [ "$(count_windows Prandel)" -eq 0 ] && break; sleep 0.1; done
expect_eq "$(count_windows Prandel)" 0 "message boxes left open"
expect_eq "$(count_windows "Call Settings")" 1 "call settings windows"
cmp -s "$E2E_TMP/before.zkt" "$(MLIF)" || fail "the refused OK wrote to the file"

type_text "$win" "1:30"             # the emptied time box has the focus
send_keys "$win" alt+s Down         # &Start Counting Call: After Connection
if [ -n "${E2E_SHOTS:-}" ]; then screenshot "$E2E_SHOTS/callsettings-e2e.png"; fi
send_keys "$win" Return
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "exit code"

python3 - "$E2E_TMP/before.zkt" "$(MLIF)" <<'PY' || fail "record bytes"
import sys
from records import *
before, after = read(sys.argv[1]), read(sys.argv[2])
m = MAIN
g = lambda fmt, off: field(after, fmt, m + off)
want('CallStart', g('<h', 2), 1)
want('IncChoice', g('<h', 4), 1)
want('IncTime', g('<d', 6), 90 / 86400)
want('AddDialTime', after[m + 161], 1)
want('DialSeconds', after[m + 162], 20)
want('ChangeCode', after[m + 156], 4)
want('ReloadFlag', field(after, '<h', RELOAD), -1)
own = span(m + 2, 12) | {m + 156, m + 161, m + 162} | LINK_OWN
only_own_changed(before, after, own)
finish()
PY
echo "PASS $E2E_CASE"
