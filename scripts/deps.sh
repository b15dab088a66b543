#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and testing Prandel needs on Debian 12, only what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
  xvfb xauth xdotool imagemagick x11-utils
  at-spi2-core python3-pyatspi dbus-x11
  fonts-liberation2 fonts-dejavu-core
  util-linux python3 file dpkg-dev strace tzdata
  libcli11-dev libtomlplusplus-dev libical-dev libsqlite3-dev
  scdoc lintian desktop-file-utils appstream
  dbus-daemon python3-dbus python3-dbusmock iproute2
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
