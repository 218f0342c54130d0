#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated unit on the loopback
# address 127.0.0.2 (UDP port 8000) and starts the tool against it.
# The tool runs in run/, whose Porvdata.ini selects "WiFi" at 127.0.0.2.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/deps.sh"
"$here/scripts/build.sh"
build="${PORV_BUILD_DIR:-$here/build}"
unit_addr="${PORV_UNIT_ADDRESS:-127.0.0.2}"
pin="${PORV_UNIT_PIN:-1234}"

mkdir -p "$here/run"
cd "$here/run"
# The remembered-details record (77 bytes): empty PIN and number, Remember
# Details off, Remote off, network link selected, no serial port, the unit's address.
if [ ! -f Porvdata.ini ]; then
  umask 077
  {
    head -c 34 /dev/zero
    printf '\000\000\001'
    head -c 7 /dev/zero
    printf "\\$(printf '%03o' ${#unit_addr})%s" "$unit_addr"
    head -c $((32 - ${#unit_addr})) /dev/zero
  } > Porvdata.ini
fi

"$build/unit/qx4-unit" --udp "$unit_addr" --model 1000 --pin "$pin" --records 200 --events 300 --tags 20 \
  --state "$here/run/unit-state.dat" --save-state &
unit_pid=$!
trap 'kill $unit_pid 2>/dev/null || true' EXIT
sleep 0.5

if [ -x "$build/shell/porv-pro" ]; then
  echo "The simulated unit answers at $unit_addr (UDP port 8000). Click Log On and type the PIN $pin."
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found: starting the tool under a virtual display (xvfb-run)."
    xvfb-run -a "$build/shell/porv-pro"
  else
    "$build/shell/porv-pro"
  fi
else
  echo "The simulated unit answers at $unit_addr, UDP port 8000, PIN $pin. Press Ctrl+C to stop it."
  wait $unit_pid
fi
