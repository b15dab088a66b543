# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the fault point cases after lib.sh: each editor's save run by keys under
# strace, once to list its writes and flushes of the data files, then once for each
# of them with that call failing (EIO) or the program killed (SIGKILL) as it makes the
# call. After every run a fresh start of prandel recovers the folder, and each data
# file must then equal its image just before the save or its image after a clean save.
#
# Calls are counted with strace -P on the data files, their journals and the folder,
# so that the windowing system's own calls are neither counted nor hit; strace counts
# each system call on its own, so a point is named by its call and its number among
# calls of that kind. strace runs under setpriv, so neither it nor prandel holds the
# right to set the clock.
#
# Each editor has three steps: fp_<editor>_prepare (the records and the request),
# fp_<editor>_edit (keys in the open window up to the save) and fp_<editor>_save
# (the keys that save; they may meet a window already gone). fp_<editor>_title names
# its window.

FP_CALLS=pwrite64,pwritev2,fdatasync,fsync,fallocate,ftruncate,unlink,unlinkat
FP_FILES=(mlif.zkt bit.zkt)
FP_STAMP=$OFF_RELOAD  # the reload flag, set at shutdown after the save
FP_RUN_LIMIT=${FP_RUN_LIMIT:-30}

# --- Running prandel under strace -------------------------------------------------

# fp_start LOG [INJECT]: prandel of the data folder under strace, from a subshell that
# keeps the shell's notices of a killed job to itself and leaves strace's exit code
# in $E2E_TMP/fp.rc; PRANDEL_PID is the subshell's pid.
fp_start() {
  local log="$1" inject=() paths=() f
  [ -n "${2:-}" ] && inject=(-e "inject=$2")
  paths=(-P "$E2E_DATA")
  for f in "${FP_FILES[@]}"; do paths+=(-P "$E2E_DATA/$f" -P "$E2E_DATA/$f-journal"); done
  rm -f "$E2E_TMP/fp.rc" "$E2E_TMP/fp.pid"
  (
    # No session bus: one started on demand would outlive prandel, and strace -f with it.
    DBUS_SESSION_BUS_ADDRESS=disabled: setpriv --bounding-set -sys_time --inh-caps -sys_time -- \
      strace -f -qq -y -o "$log" "${paths[@]}" -e "trace=$FP_CALLS" "${inject[@]}" \
      "$E2E_DATA/prandel" >>"$E2E_TMP/prandel.log" 2>&1 &
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

# fp_wait: the run's end; EXIT_CODE is strace's (137 when prandel was killed).
fp_wait() {
  wait_exit "$PRANDEL_PID" "$FP_RUN_LIMIT"
  EXIT_CODE="$(cat "$E2E_TMP/fp.rc" 2>/dev/null || echo lost)"
}

# Calls of the log, one a line: its name and the file it went to.
fp_calls() { sed -n 's/^[0-9]\+ \+\([a-z0-9_]\+\)([^<"]*[<"]\([^>"]*\).*/\1 \2/p' "$1"; }

# Keys for a window that a fault may have closed: sent while it is there, skipped after.
fp_keys() {
  local win="$1"
  shift
  kill -0 "$PRANDEL_PID" 2>/dev/null || return 0
  timeout 5 xdotool windowfocus --sync "$win" 2>/dev/null || return 0
  timeout 20 xdotool key --delay 60 "$@" 2>/dev/null || true
  sleep 0.3
}

# A start without a request: it opens the data folder, which recovers it, and ends.
fp_recover() {
  setpriv --bounding-set -sys_time --inh-caps -sys_time -- "$E2E_DATA/prandel" >>"$E2E_TMP/prandel.log" 2>&1 ||
    fail "the recovering start failed"
}

# fp_images DIR: the data files as they are now.
fp_images() {
  local f
  mkdir -p "$1"
  for f in "${FP_FILES[@]}"; do cp "$E2E_DATA/$f" "$1/$f"; done
}

# fp_restore DIR: the data folder as DIR holds it, without journals.
fp_restore() {
  local f
  rm -f "$E2E_DATA"/*-journal
  for f in "$1"/*.zkt; do cp "$f" "$E2E_DATA/$(basename "$f")"; done
}

# fp_run EDITOR LOG [INJECT]: one run from the prepared folder; FP_PRE is the number
# of calls made before the save, and $E2E_TMP/before the images just before it.
fp_run() {
  local editor="$1" log="$2" inject="${3:-}"
  fp_restore "$E2E_TMP/initial"
  fp_start "$log" "$inject"
  wait_window "$("fp_${editor}_title")" 20
  "fp_${editor}_edit"
  sleep 0.3
  rm -rf "$E2E_TMP/before"
  fp_images "$E2E_TMP/before"
  FP_PRE=$(fp_calls "$log" | wc -l)
  "fp_${editor}_save"
  fp_wait
}

# --- Judging the files ----------------------------------------------------------------

# fp_judge: each data file the save changes against before/after, as "file verdict"
# lines (a file it does not change must stay as it was): before,
# after, after-unflagged (the save whole, the reload flag of the shutdown not yet
# set), before-flagged (nothing saved, the reload flag set all the same) or neither.
fp_judge() {
  python3 - "$E2E_TMP/before" "$E2E_TMP/after" "$E2E_DATA" "$FP_STAMP" "${FP_FILES[@]}" <<'PY'
import os, sys
before, after, now, stamp = sys.argv[1:5]
stamp = int(stamp)
def read(d, f):
    p = os.path.join(d, f)
    return open(p, 'rb').read() if os.path.exists(p) else None
def without_stamp(b):
    return b[:stamp] + b[stamp + 2:] if b is not None and len(b) >= stamp + 2 else b
for f in sys.argv[5:]:
    b, a, n = read(before, f), read(after, f), read(now, f)
    if b == a:
        # A file the save does not change must not change either.
        if n != b:
            print(f, 'neither')
        continue
    if n == b:
        v = 'before'
    elif n == a:
        v = 'after'
    elif f == 'mlif.zkt' and without_stamp(n) == without_stamp(a) and n[stamp:stamp + 2] == b[stamp:stamp + 2]:
        v = 'after-unflagged'
    elif f == 'mlif.zkt' and without_stamp(n) == without_stamp(b) and n[stamp:stamp + 2] == a[stamp:stamp + 2]:
        v = 'before-flagged'
    else:
        v = 'neither'
    print(f, v)
PY
}

# --- The table --------------------------------------------------------------------------

# fp_count EDITOR: the clean run. FP_POINTS lists its save's calls as "name ordinal",
# and $E2E_TMP/after holds the files after it.
fp_count() {
  local editor="$1" log="$E2E_TMP/count.log" n k name
  fp_run "$editor" "$log"
  expect_eq "$EXIT_CODE" 0 "$editor: exit code of the clean run"
  ls "$E2E_DATA"/*-journal >/dev/null 2>&1 && fail "$editor: a journal left after a clean save"
  rm -rf "$E2E_TMP/after"
  fp_images "$E2E_TMP/after"
  cmp -s "$E2E_TMP/before/mlif.zkt" "$E2E_TMP/after/mlif.zkt" && fail "$editor: the clean save changed nothing"
  mapfile -t FP_ALL < <(fp_calls "$log")
  FP_POINTS=()
  FP_TARGETS=()
  declare -A seen=()
  for ((k = 0; k < ${#FP_ALL[@]}; k++)); do
    read -r name target <<<"${FP_ALL[k]}"
    n=$((${seen[$name]:-0} + 1))
    seen[$name]=$n
    if ((k >= FP_PRE)); then
      FP_POINTS+=("$name $n")
      FP_TARGETS+=("$(basename "$target")")
    fi
  done
  [ ${#FP_POINTS[@]} -gt 0 ] || fail "$editor: the save made no calls"
}

# The points of a short pass: the first journal write, the first and the middle write
# of a data file, the journal's removal, and the last call of the run.
fp_short_points() {
  local k journal="" unlink="" n=${#FP_POINTS[@]} writes=()
  for ((k = 0; k < n; k++)); do
    case "${FP_POINTS[k]%% *} ${FP_TARGETS[k]}" in
      pwrite64\ *-journal) [ -n "$journal" ] || journal=$((k + 1)) ;;
      pwrite*\ *.zkt) writes+=($((k + 1))) ;;
      unlink*) [ -n "$unlink" ] || unlink=$((k + 1)) ;;
    esac
  done
  printf '%s\n' $journal "${writes[0]:-}" "${writes[${#writes[@]} / 2]:-}" $unlink "$n" | grep . | sort -n -u
}

# fp_table EDITOR KIND [POINT...]: runs the points (1-based indexes into FP_POINTS;
# all of them when none are given) with the fault KIND (eio or kill), one run each, and
# prints the verdicts over the files the save changes; "mixed" counts runs of a save
# over two files (FP_ONE_SAVE) that left one file as before and the other as after.
fp_table() {
  local editor="$1" kind="$2" i name ord inject verdict file runs=0 points=0 mixed=0
  shift 2
  local picks=("$@")
  [ ${#picks[@]} -gt 0 ] || picks=($(seq 1 ${#FP_POINTS[@]}))
  declare -A tally=([before]=0 [after]=0 [after-unflagged]=0 [before-flagged]=0 [neither]=0)
  for i in "${picks[@]}"; do
    read -r name ord <<<"${FP_POINTS[i - 1]}"
    case "$kind" in
      eio) inject="$name:error=EIO:when=$ord" ;;
      kill) inject="$name:signal=SIGKILL:when=$ord" ;;
    esac
    fp_run "$editor" "$E2E_TMP/fault.log" "$inject"
    grep -q INJECTED "$E2E_TMP/fault.log" || [ "$kind" = kill ] || fail "$editor: $inject was never made"
    if [ "$kind" = kill ]; then
      expect_eq "$EXIT_CODE" 137 "$editor: exit code with $inject"
    fi
    fp_recover
    ls "$E2E_DATA"/*-journal >/dev/null 2>&1 && fail "$editor: a journal left after recovery ($inject)"
    points=$((points + 1))
    local sides=""
    while read -r file verdict; do
      runs=$((runs + 1))
      tally[$verdict]=$((${tally[$verdict]} + 1))
      sides+=" ${verdict%%-*}"
      [ -n "${FP_VERBOSE:-}" ] && echo "  $editor $kind point $i ($name #$ord) $file: $verdict" >&2
      if [ "$verdict" = neither ]; then
        echo "  $editor $kind point $i ($name #$ord): $file is neither" >&2
        mkdir -p "${E2E_ARTIFACTS:-$E2E_TMP}/fault-$editor-$kind-$i"
        cp "$E2E_DATA/$file" "${E2E_ARTIFACTS:-$E2E_TMP}/fault-$editor-$kind-$i/" 2>/dev/null || true
      fi
    done < <(fp_judge)
    # A save over two files: both as before, or both as after.
    if [[ " ${FP_ONE_SAVE[*]} " == *" $editor "* && "$sides" == *before* && "$sides" == *after* ]]; then
      mixed=$((mixed + 1))
      echo "  $editor $kind point $i ($name #$ord): one file as before, the other as after" >&2
    fi
  done
  printf '%-14s %-4s %6s %5s %6s %5s %15s %14s %7s %5s\n' "$editor" "$kind" "$points" "$runs" "${tally[before]}" \
    "${tally[after]}" "${tally[after-unflagged]}" "${tally[before-flagged]}" "${tally[neither]}" "$mixed"
  FP_NEITHER=$((${FP_NEITHER:-0} + ${tally[neither]} + mixed))
}

fp_header() {
  printf '%-14s %-4s %6s %5s %6s %5s %15s %14s %7s %5s\n' editor kind points files before after \
    "after,unflagged" "before,flagged" neither mixed
}
