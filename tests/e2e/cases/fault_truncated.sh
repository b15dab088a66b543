#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# mlif.zkt cut short while an editor window is open. Each save reads the records
# afresh, writes them whole and leaves no part of a record where a whole one was:
# the holiday editor writes back its whole list after a cut to 0 bytes; the countdown
# editor's Discard after a cut in the middle of MainRecord keeps the bytes left before
# the cut and writes the record whole; the expense window's OK after a cut through
# the live conditions does not copy the lost working copy over what is left of them.
# Every run ends with exit code 0 and no message box.
source "$(dirname "$0")/../lib.sh"

start_xvfb
make_data
cp "$(MLIF)" "$E2E_TMP/seeded.zkt"

# The demo's holidays, listed at load, are what OK writes back.
wr_u8 "$(MLIF)" "$OFF_CHANGE_CODE" 0
cp "$(MLIF)" "$E2E_TMP/before.zkt"
set_request 504
run_prandel
wait_window Holidays
truncate -s 0 "$(MLIF)"
send_keys "$WIN" Return         # OK
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "holidays: exit code"
python3 - "$E2E_TMP/before.zkt" "$(MLIF)" <<'PY' || fail "holidays: records"
import struct, sys
before, after = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read()
count = struct.unpack_from('<h', before, 1024 + 135)[0]
assert count > 0, 'the demo has holidays'
bad = []
if len(after) < 20480 + count * 64: bad.append(f'length {len(after)}')
else:
    if struct.unpack_from('<h', after, 1024 + 135)[0] != count: bad.append('HolidayCount')
    if after[1024 + 156] != 5: bad.append('ChangeCode')
    if struct.unpack_from('<h', after, 8192 + 244)[0] != -1: bad.append('ReloadFlag')
    for k in range(count):
        off = 20480 + 64 * k
        if after[off:off + 64] != before[off:off + 64]: bad.append(f'holiday {k + 1}')
sys.exit(', '.join(bad) or None)
PY

cp "$E2E_TMP/seeded.zkt" "$(MLIF)"
python3 - "$(MLIF)" <<'PY'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, 'rb').read())
for i in range(1024, 1187):
    data[i] = (i * 7 + 1) & 0xFF                # tracker bytes everywhere
struct.pack_into('<h', data, 1024 + 24, -1)     # CdEnabled
struct.pack_into('<h', data, 1024 + 57, 0)      # CdResetOn
struct.pack_into('<i', data, 1024 + 67, 0)      # CdResetPeriod
struct.pack_into('<h', data, 1024 + 55, 0)      # CdExpenseMode
data[1024 + 156] = 0
open(path, 'wb').write(data)
PY
cp "$(MLIF)" "$E2E_TMP/before.zkt"
set_request 501
run_prandel
wait_window Countdown
truncate -s 1100 "$(MLIF)"
send_keys "$WIN" alt+d          # Discard
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "countdown: exit code"
python3 - "$E2E_TMP/before.zkt" "$(MLIF)" <<'PY' || fail "countdown: records"
import struct, sys
before, after = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read()
bad = []
if len(after) < 8192 + 359: sys.exit(f'length {len(after)}')
own = set(range(24, 26)) | set(range(26, 28)) | set(range(28, 36)) | set(range(36, 44)) | {156}
for i in range(163):
    if i in own: continue
    want = before[1024 + i] if 1024 + i < 1100 else 0
    if after[1024 + i] != want: bad.append(f'MainRecord byte {i}')
for name, off, fmt, want in (('CdEnabled', 24, '<h', 0), ('CdStatus', 26, '<h', 0), ('CdTotal', 28, '<d', 0.0),
                             ('CdUsed', 36, '<d', 0.0), ('ChangeCode', 156, 'B', 2)):
    if struct.unpack_from(fmt, after, 1024 + off)[0] != want: bad.append(name)
if struct.unpack_from('<h', after, 8192 + 244)[0] != -1: bad.append('ReloadFlag')
sys.exit(', '.join(bad) or None)
PY

source "$(dirname "$0")/expense_session.bash"
seed_conditions "cond(1, Amt=0.8); cond(2, Amt=1.2); cond(3, Amt=2.5)"
cp "$(MLIF)" "$E2E_TMP/before.zkt"
run_prandel
wait_window "Zelkora Expense"
truncate -s 12000 "$(MLIF)"     # the working copy is gone, most of the live set is left
send_keys "$WIN" Return         # OK
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "expense: exit code"
python3 - "$E2E_TMP/before.zkt" "$(MLIF)" <<'PY' || fail "expense: live conditions"
import sys
before, after = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read()
if len(after) != 12000: sys.exit(f'length {len(after)}')
if after[10240:12000] != before[10240:12000]: sys.exit('the live conditions were overwritten')
PY
echo "PASS $E2E_CASE"
