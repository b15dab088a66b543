# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the expense cases after lib.sh: condition records written into the
# data folder, the record bytes checked with python3, access keys, and a close
# request sent to a window as a window manager's close box sends it.

# seed_conditions 'python statements': a fresh mlif.zkt with the request 502 and the
# currency "$"; cond(slot, Field=value, ...) writes a live condition in use.
seed_conditions() {
  python3 - "$(MLIF)" "$1" <<'PY' || fail "records not written"
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
put(8192, struct.pack('<h', 502))
put(1024 + 14, b'$'.ljust(8))
exec(script)
open(path, 'wb').write(data)
PY
}

# check_records 'python statements' with get(offset, fmt), live(slot, field),
# work(slot, field) and eq(actual, wanted, what).
check_records() {
  python3 - "$(MLIF)" "$1" <<'PY' >&2 || fail "records differ"
import struct, sys
data = open(sys.argv[1], 'rb').read().ljust(20000, b'\0')
def get(off, fmt): return struct.unpack_from(fmt, data, off)[0]
OFF = dict(InUse=(0, '<h'), Amt=(2, '<d'), PerCall=(10, '<h'), PerType=(13, 'B'), TimeType=(31, 'B'),
           TimeStart=(32, '<d'), TimeEnd=(40, '<d'), InCall=(48, '<h'), CustCall=(94, '<h'), CallTime=(96, '<d'),
           AmtKind=(104, '<h'), IspOn=(106, 'B'), IspAmt=(107, '<d'), BwMode=(92, 'B'))
def field(base, slot, name):
    off, fmt = OFF[name]
    return get(base + (slot - 1) * 128 + off, fmt)
def live(slot, name): return field(10240, slot, name)
def work(slot, name): return field(15360, slot, name)
bad = []
def eq(a, b, what):
    if a != b: bad.append(f'{what}: got {a!r}, want {b!r}')
exec(sys.argv[2])
print('\n'.join(bad))
sys.exit(1 if bad else 0)
PY
}

# keys KEY...: to the expense window, then a moment for the window to follow.
keys() { send_keys "$WIN" "$@"; sleep 0.2; }
typed() { type_text "$WIN" "$1"; sleep 0.2; }
# An access key clicks its button after a short press.
access() { send_keys "$WIN" "alt+$1"; sleep 0.5; }

# Waits (bounded) until no window titled $1 is shown.
gone() {
  local n
  for ((n = 0; n < 50; n++)); do
    [ "$(count_windows "$1")" -eq 0 ] && return 0
    sleep 0.1
  done
  return 1
}

# close_request WIN: WM_DELETE_WINDOW, as the close box of a window manager sends it.
close_request() {
  python3 - "$1" <<'PY' || fail "no close request sent"
import ctypes, sys
x = ctypes.cdll.LoadLibrary('libX11.so.6')
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [('type', ctypes.c_int), ('serial', ctypes.c_ulong), ('send_event', ctypes.c_int),
                ('display', ctypes.c_void_p), ('window', ctypes.c_ulong), ('message_type', ctypes.c_ulong),
                ('format', ctypes.c_int), ('data', ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [('xclient', ClientMessage), ('pad', ctypes.c_long * 24)]
d = x.XOpenDisplay(None)
if not d: sys.exit(1)
win = int(sys.argv[1])
e = Event()
e.xclient.type = 33  # ClientMessage
e.xclient.window = win
e.xclient.message_type = x.XInternAtom(d, b'WM_PROTOCOLS', 0)
e.xclient.format = 32
e.xclient.data[0] = x.XInternAtom(d, b'WM_DELETE_WINDOW', 0)
x.XSendEvent(d, win, 0, 0, ctypes.byref(e))
x.XFlush(d)
x.XCloseDisplay(d)
PY
}
