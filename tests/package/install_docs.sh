#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The documents a user is pointed to are installed and their links lead somewhere:
# `cmake --install BUILD_DIR --prefix` a temporary folder, then every relative link
# and picture of every installed Markdown file names an installed file (an anchor
# after "#" is not followed), and the tariff guide that zktrack export and its
# --help name is the installed one.
#   install_docs.sh BUILD_DIR
set -euo pipefail
build="$1"
tmp="$(mktemp -d "${TMPDIR:-/tmp}/prandel-install.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$tmp/prefix"
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 || { tail -n 20 "$tmp/install.log" >&2; fail "cmake --install"; }
docs="$prefix/share/doc/prandel"
for f in README.md guide.md tariff-files.md Zelkora.ini.sample; do
  [ -f "$docs/$f" ] || fail "$docs/$f is not installed"
done

# Links and pictures: [text](target) and ![text](target), relative ones only.
checked=0 broken=0
while IFS= read -r -d '' md; do
  while IFS= read -r target; do
    target="${target%%#*}"
    target="${target%% *}"
    [ -n "$target" ] || continue
    case "$target" in *://* | mailto:* | /*) continue ;; esac
    checked=$((checked + 1))
    if [ ! -e "$(dirname "$md")/$target" ]; then
      echo "FAIL: ${md#"$prefix"/} links $target, which is not installed" >&2
      broken=$((broken + 1))
    fi
  done < <(grep -o '\]([^)]*)' "$md" | sed 's/^](//; s/)$//')
done < <(find "$prefix" -name '*.md' -print0)
[ "$broken" -eq 0 ] || fail "$broken links lead nowhere"
[ "$checked" -gt 0 ] || fail "no link was found to check"

# zktrack names the installed guide, in its help and in what it writes.
zktrack="$prefix/bin/zktrack"
guide="$(cd "$docs" && pwd -P)/tariff-files.md"
"$zktrack" export --help | tr '\n' ' ' | grep -qF "$guide" || fail "zktrack export --help does not name $guide"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_DATA_HOME="$tmp/home/.local/share" XDG_CONFIG_DIRS="$tmp/etc"
mkdir -p "$HOME"
"$zktrack" seed --data "$tmp/data" >/dev/null || fail "zktrack seed"
"$zktrack" export --data "$tmp/data" | grep -qxF "# Every key is described in $guide." ||
  fail "the exported file does not name $guide"
echo "PASS package_install_docs ($checked links)"
