#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The session log's fault table: `zktrack log add` run once clean under strace to
# list its writes, flushes, truncations and removals of zelkora.sqlite and its -wal,
# -shm and -journal files, then once per call with the program killed at it
# (SIGKILL) and once with it failing (EIO, then ENOSPC). After every run the log
# opens, PRAGMA integrity_check says ok, the sessions logged before are unchanged,
# and the new one is either absent or whole (its slices' charges add up to its cost,
# its slices and samples all there). FP_SHORT=1 runs only a few calls (the CTest
# case does); without it, every call:
#
#   PRANDEL_BIN=build/bin/prandel bash tests/e2e/run_case.sh tests/e2e/log_fault_table.sh
source "$(dirname "$0")/lib.sh"
command -v strace >/dev/null 2>&1 || { echo "SKIP: strace is not installed"; exit 77; }

LF_CALLS=pwrite64,pwritev2,write,fdatasync,fsync,ftruncate,unlink,unlinkat
DB="$E2E_DATA/zelkora.sqlite"
ADD=(log add --from "2026-12-14 17:50" --to "2026-12-14 18:20" --connection "ISP A"
     --samples "$E2E_TMP/samples.csv" --data "$E2E_DATA")

# lf_run LOG [INJECT]: log add under strace, without the right to set the clock;
# EXIT_CODE is strace's (137 when zktrack was killed).
lf_run() {
  local inject=()
  [ -n "${2:-}" ] && inject=(-e "inject=$2")
  EXIT_CODE=0
  # In a subshell, which keeps the shell's notice of a killed job to itself.
  (
    setpriv --bounding-set -sys_time --inh-caps -sys_time -- \
      strace -f -qq -y -o "$1" -P "$DB" -P "$DB-wal" -P "$DB-shm" -P "$DB-journal" \
      -e "trace=$LF_CALLS" "${inject[@]}" "$E2E_DATA/zktrack" "${ADD[@]}" >>"$E2E_TMP/zktrack.log" 2>&1
    rc=$?
    exit "$rc"
  ) 2>/dev/null || EXIT_CODE=$?
}

lf_restore() {
  rm -f "$DB" "$DB-wal" "$DB-shm" "$DB-journal"
  cp "$E2E_TMP/initial/zelkora.sqlite" "$DB"
}

# lf_judge: "ok", "absent" or "whole" when the log is sound, else what is wrong.
lf_judge() {
  python3 - "$DB" "$E2E_TMP/before.json" "$E2E_TMP/whole.json" "$@" <<'PY'
import json, sqlite3, sys
db, before_path, whole_path = sys.argv[1:4]
def dump(con):
    out = []
    for (sid, conn, t1, t2, cost, state) in con.execute(
            "SELECT id, connection, t1, t2, cost, state FROM sessions ORDER BY id"):
        slices = con.execute("SELECT from_at, to_at, slot, label, units, charge FROM slices WHERE session = ? "
                             "ORDER BY from_at", (sid,)).fetchall()
        samples = con.execute("SELECT at, received, sent FROM samples WHERE session = ? ORDER BY at",
                              (sid,)).fetchall()
        out.append({"id": sid, "connection": conn, "t1": t1, "t2": t2, "cost": cost, "state": state,
                    "slices": [list(s) for s in slices], "samples": [list(s) for s in samples]})
    return out
if len(sys.argv) > 4:
    print(json.dumps(dump(sqlite3.connect(db))))
    sys.exit(0)
con = sqlite3.connect(db)
check = con.execute("PRAGMA integrity_check").fetchone()[0]
if check != "ok":
    print("integrity_check: " + check); sys.exit(0)
now = dump(con)
before = json.load(open(before_path))
if now[:len(before)] != before:
    print("the sessions logged before changed"); sys.exit(0)
new = now[len(before):]
if not new:
    print("absent"); sys.exit(0)
whole = json.load(open(whole_path)) if whole_path != "-" else None
s = new[0]
if len(new) > 1:
    print("more than one new session"); sys.exit(0)
if abs(sum(x[5] for x in s["slices"]) - s["cost"]) > 1e-4:
    print("slices do not add up to the cost"); sys.exit(0)
if whole is not None and (s["slices"] != whole["slices"] or s["samples"] != whole["samples"] or s["cost"] != whole["cost"]):
    print("a part of the new session"); sys.exit(0)
print("whole")
PY
}

# --- The folder: demo records and two sessions logged before --------------------
cp "$ZKTRACK_BIN" "$E2E_DATA/zktrack"
"$E2E_DATA/zktrack" seed --data "$E2E_DATA" >/dev/null || fail "seed failed"
{
  echo "seconds_since_up,received,sent"
  for ((s = 0; s <= 1800; s += 10)); do echo "$s,$((s * 3000)),$((s * 200))"; done
} >"$E2E_TMP/samples.csv"
for day in 12 13; do
  "$E2E_DATA/zktrack" log add --from "2026-12-$day 20:00" --duration 45m --down 1000000 --up 5000 \
    --data "$E2E_DATA" >/dev/null || fail "the earlier sessions could not be logged"
done
mkdir -p "$E2E_TMP/initial"
cp "$DB" "$E2E_TMP/initial/"
[ ! -e "$DB-wal" ] || fail "a -wal file left after a clean run"
lf_judge dump >"$E2E_TMP/before.json"

# --- The clean run and its calls -------------------------------------------------
lf_run "$E2E_TMP/count.log"
expect_eq "$EXIT_CODE" 0 "exit code of the clean run"
python3 - "$DB" "$E2E_TMP/before.json" >"$E2E_TMP/whole.json" <<'PY'
import json, sqlite3, sys
con = sqlite3.connect(sys.argv[1])
n = len(json.load(open(sys.argv[2])))
sid = con.execute("SELECT id, cost FROM sessions ORDER BY id").fetchall()[n]
print(json.dumps({"cost": sid[1],
  "slices": [list(s) for s in con.execute("SELECT from_at, to_at, slot, label, units, charge FROM slices WHERE session = ? ORDER BY from_at", (sid[0],))],
  "samples": [list(s) for s in con.execute("SELECT at, received, sent FROM samples WHERE session = ? ORDER BY at", (sid[0],))]}))
PY
[ "$(lf_judge)" = whole ] || fail "the clean run did not log the session whole: $(lf_judge)"
mapfile -t LF_ALL < <(sed -n 's/^[0-9]\+ \+\([a-z0-9_]\+\)([^<"]*[<"]\([^>"]*\).*/\1 \2/p' "$E2E_TMP/count.log")
LF_POINTS=()
declare -A seen=()
for line in "${LF_ALL[@]}"; do
  read -r name target <<<"$line"
  n=$((${seen[$name]:-0} + 1))
  seen[$name]=$n
  LF_POINTS+=("$name $n $(basename "$target")")
done
[ ${#LF_POINTS[@]} -gt 0 ] || fail "the clean run made no calls on the log"
echo "calls of a clean log add: ${#LF_POINTS[@]}:" $(printf '%s\n' "${LF_POINTS[@]}" | awk '{print $1 "(" $3 ")"}' |
  sort | uniq -c | awk '{print $2 " x" $1}')

picks=($(seq 1 ${#LF_POINTS[@]}))
if [ -n "${FP_SHORT:-}" ]; then
  # The first write of the WAL, every flush (a commit ends with one), the first
  # write of the database at the checkpoint, the first removal, and the last call.
  picks=()
  for ((k = 0; k < ${#LF_POINTS[@]}; k++)); do
    [[ "${LF_POINTS[k]}" =~ ^f(data)?sync ]] && picks+=($((k + 1)))
  done
  for want in "pwrite64 .*-wal" "pwrite64 .*sqlite$" "unlink"; do
    for ((k = 0; k < ${#LF_POINTS[@]}; k++)); do
      if [[ "${LF_POINTS[k]}" =~ ^$want ]]; then picks+=($((k + 1))); break; fi
    done
  done
  picks+=(${#LF_POINTS[@]})
  mapfile -t picks < <(printf '%s\n' "${picks[@]}" | sort -n -u)
fi

# --- The table -----------------------------------------------------------------------
bad=0
printf '%-6s %6s %7s %6s %5s\n' kind points absent whole bad
for kind in kill eio enospc; do
  declare -A tally=([absent]=0 [whole]=0 [bad]=0)
  for i in "${picks[@]}"; do
    read -r name ord target <<<"${LF_POINTS[i - 1]}"
    case "$kind" in
      kill) inject="$name:signal=KILL:when=$ord" ;;
      eio) inject="$name:error=EIO:when=$ord" ;;
      enospc) inject="$name:error=ENOSPC:when=$ord" ;;
    esac
    lf_restore
    lf_run "$E2E_TMP/fault.log" "$inject"
    [ "$kind" != kill ] || expect_eq "$EXIT_CODE" 137 "exit code with $inject"
    # The log opens for a reader (zktrack itself), then is judged.
    "$E2E_DATA/zktrack" log --json --data "$E2E_DATA" >/dev/null 2>"$E2E_TMP/read.err" ||
      { echo "  $kind $inject ($target): the log does not open: $(cat "$E2E_TMP/read.err")" >&2; tally[bad]=$((${tally[bad]} + 1)); continue; }
    verdict="$(lf_judge)"
    # A run that said it logged the call must have logged it whole.
    if [ "$EXIT_CODE" = 0 ] && [ "$verdict" != whole ]; then verdict="exit 0 but $verdict"; fi
    case "$verdict" in
      absent | whole) tally[$verdict]=$((${tally[$verdict]} + 1)) ;;
      *)
        tally[bad]=$((${tally[bad]} + 1))
        echo "  $kind $inject ($target): $verdict" >&2
        mkdir -p "${E2E_ARTIFACTS:-$E2E_TMP}/log-fault-$kind-$i"
        cp "$DB"* "${E2E_ARTIFACTS:-$E2E_TMP}/log-fault-$kind-$i/" 2>/dev/null || true
        ;;
    esac
  done
  printf '%-6s %6s %7s %6s %5s\n' "$kind" "${#picks[@]}" "${tally[absent]}" "${tally[whole]}" "${tally[bad]}"
  bad=$((bad + ${tally[bad]}))
  unset tally
done
expect_eq "$bad" 0 "runs that left the log unsound or a session in part"
echo "PASS $E2E_CASE"
