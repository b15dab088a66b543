#!/usr/bin/env bash
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
import struct, sys
before = open(sys.argv[1], 'rb').read()
after = open(sys.argv[2], 'rb').read()
problems = []
def want(what, got, wanted):
    if got != wanted:
        problems.append(f'{what}: got {got!r}, want {wanted!r}')
main = 1024
want('HolidayCount', struct.unpack_from('<h', after, main + 135)[0], 5)
want('WeekOff', [struct.unpack_from('<h', after, main + 137 + 2 * d)[0] for d in range(7)], [-1, 0, 0, 0, 0, 0, 0])
want('ChangeCode', after[main + 156], 5)
want('ReloadFlag', struct.unpack_from('<h', after, 8192 + 244)[0], -1)
want('RequestCode', struct.unpack_from('<h', after, 8192)[0], 0)
def rec(k):
    off = (320 + k - 1) * 64
    return off, after[off:off + 64]
for k in (1, 2, 3):
    off, r = rec(k)
    want(f'holiday {k} kept', r, before[off:off + 64])
off, r = rec(4)
want('holiday 4 date', struct.unpack_from('<d', r, 0)[0], 46017.0)   # 26 December 2025
want('holiday 4 name', r[8:48], b'Boxing Day'.ljust(40))
want('holiday 4 spare', r[48:64], bytes([9] * 16))                   # the last one loaded
off, r = rec(5)
want('holiday 5 date', struct.unpack_from('<d', r, 0)[0], 46022.0)   # 31 December 2025
want('holiday 5 name', r[8:48], b' ' * 40)
allowed = set(range(main + 135, main + 151)) | {main + 156, 8192, 8193, 8192 + 244, 8192 + 245}
allowed |= set(range((320 + 3) * 64, (320 + 5) * 64))
changed = [i for i in range(max(len(before), len(after)))
           if (before[i] if i < len(before) else None) != (after[i] if i < len(after) else None)]
want('bytes changed outside the window\'s own', [i for i in changed if i not in allowed], [])
if problems:
    print('\n'.join(problems), file=sys.stderr)
    sys.exit(1)
PY
echo "PASS $E2E_CASE"
