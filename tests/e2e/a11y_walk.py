#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Walks one window of a running program over the accessibility bus, as a screen
reader sees it, and reports the controls that a screen reader could not name.

    a11y_walk.py PID TITLE [LABEL [SHOWN_NAME]]

Finds the application of process PID, waits (bounded) for its shown window titled
TITLE (and, given SHOWN_NAME, for a shown and enabled object of that name in it,
after keys that change the window), walks that window's tree and prints one line
of counts under LABEL (the title by default), then one line per problem. Exits 1
when there is a problem, 2 when the window cannot be found or the walk fails.

A problem is a control a user can reach (a shown, focusable object, or a shown
list, combo box, entry field, button or tick box) whose name is empty or blank;
any shown object whose name is blank but not empty (" " is read as nothing, yet
still read); or two shown, enabled controls with the same role and name. The
items of lists and combo boxes are their contents, not controls: the walk does
not go into them.

A combo box is the exception: Qt on this bus would give it its current item as its
name, and what it is comes from the labels that it is labelled by, which a screen
reader says before the item. For a combo box the walk takes those labels in place of
the name, leaving out the frames around it (screen readers skip a label that
contains the control, and a frame's title names the frame). Its name must tell it
apart all the same: two shown, enabled lists that take no typed text and have the
same name (two day lists both called "Sun") are a problem too.
"""
import sys
import time

import pyatspi

# Their children are items, not controls.
LEAF_ROLES = {
    pyatspi.ROLE_LIST,
    pyatspi.ROLE_LIST_BOX,
    pyatspi.ROLE_TABLE,
    pyatspi.ROLE_TREE,
    pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_COMBO_BOX,
}
# Roles whose objects are controls even when they take no focus themselves.
CONTROL_ROLES = LEAF_ROLES | {
    pyatspi.ROLE_TEXT,
    pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_SCROLL_BAR,
    pyatspi.ROLE_PUSH_BUTTON,
    pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_SLIDER,
}
WINDOW_ROLES = {pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW}
WAIT_SECONDS = 20
MAX_NODES = 5000  # a cycle or a runaway tree ends the walk, not the test run


def safe(call, default=None):
    try:
        return call()
    except Exception:  # an object that went away while we looked at it
        return default


def find_window(pid, title):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None or safe(app.get_process_id) != pid:
            continue
        for win in app:
            if win is None or safe(lambda: win.name) != title:
                continue
            if safe(win.getRole) not in WINDOW_ROLES:
                continue
            states = safe(win.getState)
            if states is not None and states.contains(pyatspi.STATE_VISIBLE):
                return win
    return None


def describe(acc, path):
    role = safe(acc.getRoleName, "?")
    name = safe(lambda: acc.name, "")
    where = " > ".join(f"{r} '{n}'" for _, r, n in path[1:] if n.strip())
    extents = safe(lambda: acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
    at = f" at {extents.x},{extents.y}" if extents is not None else ""
    return f"{role} {name!r}{at}{' in ' + where if where else ''}"


def labels(acc, path):
    """The names of what labels the object, leaving out its own frames."""
    ancestors = [a for a, _, _ in path]
    names = []
    for rel in safe(acc.getRelationSet, []) or []:
        if safe(rel.getRelationType) != pyatspi.RELATION_LABELLED_BY:
            continue
        for i in range(safe(rel.getNTargets, 0) or 0):
            target = safe(lambda: rel.getTarget(i))
            if target is None or any(target == a for a in ancestors):
                continue
            name = safe(lambda: target.name, "") or ""
            if name.strip():
                names.append(name)
    return " ".join(names)


def walk(win):
    """Yields (object, role, name, states, path) for every object below the window;
    path holds (object, role name, name) of the window and the frames on the way."""
    stack = [(win, [(win, safe(win.getRoleName, "?"), safe(lambda: win.name, ""))])]
    seen = 0
    while stack:
        acc, path = stack.pop()
        count = safe(lambda: acc.childCount, 0) or 0
        children = []
        for i in range(count):
            child = safe(lambda: acc.getChildAtIndex(i))
            if child is None:
                continue
            seen += 1
            if seen > MAX_NODES:
                raise RuntimeError(f"more than {MAX_NODES} objects below the window")
            role = safe(child.getRole)
            name = safe(lambda: child.name, "") or ""
            states = safe(child.getState)
            yield child, role, name, states, path
            if role not in LEAF_ROLES:
                children.append((child, path + [(child, safe(child.getRoleName, "?"), name)]))
        stack.extend(reversed(children))


def has_shown(win, name):
    for _, _, n, states, _ in walk(win):
        if n == name and states is not None and states.contains(pyatspi.STATE_VISIBLE) \
                and states.contains(pyatspi.STATE_ENABLED):
            return True
    return False


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    pid, title = int(sys.argv[1]), sys.argv[2]
    label = sys.argv[3] if len(sys.argv) > 3 else title
    shown_name = sys.argv[4] if len(sys.argv) > 4 else None

    deadline = time.monotonic() + WAIT_SECONDS
    while True:
        win = find_window(pid, title)
        if win is not None and (shown_name is None or has_shown(win, shown_name)):
            break
        if time.monotonic() >= deadline:
            wanted = f" showing {shown_name!r}" if shown_name else ""
            print(f"{label}: no window titled {title!r}{wanted} of process {pid} on the "
                  f"accessibility bus within {WAIT_SECONDS} s", file=sys.stderr)
            return 2
        time.sleep(0.2)

    walked = focusable = 0
    problems = []
    named = {}
    combo_names = {}
    for acc, role, name, states, path in walk(win):
        walked += 1
        has = (lambda s: states is not None and states.contains(s))
        shown = has(pyatspi.STATE_VISIBLE)
        is_focusable = has(pyatspi.STATE_FOCUSABLE)
        if is_focusable and shown:
            focusable += 1
        is_control = shown and (is_focusable or role in CONTROL_ROLES)
        said = labels(acc, path) if role == pyatspi.ROLE_COMBO_BOX else name
        if name and not name.strip() and shown:
            problems.append(f"blank name: {describe(acc, path)}")
        elif is_control and not said.strip():
            what = "no label" if role == pyatspi.ROLE_COMBO_BOX else "no name"
            problems.append(f"{what}: {describe(acc, path)}")
        if is_control and has(pyatspi.STATE_ENABLED) and said.strip():
            named.setdefault((role, said), []).append((acc, path))
        if is_control and has(pyatspi.STATE_ENABLED) and role == pyatspi.ROLE_COMBO_BOX \
                and not has(pyatspi.STATE_EDITABLE):
            combo_names.setdefault(name, []).append((acc, path))
    for (role, said), objs in named.items():
        if len(objs) > 1:
            problems.append(f"{len(objs)} enabled controls said as {said!r}: "
                            + "; ".join(describe(a, p) for a, p in objs))
    for name, objs in combo_names.items():
        if len(objs) > 1:
            problems.append(f"{len(objs)} enabled lists named {name!r}: "
                            + "; ".join(describe(a, p) for a, p in objs))

    print(f"{label}: {walked} controls walked, {focusable} focusable, {len(problems)} problems")
    for p in problems:
        print(f"  {p}")
    return 1 if problems else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Exception as e:  # the walk did not run: not a verdict on the names
        print(f"a11y_walk: {e!r}", file=sys.stderr)
        sys.exit(2)
