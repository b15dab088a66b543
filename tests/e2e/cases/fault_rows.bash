# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the fault point cases after fault_editors.bash: the rows of the fault table
# and how each is set up. A row is
#   EDITOR        an editor's save (fault_editors.bash)
#   open_EDITOR   its opening: the start-up takes the request (RequestCode 0 into the link
#                 record) and the expense window copies the live conditions over the
#                 working set; then its OK without changes
#   tariff        zktrack import of a tariff file that changes conditions and holidays
#   recovery      a recovering start over a save cut short: its journal durable, the file
#                 half written
# fp_setup ROW leaves the folder each run starts from in $E2E_TMP/initial and sets how the
# row runs and is judged.

FP_ROWS_ALL=("${FP_EDITORS[@]}" open_expense open_holidays open_countdown open_callsettings open_bookmarks
  open_import tariff recovery)

# Byte ranges of mlif.zkt (512-byte records 17 on, 128-byte records 121 to 140).
FP_REQUEST_BYTES="mlif.zkt:$OFF_REQUEST:$((OFF_REQUEST + 2))"
FP_WORK_BYTES="mlif.zkt:$((120 * 128)):$((140 * 128))"

# fp_setup ROW
fp_setup() {
  local row="$1"
  FP_ROW="$row" FP_TITLE="" FP_RULE=save FP_RECOVER_CODES=0 FP_NO_DISPLAY=""
  FP_MASKS=() FP_COMMAND=()
  case "$row" in
    open_*)
      fp_prepare "${row#open_}"
      FP_TITLE="$("fp_${row#open_}_title")"
      # A request left by a fault at its clearing is the tracker's to ask again: the
      # recovering start refuses it for want of a display.
      FP_MASKS=(--mask "$FP_REQUEST_BYTES")
      FP_RECOVER_CODES="0 1"
      if [ "$row" = open_expense ]; then
        fp_stale_working_set
        FP_MASKS+=(--mask "$FP_WORK_BYTES")
      fi
      ;;
    tariff) fp_tariff_setup ;;
    recovery) fp_recovery_setup ;;
    *)
      fp_prepare "$row"
      FP_TITLE="$("fp_${row}_title")"
      ;;
  esac
  return 0
}

# The working slots filled with other conditions than the live ones (the live set in
# the reverse order of its used slots), so that a working set the opening failed to
# refresh differs from the live one in every used slot.
fp_stale_working_set() {
  python3 - "$E2E_TMP/initial/mlif.zkt" <<'PY' || fail "working set not prepared"
import sys
path = sys.argv[1]
data = bytearray(open(path, 'rb').read())
data.extend(bytes(max(0, 140 * 128 - len(data))))
live = [bytes(data[(80 + i) * 128:(81 + i) * 128]) for i in range(20)]
used = [r for r in live if r[0:2] == b'\xff\xff']
assert len(used) >= 2, 'the demo has at least two live conditions'
work = list(reversed(used)) + [bytes(128)] * (20 - len(used))
for i, r in enumerate(work):
    data[(120 + i) * 128:(121 + i) * 128] = r
open(path, 'wb').write(data)
PY
}

# --- zktrack import -------------------------------------------------------------------------

# A tariff file that changes conditions, days off and holidays: one import, which also
# sets the reload flag; the flag is part of its after image.
fp_tariff_setup() {
  make_data
  wr_u8 "$(MLIF)" "$OFF_CHANGE_CODE" 0
  cat >"$E2E_TMP/tariff.toml" <<'TOML'
days_off = ["Saturday", "Sunday"]

[[condition]]
amount = 1.5
charged = "per hour"
period = "every day"
time = "whole day"

[[condition]]
amount = 3.0
charged = "per hour"
period = "weekdays"
time = "between"
time_from = "09:00"
time_to = "17:00"

[[holiday]]
date = 2026-01-01
description = "New Year"

[[holiday]]
date = 2026-06-01
description = "Fault Day"
TOML
  rm -rf "$E2E_TMP/initial" "$E2E_TMP/judged-before"
  mkdir -p "$E2E_TMP/initial"
  cp "$E2E_DATA"/*.zkt "$E2E_TMP/initial/"
  fp_images "$E2E_TMP/judged-before"
  FP_COMMAND=("$E2E_DATA/zktrack" import "$E2E_TMP/tariff.toml")
  FP_NO_DISPLAY=1
  FP_RULE=strict
}

# --- A recovery cut short -------------------------------------------------------------------

# The import's first save killed as it writes the third live condition: its journal
# flushed, the working set and two live conditions written, the rest of the live set and
# MainRecord not. Every run of the row is a start without a request over that folder;
# after it and a second, clean recovery every file must be as before the import.
FP_CUT_OFFSET=$(((80 + 2) * 128))
fp_recovery_setup() {
  local ordinal
  fp_tariff_setup
  FP_ROW=tariff
  fp_count tariff
  ordinal=$(fp_calls_with_offsets "$E2E_TMP/count.log" | awk -v at="$FP_CUT_OFFSET" '
    $1 == "pwrite64" && $2 == "mlif.zkt" { n++; if ($3 == at) { print n; exit } }')
  [ -n "$ordinal" ] || fail "recovery: the import wrote no live condition 3"
  fp_run tariff "$E2E_TMP/cut.log" "pwrite64:signal=SIGKILL:when=$ordinal"
  expect_eq "$EXIT_CODE" 137 "recovery: exit code of the import cut short"
  [ -e "$E2E_DATA/mlif.zkt-journal" ] || fail "recovery: the import cut short left no journal"
  cmp -s "$E2E_DATA/mlif.zkt" "$E2E_TMP/judged-before/mlif.zkt" &&
    fail "recovery: the import cut short wrote nothing to mlif.zkt"
  # Judged against the files before the import (judged-before stays the tariff's).
  rm -rf "$E2E_TMP/initial"
  mkdir -p "$E2E_TMP/initial"
  cp "$E2E_DATA"/*.zkt "$E2E_DATA"/*-journal "$E2E_TMP/initial/"
  FP_ROW=recovery FP_TITLE="" FP_MASKS=()
  FP_COMMAND=("$E2E_DATA/prandel")
  FP_NO_DISPLAY=1
  FP_RULE=before
}

# The writes of a log as "call file offset" lines.
fp_calls_with_offsets() {
  sed -n 's/^[0-9]\+ \+\(pwrite64\)([0-9]*<\([^>]*\)>, .*, \([0-9]\+\)) = .*/\1 \2 \3/p' "$1" |
    awk '{ n = split($2, p, "/"); print $1, p[n], $3 }'
}
