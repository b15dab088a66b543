#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A full disk (a 64 KiB tmpfs as the data folder, filled up): what needs new room is
# refused whole and silently, and nothing is left half written. The expense window's
# OK keeps the live conditions when the working copy found no room at load; the
# holiday editor saves nothing when its list does not fit (no count without its
# records); a bookmark that does not fit is not listed and leaves bit.zkt as it was.
# Every run ends with exit code 0 and no message box.
source "$(dirname "$0")/fault_session.bash"
enter_mount_namespace "$@"
source "$(dirname "$0")/../lib.sh"
trap fault_cleanup EXIT

start_xvfb
make_data
full="$E2E_TMP/full"
mkdir "$full"
small_disk "$full" 64k
printf 'DataDir=%s\r\n' "$full" >"$E2E_DATA/Zelkora.ini"

# The demo's records, cut after the live conditions: the working copy and the
# holidays would need room the disk does not have. bit.zkt fills one whole page.
python3 - "$(MLIF)" "$E2E_DATA/bit.zkt" "$full" <<'PY' || fail "records not prepared"
import struct, sys
mlif, bit, full = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read(), sys.argv[3]
data = bytearray(mlif.ljust(12800, b'\0')[:12800])
struct.pack_into('<h', data, 1024 + 135, 0)     # HolidayCount
data[1024 + 156] = 0                            # ChangeCode
assert struct.unpack_from('<h', data, 10240)[0] == -1, 'the demo has a live condition'
open(full + '/mlif.zkt', 'wb').write(data)
records = [bit[i:i + 512] for i in range(0, len(bit), 512)]
open(full + '/bit.zkt', 'wb').write(b''.join((records * 8)[:8]))
PY
for f in backrecs sif ecf; do : >"$full/$f.zkt"; done
fill_up "$full"
FULL_MLIF="$full/mlif.zkt"
mkdir "$E2E_TMP/before"

# open_full CODE: the request and a copy of the records as they are before the run.
open_full() {
  wr_i16 "$FULL_MLIF" "$OFF_REQUEST" "$1"
  cp "$full"/*.zkt "$E2E_TMP/before/"
  run_prandel
}
# mlif.zkt changed in no byte but those listed (offsets; the request is always taken).
only_changed() {
  python3 - "$E2E_TMP/before/mlif.zkt" "$FULL_MLIF" "$OFF_REQUEST" "$((OFF_REQUEST + 1))" "$@" <<'PY' || fail "mlif.zkt"
import sys
a, b = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read()
allowed = {int(x) for x in sys.argv[3:]}
if len(a) != len(b):
    sys.exit(f'length {len(b)}, was {len(a)}')
bad = [i for i in range(len(a)) if a[i] != b[i] and i not in allowed]
if bad:
    sys.exit(f'bytes changed: {bad[:20]}')
PY
}

open_full 502
wait_window "Zelkora Expense"
send_keys "$WIN" Return         # OK: nothing was changed, the working copy is not there
ended_cleanly
only_changed

open_full 504
wait_window Holidays
type_text "$WIN" "26/12/2025"
send_keys "$WIN" Return         # Add
sleep 0.3
send_keys "$WIN" Return         # OK: the record has no room, so nothing is saved
ended_cleanly
only_changed

open_full 505
wait_window "Zelkora Bookmarks"
send_keys "$WIN" alt+l
type_text "$WIN" "http://no-room.example/"
send_keys "$WIN" Return         # Add: refused, not listed
sleep 0.3
no_message_box
send_keys "$WIN" Tab Tab Tab Tab space   # Close: ChangeCode 6, the tracker is told
ended_cleanly
cmp -s "$E2E_TMP/before/bit.zkt" "$full/bit.zkt" || fail "bit.zkt changed"
only_changed "$OFF_CHANGE_CODE" "$OFF_RELOAD" "$((OFF_RELOAD + 1))"
expect_eq "$(rd_u8 "$FULL_MLIF" "$OFF_CHANGE_CODE")" 6 "ChangeCode"
expect_eq "$(rd_i16 "$FULL_MLIF" "$OFF_RELOAD")" -1 "ReloadFlag"
echo "PASS $E2E_CASE"
