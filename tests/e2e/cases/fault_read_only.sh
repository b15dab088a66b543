#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A data folder the program may only read (a read-only mount, which holds even for
# root): the holiday, bookmark and expense editors open on the records, take the
# user's changes, say nothing when nothing can be saved, and end with exit code 0;
# not one byte of any record file changes.
source "$(dirname "$0")/fault_session.bash"
enter_mount_namespace "$@"
source "$(dirname "$0")/../lib.sh"
trap fault_cleanup EXIT

start_xvfb
make_data
mkdir "$E2E_TMP/before"

# run_read_only CODE: the request written while the folder is writable, then the
# folder made read-only for the run; the keys come from the caller.
open_read_only() {
  set_request "$1"
  cp "$E2E_DATA"/*.zkt "$E2E_TMP/before/"
  read_only "$E2E_DATA"
  touch "$E2E_DATA/probe" 2>/dev/null && fail "the data folder is still writable"
  run_prandel
}
done_read_only() {
  ended_cleanly
  same_files "$E2E_TMP/before" "$E2E_DATA"
  writable "$E2E_DATA"
}

open_read_only 504
wait_window Holidays
type_text "$WIN" "26/12/2025"
send_keys "$WIN" Tab
type_text "$WIN" "Boxing Day"
send_keys "$WIN" Return         # Add
sleep 0.3
no_message_box
send_keys "$WIN" Return         # OK
done_read_only

open_read_only 505
wait_window "Zelkora Bookmarks"
send_keys "$WIN" alt+e
type_text "$WIN" "Read only"
send_keys "$WIN" alt+l
type_text "$WIN" "http://read-only.example/"
send_keys "$WIN" Return         # Add: the file refuses it, so it is not listed
sleep 0.3
no_message_box
send_keys "$WIN" Tab Tab Tab Tab space   # from the link box to Close
done_read_only

open_read_only 502
wait_window "Zelkora Expense"
send_keys "$WIN" Return         # OK
done_read_only
echo "PASS $E2E_CASE"
