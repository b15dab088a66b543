#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The favourites import by keys only, from ~/Favorites of a home folder of our own:
# the favourites lie in sub-folders only (none directly in the folder), one folder
# links back up the tree, one link is stored already in other letters. Tick two,
# "&Import": bit.zkt gains them in list order (a long name split over BmName and
# BmNameMore) and MainRecord holds ChangeCode 6.
source "$(dirname "$0")/../lib.sh"

start_xvfb
make_data
wr_u8 "$(MLIF)" "$OFF_CHANGE_CODE" 0
cp "$E2E_DATA/bit.zkt" "$E2E_TMP/bit.before"

export HOME="$E2E_TMP/home"
fav="$HOME/Favorites"
mkdir -p "$fav/Links" "$fav/News/Daily"
shortcut() { printf '[InternetShortcut]\r\nURL=%s\r\n' "$2" >"$1"; }
shortcut "$fav/Links/Zelkora.url" "HTTP://WWW.ZELKORA.EXAMPLE/"   # stored as a demo bookmark
shortcut "$fav/Links/a dial-up tariff comparison site.url" "http://tariffs.example/"
shortcut "$fav/Links/Mixed.URL" "http://mixed.example/"
shortcut "$fav/News/Daily/paper.url" "http://paper.example/"
ln -s .. "$fav/News/Daily/up"                                     # a loop
printf 'not a shortcut\n' >"$fav/readme.txt"

set_request 506
run_prandel
wait_window "Import Bookmarks"
win=$WIN
# Offered: "a dial-up tariff comparison site", "Mixed.URL", "paper"; the first is current.
send_keys "$win" space Down Down space        # tick the first and the third
send_keys "$win" Return                       # Import is the default
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "exit code"

python3 - "$E2E_TMP/bit.before" "$E2E_DATA/bit.zkt" "$(MLIF)" <<'PY' || fail "record bytes"
import sys
from records import *
bit_before, bit, mlif = (read(p) for p in sys.argv[1:4])
want('bit.zkt length', len(bit), len(bit_before) + 2 * 512)
want('records before them', bit[:len(bit_before)], bit_before)
name = 'a dial-up tariff comparison site'
expected = [(name[:24], name[24:].strip(), 'http://tariffs.example/'), ('paper', '', 'http://paper.example/')]
for k, (n, more, link) in enumerate(expected):
    r = bit[len(bit_before) + 512 * k:len(bit_before) + 512 * (k + 1)]
    want(f'record {k} BmName', r[0:24], n.encode().ljust(24))
    want(f'record {k} BmLink', r[24:408], link.encode().ljust(384))
    want(f'record {k} BmDeleted', field(r, '<h', 408), 0)
    want(f'record {k} BmNameMore', r[410:462], more.encode().ljust(52))
want('ChangeCode', mlif[MAIN + 156], 6)
want('ReloadFlag', field(mlif, '<h', RELOAD), -1)
finish()
PY
echo "PASS $E2E_CASE"
