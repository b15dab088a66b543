# Shared by the expense cases (sourced, not a case itself): an Xvfb of our own, a
# program folder with a copy of prandel and its data files, keys sent with xdotool,
# and the record bytes read back. Every wait is bounded; only what we start is
# ended, by its pid.

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
: "${PRANDEL_BIN:=}"
if [ -z "$PRANDEL_BIN" ]; then
  for b in "$root/build/bin/prandel" "$root/build-test/bin/prandel"; do
    if [ -x "$b" ]; then PRANDEL_BIN="$b"; break; fi
  done
fi
[ -x "$PRANDEL_BIN" ] || { echo "no prandel binary (set PRANDEL_BIN)"; exit 1; }

work="$(mktemp -d /tmp/prandel-e2e-expense.XXXXXX)"
xvfb_pid=""
app_pid=""

cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -s "$work/prandel.log" ] && sed 's/^/prandel: /' "$work/prandel.log" | tail -20
  [ -s "$work/prandel.log" ] && cp "$work/prandel.log" /tmp/prandel-e2e-expense-failure.log
  if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
    import -window root "/tmp/prandel-e2e-expense-failure.png" 2>/dev/null && echo "screen: /tmp/prandel-e2e-expense-failure.png"
  fi
  exit 1
}

start_xvfb() {
  # Xvfb picks a free display itself and tells which, so that runs side by side
  # never share one.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    if [ -s "$work/display" ] && grep -q '^[0-9]' "$work/display"; then
      export DISPLAY=":$(head -n1 "$work/display")"
      return 0
    fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  fail "no display could be started"
}

# Writes records into mlif.zkt: python3 statements that use put(offset, bytes),
# cond(slot, **fields) for a live condition, and the struct module.
seed() {
  python3 - "$work/mlif.zkt" "$1" <<'PY'
import struct, sys
path, script = sys.argv[1], sys.argv[2]
data = bytearray(20000)
def put(off, b): data[off:off + len(b)] = b
OFF = dict(InUse=(0, '<h'), Amt=(2, '<d'), PerCall=(10, '<h'), CondSpare=(12, 'B'), PerType=(13, 'B'),
           PerNum=(14, 'B'), TimeType=(31, 'B'), TimeStart=(32, '<d'), TimeEnd=(40, '<d'), AmtKind=(104, '<h'),
           IspOn=(106, 'B'), IspAmt=(107, '<d'), BwMode=(92, 'B'))
def cond(slot, **f):
    base = 10240 + (slot - 1) * 128
    put(base + 70, b' ' * 20)
    put(base, struct.pack('<h', -1))
    for k, v in f.items():
        off, fmt = OFF[k]
        put(base + off, struct.pack(fmt, v))
put(8192, struct.pack('<h', 502))          # the request: the expense editor
put(1024 + 14, b'$'.ljust(8))              # CurSymbol
exec(script)
open(path, 'wb').write(data)
PY
}

launch() {
  cp "$PRANDEL_BIN" "$work/prandel"
  # No right to set the clock: the one-minute step at the end must fail quietly.
  setpriv --bounding-set -sys_time --inh-caps -sys_time -- "$work/prandel" >"$work/prandel.log" 2>&1 &
  app_pid=$!
}

# Window ids whose title is exactly $1 (bounded wait for at least $2 of them).
windows_named() {
  local want="${2:-1}" ids=""
  for _ in $(seq 1 100); do
    ids="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true)"
    [ "$(printf '%s\n' "$ids" | grep -c .)" -ge "$want" ] && { printf '%s\n' "$ids"; return 0; }
    sleep 0.1
  done
  return 1
}

# Whether a window titled exactly $1 is shown now.
shown_now() { [ -n "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true)" ]; }
# Waits (bounded) until no window titled $1 is shown.
gone() {
  for _ in $(seq 1 50); do shown_now "$1" || return 0; sleep 0.1; done
  return 1
}

focus() { xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"; sleep 0.2; }
keys() { xdotool key --delay 60 "$@"; sleep 0.2; }
typed() { xdotool type --delay 60 "$1"; sleep 0.2; }
# Access keys click their button after a short press.
access() { xdotool key "alt+$1"; sleep 0.5; }

# Asks the window to close, as a window manager's close box does.
close_request() {
  python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary('libX11.so.6')
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [('type', ctypes.c_int), ('serial', ctypes.c_ulong), ('send_event', ctypes.c_int),
                ('display', ctypes.c_void_p), ('window', ctypes.c_ulong), ('message_type', ctypes.c_ulong),
                ('format', ctypes.c_int), ('data', ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [('xclient', ClientMessage), ('pad', ctypes.c_long * 24)]
d = x.XOpenDisplay(None)
win = int(sys.argv[1])
e = Event()
e.xclient.type = 33
e.xclient.window = win
e.xclient.message_type = x.XInternAtom(d, b'WM_PROTOCOLS', 0)
e.xclient.format = 32
e.xclient.data[0] = x.XInternAtom(d, b'WM_DELETE_WINDOW', 0)
x.XSendEvent(d, win, 0, 0, ctypes.byref(e))
x.XFlush(d)
PY
}

wait_exit() {
  for _ in $(seq 1 100); do
    kill -0 "$app_pid" 2>/dev/null || { wait "$app_pid" || true; app_pid=""; return 0; }
    sleep 0.1
  done
  fail "prandel did not end"
}

# python3 checks on the file: get(offset, fmt), live(slot, field), work(slot, field),
# text(offset, width), eq(a, b, what).
check() {
  python3 - "$work/mlif.zkt" "$1" <<'PY' || fail "check failed"
import struct, sys
data = open(sys.argv[1], 'rb').read()
def get(off, fmt): return struct.unpack_from(fmt, data, off)[0]
OFF = dict(InUse=(0, '<h'), Amt=(2, '<d'), PerCall=(10, '<h'), CondSpare=(12, 'B'), PerType=(13, 'B'),
           TimeType=(31, 'B'), TimeStart=(32, '<d'), TimeEnd=(40, '<d'), CustCall=(94, '<h'), CallTime=(96, '<d'),
           AmtKind=(104, '<h'), IspOn=(106, 'B'), IspAmt=(107, '<d'), InCall=(48, '<h'), BwMode=(92, 'B'))
def field(base, slot, name):
    off, fmt = OFF[name]
    return get(base + (slot - 1) * 128 + off, fmt)
def live(slot, name): return field(10240, slot, name)
def work(slot, name): return field(15360, slot, name)
bad = []
def eq(a, b, what):
    if a != b: bad.append(f'{what}: {a!r} != {b!r}')
exec(sys.argv[2])
if bad:
    print('\n'.join(bad))
    sys.exit(1)
PY
}
