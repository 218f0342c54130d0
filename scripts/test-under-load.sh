#!/usr/bin/env bash
# Runs the test programs that drive the window (ctest -L window) beside a CPU
# load, a few times over, and reports every test that failed in any run: the
# tests must wait for what they expect, never for a time, so that they pass on
# a busy machine. With --window they run beside a copy of porv-pro logged on to
# a simulated unit on 127.0.0.2, as a user's may be, which must stay logged on.
#
#   scripts/test-under-load.sh [-n RUNS] [-b BURNERS] [--nice N] [-j JOBS] [--all] [--window]
#                              [--no-build] [-- CTEST ARGUMENTS]
#
#   -n RUNS      runs of the suite (3)
#   -b BURNERS   busy loops beside it (4), and one compiler run after another
#                (-b 0: no load, for the suite beside a window alone)
#   --nice N     the busy loops' niceness (0; below 0, ahead of the tests, as root)
#   -j JOBS      tests at a time (2)
#   --all        every test but the package's (instead of -L window)
#   --window     beside porv-pro (under Xvfb, logged on with xdotool)
#   --no-build   runs what is built
#
# The suite runs in a network namespace of its own with a fresh temporary
# folder when this machine allows one (unshare -n), as the team's rules ask;
# the window, with --window, in the same namespace and folder. The logs go to
# build/test-under-load/.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${PORV_BUILD_DIR:-$here/build}"
runs=3 burners=4 niceness=0 jobs=2 select=(-L window) window=0 make=1
while [ $# -gt 0 ]; do
  case $1 in
    -n) runs=$2; shift 2 ;;
    -b) burners=$2; shift 2 ;;
    -j) jobs=$2; shift 2 ;;
    --nice) niceness=$2; shift 2 ;;
    --all) select=(-E '^Desktop'); shift ;;
    --window) window=1; shift ;;
    --no-build) make=0; shift ;;
    --) shift; break ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown option $1 (--help)" >&2; exit 2 ;;
  esac
done
extra=("$@")

# Once inside the namespace (or where none can be had), this part runs.
if [ "${PORV_LOAD_INSIDE:-0}" != 1 ]; then
  if [ $make = 1 ]; then
    "$here/scripts/deps.sh"
    PORV_BUILD_DIR="$build" "$here/scripts/build.sh"
  fi
  export PORV_LOAD_INSIDE=1
  args=(-n "$runs" -b "$burners" --nice "$niceness" -j "$jobs" --no-build)
  [ "${select[0]}" = -E ] && args+=(--all)
  [ $window = 1 ] && args+=(--window)
  if unshare -n true 2>/dev/null; then
    exec unshare -n bash -c 'ip link set lo up && TMPDIR=$(mktemp -d) && export TMPDIR && exec "$@"' \
      bash "$0" "${args[@]}" -- "${extra[@]}"
  fi
  echo "No network namespace to be had: running on this machine's loopback." >&2
  TMPDIR=$(mktemp -d)
  export TMPDIR
  exec "$0" "${args[@]}" -- "${extra[@]}"
fi

logs="$build/test-under-load"
rm -rf "$logs"
mkdir -p "$logs"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- beside a window --------------------------------------------------------
window_logged_on() {
  # The window holds the lock of its network link while logged on.
  [ -f "$TMPDIR/porv-pro-udp8000.lock" ] && kill -0 "$window_pid" 2>/dev/null
}
if [ $window = 1 ]; then
  for tool in Xvfb xdotool; do
    command -v $tool > /dev/null || { echo "--window needs $tool (apt-get install xvfb xdotool)" >&2; exit 2; }
  done
  mkdir -p "$logs/window"
  (
    cd "$logs/window"
    addr=127.0.0.2
    # The remembered-details record: network link selected, the unit's address.
    { head -c 34 /dev/zero; printf '\000\000\001'; head -c 7 /dev/zero
      printf "\\$(printf '%03o' ${#addr})%s" "$addr"; head -c $((32 - ${#addr})) /dev/zero; } > Porvdata.ini
  )
  "$build/unit/qx4-unit" --udp 127.0.0.2 --model 1000 --pin 1234 --records 200 --events 300 --tags 20 \
    > "$logs/window/unit.log" 2>&1 &
  pids+=($!)
  display=:$((60 + RANDOM % 200))
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp > "$logs/window/xvfb.log" 2>&1 &
  pids+=($!)
  export DISPLAY=$display
  for _ in $(seq 100); do xdotool getmouselocation > /dev/null 2>&1 && break; sleep 0.1; done
  (cd "$logs/window" && exec env -u QT_QPA_PLATFORM "$build/shell/porv-pro") > "$logs/window/porv-pro.log" 2>&1 &
  window_pid=$!
  pids+=($window_pid)
  for _ in $(seq 100); do xdotool search --onlyvisible --pid "$window_pid" > /dev/null 2>&1 && break; sleep 0.1; done
  for _ in 1 2 3; do
    # Log On (Ctrl+L), the PIN, Enter; again if the dialog was not up in time.
    wid=$(xdotool search --onlyvisible --pid "$window_pid" | head -1)
    xdotool windowfocus --sync "$wid" > /dev/null 2>&1 || true
    xdotool key ctrl+l
    sleep 1
    xdotool type 1234
    xdotool key Return
    for _ in $(seq 50); do window_logged_on && break; sleep 0.1; done
    window_logged_on && break
  done
  window_logged_on || { echo "the window did not log on (see $logs/window)" >&2; exit 2; }
  echo "porv-pro is logged on to the simulated unit on 127.0.0.2 (lock $TMPDIR/porv-pro-udp8000.lock)."
fi
unset DISPLAY
export QT_QPA_PLATFORM=offscreen

# --- the load ---------------------------------------------------------------
for _ in $(seq "$burners"); do
  nice -n "$niceness" sh -c 'while :; do :; done' &
  pids+=($!)
done
if [ "$burners" -gt 0 ] && command -v c++ > /dev/null; then
  printf '#include <regex>\n#include <map>\n#include <iostream>\nint main(){std::map<int,std::regex> m;'\
'm[0]=std::regex("a+b");std::cout<<m.size();}\n' > "$logs/load.cpp"
  sh -c "while :; do c++ -O2 -std=c++17 -c '$logs/load.cpp' -o /dev/null; done" > /dev/null 2>&1 &
  pids+=($!)
fi
if [ "$burners" -gt 0 ]; then
  echo "Load: $burners busy loops at nice $niceness and a compiler, beside ctest -j$jobs ${select[*]} ${extra[*]}"
fi

# --- the runs ---------------------------------------------------------------
cd "$build"
failed_runs=0
: > "$logs/failures"
for run in $(seq "$runs"); do
  start=$(date +%s)
  ctest -j"$jobs" --timeout 300 --output-on-failure "${select[@]}" "${extra[@]}" > "$logs/run-$run.log" 2>&1 || true
  took=$(( $(date +%s) - start ))
  # Every test whose line does not end Passed (or Skipped, a tool missing).
  grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: ' "$logs/run-$run.log" | grep -vE ' Passed +[0-9.]+ sec$|\*\*\*Skipped' \
    | sed -E 's/^.*Test +#[0-9]+: ([^ ]+) .*$/\1/' | sort -u > "$logs/run-$run.failed" || true
  count=$(wc -l < "$logs/run-$run.failed")
  summary=$(grep -E 'tests passed|tests failed' "$logs/run-$run.log" | tail -1)
  echo "run $run: $count failed, ${took}s, load $(cut -d' ' -f1-3 /proc/loadavg); ${summary:-no summary}"
  [ "$count" -gt 0 ] && failed_runs=$((failed_runs + 1))
  cat "$logs/run-$run.failed" >> "$logs/failures"
  if [ $window = 1 ] && ! window_logged_on; then
    echo "the window is no longer logged on after run $run" >&2
    failed_runs=$((failed_runs + 1))
  fi
done

if [ -s "$logs/failures" ]; then
  echo "Failed (times out of $runs runs):"
  sort "$logs/failures" | uniq -c | sort -rn
fi
[ $window = 1 ] && window_logged_on && echo "porv-pro stayed logged on throughout."
echo "Logs in $logs"
[ $failed_runs = 0 ]
