#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
# PORV_SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/deps.sh"
extra=()
if [ "${PORV_SANITIZE:-0}" = "1" ]; then
  export PORV_BUILD_DIR="${PORV_BUILD_DIR:-$here/build-asan}"
  extra+=(-DPORV_SANITIZE=ON -DPORV_BUILD_BENCH=OFF)
fi
build="${PORV_BUILD_DIR:-$here/build}"
PORV_BUILD_DIR="$build" "$here/scripts/build.sh" "${extra[@]}"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
