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
# Debian's flags for a package, every hardening feature on (fortify, stack
# protector, format checks, relro, bindnow), for every build: the test build
# and the package's compile alike, so that the compiler cache serves the
# package from the test build. Not -g (PORV_BUILD_TYPE=RelWithDebInfo adds it),
# nor the mapping of the checkout's path (it would name the checkout and keep
# other checkouts from sharing the cache). The sanitizer build keeps its own.
flags=()
if [ "${PORV_SANITIZE:-0}" != 1 ] && command -v dpkg-buildflags >/dev/null 2>&1; then
  debflags() {
    DEB_BUILD_MAINT_OPTIONS="hardening=+all reproducible=-fixfilepath,-fixdebugpath" DEB_CXXFLAGS_MAINT_STRIP=-g \
      dpkg-buildflags --get "$1"
  }
  ldflags=$(debflags LDFLAGS)
  flags=(-DCMAKE_CXX_FLAGS="$(debflags CXXFLAGS) $(debflags CPPFLAGS)"
         -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags")
fi
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE="${PORV_BUILD_TYPE:-Release}" "${launcher[@]}" "${flags[@]}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
