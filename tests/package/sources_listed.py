#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The libraries, programs and tests name their sources one by one in the CMake files, so
a .cpp that nobody names is never compiled: a test file would silently never run. Every
.cpp under src/, tools/ and tests/ must be compiled in the build tree given (its
compile_commands.json, which CMAKE_EXPORT_COMPILE_COMMANDS writes).

    sources_listed.py SOURCE_DIR BUILD_DIR
"""
import json
import os
import sys

FOLDERS = ("src", "tools", "tests")


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    source, build = (os.path.realpath(a) for a in argv[1:])
    commands = os.path.join(build, "compile_commands.json")
    try:
        with open(commands, encoding="utf-8") as f:
            entries = json.load(f)
    except (OSError, ValueError) as e:
        print(f"FAIL: {commands}: {e}", file=sys.stderr)
        return 1
    compiled = set()
    for entry in entries:
        path = entry.get("file", "")
        if not os.path.isabs(path):
            path = os.path.join(entry.get("directory", ""), path)
        compiled.add(os.path.realpath(path))

    missing = []
    for folder in FOLDERS:
        for root, _dirs, files in os.walk(os.path.join(source, folder)):
            missing += [os.path.relpath(os.path.join(root, name), source)
                        for name in files
                        if name.endswith(".cpp") and os.path.realpath(os.path.join(root, name)) not in compiled]
    for path in sorted(missing):
        print(f"FAIL: {path} is named in no CMakeLists.txt (never compiled)", file=sys.stderr)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
