# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the cases that run prandel over an accessibility bus, as under a desktop
# session: a private session bus (dbus-launch) carries an accessibility bus of our
# own (at-spi-bus-launcher). Source it before lib.sh: where the tools are missing the
# case is skipped (77) before anything is started. After lib.sh, start_a11y_session
# starts the buses and exports what Qt needs to use them.

skip() { echo "SKIP: $*"; exit 77; }
command -v dbus-launch >/dev/null 2>&1 || skip "dbus-launch is missing (Debian package dbus-x11)"
command -v dbus-send >/dev/null 2>&1 || skip "dbus-send is missing (Debian package dbus-bin)"
A11Y_LAUNCHER=""
for p in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher \
  /usr/lib/x86_64-linux-gnu/at-spi2-core/at-spi-bus-launcher "$(command -v at-spi-bus-launcher || true)"; do
  if [ -n "$p" ] && [ -x "$p" ]; then A11Y_LAUNCHER="$p"; break; fi
done
[ -n "$A11Y_LAUNCHER" ] || skip "at-spi-bus-launcher is missing (Debian package at-spi2-core)"

# The bus processes are not our children (the session bus forks away, the
# accessibility bus and its registry are the launcher's): they are found by pid and
# ended here, before lib.sh ends Xvfb.
A11Y_BUS_PIDS=()
# Children and grandchildren of a process, by their parent pid in /proc.
descendants() {
  local parent="$1" stat pid ppid rest
  for stat in /proc/[0-9]*/stat; do
    read -r pid _ rest <"$stat" 2>/dev/null || continue
    rest="${rest##*) }"   # past the command name, which may hold blanks
    ppid="$(printf '%s' "$rest" | cut -d' ' -f2)"
    if [ "$ppid" = "$parent" ]; then
      descendants "$pid"
      echo "$pid"
    fi
  done
}
# Whether a pid still names a live process (a zombie waiting for init is gone).
alive() { [ -r "/proc/$1/stat" ] && ! grep -q '^[0-9]* (.*) Z ' "/proc/$1/stat" 2>/dev/null; }
a11y_cleanup() {
  local pids=() i pid n
  if [ -n "${A11Y_LAUNCHER_PID:-}" ]; then
    mapfile -t pids < <(descendants "$A11Y_LAUNCHER_PID")
    pids+=("$A11Y_LAUNCHER_PID")
  fi
  pids+=("${A11Y_BUS_PIDS[@]}")
  for pid in "${pids[@]}"; do
    alive "$pid" || continue
    kill -TERM "$pid" 2>/dev/null || true
    for ((n = 0; n < 30; n++)); do
      alive "$pid" || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  done
  [ -z "${A11Y_LAUNCHER_PID:-}" ] || wait "$A11Y_LAUNCHER_PID" 2>/dev/null || true
}

# Starts both buses; they are ended at exit, before lib.sh ends Xvfb.
start_a11y_session() {
  local bus_env bus_pid n
  trap 'a11y_cleanup; e2e_cleanup' EXIT
  bus_env="$(timeout 10 dbus-launch --sh-syntax)" || fail "dbus-launch started no session bus"
  DBUS_SESSION_BUS_ADDRESS="$(printf '%s\n' "$bus_env" | sed -n "s/^DBUS_SESSION_BUS_ADDRESS='\(.*\)';\$/\1/p")"
  bus_pid="$(printf '%s\n' "$bus_env" | sed -n 's/^DBUS_SESSION_BUS_PID=\([0-9]*\);$/\1/p')"
  [ -n "$DBUS_SESSION_BUS_ADDRESS" ] && [ -n "$bus_pid" ] || fail "dbus-launch said: $bus_env"
  A11Y_BUS_PIDS+=("$bus_pid")
  export DBUS_SESSION_BUS_ADDRESS
  unset AT_SPI_BUS_ADDRESS

  "$A11Y_LAUNCHER" --launch-immediately >"$E2E_TMP/a11y-bus.log" 2>&1 &
  A11Y_LAUNCHER_PID=$!
  # Asking org.a11y.Bus itself would start a second launcher by activation: wait for
  # ours to own the name instead.
  for ((n = 0; ; n++)); do
    if timeout 5 dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'; then
      break
    fi
    kill -0 "$A11Y_LAUNCHER_PID" 2>/dev/null || fail "at-spi-bus-launcher ended: $(tail -n 3 "$E2E_TMP/a11y-bus.log")"
    [ "$n" -lt 100 ] || fail "at-spi-bus-launcher took no bus name within 10 s"
    sleep 0.1
  done

  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
}
