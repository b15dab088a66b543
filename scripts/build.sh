#!/usr/bin/env bash
# Configures and builds Prandel into build/ (or the folder given as $BUILD_DIR);
# $BUILD_TARGETS names targets to build instead of everything.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
