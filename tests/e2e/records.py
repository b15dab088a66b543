# SPDX-License-Identifier: GPL-3.0-or-later
"""What the end-to-end cases share for checking record bytes: fields read from a file
image, mismatches collected and reported together, and the bytes that changed."""
import struct
import sys

MAIN = 1024             # MainRecord in mlif.zkt
LINK = 8192             # LinkRecord
RELOAD = LINK + 244     # its ReloadFlag
# Start-up clears the request code and shutdown sets the reload flag in every run.
LINK_OWN = {LINK, LINK + 1, RELOAD, RELOAD + 1}

problems = []


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def field(data, fmt, offset):
    return struct.unpack_from(fmt, data, offset)[0]


def span(offset, width):
    return set(range(offset, offset + width))


def want(what, got, wanted):
    if got != wanted:
        problems.append(f'{what}: got {got!r}, want {wanted!r}')


def changed(before, after):
    return [i for i in range(max(len(before), len(after)))
            if before[i:i + 1] != after[i:i + 1]]


def only_own_changed(before, after, own, what="bytes changed outside the window's own"):
    want(what, [i for i in changed(before, after) if i not in own], [])


def finish():
    if problems:
        print('\n'.join(problems), file=sys.stderr)
        sys.exit(1)
