#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Record files replaced by folders. With bit.zkt, backrecs.zkt, sif.zkt and ecf.zkt
# folders the bookmark editor opens with an empty list, refuses an added bookmark
# silently, and its Close still tells the tracker; with mlif.zkt a folder no request
# can be read and the program ends at once, saying so on standard error. Every run ends with exit code 0, without
# a message box, and the folders and what they hold stay as they were.
source "$(dirname "$0")/../lib.sh"

start_xvfb
make_data
for f in bit backrecs sif ecf; do
  rm -f "$E2E_DATA/$f.zkt"
  mkdir "$E2E_DATA/$f.zkt"
  echo "keep" >"$E2E_DATA/$f.zkt/inside"
done
wr_u8 "$(MLIF)" "$OFF_CHANGE_CODE" 0
set_request 505
run_prandel
wait_window "Zelkora Bookmarks"
send_keys "$WIN" alt+l
type_text "$WIN" "http://folder.example/"
send_keys "$WIN" Return         # Add: refused, not listed
sleep 0.3
expect_eq "$(count_windows Prandel)" 0 "message boxes shown"
send_keys "$WIN" Tab Tab Tab Tab space   # Close
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "exit code"
expect_eq "$(rd_u8 "$(MLIF)" "$OFF_CHANGE_CODE")" 6 "ChangeCode"
expect_eq "$(rd_i16 "$(MLIF)" "$OFF_RELOAD")" -1 "ReloadFlag"
for f in bit backrecs sif ecf; do
  [ -d "$E2E_DATA/$f.zkt" ] || fail "$f.zkt is no longer a folder"
  expect_eq "$(ls -A "$E2E_DATA/$f.zkt")" inside "what $f.zkt holds"
  expect_eq "$(cat "$E2E_DATA/$f.zkt/inside")" keep "$f.zkt/inside"
done

mv "$(MLIF)" "$E2E_TMP/mlif.zkt"
mkdir "$(MLIF)"
PRANDEL_LOG="$E2E_TMP/folder.err" run_prandel
wait_exit "$PRANDEL_PID" 10
expect_eq "$EXIT_CODE" 0 "exit code with mlif.zkt a folder"
expect_eq "$(cat "$E2E_TMP/folder.err")" "prandel: cannot read $(MLIF): Is a directory" "standard error"
[ -d "$(MLIF)" ] && [ -z "$(ls -A "$(MLIF)")" ] || fail "mlif.zkt is no longer an empty folder"
expect_eq "$(count_windows "Zelkora Bookmarks")" 0 "bookmark windows"
echo "PASS $E2E_CASE"
