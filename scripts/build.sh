#!/usr/bin/env bash
# Configures and builds into build/ (or $PORV_BUILD_DIR); extra arguments go to cmake.
# An optimised build without debug information (it builds about a fifth faster);
# PORV_BUILD_TYPE=RelWithDebInfo keeps the symbols for a debugger.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${PORV_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE="${PORV_BUILD_TYPE:-Release}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
