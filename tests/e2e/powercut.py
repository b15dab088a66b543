# SPDX-License-Identifier: GPL-3.0-or-later
"""Power cuts over a recorded run. A process killed at a call leaves all its earlier
writes in the page cache, where the file system still writes them; a power cut loses
whatever was not flushed. From one strace of a clean run (-f -y -xx -s 1048576, every
write, flush and name call on the data files, their journals and the folder), this
rebuilds the states a power cut after each call could leave on the disk, gives each to a
recovering start of the program, and judges the files as the fault tables do
(verdicts.py).

The disk, per file: the bytes it held at the start (taken as durable) and every later
write, size change, creation and removal in order, each durable or pending.
  - fdatasync or fsync of a file makes its pending writes and size changes durable;
  - a flush that fails makes nothing durable, and what it was to write may never reach
    the disk, even after a later flush succeeds (Linux marks those pages clean): such
    writes stay undecided for good;
  - names made (a create) or removed (unlink, rename) become durable only with an fsync
    of the folder: until then a name made may be absent after the cut, and a name removed
    may still be there, with its file's contents.
At a cut, each pending write is kept, lost, or torn (only its first 512-byte disk sector
written, or only its last), and each pending name change made or not. The states tried
at every cut point: all kept, all lost, each single write lost with the others kept, each
single write torn, each single name change made or not; then seeded random mixtures.
Identical folder images are tried once. --states caps the states of the whole run (the
plain states first, a seeded sample where a group does not fit).

    powercut.py --trace LOG --base DIR --data DIR --files mlif.zkt bit.zkt \\
        --before DIR --after DIR [--skip N] [--stop N] [--states N] [--seed S] \\
        [--rule save|strict|before] [--stamp OFF] [--mask FILE:START:END] [--one-save] \\
        [--artifacts DIR] -- RECOVER-COMMAND...

--base holds the files as they were before the first call judged (--skip calls of the
trace come before it: their effects are in --base already); the cut points are the calls
after it up to --stop. RECOVER-COMMAND runs with the state in --data and must end by
itself. Prints one summary line (M: the states made, identical ones included):
    cuts C states S before B after A neither N made M
"""
import argparse
import hashlib
import os
import random
import re
import subprocess
import sys

import verdicts

SECTOR = 512
FATES = ('keep', 'lose', 'first', 'last')


class TraceError(Exception):
    pass


# --- Reading strace's lines --------------------------------------------------------------

CALL = re.compile(r'^(?:(\d+) +)?([a-z_0-9]+)\((.*)$')
RESUMED = re.compile(r'^(?:(\d+) +)?<\.\.\. ([a-z_0-9]+) resumed>(.*)$')
UNFINISHED = ' <unfinished ...>'


class Call:
    """One system call of the trace: its name, its arguments as strace printed them, and
    its result (None when the process was killed in it)."""

    def __init__(self, number, name, args, result, text):
        self.number = number  # 1-based among the calls of the trace
        self.name = name
        self.args = args
        self.result = result
        self.text = text

    @property
    def ok(self):
        return self.result is not None and not self.result.startswith('-')

    def __repr__(self):
        return f'#{self.number} {readable(self.text)}'


def readable(text, width=48):
    """A call's text for people: paths and short strings decoded, long strings cut."""

    def decode(m):
        raw = unescape(m.group(2))
        if m.group(1) == '<' or raw.startswith(b'/'):
            raw = os.path.basename(raw)  # a path: its file is enough
        shown = raw[:width].decode('latin-1')
        shown = ''.join(c if c.isprintable() else '.' for c in shown)
        more = f'...({len(raw)} bytes)' if len(raw) > width else ''
        return f'{m.group(1)}{shown}{more}{m.group(3)}'

    return re.sub(r'(["<])((?:\\x[0-9a-f]{2})+)([">])', decode, text)


def unescape(s):
    """A C string as strace prints it (with -xx every byte is \\xHH) as bytes."""
    out = bytearray()
    i = 0
    simple = {'n': 10, 't': 9, 'r': 13, 'v': 11, 'f': 12, 'a': 7, 'b': 8, '\\': 92, '"': 34}
    while i < len(s):
        c = s[i]
        if c != '\\':
            out += c.encode('utf-8', 'surrogateescape')
            i += 1
            continue
        n = s[i + 1]
        if n == 'x':
            out.append(int(s[i + 2:i + 4], 16))
            i += 4
        elif n in simple:
            out.append(simple[n])
            i += 2
        elif n.isdigit():
            j = i + 1
            while j < len(s) and j < i + 4 and s[j] in '01234567':
                j += 1
            out.append(int(s[i + 1:j], 8) & 255)
            i = j
        else:
            raise TraceError(f'unknown escape \\{n}')
    return bytes(out)


def split_args(s):
    """The top-level, comma-separated arguments of an argument list."""
    args, depth, quoted, start, i = [], 0, False, 0, 0
    while i < len(s):
        c = s[i]
        if quoted:
            if c == '\\':
                i += 1
            elif c == '"':
                quoted = False
        elif c == '"':
            quoted = True
        elif c in '([{<':
            depth += 1
        elif c in ')]}>':
            depth -= 1
        elif c == ',' and depth == 0:
            args.append(s[start:i].strip())
            start = i + 1
        i += 1
    if s[start:].strip():
        args.append(s[start:].strip())
    return args


def string_arg(a):
    """The bytes of a quoted argument; a string strace cut short cannot be replayed."""
    m = re.fullmatch(r'"(.*)"(\.\.\.)?', a, re.S)
    if not m:
        raise TraceError(f'not a string: {a[:60]}')
    if m.group(2):
        raise TraceError('a string cut short: record with -s 1048576')
    return unescape(m.group(1))


def fd_arg(a):
    """(fd, path, deleted) of an argument printed with -y: 9</path>(deleted)."""
    m = re.fullmatch(r'(-?\d+|AT_FDCWD)(?:<(.*)>)?( ?\(deleted\))?', a, re.S)
    if not m:
        raise TraceError(f'not a descriptor: {a[:60]}')
    path = os.fsdecode(unescape(m.group(2))) if m.group(2) is not None else None
    return m.group(1), path, bool(m.group(3))


def parse_trace(lines):
    """The calls of a trace, in the order they were made; an unfinished call is joined with
    its resumption and placed where it began."""
    calls = []
    open_calls = {}
    for raw in lines:
        line = raw.rstrip('\n')
        m = RESUMED.match(line)
        if m:
            pid, name, rest = m.groups()
            call = open_calls.pop((pid, name), None)
            if call is None:
                raise TraceError(f'resumed without its start: {line[:80]}')
            finish(call, call.text + rest)
            continue
        m = CALL.match(line)
        if not m:
            continue  # signals, exits
        pid, name, rest = m.groups()
        call = Call(len(calls) + 1, name, None, None, name + '(' + rest)
        calls.append(call)
        if line.endswith(UNFINISHED):
            call.text = call.text[:-len(UNFINISHED)]
            open_calls[(pid, name)] = call
        else:
            finish(call, call.text)
    for call in open_calls.values():
        finish(call, call.text + ') = ?')  # killed before it returned
    return calls


def finish(call, text):
    call.text = text
    m = re.match(r'^[a-z_0-9]+\((.*)\) += (.*)$', text, re.S)
    if not m:
        # Killed in the call: strace ends the line without a result.
        m = re.match(r'^[a-z_0-9]+\((.*?)\)?\s*$', text, re.S)
        call.args = split_args(m.group(1)) if m else []
        call.result = None
        return
    call.args = split_args(m.group(1))
    result = m.group(2).strip()
    call.result = None if result.startswith('?') else result


# --- The disk ---------------------------------------------------------------------------


class Op:
    """A change to the disk: a write, a size change or a name change, durable or not."""
    __slots__ = ('id', 'kind', 'inode', 'offset', 'data', 'size', 'name', 'new', 'state', 'call')

    def __init__(self, kind, call, **kw):
        self.id = None
        self.kind = kind  # write, size; link, unlink, rename
        self.inode = kw.get('inode')
        self.offset = kw.get('offset', 0)
        self.data = kw.get('data', b'')
        self.size = kw.get('size', 0)
        self.name = kw.get('name')
        self.new = kw.get('new')
        self.state = 'pending'  # pending, durable, doubtful (its flush failed)
        self.call = call

    def spans_sectors(self):
        return self.kind == 'write' and (self.offset // SECTOR) != ((self.offset + len(self.data) - 1) // SECTOR)


def apply_write(content, offset, data):
    end = offset + len(data)
    if len(content) < offset:
        content.extend(bytes(offset - len(content)))
    content[offset:end] = data


def apply_data(content, op, fate):
    if fate == 'lose':
        return
    if op.kind == 'size':
        if op.size < len(content):
            del content[op.size:]
        else:
            content.extend(bytes(op.size - len(content)))
        return
    data, offset = op.data, op.offset
    if not data:
        return
    if fate == 'first':
        cut = min(len(data), SECTOR - offset % SECTOR)
        apply_write(content, offset, data[:cut])
    elif fate == 'last':
        start = max(offset, ((offset + len(data) - 1) // SECTOR) * SECTOR)
        apply_write(content, start, data[start - offset:])
    else:
        apply_write(content, offset, data)


class Disk:
    """The data folder as the run left it in the page cache and on the disk."""

    def __init__(self, folder, base):
        self.folder = os.path.normpath(folder)
        self.base = {}  # inode -> bytes at the start
        self.names = {}  # the process's view: name -> inode
        self.base_names = {}
        self.ops = []  # data and name changes, in order
        self.unlinked = {}  # name -> inode last removed from it
        for name, data in sorted(base.items()):
            ino = len(self.base)
            self.base[ino] = data
            self.names[name] = ino
        self.base_names = dict(self.names)
        self.sizes = {ino: len(d) for ino, d in self.base.items()}

    # Names are kept relative to the folder; anything else is not ours.
    def name_of(self, path):
        if path is None:
            return None
        path = os.path.normpath(path)
        if os.path.dirname(path) == self.folder:
            return os.path.basename(path)
        return None

    def inode_of(self, arg):
        fd, path, deleted = fd_arg(arg)
        if path is not None and os.path.normpath(path) == self.folder:
            return 'folder'
        name = self.name_of(path)
        if name is None:
            raise TraceError(f'a descriptor outside the folder: {arg[:80]}')
        if deleted:
            if name not in self.unlinked:
                raise TraceError(f'a removed file never seen removed: {name}')
            return self.unlinked[name]
        if name not in self.names:
            raise TraceError(f'a file never seen made: {name}')
        return self.names[name]

    def add(self, op):
        op.id = len(self.ops)
        self.ops.append(op)

    def apply(self, call):
        """Replays one call of the trace."""
        n, a = call.name, call.args
        if n in ('open', 'openat', 'creat'):
            self.opened(call)
        elif n in ('fdatasync', 'fsync'):
            self.flushed(call)
        elif not call.ok:
            return  # failed or cut off: nothing changed
        elif n == 'pwrite64':
            ino = self.inode_of(a[0])
            data = string_arg(a[1])[:int(call.result)]
            self.write(call, ino, int(a[3]), data)
        elif n == 'pwritev2':
            ino = self.inode_of(a[0])
            data = b''.join(string_arg(v) for v in re.findall(r'iov_base=("(?:[^"\\]|\\.)*"(?:\.\.\.)?)', a[1]))
            data = data[:int(call.result)]
            offset, flags = int(a[3]), a[4] if len(a) > 4 else ''
            if 'RWF_APPEND' in flags or offset == -1:
                if offset == -1 and 'RWF_APPEND' not in flags:
                    raise TraceError('a write at the file position is not modelled')
                offset = self.sizes[ino]
            self.write(call, ino, offset, data)
        elif n == 'write':
            raise TraceError('write() at the file position is not modelled')
        elif n == 'ftruncate':
            ino = self.inode_of(a[0])
            self.add(Op('size', call, inode=ino, size=int(a[1])))
            self.sizes[ino] = int(a[1])
        elif n == 'fallocate':
            ino = self.inode_of(a[0])
            if 'FALLOC_FL_KEEP_SIZE' not in a[1] and 'FALLOC_FL_PUNCH_HOLE' not in a[1]:
                end = int(a[2]) + int(a[3])
                if end > self.sizes[ino]:
                    self.add(Op('size', call, inode=ino, size=end))
                    self.sizes[ino] = end
            elif 'FALLOC_FL_PUNCH_HOLE' in a[1]:
                raise TraceError('punching holes is not modelled')
        elif n in ('unlink', 'unlinkat'):
            path = string_arg(a[1] if n == 'unlinkat' else a[0])
            if n == 'unlinkat' and 'AT_REMOVEDIR' in a[2]:
                return
            name = self.name_of(self.resolve(a[0] if n == 'unlinkat' else None, path))
            if name is None or name not in self.names:
                return
            ino = self.names.pop(name)
            self.unlinked[name] = ino
            self.add(Op('unlink', call, name=name, inode=ino))
        elif n in ('rename', 'renameat', 'renameat2'):
            if n == 'rename':
                old, new = self.resolve(None, string_arg(a[0])), self.resolve(None, string_arg(a[1]))
            else:
                old, new = self.resolve(a[0], string_arg(a[1])), self.resolve(a[2], string_arg(a[3]))
            old, new = self.name_of(old), self.name_of(new)
            if old is None or new is None or old not in self.names:
                raise TraceError('a rename into or out of the folder is not modelled')
            ino = self.names.pop(old)
            if new in self.names:
                self.unlinked[new] = self.names[new]
            self.names[new] = ino
            self.add(Op('rename', call, name=old, new=new, inode=ino))
        # flock, fallocate with KEEP_SIZE and anything else change nothing on the disk.

    def resolve(self, dirfd, path):
        path = os.fsdecode(path)
        if os.path.isabs(path):
            return path
        if dirfd is not None:
            _, base, _ = fd_arg(dirfd)
            if base is not None:
                return os.path.join(base, path)
        raise TraceError(f'a relative path without its folder: {path}')

    def opened(self, call):
        if not call.ok:
            return
        a = call.args
        path = string_arg(a[1] if call.name == 'openat' else a[0])
        flags = a[2] if call.name == 'openat' else (a[1] if call.name == 'open' else 'O_CREAT|O_TRUNC')
        name = self.name_of(self.resolve(a[0] if call.name == 'openat' else None, path))
        if name is None:
            return
        if name not in self.names and 'O_CREAT' in flags:
            ino = len(self.base)
            self.base[ino] = b''
            self.sizes[ino] = 0
            self.names[name] = ino
            self.add(Op('link', call, name=name, inode=ino))
        if name in self.names and 'O_TRUNC' in flags and self.sizes[self.names[name]] > 0:
            ino = self.names[name]
            self.add(Op('size', call, inode=ino, size=0))
            self.sizes[ino] = 0

    def write(self, call, ino, offset, data):
        if not data:
            return
        self.add(Op('write', call, inode=ino, offset=offset, data=data))
        self.sizes[ino] = max(self.sizes[ino], offset + len(data))

    def flushed(self, call):
        if call.result is None:
            return  # cut off in the flush: nothing known
        ino = self.inode_of(call.args[0])
        names = ino == 'folder'
        for op in self.ops:
            if op.state != 'pending':
                continue
            if names and op.kind in ('link', 'unlink', 'rename'):
                op.state = 'durable' if call.ok else 'pending'
            elif not names and op.kind in ('write', 'size') and op.inode == ino:
                op.state = 'durable' if call.ok else 'doubtful'

    # --- States after a cut

    def undecided(self):
        data = [o for o in self.ops if o.kind in ('write', 'size') and o.state != 'durable']
        names = [o for o in self.ops if o.kind in ('link', 'unlink', 'rename') and o.state != 'durable']
        return data, names

    def image(self, fates=None, made=None):
        """The folder after a cut: fates maps an undecided write to keep, lose, first or
        last (keep when absent); made maps an undecided name change to whether it
        happened (yes when absent)."""
        fates = fates or {}
        made = made or {}
        names = dict(self.base_names)
        for op in self.ops:
            if op.kind not in ('link', 'unlink', 'rename'):
                continue
            if op.state != 'durable' and not made.get(op.id, True):
                continue
            if op.kind == 'link':
                names[op.name] = op.inode
            elif op.kind == 'unlink':
                if names.get(op.name) == op.inode:
                    del names[op.name]
            elif names.get(op.name) == op.inode:
                del names[op.name]
                names[op.new] = op.inode
        out = {}
        for name, ino in names.items():
            content = bytearray(self.base[ino])
            for op in self.ops:
                if op.inode != ino or op.kind not in ('write', 'size'):
                    continue
                apply_data(content, op, 'keep' if op.state == 'durable' else fates.get(op.id, 'keep'))
            out[name] = bytes(content)
        return out


def image_key(image):
    return tuple(sorted((n, hashlib.sha1(d).hexdigest()) for n, d in image.items()))


def cut_states(disk, rng, extra):
    """The states to try at the disk's present cut, by group: (group, description, image)."""
    data, names = disk.undecided()
    lose_all = {o.id: 'lose' for o in data}
    none_made = {o.id: False for o in names}
    yield 0, 'all kept', disk.image()
    if data:
        yield 0, 'all lost', disk.image(lose_all, none_made)
        yield 0, 'all lost, names made', disk.image(lose_all)
    if names:
        yield 0, 'all kept, no name made', disk.image(None, none_made)
    for o in data:
        yield 1, f'lost: {o.call!r}', disk.image({o.id: 'lose'})
    for o in names:
        yield 1, f'not made: {o.call!r}', disk.image(None, {o.id: False})
        yield 1, f'only made: {o.call!r}', disk.image(lose_all, {**none_made, o.id: True})
    for o in data:
        if o.spans_sectors():
            yield 2, f'first sector only: {o.call!r}', disk.image({o.id: 'first'})
            yield 2, f'last sector only: {o.call!r}', disk.image({o.id: 'last'})
    for _ in range(extra if (data or names) else 0):
        fates = {o.id: rng.choice(FATES if o.spans_sectors() else FATES[:2]) for o in data}
        made = {o.id: rng.random() < 0.5 for o in names}
        yield 3, 'mixed', disk.image(fates, made)


def collect(calls, folder, base, skip=0, stop=None, extra=2, seed=1, last_only=False):
    """Every distinct state over the cut points (the calls after skip, up to stop), as
    [(group, cut call, description, image)], the number of cut points, and the number of
    states made before identical ones were dropped. last_only: the calls are replayed but
    only the state after the last one is tried."""
    disk = Disk(folder, base)
    rng = random.Random(seed)
    seen = {}
    cuts = made = 0
    replayed = [c for c in calls if c.number > skip and (stop is None or c.number <= stop)]
    for k, call in enumerate(replayed):
        disk.apply(call)
        if last_only and k + 1 < len(replayed):
            continue
        cuts += 1
        for group, what, image in cut_states(disk, rng, extra):
            made += 1
            key = image_key(image)
            if key not in seen or seen[key][0] > group:
                seen[key] = (group, call, what, image)
    return list(seen.values()), cuts, made


def choose(states, cap, seed):
    """At most cap states: whole groups in order, a seeded sample of the first that does
    not fit."""
    if not cap or len(states) <= cap:
        return states
    rng = random.Random(seed)
    chosen = []
    for group in sorted({s[0] for s in states}):
        members = [s for s in states if s[0] == group]
        room = cap - len(chosen)
        if room <= 0:
            break
        chosen += members if len(members) <= room else rng.sample(members, room)
    return chosen


# --- Trying the states ----------------------------------------------------------------------


def place(data_dir, names, image):
    for name in names:
        path = os.path.join(data_dir, name)
        if os.path.lexists(path):
            os.unlink(path)
    for name, content in image.items():
        with open(os.path.join(data_dir, name), 'wb') as f:
            f.write(content)


def run_state(args, image, judged_names):
    place(args.data, judged_names, image)
    try:
        r = subprocess.run(args.recover, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=args.timeout)
    except subprocess.TimeoutExpired:
        raise SystemExit(f'powercut: the recovering start did not end within {args.timeout} s')
    if r.returncode not in args.exit_codes:
        sys.stderr.write(r.stdout.decode('utf-8', 'replace')[-2000:])
        raise SystemExit(f'powercut: the recovering start ended with {r.returncode}')
    left = [n for n in judged_names if n.endswith('-journal') and os.path.lexists(os.path.join(args.data, n))]
    found = verdicts.judge_files(args.before, args.after, args.data, args.files, args.rule, args.stamp,
                                 verdicts.parse_masks(args.mask))
    return found, left


def keep_artifact(args, count, call, what, image, found, left):
    if not args.artifacts or count > 20:
        return
    folder = os.path.join(args.artifacts, f'state-{count}')
    os.makedirs(folder, exist_ok=True)
    for name, content in image.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(content)
    with open(os.path.join(folder, 'WHY'), 'w') as f:
        f.write(f'cut after {call!r}\nstate: {what}\nverdicts: {found}\njournals left: {left}\n')


def main(argv):
    p = argparse.ArgumentParser(prog='powercut', description=__doc__.split('\n\n')[0])
    p.add_argument('--trace', required=True)
    p.add_argument('--folder', help='the data folder as the trace names it (default: --data)')
    p.add_argument('--base', required=True)
    p.add_argument('--data', required=True)
    p.add_argument('--files', nargs='+', required=True)
    p.add_argument('--before', required=True)
    p.add_argument('--after', required=True)
    p.add_argument('--skip', type=int, default=0)
    p.add_argument('--stop', type=int)
    p.add_argument('--last-only', action='store_true', help='only the cut after the last call')
    p.add_argument('--states', type=int, default=0, help='at most this many states (0: all)')
    p.add_argument('--random', type=int, default=2, help='random mixtures per cut point')
    p.add_argument('--seed', type=int, default=1)
    p.add_argument('--rule', choices=verdicts.RULES, default='save')
    p.add_argument('--stamp', type=int)
    p.add_argument('--mask', action='append', default=[])
    p.add_argument('--one-save', action='store_true')
    p.add_argument('--timeout', type=float, default=30)
    p.add_argument('--exit-codes', type=lambda s: {int(x) for x in s.split(',')}, default={0})
    p.add_argument('--artifacts')
    p.add_argument('--verbose', action='store_true')
    p.add_argument('recover', nargs='+')
    args = p.parse_args(argv)

    judged_names = sorted({n for f in args.files for n in (f, f + '-journal')})
    base = {n: verdicts.read(args.base, n) for n in judged_names if os.path.isfile(os.path.join(args.base, n))}
    try:
        with open(args.trace, encoding='utf-8', errors='surrogateescape') as f:
            calls = parse_trace(f)
        states, cuts, made = collect(calls, args.folder or args.data, base, args.skip, args.stop, args.random,
                                     args.seed, args.last_only)
    except TraceError as e:
        raise SystemExit(f'powercut: {args.trace}: {e}')
    states = choose(states, args.states, args.seed)

    tally = {'before': 0, 'after': 0, 'neither': 0}
    for group, call, what, image in states:
        found, left = run_state(args, image, judged_names)
        sides = [v for _, v in found]
        bad = 'neither' in sides or bool(left) or (args.one_save and verdicts.mixed(found))
        if bad:
            tally['neither'] += 1
            keep_artifact(args, tally['neither'], call, what, image, found, left)
            print(f'  neither: cut after {call!r}: {what}: {found}' + (f', journals left {left}' if left else ''),
                  file=sys.stderr)
        elif any(v.startswith('after') for v in sides):
            tally['after'] += 1
        else:
            tally['before'] += 1
        if args.verbose:
            print(f'  cut after {call!r}: {what}: {found}', file=sys.stderr)
    print(f"cuts {cuts} states {len(states)} before {tally['before']} after {tally['after']} "
          f"neither {tally['neither']} made {made}")
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
