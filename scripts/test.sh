#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing; builds the programs as they are shipped (Release, hardened,
# warnings as errors) into build-release/, and every test with warnings as errors and
# the address and undefined-behaviour sanitizers into build-test/; runs every test:
# unit, window and end-to-end (under Xvfb), and the Debian package made from the
# Release tree.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-test}"
release="${RELEASE_DIR:-$root/build-release}"

"$root/scripts/deps.sh"
BUILD_DIR="$release" "$root/scripts/build.sh" -DCMAKE_BUILD_TYPE=Release -DPRANDEL_WERROR=ON -DPRANDEL_TESTS=OFF
BUILD_DIR="$build" "$root/scripts/build.sh" -DCMAKE_BUILD_TYPE=Debug -DPRANDEL_WERROR=ON -DPRANDEL_SANITIZE=ON \
  -DPRANDEL_PACKAGE_TREE="$release"
# Qt keeps some allocations until exit; leaks are not what these runs look for.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure --timeout 300 -j 2 "$@"
