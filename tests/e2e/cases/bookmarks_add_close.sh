#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bookmark editor by keys only: add a bookmark (name and link), then "Close";
# bit.zkt gains exactly that record after the demo's four, MainRecord holds
# ChangeCode 6, the tracker is told, and no other byte of mlif.zkt has changed.
source "$(dirname "$0")/../lib.sh"

start_xvfb
make_data
cp "$E2E_DATA/bit.zkt" "$E2E_TMP/bit.before"
wr_u8 "$(MLIF)" "$OFF_CHANGE_CODE" 0
cp "$(MLIF)" "$E2E_TMP/mlif.before"

set_request 505
run_prandel
wait_window "Zelkora Bookmarks"
win=$WIN
send_keys "$win" alt+e                        # D&escription
type_text "$win" "Caf$(printf '\xc3\xa9') Zelkora"
send_keys "$win" alt+l                        # &Link
type_text "$win" "http://cafe.example/menu"
send_keys "$win" Return                       # Add is the default while a box holds text
sleep 0.3
# Focus is back in the description box; Close is five stops on (the disabled
# Delete is passed over).
send_keys "$win" Tab Tab Tab Tab Tab space
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "exit code"

python3 - "$E2E_TMP/mlif.before" "$(MLIF)" "$E2E_TMP/bit.before" "$E2E_DATA/bit.zkt" <<'PY' || fail "record bytes"
import sys
from records import *
mlif_before, mlif, bit_before, bit = (read(p) for p in sys.argv[1:5])
want('bit.zkt length', len(bit), len(bit_before) + 512)
want('records before it', bit[:len(bit_before)], bit_before)
r = bit[len(bit_before):]
want('BmName', r[0:24], 'Café Zelkora'.encode('cp1252').ljust(24))
want('BmLink', r[24:408], b'http://cafe.example/menu'.ljust(384))
want('BmDeleted', field(r, '<h', 408), 0)
want('BmNameMore', r[410:462], b' ' * 52)
want('ChangeCode', mlif[MAIN + 156], 6)
want('ReloadFlag', field(mlif, '<h', RELOAD), -1)
want('RequestCode', field(mlif, '<h', LINK), 0)
only_own_changed(mlif_before, mlif, {MAIN + 156} | LINK_OWN, "mlif.zkt bytes changed outside the window's own")
finish()
PY
echo "PASS $E2E_CASE"
