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
# The programs only, optimised, with Debian's hardening flags (scripts/build.sh
# gives every build those; the compiler cache then has most of it from the
# test build).
PORV_BUILD_DIR="$build" PORV_BUILD_TYPE=Release "$here/scripts/build.sh" -DPORV_BUILD_TESTS=OFF -DPORV_BUILD_BENCH=OFF
cd "$build"
rm -f porv-pro_*.deb
cpack -G DEB > cpack.log 2>&1 || { cat cpack.log; exit 1; }
ls -1 "$build"/porv-pro_*.deb
