# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the fault point cases after fault_points.bash: each editor's save by
# keys, in the three steps fault_points.bash runs (prepare, edit, save), on zktrack's
# demo records; and the keys of its OK without changes (ok), pressed after its opening.

FP_EDITORS=(expense holidays countdown countdown_off callsettings bookmarks import)
# Saves over two files that must take effect in both or in neither; the bookmark
# editor's add and Close are two saves.
FP_ONE_SAVE=(import)

# fp_prepare EDITOR: the demo records with the editor's request and no ChangeCode
# pending, kept in $E2E_TMP/initial for every run.
fp_prepare() {
  make_data
  wr_u8 "$(MLIF)" "$OFF_CHANGE_CODE" 0
  "fp_$1_prepare"
  rm -rf "$E2E_TMP/initial"
  mkdir -p "$E2E_TMP/initial"
  cp "$E2E_DATA"/*.zkt "$E2E_TMP/initial/"
}

# Text for a window that a fault may have closed (a message box in the way is closed first).
fp_type() {
  kill -0 "$PRANDEL_PID" 2>/dev/null || return 0
  [ -n "${FP_TITLE:-}" ] && fp_close_boxes "$FP_TITLE"
  timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null || return 0
  timeout 20 xdotool type --delay 40 "$2" 2>/dev/null || true
  sleep 0.2
}

# The expense window: delete the first condition (the working set is compacted), then OK
# commits the working set over the live one with ChangeCode 3.
fp_expense_prepare() { set_request 502; }
fp_expense_title() { echo "Zelkora Expense"; }
fp_expense_edit() {
  send_keys "$WIN" alt+d
  local main=$WIN
  wait_window Confirm 10
  send_keys "$WIN" Return
  WIN=$main
  sleep 1.2  # the window's timer gives OK back its default role
}
fp_expense_save() { fp_keys "$WIN" Return; }
fp_expense_ok() { fp_keys "$WIN" Return; }

# The holiday list: two holidays added, Sunday switched, OK.
fp_holidays_prepare() { set_request 504; }
fp_holidays_title() { echo Holidays; }
fp_holidays_edit() {
  type_text "$WIN" "27/12/2025"
  send_keys "$WIN" Tab
  type_text "$WIN" "Fault day"
  send_keys "$WIN" Return
  type_text "$WIN" "31/12/2025"
  send_keys "$WIN" Return alt+u
  sleep 0.3
}
fp_holidays_save() { fp_keys "$WIN" Return; }
# With the date box empty, OK is the default button.
fp_holidays_ok() { fp_keys "$WIN" Return; }

# The countdown: a new time, &Reset (one write of MainRecord).
fp_countdown_prepare() { set_request 501; }
fp_countdown_title() { echo Countdown; }
fp_countdown_edit() {
  send_keys "$WIN" alt+s
  type_text "$WIN" "3"
  send_keys "$WIN" Tab
  type_text "$WIN" "15"
}
fp_countdown_save() { fp_keys "$WIN" alt+r; }
fp_countdown_ok() { fp_keys "$WIN" alt+r; }

# The countdown switched off: &Reset writes MainRecord twice.
fp_countdown_off_prepare() { set_request 501; }
fp_countdown_off_title() { echo Countdown; }
fp_countdown_off_edit() {
  send_keys "$WIN" alt+e
  sleep 0.3
}
fp_countdown_off_save() { fp_keys "$WIN" alt+r; }

# The call settings: an increment of 1:30, counting after the connection, OK.
fp_callsettings_prepare() { set_request 503; }
fp_callsettings_title() { echo "Call Settings"; }
fp_callsettings_edit() {
  send_keys "$WIN" alt+i Home Down Tab
  type_text "$WIN" "1:30"
  send_keys "$WIN" alt+s Down
}
fp_callsettings_save() { fp_keys "$WIN" Return; }
fp_callsettings_ok() { fp_keys "$WIN" Return; }

# The bookmarks: one added (an append to bit.zkt), then Close (ChangeCode 6).
fp_bookmarks_prepare() { set_request 505; }
fp_bookmarks_title() { echo "Zelkora Bookmarks"; }
fp_bookmarks_edit() { :; }
fp_bookmarks_save() {
  fp_keys "$WIN" alt+e
  fp_type "$WIN" "Fault"
  fp_keys "$WIN" alt+l
  fp_type "$WIN" "http://fault.example/"
  fp_keys "$WIN" Return
  # From the description box, whether the add was taken or not, Close is five stops on.
  fp_keys "$WIN" alt+e Tab Tab Tab Tab Tab space
}
fp_bookmarks_ok() { fp_keys "$WIN" alt+e Tab Tab Tab Tab Tab space; }

# The favourites import: two favourites ticked, &Import appends them to bit.zkt and
# sets ChangeCode 6 in mlif.zkt, as one save over both files.
fp_import_prepare() {
  set_request 506
  export HOME="$E2E_TMP/home"
  mkdir -p "$HOME/Favorites"
  printf '[InternetShortcut]\r\nURL=http://one.example/\r\n' >"$HOME/Favorites/One.url"
  printf '[InternetShortcut]\r\nURL=http://two.example/\r\n' >"$HOME/Favorites/Two.url"
}
fp_import_title() { echo "Import Bookmarks"; }
fp_import_edit() { send_keys "$WIN" space Down space; }
fp_import_save() { fp_keys "$WIN" Return; }
# &Import with nothing ticked: ChangeCode 6 alone.
fp_import_ok() { fp_keys "$WIN" Return; }
