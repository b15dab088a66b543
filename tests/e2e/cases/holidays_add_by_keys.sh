#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The holiday editor by keys only: add two holidays (one with a description, one
# without), tick Sunday, press OK; then MainRecord holds the new count, the weekly
# day off and ChangeCode 5, records 321 onwards hold the list in order, and no other
# byte of the file has changed (but the request taken and the reload flag).
source "$(dirname "$0")/../lib.sh"

start_xvfb
make_data

# Three holidays with spare bytes of their own, and a leftover record after them.
python3 - "$(MLIF)" <<'PY'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, 'rb').read())
data.extend(bytes(max(0, 40000 - len(data))))
main = 1024
struct.pack_into('<h', data, main + 135, 3)
for d in range(7):
    struct.pack_into('<h', data, main + 137 + 2 * d, 0)
struct.pack_into('<B', data, main + 156, 0)
def holiday(k, serial, name, spare):
    off = (320 + k - 1) * 64
    struct.pack_into('<d', data, off, serial)
    data[off + 8:off + 48] = name.ljust(40).encode('cp1252')
    data[off + 48:off + 64] = spare
holiday(1, 45651.0, 'Christmas Day', bytes(range(16)))
holiday(2, 45658.0, "New Year's Day", bytes([7] * 16))
holiday(3, 45765.0, 'Good Friday', bytes([9] * 16))
holiday(6, 40000.0, 'Left over', bytes([1] * 16))
open(path, 'wb').write(data)
PY
cp "$(MLIF)" "$E2E_TMP/before.zkt"

set_request 504
run_prandel
wait_window Holidays
win=$WIN
type_text "$win" "26/12/2025"   # a day above 12 reads the same in either day order
send_keys "$win" Tab
type_text "$win" "Boxing Day"
send_keys "$win" Return         # Add is the default while a box holds text
type_text "$win" "31/12/2025"
send_keys "$win" Return
send_keys "$win" alt+u          # S&un
sleep 0.3                       # an access key clicks after a short press animation
send_keys "$win" Return         # both boxes are empty: OK is the default again
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "exit code"

python3 - "$E2E_TMP/before.zkt" "$(MLIF)" <<'PY' || fail "record bytes"
import sys
from records import *
before, after = read(sys.argv[1]), read(sys.argv[2])
main = MAIN
want('HolidayCount', field(after, '<h', main + 135), 5)
want('WeekOff', [field(after, '<h', main + 137 + 2 * d) for d in range(7)], [-1, 0, 0, 0, 0, 0, 0])
want('ChangeCode', after[main + 156], 5)
want('ReloadFlag', field(after, '<h', RELOAD), -1)
want('RequestCode', field(after, '<h', LINK), 0)
def rec(k):
    off = (320 + k - 1) * 64
    return off, after[off:off + 64]
for k in (1, 2, 3):
    off, r = rec(k)
    want(f'holiday {k} kept', r, before[off:off + 64])
off, r = rec(4)
want('holiday 4 date', field(r, '<d', 0), 46017.0)   # 26 December 2025
want('holiday 4 name', r[8:48], b'Boxing Day'.ljust(40))
want('holiday 4 spare', r[48:64], bytes([9] * 16))                   # the last one loaded
off, r = rec(5)
want('holiday 5 date', field(r, '<d', 0), 46022.0)   # 31 December 2025
want('holiday 5 name', r[8:48], b' ' * 40)
allowed = span(main + 135, 16) | {main + 156} | LINK_OWN
allowed |= span((320 + 3) * 64, 2 * 64)
only_own_changed(before, after, allowed)
finish()
PY
echo "PASS $E2E_CASE"
