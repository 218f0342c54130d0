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
  # Qt is not built for failures that travel through its event dispatch, so
  # what it allocated on the way is left behind: leak reports would be its own.
  export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}"
  export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
  # The sanitized build is slower: give the unit's answers longer ticks.
  export PORV_TEST_TICK_SCALE="${PORV_TEST_TICK_SCALE:-0.15}"
fi
build="${PORV_BUILD_DIR:-$here/build}"
PORV_BUILD_DIR="$build" "$here/scripts/build.sh" "${extra[@]}"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
