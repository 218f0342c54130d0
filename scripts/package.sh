#!/usr/bin/env bash
# Installs what is missing, builds the programs with Debian's hardening flags
# (dpkg-buildflags: fortify, stack protector, format checks, relro, bindnow)
# into build-package/ (or $PORV_PACKAGE_DIR), and makes the Debian package
# porv-pro_<version>_<arch>.deb there. The test build (build/) is not touched.
# PORV_SKIP_DEPS=1 leaves out the install step (the package test sets it).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
[ "${PORV_SKIP_DEPS:-0}" = 1 ] || "$here/scripts/deps.sh"
build="${PORV_PACKAGE_DIR:-$here/build-package}"
cd "$here"
# Debian's flags for a package, every hardening feature on, but for -g (the
# binaries are stripped) and the mapping of the checkout's path (the stripped
# programs hold no source path, and a mapping that names the checkout would
# keep other checkouts from sharing the compiler cache).
flags() {
  DEB_BUILD_MAINT_OPTIONS="hardening=+all reproducible=-fixfilepath,-fixdebugpath" DEB_CXXFLAGS_MAINT_STRIP=-g \
    dpkg-buildflags --get "$1"
}
cxxflags="$(flags CXXFLAGS) $(flags CPPFLAGS)"
ldflags=$(flags LDFLAGS)
# Optimised as the tests build it (Release: its -O3 -DNDEBUG come after dpkg's
# -O2), the programs only.
PORV_BUILD_DIR="$build" PORV_BUILD_TYPE=Release "$here/scripts/build.sh" \
  -DPORV_BUILD_TESTS=OFF -DPORV_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags"
cd "$build"
rm -f porv-pro_*.deb
cpack -G DEB > cpack.log 2>&1 || { cat cpack.log; exit 1; }
ls -1 "$build"/porv-pro_*.deb
