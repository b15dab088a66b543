#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The pppd hooks (packaging/ppp) run as pppd runs them: as root, with pppd's
# arguments and environment only, a fake zktrack and logger on the PATH that write
# down how they were called. They log the call with the right moments, connection
# and bytes, as the right user; without a configuration, or with a bad one or bad
# values from pppd, they log nothing and still exit 0; and with the real zktrack on a
# temporary data folder the call ends up in its session log.
#   ppp_hooks.sh SOURCE_DIR [ZKTRACK]
set -euo pipefail
src="$1"
real_zktrack="${2:-}"
up_hook="$src/packaging/ppp/ip-up.d/zelkora"
down_hook="$src/packaging/ppp/ip-down.d/zelkora"

tmp="$(mktemp -d "${TMPDIR:-/tmp}/zelkora-ppp.XXXXXX")"
chmod 0755 "$tmp"
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for f in "$up_hook" "$down_hook"; do
  [ -x "$f" ] || fail "$f is not executable"
  head -n 1 "$f" | grep -qx '#!/bin/sh' || fail "$f is no POSIX sh script"
  sh -n "$f" || fail "$f does not parse"
  if command -v checkbashisms >/dev/null; then checkbashisms "$f" || fail "$f uses bashisms"; fi
done

# The fakes: zktrack writes its user and arguments, one per line; logger its message.
bin="$tmp/bin"
mkdir -p "$bin"
cat >"$bin/zktrack" <<'FAKE'
#!/bin/sh
{ echo "user=$(id -un)"; for a in "$@"; do echo "$a"; done; } >"$ZK_CALLS/call.$$"
[ -z "${ZK_FAIL:-}" ] || { echo "zktrack: cannot write the session log" >&2; exit 1; }
echo "Logged session 1"
FAKE
cat >"$bin/logger" <<'FAKE'
#!/bin/sh
for last in "$@"; do :; done
echo "$last" >>"$ZK_LOG"
FAKE
chmod 0755 "$bin/zktrack" "$bin/logger"
export ZK_CALLS="$tmp/calls" ZK_LOG="$tmp/syslog"
mkdir -m 0777 "$ZK_CALLS"

conf="$tmp/ppp.conf"
data="$tmp/data"
mkdir -p "$data"

# hook UP|DOWN [VAR=value ...]: the hook with pppd's arguments and only the given
# environment; its exit code must be 0.
hook() {
  local which="$1"
  shift
  local script="$up_hook"
  [ "$which" = DOWN ] && script="$down_hook"
  env -i PATH="$bin:/usr/sbin:/usr/bin:/sbin:/bin" ZELKORA_PPP_CONF="$conf" ZELKORA_PPP_STATE="$tmp/run" \
    ZK_CALLS="$ZK_CALLS" ZK_LOG="$ZK_LOG" ZK_FAIL="${ZK_FAIL:-}" "$@" \
    "$script" ppp0 /dev/ttyS0 115200 10.0.0.2 10.0.0.1 "${IPPARAM:-}" || fail "$which hook exited $? ($*)"
}

reset() {
  rm -f "$ZK_CALLS"/call.* "$ZK_LOG"
  rm -rf "$tmp/run"
}

# The one call of zktrack, as lines; empty when none; a failure when more.
the_call() {
  local calls=("$ZK_CALLS"/call.*)
  [ -e "${calls[0]}" ] || return 0
  [ "${#calls[@]}" -eq 1 ] || fail "zktrack was called ${#calls[@]} times"
  cat "${calls[0]}"
}

arg_after() { the_call | grep -A1 -x -- "$1" | sed -n 2p; }
has_arg() { the_call | grep -qx -- "$1"; }

# --- No configuration, or one that names nothing: nothing happens.
for setup in "rm -f $conf" "printf '# user = alice\n\n' >$conf" "printf 'user =\ndata=   \n' >$conf"; do
  reset
  eval "$setup"
  hook UP IFNAME=ppp0 PPPD_PID=42
  hook DOWN IFNAME=ppp0 PPPD_PID=42 CONNECT_TIME=60 BYTES_SENT=1 BYTES_RCVD=2 CALL_FILE=isp
  [ -z "$(the_call)" ] || fail "without a configuration ($setup) zktrack was called"
  [ ! -e "$tmp/run" ] || [ -z "$(ls -A "$tmp/run")" ] || fail "without a configuration ($setup) ip-up noted something"
done

# --- A whole call: ip-up notes the moment, ip-down logs from it.
printf '# the call logger\nuser = root\n  data="%s"  \n' "$data" >"$conf"
reset
hook UP IFNAME=ppp0 PPPD_PID=42
noted="$(sed -n 's/^up=//p' "$tmp/run/ppp0.up" 2>/dev/null || true)"
[ -n "$noted" ] || fail "ip-up noted no moment"
sleep 1
hook DOWN IFNAME=ppp0 PPPD_PID=42 CONNECT_TIME=3600 BYTES_SENT=1000 BYTES_RCVD=50000 CALL_FILE=isp-a PEERNAME=server
[ "$(the_call | sed -n 2,4p | tr '\n' ' ')" = "log add --from " ] || fail "not zktrack log add --from: $(the_call)"
[ "$(arg_after --from)" = "@$noted" ] || fail "--from $(arg_after --from), ip-up noted @$noted"
to="$(arg_after --to)"
if ! { [ "${to#@}" -gt "$noted" ] && [ "${to#@}" -le "$(date +%s)" ]; }; then fail "--to $to is not the moment ip-down ran"; fi
has_arg "--connection=isp-a" || fail "the connection is not pppd's call file: $(the_call)"
if ! { [ "$(arg_after --down)" = 50000 ] && [ "$(arg_after --up)" = 1000 ]; }; then fail "bytes: $(the_call)"; fi
has_arg "--data=$data" || fail "no --data=$data: $(the_call)"
the_call | grep -qx "user=root" || fail "not run as root: $(the_call)"
[ ! -e "$tmp/run/ppp0.up" ] || fail "ip-down left the noted moment behind"
grep -q "Logged session 1" "$ZK_LOG" || fail "syslog does not say what was logged: $(cat "$ZK_LOG")"

# --- Without ip-up's note, or with one of another call: from the end less CONNECT_TIME.
for note in "" "up=100\npid=42\n" "up=$(($(date +%s) - 5))\npid=41\n" "up=garbage\n" "up=99999999999\n"; do
  reset
  if [ -n "$note" ]; then mkdir -p "$tmp/run" && printf '%b' "$note" >"$tmp/run/ppp0.up"; fi
  before="$(date +%s)"
  hook DOWN IFNAME=ppp0 PPPD_PID=42 CONNECT_TIME=600 CALL_FILE=isp-a
  after="$(date +%s)"
  from="$(arg_after --from)"
  from="${from#@}"
  if ! { [ -n "$from" ] && [ "$from" -ge $((before - 600)) ] && [ "$from" -le $((after - 600)) ]; }; then
    fail "with the note '$note' --from is @$from, not the end less 600 s"
  fi
done

# --- The connection's name: the call file, else ipparam, else the link name, else the peer's.
check_name() {
  local want="$1"
  shift
  reset
  hook DOWN IFNAME=ppp0 CONNECT_TIME=60 "$@"
  if [ -z "$want" ]; then
    if the_call | grep -q -- '^--connection'; then fail "a connection named without a name ($*): $(the_call)"; fi
  else
    has_arg "--connection=$want" || fail "($* ipparam ${IPPARAM:-}) named $(the_call | grep -- --connection), not $want"
  fi
}
IPPARAM=param check_name call CALL_FILE=call LINKNAME=link PEERNAME=peer
IPPARAM=param check_name param LINKNAME=link PEERNAME=peer
check_name link LINKNAME=link PEERNAME=peer
check_name peer PEERNAME=peer
check_name ""
check_name "-x;rm" CALL_FILE="-x;rm"

# --- Bad values from pppd: bytes left out, or no call at all; never a failure.
reset
hook DOWN IFNAME=ppp0 CONNECT_TIME=60 BYTES_SENT=-1 BYTES_RCVD=12
if the_call | grep -qx -- '--down'; then fail "bytes passed on from a bad BYTES_SENT: $(the_call)"; fi
for bad in "CONNECT_TIME=abc" "CONNECT_TIME=" "CONNECT_TIME=99999999999999999999"; do
  reset
  hook DOWN IFNAME=ppp0 "$bad"
  [ -z "$(the_call)" ] || fail "a call logged with $bad"
  grep -q "not logged" "$ZK_LOG" || fail "syslog does not say why nothing was logged with $bad"
done
reset
hook UP "IFNAME=../x"
[ ! -e "$tmp/x.up" ] || fail "ip-up wrote outside its folder"

# --- zktrack failing, or missing: logged to syslog, exit 0.
reset
ZK_FAIL=1 hook DOWN IFNAME=ppp0 CONNECT_TIME=60
grep -q "ended with 1: zktrack: cannot write" "$ZK_LOG" || fail "a failing zktrack is not in syslog: $(cat "$ZK_LOG")"
reset
env -i PATH="$tmp/nothing:/usr/bin:/bin" ZELKORA_PPP_CONF="$conf" ZELKORA_PPP_STATE="$tmp/run" IFNAME=ppp0 CONNECT_TIME=60 \
  "$down_hook" ppp0 || fail "without zktrack the hook failed"

# --- Bad configurations: nothing logged.
for bad in "data = relative/folder" "data = $tmp/missing" "user = no-such-user-zk" "user = -r"; do
  reset
  printf '%s\n' "$bad" >"$conf"
  hook DOWN IFNAME=ppp0 CONNECT_TIME=60
  [ -z "$(the_call)" ] || fail "a call logged with '$bad'"
  grep -q "not logged" "$ZK_LOG" || fail "syslog does not say why nothing was logged with '$bad'"
done

# --- As another user: the one named, else the data folder's owner.
if [ "$(id -u)" -eq 0 ] && id -u nobody >/dev/null 2>&1; then
  reset
  printf 'user = nobody\n' >"$conf"
  hook DOWN IFNAME=ppp0 CONNECT_TIME=60
  the_call | grep -qx "user=nobody" || fail "not run as the user named: $(the_call)"
  if the_call | grep -q -- '^--data'; then fail "--data without a data folder: $(the_call)"; fi
  reset
  owned="$tmp/owned"
  mkdir -p "$owned" && chown nobody "$owned"
  printf 'data = %s\n' "$owned" >"$conf"
  hook DOWN IFNAME=ppp0 CONNECT_TIME=60
  the_call | grep -qx "user=nobody" || fail "not run as the data folder's owner: $(the_call)"
else
  echo "note: not root, the runs as another user are left out"
fi

# --- The real zktrack on a temporary data folder: the call is in its log.
if [ -n "$real_zktrack" ]; then
  reset
  rm -f "$bin/zktrack"
  ln -s "$real_zktrack" "$bin/zktrack"
  real_data="$tmp/real"
  mkdir -p "$real_data"
  printf 'user = %s\ndata = %s\n' "$(id -un)" "$real_data" >"$conf"
  hook UP IFNAME=ppp0 PPPD_PID=7
  # A minute ago, as a call of no length is no call.
  printf 'up=%s\npid=7\n' "$(($(date +%s) - 60))" >"$tmp/run/ppp0.up"
  hook DOWN IFNAME=ppp0 PPPD_PID=7 CONNECT_TIME=120 BYTES_SENT=4000 BYTES_RCVD=90000 CALL_FILE="My ISP"
  "$real_zktrack" log --csv --data "$real_data" >"$tmp/log.csv" 2>"$tmp/log.err" || fail "zktrack log: $(cat "$tmp/log.err")"
  sessions="$(tail -n +2 "$tmp/log.csv" | tr -d '\r')"
  [ "$(grep -c . <<<"$sessions")" -eq 1 ] || fail "the log holds not one session: $sessions (syslog: $(cat "$ZK_LOG" 2>/dev/null))"
  IFS=, read -r _ connection _ _ _ _ counted _ received sent _ <<<"$sessions"
  if ! { [ "$connection" = "My ISP" ] && [ "$counted" -ge 60 ] && [ "$counted" -le 62 ] && [ "$received" = 90000 ] && [ "$sent" = 4000 ]; }; then
    fail "the logged session is not the call: $sessions"
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failures" >&2
  exit 1
fi
echo "the pppd hooks: all cases passed"
