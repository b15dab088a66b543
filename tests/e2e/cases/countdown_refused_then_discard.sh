#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A countdown that is used up shows 00:00, and "&Reset" refuses it with a message
# box titled "Prandel"; after Return the window is still there and nothing has been
# written. "&Discard" then switches the countdown off and clears it (ChangeCode 2),
# leaving every other byte as it was.
source "$(dirname "$0")/../lib.sh"

start_xvfb
make_data

python3 - "$(MLIF)" <<'PY'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, 'rb').read())
data.extend(bytes(max(0, 20000 - len(data))))
m = 1024
struct.pack_into('<h', data, m + 24, -1)        # CdEnabled
struct.pack_into('<h', data, m + 26, 7)         # CdStatus
struct.pack_into('<d', data, m + 28, 3600.0)    # CdTotal
struct.pack_into('<d', data, m + 36, 3600.5)    # CdUsed: all used
struct.pack_into('<h', data, m + 57, 0)         # CdResetOn
data[m + 156] = 0                               # ChangeCode
open(path, 'wb').write(data)
PY
cp "$(MLIF)" "$E2E_TMP/before.zkt"

set_request 501
run_prandel
wait_window Countdown
win=$WIN
send_keys "$win" alt+r
wait_window Prandel 10
box=$WIN
send_keys "$box" Return
for ((n = 0; n < 50; n++)); do [ "$(count_windows Prandel)" -eq 0 ] && break; sleep 0.1; done
expect_eq "$(count_windows Prandel)" 0 "message boxes left open"
expect_eq "$(count_windows Countdown)" 1 "countdown windows"
cmp -s "$E2E_TMP/before.zkt" "$(MLIF)" || fail "the refused apply wrote to the file"

send_keys "$win" alt+d
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "exit code"

python3 - "$E2E_TMP/before.zkt" "$(MLIF)" <<'PY' || fail "record bytes"
import sys
from records import *
before, after = read(sys.argv[1]), read(sys.argv[2])
m = MAIN
g = lambda fmt, off: field(after, fmt, m + off)
want('CdEnabled', g('<h', 24), 0)
want('CdStatus', g('<h', 26), 0)
want('CdTotal', g('<d', 28), 0.0)
want('CdUsed', g('<d', 36), 0.0)
want('ChangeCode', after[m + 156], 2)
want('ReloadFlag', field(after, '<h', RELOAD), -1)
own = set(LINK_OWN)
for off, width in ((24, 2), (26, 2), (28, 8), (36, 8), (156, 1)):
    own |= span(m + off, width)
only_own_changed(before, after, own, "bytes changed outside the discarded fields")
finish()
PY
echo "PASS $E2E_CASE"
