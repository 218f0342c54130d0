#!/usr/bin/env bash
# Configures and builds into build/ (or $PORV_BUILD_DIR); extra arguments go to cmake.
# An optimised build without debug information (it builds about a fifth faster);
# PORV_BUILD_TYPE=RelWithDebInfo keeps the symbols for a debugger.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${PORV_BUILD_DIR:-$here/build}"
# A compiler cache, where one is installed, keeps rebuilds of other checkouts short.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$here")}"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE="${PORV_BUILD_TYPE:-Release}" "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
