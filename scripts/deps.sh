#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and packaging
# need, when missing (ccache keeps rebuilds and the package's build short; the
# tests validate the menu entry and metainfo with desktop-file-validate and
# appstreamcli, build the package with dpkg-dev and judge it with lintian; the
# manual pages are made from each program's --help by help2man;
# bash-completion loads porv-cli's completion; the events chart uses Qt Charts,
# whose CMake files need Qt's OpenGL ones; the site book uses Qt SQL's SQLite
# and PostgreSQL drivers, its tests a PostgreSQL server they start themselves,
# and the system keyring where QtKeychain is installed).
set -euo pipefail
packages=(build-essential ccache cmake pkg-config libgtest-dev libbenchmark-dev
          qt6-base-dev qt6-serialport-dev libqt6serialport6 qt6-charts-dev libqt6charts6
          libqt6opengl6-dev xvfb xauth
          desktop-file-utils appstream dpkg-dev lintian help2man bash-completion
          libqt6sql6-sqlite libqt6sql6-psql postgresql qtkeychain-qt6-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
