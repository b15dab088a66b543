#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The .deb that cpack makes from an optimised build folder: lintian finds no error and
# no warning in it; its dependencies are Debian's Qt 6 packages and libical; it holds
# prandel and zktrack in /usr/bin with their manual pages, the menu entry, icon and
# AppStream metadata (valid, and consistent with each other), the Debian copyright and changelog
# and the sample Zelkora.ini; and unpacked into a temporary root it runs, as root and
# as an ordinary user, without ever writing beside itself: zktrack seeds and shows
# $XDG_DATA_HOME/zelkora or the folder a config file names, prandel answers --help and
# --version and with request 0 ends at once.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${BUILD_DIR:-}" ]; then
  echo "SKIP: no optimised build tree to package; configure this tree with -DPRANDEL_PACKAGE_TREE=DIR (scripts/test.sh names its Release tree)"
  exit 77
fi
for tool in cpack dpkg-deb setpriv lintian; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps.sh installs it)"; exit 77; }
done
[ -f "$BUILD_DIR/CPackConfig.cmake" ] || { echo "FAIL: no CPackConfig.cmake in $BUILD_DIR" >&2; exit 1; }

tmp="$(mktemp -d "${TMPDIR:-/tmp}/prandel-package.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { tail -n 30 "$tmp/cpack.log" >&2; fail "cpack did not make the package"; }
debs=("$tmp"/out/prandel_*.deb)
[ -f "${debs[0]}" ] || fail "no prandel_*.deb in $tmp/out"
deb="${debs[0]}"

# Every error and warning fails; infos are shown.
lintian --display-info "$deb" >"$tmp/lintian.log" 2>&1 && lintian_rc=0 || lintian_rc=$?
grep -v '^running with root privileges' "$tmp/lintian.log" || true
if grep -Eq '^[EW]: ' "$tmp/lintian.log"; then
  fail "lintian: $(grep -Ec '^[EW]: ' "$tmp/lintian.log") errors or warnings"
fi
[ "$lintian_rc" -eq 0 ] || fail "lintian ended with $lintian_rc"

depends="$(dpkg-deb -f "$deb" Depends)"
for p in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libical3; do
  grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
recommends="$(dpkg-deb -f "$deb" Recommends)"
for p in qt6-wayland fonts-liberation2; do
  grep -Eq "(^|, )$p( |,|$)" <<<"$recommends" || fail "Recommends lacks $p: $recommends"
done
id=org.zelkora.Prandel
contents="$(dpkg-deb -c "$deb" | awk '{print $NF}')"
for f in ./usr/bin/prandel ./usr/bin/zktrack \
  ./usr/share/man/man1/prandel.1.gz ./usr/share/man/man1/zktrack.1.gz \
  ./usr/share/applications/$id.desktop ./usr/share/metainfo/$id.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/$id.svg \
  ./usr/share/doc/prandel/copyright ./usr/share/doc/prandel/changelog.gz \
  ./usr/share/doc/prandel/Zelkora.ini.sample ./usr/share/doc/prandel/ppp.conf.sample \
  ./usr/lib/systemd/user/zelkora-tracker.service \
  ./usr/libexec/prandel/zktrack-run \
  ./etc/ppp/ip-up.d/zelkora ./etc/ppp/ip-down.d/zelkora; do
  grep -qx "$f" <<<"$contents" || fail "the package lacks $f"
done
# The pppd hooks are executable and the administrator's (conffiles).
dpkg-deb -c "$deb" >"$tmp/listing"
dpkg-deb -I "$deb" conffiles >"$tmp/conffiles" || fail "the package has no conffiles"
for f in ip-up.d ip-down.d; do
  grep -Eq "^-rwxr-xr-x .* \./etc/ppp/$f/zelkora$" "$tmp/listing" || fail "/etc/ppp/$f/zelkora is not executable"
  grep -qx "/etc/ppp/$f/zelkora" "$tmp/conffiles" || fail "/etc/ppp/$f/zelkora is no conffile"
done

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin"
head -n 1 "$root/usr/share/doc/prandel/Zelkora.ini.sample" | grep -q '^DataDir=' || fail "the sample's first line names no folder"
# The tracker's user unit starts the installed zktrack's tracker, and is not enabled.
unit="$root/usr/lib/systemd/user/zelkora-tracker.service"
grep -qx 'ExecStart=/usr/bin/zktrack run' "$unit" || fail "the unit does not start /usr/bin/zktrack run"
grep -qx 'Restart=on-failure' "$unit" || fail "the unit is not restarted on failure"
[ -z "$(find "$root" -path '*wants*' -name zelkora-tracker.service)" ] || fail "the unit is enabled by the package"
version="$(dpkg-deb -f "$deb" Version)"
zcat "$root/usr/share/doc/prandel/changelog.gz" | head -n 1 | grep -q "^prandel ($version)" ||
  fail "the changelog's top entry is not for $version"

# The installed menu entry and metadata: each valid, and together (the metadata's
# desktop file and icon are where it says).
bash "$here/desktop_files.sh" "$root/usr/share/applications/$id.desktop" "$root/usr/share/metainfo/$id.metainfo.xml" \
  "$bin/zktrack" || fail "the installed menu entry or metadata"
appstreamcli validate-tree --no-net --no-color "$root" >"$tmp/tree.log" 2>&1 && tree_rc=0 || tree_rc=$?
cat "$tmp/tree.log"
if [ "$tree_rc" -ne 0 ] || grep -Eq '^[EW]: ' "$tmp/tree.log"; then fail "appstreamcli validate-tree"; fi

# run_prandel [setpriv options] [-- ARGS]: no display; never with the right to set the clock.
run_prandel() {
  local opts=() args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do opts+=("$1"); shift; done
  [ $# -gt 0 ] && shift && args=("$@")
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    setpriv "${opts[@]}" --bounding-set -sys_time --inh-caps -sys_time -- "$bin/prandel" "${args[@]}" >"$tmp/prandel.log" 2>&1 ||
    { cat "$tmp/prandel.log" >&2; fail "prandel ended with an error"; }
}

# Every file below a folder with its size and time, to see that nothing was written.
snapshot() { find "$1" -printf '%p %s %T@\n' | sort; }

# An installed copy never writes beside itself, whoever runs it: root gets its own
# $XDG_DATA_HOME/zelkora, or the folder a config file names. The system's own
# /etc/xdg is kept out of the test.
export XDG_CONFIG_DIRS="$tmp/etc-xdg"
unset XDG_DATA_HOME XDG_CONFIG_HOME
roothome="$tmp/roothome"
mkdir -p "$roothome" "$XDG_CONFIG_DIRS"
(
  export HOME="$roothome"
  : >"$tmp/prandel.log"
  before="$(snapshot "$tmp")"
  run_prandel -- --help
  grep -q "zktrack open" "$tmp/prandel.log" || fail "prandel --help says nothing of zktrack open"
  run_prandel -- --version
  grep -q "^prandel [0-9]" "$tmp/prandel.log" || fail "prandel --version: $(cat "$tmp/prandel.log")"
  run_prandel
  grep -q "no data folder" "$tmp/prandel.log" || fail "prandel without a data folder said: $(cat "$tmp/prandel.log")"
  # (the log itself is the one file that changed)
  [ "$(snapshot "$tmp" | grep -v prandel.log)" = "$(grep -v prandel.log <<<"$before")" ] ||
    fail "a start by hand with no data folder wrote something: $(diff <(echo "$before") <(snapshot "$tmp"))"
  "$bin/zktrack" seed >/dev/null || fail "zktrack seed as root"
  "$bin/zktrack" show >"$tmp/show.txt" || fail "zktrack show as root"
  run_prandel
  [ -s "$roothome/.local/share/zelkora/mlif.zkt" ] || fail "root's records are not in its own data folder"
  grep -qx "Data folder: $roothome/.local/share/zelkora (the user's data folder, \$XDG_DATA_HOME/zelkora)" "$tmp/show.txt" ||
    fail "zktrack showed another folder: $(head -n 1 "$tmp/show.txt")"

  # The system-wide config names a shared folder.
  mkdir -p "$XDG_CONFIG_DIRS/zelkora"
  printf 'DataDir=%s\n' "$tmp/shared" >"$XDG_CONFIG_DIRS/zelkora/Zelkora.ini"
  "$bin/zktrack" seed >/dev/null || fail "zktrack seed into the folder of the system config"
  [ -s "$tmp/shared/mlif.zkt" ] || fail "no records in the folder /etc/xdg/zelkora/Zelkora.ini names"
  rm -f "$XDG_CONFIG_DIRS/zelkora/Zelkora.ini"
)
[ -z "$(ls "$bin"/*.zkt 2>/dev/null)" ] || fail "records were written into /usr/bin"
grep -q . "$tmp/show.txt" || fail "zktrack show printed nothing"

# An ordinary user on a fresh account: prandel --help, then zktrack seed.
chmod 755 "$tmp"
home="$tmp/home"
mkdir -m 700 "$home"
chown 65534:65534 "$home"
as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
(
  export HOME="$home"
  run_prandel --reuid=65534 --regid=65534 --clear-groups -- --help
  "${as_user[@]}" "$bin/zktrack" seed >/dev/null || fail "zktrack seed as a user"
  "${as_user[@]}" "$bin/zktrack" show >"$tmp/show-user.txt" || fail "zktrack show as a user"
  run_prandel --reuid=65534 --regid=65534 --clear-groups
)
data="$home/.local/share/zelkora"
[ -s "$data/mlif.zkt" ] || fail "no records in $data"
grep -qx "Data folder: $data (the user's data folder, \$XDG_DATA_HOME/zelkora)" "$tmp/show-user.txt" ||
  fail "zktrack showed another folder: $(head -n 1 "$tmp/show-user.txt")"
cmp -s <(tail -n +2 "$tmp/show.txt") <(tail -n +2 "$tmp/show-user.txt") || fail "the user's demo differs from root's"
[ -z "$(ls "$bin"/*.zkt 2>/dev/null)" ] || fail "records were written into /usr/bin"
echo "PASS package_deb"
