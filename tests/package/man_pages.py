#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The manual pages are written by hand: every option and command that a program's
--help lists (and, for zktrack, each command's own --help and that of each of its
commands) must be in its page, in bold as the pages set options and commands.

    man_pages.py PRANDEL ZKTRACK PRANDEL_PAGE ZKTRACK_PAGE

prandel runs from a copy in a temporary folder, without the right to set the clock,
without a display and with its XDG folders inside that folder, so that whatever
--help does, it touches nothing outside.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*)")


def run(argv, env):
    out = subprocess.run(argv, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, timeout=20, check=False)
    return out.returncode, out.stdout.decode("utf-8", "replace")


def options(help_text):
    return set(OPTION.findall(help_text))


def subcommands(help_text):
    """CLI11 lists them under "Subcommands:"; a hand-made usage names them after the
    program and its bracketed options."""
    found, in_section = [], False
    for line in help_text.splitlines():
        if re.match(r"^\S.*:\s*$", line):
            in_section = line.strip().lower().startswith("subcommands")
            continue
        if in_section:
            m = re.match(r"^\s+([a-z][\w-]*)\b", line)
            if m:
                found.append(m.group(1))
        else:
            m = re.match(r"^(?i:usage:)?\s*\S*zktrack\s+(?:\[[^]]*\]\s+)*([a-z][\w-]*)", line)
            if m:
                found.append(m.group(1))
    return list(dict.fromkeys(found))


def bold_words(page_path):
    with open(page_path, encoding="utf-8") as f:
        roff = f.read().replace("\\-", "-").replace("\\&", "")
    return set(re.findall(r"\\fB(.*?)\\f[RP]", roff))


def check(name, page, help_texts, commands):
    bold = bold_words(page)
    missing = []
    listed = set()
    for text in help_texts:
        listed |= options(text)
    if "--help" not in listed:
        missing.append(f"(no --help in its --help output: {help_texts[0][:200]!r})")
    missing += [f"option {o}" for o in sorted(listed) if o not in bold]
    missing += [f"command {c}" for c in commands if c not in bold]
    for m in missing:
        print(f"FAIL: {name}.1 lacks {m}", file=sys.stderr)
    print(f"{name}: options {sorted(listed)}, commands {commands}")
    return not missing


def main():
    prandel, zktrack, prandel_page, zktrack_page = sys.argv[1:5]
    ok = True
    with tempfile.TemporaryDirectory(prefix="prandel-man.") as tmp:
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(HOME=tmp, XDG_CONFIG_HOME=f"{tmp}/config", XDG_DATA_HOME=f"{tmp}/data",
                   XDG_CONFIG_DIRS=f"{tmp}/etc", XDG_RUNTIME_DIR=tmp)
        copy = os.path.join(tmp, "bin")
        os.mkdir(copy)
        shutil.copy2(prandel, copy)
        nocap = ["setpriv", "--bounding-set", "-sys_time", "--inh-caps", "-sys_time", "--"]
        rc, text = run(nocap + [os.path.join(copy, "prandel"), "--help"], env)
        if rc != 0:
            print(f"FAIL: prandel --help ended with {rc}: {text[:300]}", file=sys.stderr)
            ok = False
        ok &= check("prandel", prandel_page, [text], [])

        rc, top = run([zktrack, "--help"], env)
        if rc != 0:
            print(f"FAIL: zktrack --help ended with {rc}: {top[:300]}", file=sys.stderr)
            ok = False
        commands = subcommands(top)
        if not commands:
            print(f"FAIL: zktrack --help lists no command: {top[:300]}", file=sys.stderr)
            ok = False
        texts = [top]
        nested = []
        for c in commands:
            rc, sub = run([zktrack, c, "--help"], env)
            if rc != 0:
                continue
            texts.append(sub)
            # A command with commands of its own (holidays import-ics).
            for s in subcommands(sub):
                if s == c:
                    continue
                rc, subsub = run([zktrack, c, s, "--help"], env)
                if rc == 0:
                    texts.append(subsub)
                    nested.append(s)
        ok &= check("zktrack", zktrack_page, texts, commands + nested)
    if ok:
        print("PASS package_man_pages")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
