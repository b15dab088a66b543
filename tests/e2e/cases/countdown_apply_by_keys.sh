#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The countdown editor by keys only: a new countdown time, the listed conditions
# with two of them ticked, a monthly reset on the 5th at 06:45, then "&Reset". The
# countdown starts anew (CdUsed 0), ChangeCode is 1, and no byte outside the
# countdown's own fields has changed (but the request taken and the reload flag).
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
struct.pack_into('<h', data, m + 26, 5)         # CdStatus
struct.pack_into('<d', data, m + 28, 7200.0)    # CdTotal
struct.pack_into('<d', data, m + 36, 1800.0)    # CdUsed
data[m + 46] = 0                                # CdActiveOnly
struct.pack_into('<h', data, m + 55, 0)         # CdExpenseMode
struct.pack_into('<h', data, m + 57, -1)        # CdResetOn
struct.pack_into('<d', data, m + 59, 3600.0)    # CdResetTime
struct.pack_into('<i', data, m + 67, 0)         # CdResetPeriod
struct.pack_into('<i', data, m + 71, 0)         # CdResetDay
for n in range(21):
    struct.pack_into('<h', data, m + 91 + 2 * n, -1 if n == 9 else 0)
data[m + 156] = 0                               # ChangeCode
open(path, 'wb').write(data)
PY
cp "$(MLIF)" "$E2E_TMP/before.zkt"

set_request 501
run_prandel
wait_window Countdown
win=$WIN
send_keys "$win" alt+s            # &Set Time: the hours
type_text "$win" "3"
send_keys "$win" Tab
type_text "$win" "15"
send_keys "$win" alt+n            # E&nable Following Expense Conditions
sleep 0.4                         # an access key clicks after a short press animation
send_keys "$win" Tab space Down space
send_keys "$win" alt+p Down Down  # Reset &Period: Every Month
send_keys "$win" alt+o Down Down Down Down
send_keys "$win" alt+t            # Reset &Time
type_text "$win" "6"
send_keys "$win" Tab
type_text "$win" "45"
if [ -n "${E2E_SHOTS:-}" ]; then screenshot "$E2E_SHOTS/countdown-e2e.png"; fi
send_keys "$win" alt+r            # &Reset applies
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "exit code"

python3 - "$E2E_TMP/before.zkt" "$(MLIF)" <<'PY' || fail "record bytes"
import sys
from records import *
before, after = read(sys.argv[1]), read(sys.argv[2])
m = MAIN
g = lambda fmt, off: field(after, fmt, m + off)
want('CdEnabled', g('<h', 24), -1)
want('CdStatus', g('<h', 26), 5)
want('CdTotal', g('<d', 28), 3 * 3600 + 15 * 60.0)
want('CdUsed', g('<d', 36), 0.0)
want('CdExpenseMode', g('<h', 55), 2)
want('CdResetOn', g('<h', 57), -1)
want('CdResetTime', g('<d', 59), 6 * 3600 + 45 * 60.0)
want('CdResetPeriod', g('<i', 67), 2)
want('CdResetDay', g('<i', 71), 4)
want('CdCondOn', [g('<h', 91 + 2 * n) for n in range(21)], [0, -1, -1] + [0] * 6 + [-1] + [0] * 11)
want('ChangeCode', after[m + 156], 1)
want('ReloadFlag', field(after, '<h', RELOAD), -1)
want('RequestCode', field(after, '<h', LINK), 0)
own = set(LINK_OWN)
for off, width in ((24, 2), (26, 2), (28, 8), (36, 8), (46, 1), (55, 2), (57, 2), (59, 8), (67, 4), (71, 4),
                   (75, 8), (91, 42), (156, 1)):
    own |= span(m + off, width)
only_own_changed(before, after, own)
finish()
PY
echo "PASS $E2E_CASE"
