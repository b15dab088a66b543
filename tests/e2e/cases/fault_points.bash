# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the fault point cases after lib.sh: each row of the fault table (an
# editor's save run by keys, an editor's opening, zktrack import, a recovery) run under
# strace, once to list its writes and flushes of the data files, then once for each of
# them with that call failing or the program killed as it makes the call; and once
# recorded in full, for the states a power cut could leave (powercut.py). After every
# run a fresh start of prandel recovers the folder, and each data file must then equal
# its image just before the row's run or its image after a clean one (verdicts.py).
#
# Kinds of fault, each at every call of its kind:
#   kill     SIGKILL as the program makes the call
#   eio      the call fails with EIO
#   enospc   a write, reservation or flush fails with ENOSPC (a full disk)
#   flush    a flush (fdatasync, fsync) fails with EIO; the files are judged as the
#            program left them, and also after a power cut at the end of the run, in
#            which what that flush was to write may be lost for good
#   powercut the states a power cut after each call of a clean run could leave
#
# Calls are counted with strace -P on the data files, their journals and the folder,
# so that the windowing system's own calls are neither counted nor hit; strace counts
# each system call on its own, so a point is named by its call and its number among
# calls of that kind. strace runs under setpriv, so neither it nor prandel holds the
# right to set the clock.
#
# The rows are set up by fault_editors.bash (the saves and openings) and
# fault_rows.bash (zktrack import, the recovery).

FP_CALLS=pwrite64,pwritev2,fdatasync,fsync,fallocate,ftruncate,unlink,unlinkat
# A recorded run keeps every byte written and every name made or removed.
FP_RECORD_CALLS=open,openat,creat,pwrite64,pwritev2,write,fdatasync,fsync,fallocate,ftruncate,unlink,unlinkat,rename,renameat,renameat2,flock
FP_FILES=(mlif.zkt bit.zkt)
FP_STAMP=$OFF_RELOAD  # the reload flag, set at shutdown after the save
FP_RUN_LIMIT=${FP_RUN_LIMIT:-30}
FP_KINDS_ALL=(kill eio enospc flush powercut)
# The calls each kind of fault is put at.
declare -A FP_KIND_CALLS=([kill]="" [eio]="" [enospc]="pwrite64 pwritev2 fallocate fdatasync fsync"
  [flush]="fdatasync fsync")
FP_STATES=${FP_STATES:-0}       # power-cut states per row (0: every one the model gives)
FP_RANDOM=${FP_RANDOM:-8}       # random mixtures of fates per cut point
FP_FLUSH_STATES=${FP_FLUSH_STATES:-16}  # power-cut states at the end of a failing-flush run
FP_SEED=${FP_SEED:-1}
FP_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export PYTHONDONTWRITEBYTECODE=1  # no compiled copies of verdicts.py and powercut.py in the tree
FP_RECOVER=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM
  setpriv --bounding-set -sys_time --inh-caps -sys_time -- "$E2E_DATA/prandel")
declare -A FP_CELL=()   # "ROW KIND" -> "points neither"
FP_ROWS_RUN=()

# --- Running a row under strace ------------------------------------------------------

# fp_start LOG [INJECT]: the row's program (FP_COMMAND, else prandel of the data folder)
# under strace, from a subshell that keeps the shell's notices of a killed job to itself
# and leaves strace's exit code in $E2E_TMP/fp.rc; PRANDEL_PID is the subshell's pid.
# FP_RECORD=1 records every byte written; FP_NO_DISPLAY=1 starts it without a display.
fp_start() {
  local log="$1" inject=() paths=() trace=(-e "trace=$FP_CALLS") envs=() cmd=("$E2E_DATA/prandel") f
  [ -n "${2:-}" ] && inject=(-e "inject=$2")
  [ -n "${FP_RECORD:-}" ] && trace=(-xx -s 1048576 -e "trace=$FP_RECORD_CALLS")
  [ -n "${FP_NO_DISPLAY:-}" ] && envs=(-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
  [ ${#FP_COMMAND[@]} -gt 0 ] && cmd=("${FP_COMMAND[@]}")
  paths=(-P "$E2E_DATA")
  for f in "${FP_FILES[@]}"; do paths+=(-P "$E2E_DATA/$f" -P "$E2E_DATA/$f-journal"); done
  rm -f "$E2E_TMP/fp.rc" "$E2E_TMP/fp.pid"
  (
    # No session bus: one started on demand would outlive prandel, and strace -f with it.
    env "${envs[@]}" DBUS_SESSION_BUS_ADDRESS=disabled: setpriv --bounding-set -sys_time --inh-caps -sys_time -- \
      strace -f -qq -y -o "$log" "${paths[@]}" "${trace[@]}" "${inject[@]}" \
      "${cmd[@]}" >>"$E2E_TMP/prandel.log" 2>&1 &
    echo $! >"$E2E_TMP/fp.pid"
    rc=0
    wait $! || rc=$?
    echo "$rc" >"$E2E_TMP/fp.rc"
  ) 2>/dev/null &
  PRANDEL_PID=$!
  track_pid "$PRANDEL_PID"
  for ((f = 0; f < 50; f++)); do [ -s "$E2E_TMP/fp.pid" ] && break; sleep 0.02; done
  [ -s "$E2E_TMP/fp.pid" ] && track_pid "$(cat "$E2E_TMP/fp.pid")"
}
FP_COMMAND=()

# fp_wait: the run's end; EXIT_CODE is strace's (137 when the program was killed). Message
# boxes a fault brought up are closed with Return on the way; a window still open after
# FP_CLOSE_AFTER seconds (one whose OK a fault left disabled) is sent Escape once.
fp_wait() {
  local n escaped=""
  for ((n = 0; n < FP_RUN_LIMIT * 5; n++)); do
    kill -0 "$PRANDEL_PID" 2>/dev/null || break
    if [ -n "${FP_TITLE:-}" ]; then
      fp_close_boxes "$FP_TITLE"
      if [ -z "$escaped" ] && ((n >= ${FP_CLOSE_AFTER:-5} * 5)) && [ -n "${WIN:-}" ]; then
        escaped=1
        timeout 5 xdotool windowfocus --sync "$WIN" 2>/dev/null && timeout 5 xdotool key Escape 2>/dev/null || true
      fi
    fi
    sleep 0.2
  done
  wait_exit "$PRANDEL_PID" 5
  EXIT_CODE="$(cat "$E2E_TMP/fp.rc" 2>/dev/null || echo lost)"
}

# Calls of the log, one a line: its name and the file it went to.
fp_calls() { sed -n 's/^[0-9]\+ \+\([a-z0-9_]\+\)([^<"]*[<"]\([^>"]*\).*/\1 \2/p' "$1"; }
# How many calls the log has begun, counted as powercut.py counts them.
fp_calls_begun() { grep -cE '^([0-9]+ +)?[a-z_0-9]+\(' "$1" || true; }

# Shown windows not titled TITLE: message boxes a fault brought up.
fp_boxes() {
  local id
  for id in $(timeout 5 xdotool search --onlyvisible --name . 2>/dev/null); do
    [ "$(timeout 5 xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] || echo "$id"
  done
}

# fp_close_boxes TITLE: each of them closed with Return; FP_BOX_COUNT counts them.
fp_close_boxes() {
  local id
  for id in $(fp_boxes "$1"); do
    FP_BOX_COUNT=$((${FP_BOX_COUNT:-0} + 1))
    timeout 5 xdotool windowfocus --sync "$id" 2>/dev/null && timeout 5 xdotool key Return 2>/dev/null || true
    sleep 0.2
  done
}

# Keys for a window that a fault may have closed: sent while it is there, skipped after;
# a message box in the way is closed first.
fp_keys() {
  local win="$1"
  shift
  kill -0 "$PRANDEL_PID" 2>/dev/null || return 0
  [ -n "${FP_TITLE:-}" ] && fp_close_boxes "$FP_TITLE"
  timeout 5 xdotool windowfocus --sync "$win" 2>/dev/null || return 0
  timeout 20 xdotool key --delay 60 "$@" 2>/dev/null || true
  sleep 0.3
}

# fp_await_window TITLE LIMIT: WIN is the window titled TITLE once shown, or empty when
# the program ended first (message boxes on the way are closed).
fp_await_window() {
  local n
  WIN=""
  for ((n = 0; n < $2 * 10; n++)); do
    WIN="$(timeout 5 xdotool search --onlyvisible --name "$(title_pattern "$1")" 2>/dev/null | head -n 1 || true)"
    [ -n "$WIN" ] && return 0
    kill -0 "$PRANDEL_PID" 2>/dev/null || return 0
    ((n % 5 == 4)) && fp_close_boxes "$1"
    sleep 0.1
  done
  fail "neither a window titled '$1' nor the end of the run within $2 s"
}

# A start without a request and without a display: it opens the data folder, which
# recovers it, and ends. FP_RECOVER_CODES are the exit codes it may end with (1 where a
# request may be left: it is refused for want of a display).
fp_recover() {
  local rc=0
  timeout 60 "${FP_RECOVER[@]}" >>"$E2E_TMP/prandel.log" 2>&1 || rc=$?
  [[ " ${FP_RECOVER_CODES:-0} " == *" $rc "* ]] || fail "the recovering start ended with $rc"
}

# fp_images DIR: the data files as they are now.
fp_images() {
  local f
  mkdir -p "$1"
  for f in "${FP_FILES[@]}"; do cp "$E2E_DATA/$f" "$1/$f"; done
}

# fp_restore DIR: the data folder as DIR holds it, journals included.
fp_restore() {
  local f
  rm -f "$E2E_DATA"/*-journal
  for f in "$1"/*.zkt "$1"/*-journal; do [ -e "$f" ] && cp "$f" "$E2E_DATA/$(basename "$f")"; done
  return 0
}

# fp_run ROW LOG [INJECT]: one run of the row from its prepared folder. After it:
# $E2E_TMP/before holds the images the row is judged against as "before" and
# $E2E_TMP/base the folder as it was then (power cuts start from it); FP_PRE and
# FP_SKIP are the calls made before (as fp_calls and powercut.py count them), and
# FP_UPTO and FP_UPTO_BEGUN where the row's calls end (an opening's, at its window).
fp_run() {
  FP_UPTO="" FP_UPTO_BEGUN=""
  case "$1" in
    open_*) fp_open_run "$@" ;;
    tariff | recovery) fp_batch_run "$@" ;;
    *) fp_save_run "$@" ;;
  esac
}

# An editor's save: the window opened, edited, the images taken, then saved.
fp_save_run() {
  local editor="$1" log="$2" fault="${3:-}"
  fp_restore "$E2E_TMP/initial"
  fp_start "$log" "$fault"
  wait_window "$FP_TITLE" 20
  "fp_${editor}_edit"
  sleep 0.3
  rm -rf "$E2E_TMP/before" "$E2E_TMP/base"
  fp_images "$E2E_TMP/before"
  cp -r "$E2E_TMP/before" "$E2E_TMP/base"
  FP_PRE=$(fp_calls "$log" | wc -l)
  FP_SKIP=$(fp_calls_begun "$log")
  "fp_${editor}_save"
  fp_wait
}

# An editor's opening: the fault among the calls before its window shows; then the
# window's OK, without changes, if the window is there.
fp_open_run() {
  local editor="${1#open_}" log="$2" fault="${3:-}"
  fp_restore "$E2E_TMP/initial"
  rm -rf "$E2E_TMP/before" "$E2E_TMP/base"
  fp_images "$E2E_TMP/before"
  cp -r "$E2E_TMP/initial" "$E2E_TMP/base"
  FP_PRE=0 FP_SKIP=0
  fp_start "$log" "$fault"
  fp_await_window "$FP_TITLE" 20
  if [ -n "$WIN" ]; then
    sleep 0.3
    FP_UPTO=$(fp_calls "$log" | wc -l)
    FP_UPTO_BEGUN=$(fp_calls_begun "$log")
    "fp_${editor}_ok"
  fi
  fp_wait
}

# A run without a window (zktrack import, a recovering start): FP_COMMAND from the
# prepared folder, judged against $E2E_TMP/judged-before.
fp_batch_run() {
  local log="$2" fault="${3:-}"
  fp_restore "$E2E_TMP/initial"
  rm -rf "$E2E_TMP/before" "$E2E_TMP/base"
  cp -r "$E2E_TMP/judged-before" "$E2E_TMP/before"
  cp -r "$E2E_TMP/initial" "$E2E_TMP/base"
  FP_PRE=0 FP_SKIP=0
  fp_start "$log" "$fault"
  fp_wait
}

# --- Judging the files ----------------------------------------------------------------

# fp_judge: each data file the row changes against before/after, as "file verdict" lines
# (verdicts.py; a file it does not change must stay as it was).
fp_judge() {
  python3 -m verdicts judge --before "$E2E_TMP/before" --after "$E2E_TMP/after" --now "$E2E_DATA" \
    --rule "$FP_RULE" --stamp "$FP_STAMP" "${FP_MASKS[@]}" "${FP_FILES[@]}"
}

# --- The table --------------------------------------------------------------------------

# fp_count ROW: the clean run. FP_POINTS lists the row's calls as "name ordinal" (an
# opening's up to its window), FP_TARGETS their files, and $E2E_TMP/after holds the files
# after it.
fp_count() {
  local row="$1" log="$E2E_TMP/count.log" n k name target
  fp_run "$row" "$log"
  expect_eq "$EXIT_CODE" 0 "$row: exit code of the clean run"
  ls "$E2E_DATA"/*-journal >/dev/null 2>&1 && fail "$row: a journal left after a clean run"
  rm -rf "$E2E_TMP/after"
  fp_images "$E2E_TMP/after"
  if [ "$FP_RULE" != before ] && cmp -s "$E2E_TMP/before/mlif.zkt" "$E2E_TMP/after/mlif.zkt"; then
    fail "$row: the clean run changed nothing"
  fi
  case "$row" in open_*) [ -n "$FP_UPTO" ] || fail "$row: the clean run showed no window" ;; esac
  FP_OPENING=$FP_UPTO
  mapfile -t FP_ALL < <(fp_calls "$log")
  FP_POINTS=()
  FP_TARGETS=()
  declare -A seen=()
  for ((k = 0; k < ${#FP_ALL[@]}; k++)); do
    read -r name target <<<"${FP_ALL[k]}"
    n=$((${seen[$name]:-0} + 1))
    seen[$name]=$n
    if ((k >= FP_PRE)) && { [ -z "$FP_OPENING" ] || ((k < FP_OPENING)); }; then
      FP_POINTS+=("$name $n")
      FP_TARGETS+=("$(basename "$target")")
    fi
  done
  [ ${#FP_POINTS[@]} -gt 0 ] || fail "$row: the run made no calls"
}

# fp_kind_points KIND: the indexes (1-based) of FP_POINTS that KIND is put at.
fp_kind_points() {
  local k names=" ${FP_KIND_CALLS[$1]} "
  for ((k = 0; k < ${#FP_POINTS[@]}; k++)); do
    [ "$names" = "  " ] || [[ "$names" == *" ${FP_POINTS[k]%% *} "* ]] && echo $((k + 1))
  done
  return 0
}

# fp_first CALL TARGET-GLOB: the index of the first point of that call on such a file.
fp_first() {
  local k
  for ((k = 0; k < ${#FP_POINTS[@]}; k++)); do
    # shellcheck disable=SC2053
    [[ "${FP_POINTS[k]%% *}" == $1 && "${FP_TARGETS[k]}" == $2 ]] && { echo $((k + 1)); return 0; }
  done
  return 0
}

# fp_last CALL TARGET-GLOB: the index of the last point of that call on such a file.
fp_last() {
  local k
  for ((k = ${#FP_POINTS[@]} - 1; k >= 0; k--)); do
    # shellcheck disable=SC2053
    [[ "${FP_POINTS[k]%% *}" == $1 && "${FP_TARGETS[k]}" == $2 ]] && { echo $((k + 1)); return 0; }
  done
  return 0
}

# The points of a short pass. eio and kill: the first journal write, the first and the
# middle write of a data file, the journal's removal, and the last call of the run.
# enospc: the first two reservations, the journal's write and the data file's first and
# last flush. flush: the journal's flush, the folder's, and the data file's first and
# last (a run of two saves fails in each).
fp_short_points() {
  local k journal="" unlink="" n=${#FP_POINTS[@]} writes=()
  case "${1:-eio}" in
    enospc)
      local reservations=()
      for ((k = 0; k < n && ${#reservations[@]} < 2; k++)); do
        [ "${FP_POINTS[k]%% *}" = fallocate ] && reservations+=($((k + 1)))
      done
      { printf '%s\n' "${reservations[@]}"; fp_first 'pwrite*' '*-journal'; fp_first fdatasync '*.zkt'
        fp_last fdatasync '*.zkt'; } | grep . | sort -n -u
      return 0
      ;;
    flush)
      { fp_first fdatasync '*-journal'; fp_first fsync '*'; fp_first fdatasync '*.zkt'; fp_last fdatasync '*.zkt'; } |
        grep . | sort -n -u
      return 0
      ;;
  esac
  for ((k = 0; k < n; k++)); do
    case "${FP_POINTS[k]%% *} ${FP_TARGETS[k]}" in
      pwrite64\ *-journal) [ -n "$journal" ] || journal=$((k + 1)) ;;
      pwrite*\ *.zkt) writes+=($((k + 1))) ;;
      unlink*) [ -n "$unlink" ] || unlink=$((k + 1)) ;;
    esac
  done
  printf '%s\n' $journal "${writes[0]:-}" "${writes[${#writes[@]} / 2]:-}" $unlink "$n" | grep . | sort -n -u
}

# fp_injected LOG NAME ORDINAL: whether the fault was made at that very call (strace
# counts only the calls it traces, so the ordinal is the one fp_count listed).
fp_injected() {
  awk -v name="$2" -v want="$3" '
    { sub(/^[0-9]+ +/, "") }
    index($0, name "(") == 1 { n++; if (n == want) { found = /INJECTED/; open = /<unfinished \.\.\.>$/ } ; next }
    open && index($0, "<... " name " resumed>") == 1 { found = /INJECTED/; open = 0 }
    END { exit !found }' "$1"
}

# fp_keep_unmade NAME MARK: a run whose fault was not made, for a look afterwards: its
# strace log and what prandel printed from MARK (a byte offset of prandel.log) on.
fp_keep_unmade() {
  local dir="${E2E_ARTIFACTS:-$E2E_TMP}/unmade-$1"
  mkdir -p "$dir"
  cp "$E2E_TMP/fault.log" "$dir/" 2>/dev/null || true
  tail -c +$(($2 + 1)) "$E2E_TMP/prandel.log" >"$dir/prandel.log" 2>/dev/null || true
  echo "  kept in $dir" >&2
}

# fp_table ROW KIND [POINT...]: runs the points (1-based indexes into FP_POINTS, from
# fp_kind_points or fp_short_points) with the fault KIND, one run each, and prints
# the verdicts over the files the row changes; "mixed" counts runs of a save over two
# files (FP_ONE_SAVE) that left one file as before and the other as after. A failing
# flush is also judged after a power cut at the end of its run.
fp_table() {
  local row="$1" kind="$2" i name ord inject verdict file runs=0 points=0 mixed=0 cut=0 cut_states=0 bad_points=0
  shift 2
  local picks=("$@")
  declare -A tally=([before]=0 [after]=0 [after-unflagged]=0 [before-flagged]=0 [neither]=0)
  for i in "${picks[@]}"; do
    read -r name ord <<<"${FP_POINTS[i - 1]}"
    case "$kind" in
      eio | flush) inject="$name:error=EIO:when=$ord" ;;
      enospc) inject="$name:error=ENOSPC:when=$ord" ;;
      kill) inject="$name:signal=SIGKILL:when=$ord" ;;
    esac
    local record=""
    [ "$kind" = flush ] && record=1
    local attempt mark made
    for attempt in 1 2 3; do
      mark=$(stat -c %s "$E2E_TMP/prandel.log" 2>/dev/null || echo 0)
      FP_RECORD=$record fp_run "$row" "$E2E_TMP/fault.log" "$inject"
      made=1
      if [ "$kind" = kill ]; then
        [ "$EXIT_CODE" = 137 ] || made=""
      else
        fp_injected "$E2E_TMP/fault.log" "$name" "$ord" || made=""
      fi
      # A run the fault never reached says nothing of the save; an X server that refused
      # prandel's connection (seen on a loaded machine) is one such. That point is run
      # again, with what the run did kept for a look.
      [ -n "$made" ] && break
      fp_keep_unmade "$row-$kind-$i-$attempt" "$mark"
      if tail -c +$((mark + 1)) "$E2E_TMP/prandel.log" 2>/dev/null | grep -q "could not connect to display"; then
        echo "  $row $kind point $i: the X server refused prandel (attempt $attempt); run again" >&2
      else
        echo "  $row $kind point $i: $inject not made, exit code $EXIT_CODE (attempt $attempt); run again" >&2
      fi
    done
    if [ "$kind" = kill ]; then
      expect_eq "$EXIT_CODE" 137 "$row: exit code with $inject"
    else
      [ -n "$made" ] || fail "$row: $inject was not made at that call"
    fi
    fp_recover
    ls "$E2E_DATA"/*-journal >/dev/null 2>&1 && fail "$row: a journal left after recovery ($inject)"
    points=$((points + 1))
    local sides="" bad=""
    while read -r file verdict; do
      runs=$((runs + 1))
      tally[$verdict]=$((${tally[$verdict]} + 1))
      sides+=" ${verdict%%-*}"
      [ -n "${FP_VERBOSE:-}" ] && echo "  $row $kind point $i ($name #$ord) $file: $verdict" >&2
      if [ "$verdict" = neither ]; then
        bad=1
        echo "  $row $kind point $i ($name #$ord): $file is neither" >&2
        mkdir -p "${E2E_ARTIFACTS:-$E2E_TMP}/fault-$row-$kind-$i"
        cp "$E2E_DATA/$file" "${E2E_ARTIFACTS:-$E2E_TMP}/fault-$row-$kind-$i/" 2>/dev/null || true
      fi
    done < <(fp_judge)
    # A save over two files: both as before, or both as after.
    if [[ " ${FP_ONE_SAVE[*]} " == *" $row "* && "$sides" == *before* && "$sides" == *after* ]]; then
      mixed=$((mixed + 1))
      bad=1
      echo "  $row $kind point $i ($name #$ord): one file as before, the other as after" >&2
    fi
    if [ "$kind" = flush ]; then
      local s n
      fp_powercut_states "$E2E_TMP/fault.log" "$row-flush-$i" --last-only --states "$FP_FLUSH_STATES"
      read -r _ _ _ s _ _ _ _ _ n _ <"$E2E_TMP/powercut.out"
      cut_states=$((cut_states + s))
      if ((n > 0)); then
        bad=1
        cut=$((cut + 1))
        echo "  $row $kind point $i ($name #$ord): $n of $s states after a power cut at the end are neither" >&2
      fi
    fi
    [ -z "$bad" ] || bad_points=$((bad_points + 1))
  done
  printf '%-17s %-8s %6s %5s %6s %5s %15s %14s %7s %5s' "$row" "$kind" "$points" "$runs" "${tally[before]}" \
    "${tally[after]}" "${tally[after-unflagged]}" "${tally[before-flagged]}" "${tally[neither]}" "$mixed"
  [ "$kind" = flush ] && printf '   power cut at the end: %s states, %s points with a neither' "$cut_states" "$cut"
  printf '\n'
  # A point is counted once, however many of its files are neither.
  fp_cell "$row" "$kind" "$points" "$bad_points"
}

fp_header() {
  printf '%-17s %-8s %6s %5s %6s %5s %15s %14s %7s %5s\n' row kind points files before after \
    "after,unflagged" "before,flagged" neither mixed
}

# --- Power cuts -------------------------------------------------------------------------

# fp_powercut_states LOG NAME [OPTION...]: powercut.py over a recorded run of the row
# from $E2E_TMP/base, judged as the row is; its summary line goes to
# $E2E_TMP/powercut.out.
fp_powercut_states() {
  local log="$1" name="$2" one=() codes=0
  shift 2
  [[ " ${FP_ONE_SAVE[*]} " == *" $FP_ROW "* ]] && one=(--one-save)
  [ -n "${FP_RECOVER_CODES:-}" ] && codes="${FP_RECOVER_CODES// /,}"
  python3 "$FP_DIR/powercut.py" --trace "$log" --base "$E2E_TMP/base" --data "$E2E_DATA" \
    --files "${FP_FILES[@]}" --before "$E2E_TMP/before" --after "$E2E_TMP/after" --skip "$FP_SKIP" \
    --seed "$FP_SEED" --rule "$FP_RULE" --stamp "$FP_STAMP" "${FP_MASKS[@]}" "${one[@]}" --exit-codes "$codes" \
    --artifacts "${E2E_ARTIFACTS:-$E2E_TMP}/powercut-$name" "$@" -- "${FP_RECOVER[@]}" >"$E2E_TMP/powercut.out" ||
    fail "$name: powercut.py failed"
}

# fp_powercut ROW: one clean run recorded in full, then the power-cut states after each of
# its calls (an opening's up to its window), at most FP_STATES of them.
fp_powercut() {
  local row="$1" log="$E2E_TMP/record.log" f
  FP_RECORD=1 fp_run "$row" "$log"
  expect_eq "$EXIT_CODE" 0 "$row: exit code of the recorded run"
  for f in "${FP_FILES[@]}"; do
    cmp -s "$E2E_DATA/$f" "$E2E_TMP/after/$f" || fail "$row: the recorded run left $f otherwise than the clean run"
  done
  local stop=() cuts states before after neither made
  # An opening's cuts end at its window.
  [ -n "$FP_UPTO_BEGUN" ] && stop=(--stop "$FP_UPTO_BEGUN")
  fp_powercut_states "$log" "$row" --states "$FP_STATES" --random "$FP_RANDOM" "${stop[@]}"
  read -r _ cuts _ states _ before _ after _ neither _ made <"$E2E_TMP/powercut.out"
  printf '%-17s %-8s %6s cut points, %s states (of %s made): %s before, %s after, %s neither\n' "$row" powercut \
    "$cuts" "$states" "$made" "$before" "$after" "$neither"
  fp_cell "$row" powercut "$states" "$neither"
}

# --- The summary ------------------------------------------------------------------------

# fp_cell ROW KIND POINTS NEITHER
fp_cell() {
  FP_CELL["$1 $2"]="$3 $4"
  [[ " ${FP_ROWS_RUN[*]} " == *" $1 "* ]] || FP_ROWS_RUN+=("$1")
}

# fp_summary: one table of every row run, "points/neither" per kind of fault ("states" for
# power cuts). Returns non-zero when a cell has a neither, unless FP_KNOWN names a file of
# cells known to fail ("ROW KIND" lines) and FP_STRICT is unset: those are reported only.
fp_summary() {
  local row kind cell points neither status=0 known=()
  if [ -n "${FP_KNOWN:-}" ] && [ -z "${FP_STRICT:-}" ]; then
    mapfile -t known < <(sed 's/#.*//' "$FP_KNOWN" | awk 'NF == 2 { print $1 " " $2 }')
  fi
  echo
  printf '%-17s' row
  printf ' %13s' kill EIO ENOSPC "failing flush" "power cut"
  printf '\n'
  for row in "${FP_ROWS_RUN[@]}"; do
    printf '%-17s' "$row"
    for kind in "${FP_KINDS_ALL[@]}"; do
      cell="${FP_CELL["$row $kind"]:-}"
      if [ -z "$cell" ]; then
        printf ' %13s' -
        continue
      fi
      read -r points neither <<<"$cell"
      printf ' %13s' "$points/$neither"
      if ((neither > 0)); then
        if printf '%s\n' "${known[@]}" | grep -qxF "$row $kind"; then
          FP_KNOWN_SEEN+=("$row $kind: $neither of $points")
        else
          status=1
          FP_FAILED+=("$row $kind: $neither of $points")
        fi
      fi
    done
    printf '\n'
  done
  echo "(points tried/points with a file neither before nor after; power cut: states tried/states neither)"
  local k
  for k in "${FP_KNOWN_SEEN[@]}"; do echo "known fault, still seen: $k"; done
  for k in "${FP_FAILED[@]}"; do echo "FAULT: $k" >&2; done
  return "$status"
}
FP_KNOWN_SEEN=()
FP_FAILED=()
