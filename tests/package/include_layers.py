#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The includes follow the layers (docs/architecture.md): a file under src/ or tools/
includes headers of its own layer and of the layers below it that it links, never of a
layer above. Every `#include "layer/..."` of every .cpp and .h is held against the table
below; a folder that the table does not know (a new layer, or the old src/common) fails
too, so that a new layer is placed on purpose.

    include_layers.py SOURCE_DIR

The platform interfaces (src/platform/*.h) are headers without code, beneath core; their
Linux implementations (src/platform/linux) are chosen by the programs alone.
"""
import os
import re
import sys

# What each layer may include besides itself. The same arrows as the link dependencies
# of src/CMakeLists.txt and tools/CMakeLists.txt.
BELOW = {
    "store": set(),
    "platform": {"store"},
    "platform/linux": {"store", "platform"},
    "core": {"store", "platform"},
    "format": {"store", "platform", "core"},
    "tracker": {"store", "platform", "core", "format"},
    "chart": {"store", "platform", "core", "format", "tracker"},
    "ui": {"store", "platform", "core"},
    "expense": {"store", "platform", "core", "ui"},
    "editors": {"store", "platform", "core", "ui"},
    "app": {"store", "platform", "platform/linux", "core", "ui", "expense", "editors"},
    "zktrack": {"store", "platform", "platform/linux", "core", "format", "tracker", "chart"},
}

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


def layer_of_file(rel):
    """The layer a source file belongs to, from its path, or None outside src/ and tools/."""
    parts = rel.split("/")
    if parts[0] == "tools" and len(parts) > 2 and parts[1] == "zktrack":
        return "zktrack", None
    if parts[0] != "src" or len(parts) < 3:
        return None, None
    if parts[1] == "platform" and parts[2] == "linux":
        return "platform/linux", None
    if parts[1] == "editors" and len(parts) > 3:
        return "editors", parts[2]
    return parts[1], None


def layer_of_include(path):
    """The layer an include names ("core/X.h" -> core), or None for a header beside the
    file or a library's header."""
    parts = path.split("/")
    if len(parts) < 2:
        return None, None
    if parts[0] == "platform" and parts[1] == "linux":
        return "platform/linux", None
    if parts[0] == "editors" and len(parts) > 2:
        return "editors", parts[1]
    return parts[0], None


def faults(source):
    out = []
    project_layers = set(BELOW) | {"common", "zktrack"}
    for top in ("src", "tools"):
        for root, _dirs, files in os.walk(os.path.join(source, top)):
            for name in sorted(files):
                if not name.endswith((".cpp", ".h")):
                    continue
                full = os.path.join(root, name)
                rel = os.path.relpath(full, source)
                layer, editor = layer_of_file(rel)
                if layer is None:
                    continue
                if layer not in BELOW:
                    out.append(f"{rel}: the folder '{layer}' is in no layer of tests/package/include_layers.py")
                    continue
                with open(full, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target, target_editor = layer_of_include(m.group(1))
                        if target is None:
                            continue
                        if target not in project_layers and not os.path.isdir(os.path.join(source, "src", target)):
                            continue  # a library's header, such as <QtCore/QString> or "toml++/toml.hpp"
                        if target == layer:
                            if editor and target_editor and target_editor != editor:
                                out.append(f"{rel}:{number}: the {editor} editor includes {m.group(1)}, "
                                           f"of the {target_editor} editor")
                            continue
                        if target not in BELOW[layer]:
                            out.append(f"{rel}:{number}: {layer} includes {m.group(1)} "
                                       f"({target} is not below {layer})")
    return out


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    found = faults(os.path.realpath(argv[1]))
    for fault in found:
        print(f"FAIL: {fault}", file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
