#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package
# (porv-pro_<version>_<arch>.deb) in build/ (or $PORV_BUILD_DIR).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/deps.sh"
"$here/scripts/build.sh"
build="${PORV_BUILD_DIR:-$here/build}"
cd "$build"
cpack -G DEB
ls -1 "$build"/porv-pro_*.deb
