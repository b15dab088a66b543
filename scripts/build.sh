#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds Prandel into build/ (or the folder given as $BUILD_DIR);
# $BUILD_TARGETS names targets to build instead of everything.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
# ccache, where installed, lets several checkouts share their compiled objects.
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
