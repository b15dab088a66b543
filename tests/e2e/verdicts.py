# SPDX-License-Identifier: GPL-3.0-or-later
"""The verdict of the fault tables. After a fault and a recovering start each data file
must hold its image from just before the save ("before") or from after a clean run of
it ("after"); anything else is "neither". Shared by the shell tables (fp_judge) and the
power-cut states (powercut.py).

Rules:
  save    the prandel saves: the reload flag that shutdown sets after the save may be
          missing from an "after" (after-unflagged) or present on a "before"
          (before-flagged), as the tracker then only reloads once too often or waits
          for the next change notice;
  strict  before or after byte for byte (a save whose reload flag is part of it);
  before  before only (a recovery: whatever the run did, the save it finishes undoing
          never took effect).

Masked byte ranges (FILE:START:END) are left out of every comparison: bytes the row
does not judge, such as a working set that may hold anything.

    python3 -m verdicts judge --before DIR --after DIR --now DIR [--rule R]
        [--stamp OFFSET] [--mask FILE:START:END]... FILE...

prints one "FILE VERDICT" line per file (none for a file the run does not change and
that stayed as it was)."""
import argparse
import os
import sys

RULES = ('save', 'strict', 'before')
STAMP_FILE = 'mlif.zkt'  # the file of the reload flag


def read(folder, name):
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        return None
    with open(path, 'rb') as f:
        return f.read()


def masked(data, ranges):
    """data with the given [start, end) ranges zeroed, its length kept."""
    if data is None or not ranges:
        return data
    out = bytearray(data)
    for start, end in ranges:
        end = min(end, len(out))
        if start < end:
            out[start:end] = bytes(end - start)
    return bytes(out)


def parse_masks(ranges):
    """FILE:START:END strings as {file: [(start, end), ...]}."""
    masks = {}
    for given in ranges or ():
        name, start, end = given.rsplit(':', 2)
        masks.setdefault(name, []).append((int(start), int(end)))
    return masks


def judge(before, after, now, rule='save', stamp=None):
    """The verdict on one file's bytes (None: missing). None when the save does not change
    the file and it is still as it was (not counted)."""
    if rule == 'before':
        return 'before' if now == before else 'neither'
    if before == after:
        # A file the save does not change must not change either.
        return None if now == before else 'neither'
    if now == before:
        return 'before'
    if now == after:
        return 'after'
    if rule == 'save' and stamp is not None and None not in (before, after, now):

        def without(b):
            return b[:stamp] + b[stamp + 2:] if len(b) >= stamp + 2 else b

        if without(now) == without(after) and now[stamp:stamp + 2] == before[stamp:stamp + 2]:
            return 'after-unflagged'
        if without(now) == without(before) and now[stamp:stamp + 2] == after[stamp:stamp + 2]:
            return 'before-flagged'
    return 'neither'


def judge_files(before_dir, after_dir, now, files, rule='save', stamp=None, masks=None):
    """[(file, verdict)] for the files of a run; now is a folder or a {file: bytes} image."""
    masks = masks or {}
    out = []
    for name in files:
        current = now.get(name) if isinstance(now, dict) else read(now, name)
        ranges = masks.get(name, ())
        verdict = judge(masked(read(before_dir, name), ranges), masked(read(after_dir, name), ranges),
                        masked(current, ranges), rule, stamp if name == STAMP_FILE else None)
        if verdict is not None:
            out.append((name, verdict))
    return out


def mixed(verdicts):
    """Whether a save over several files left one as before and another as after."""
    sides = {v.split('-')[0] for _, v in verdicts}
    return 'before' in sides and 'after' in sides


def main(argv):
    p = argparse.ArgumentParser(prog='verdicts')
    sub = p.add_subparsers(dest='command', required=True)
    j = sub.add_parser('judge')
    j.add_argument('--before', required=True)
    j.add_argument('--after', required=True)
    j.add_argument('--now', required=True)
    j.add_argument('--rule', choices=RULES, default='save')
    j.add_argument('--stamp', type=int)
    j.add_argument('--mask', action='append', default=[])
    j.add_argument('files', nargs='+')
    a = p.parse_args(argv)
    for name, verdict in judge_files(a.before, a.after, a.now, a.files, a.rule, a.stamp, parse_masks(a.mask)):
        print(name, verdict)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
