#!/usr/bin/env bash
# Checks the window program's command line, what `cmake --install` puts into an
# empty prefix (validated when desktop-file-validate and appstreamcli are
# there; porv-cli beside porv-pro), the menu entry's launcher, and the Debian
# package.
#   install_check.sh command-line PORV_PRO QX4_UNIT | install BUILD_DIR | package BUILD_DIR
set -euo pipefail
mode=$1
target=$2
id=com.portavel.porvpro
work=$(mktemp -d "${TMPDIR:-/tmp}/porv-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_file() { [ -f "$1" ] || fail "missing $1"; }
icons() { for s in 16 22 24 32 48 64 128 256; do echo "share/icons/hicolor/${s}x${s}/apps/$id.png"; done
          echo "share/icons/hicolor/scalable/apps/$id.svg"; }

case $mode in
command-line)
  # No display of any kind: --help and --version must not need one.
  bare=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
  [ "$("${bare[@]}" "$target" --version)" = "porv-pro 8.4" ] || fail "--version"
  "${bare[@]}" "$target" --help > "$work/help" || fail "--help exit code"
  grep -q '^Usage: porv-pro \[-h | --help | --version\]$' "$work/help" || fail "--help text"
  "${bare[@]}" "$target" -h > "$work/h" || fail "-h exit code"
  cmp -s "$work/help" "$work/h" || fail "-h is not --help"
  for args in "--bogus" "-platform offscreen" "--version extra" "-h extra"; do
    # shellcheck disable=SC2086
    if "${bare[@]}" "$target" $args > "$work/out" 2> "$work/err"; then fail "$args accepted"; fi
    grep -q '^Usage: porv-pro' "$work/err" || fail "$args: no usage"
    [ -s "$work/out" ] && fail "$args: printed to stdout"
  done
  # Without a display, or with one that cannot be opened: one line and status 1.
  for start in bare display xcb; do
    case $start in
    bare) run=("${bare[@]}") ;;
    display) run=(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:4711 XAUTHORITY="$work/none") ;;
    xcb) run=(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb) ;;
    esac
    status=0
    "${run[@]}" "$target" > "$work/out" 2> "$work/err" || status=$?
    [ $status -eq 1 ] || fail "$start: started without a display with status $status"
    [ "$(cat "$work/err")" = "porv-pro: no display; set DISPLAY or run under a desktop session" ] \
      || fail "$start: without a display said: $(head -c 300 "$work/err")"
    [ -s "$work/out" ] && fail "$start: printed to stdout"
  done
  unit=$3
  [ "$("$unit" --version)" = "qx4-unit 8.4" ] || fail "qx4-unit --version"
  ;;
install)
  prefix=$work/prefix
  cmake --install "$target" --prefix "$prefix" > /dev/null
  for f in bin/porv-pro bin/qx4-unit libexec/porv-pro/porv-pro-desktop share/applications/$id.desktop \
           share/metainfo/$id.metainfo.xml $(icons); do
    expect_file "$prefix/$f"
  done
  [ "$("$prefix/bin/porv-cli" --version)" = "porv-cli 8.4" ] || fail "installed porv-cli --version"
  desktop=$prefix/share/applications/$id.desktop
  grep -qx "Exec=\"$prefix/libexec/porv-pro/porv-pro-desktop\"" "$desktop" || fail "Exec line"
  grep -qx "Icon=$id" "$desktop" || fail "Icon line"
  if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
  else
    echo "desktop-file-validate not installed: not run"
  fi
  if command -v appstreamcli > /dev/null; then
    appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
  else
    echo "appstreamcli not installed: not run"
  fi
  # The launcher starts the program in a folder of its own, made on the first
  # start for the user alone; a program that tells where it started stands in.
  printf '#!/bin/sh\npwd\n' > "$prefix/bin/porv-pro"
  home=$work/home
  mkdir -p "$home"
  out=$(env -u XDG_DATA_HOME HOME="$home" "$prefix/libexec/porv-pro/porv-pro-desktop")
  [ "$out" = "$home/.local/share/porv-pro" ] || fail "launcher started in '$out'"
  [ "$(stat -c %a "$home/.local/share/porv-pro")" = 700 ] || fail "folder not owner-only"
  out=$(XDG_DATA_HOME="$work/data" HOME="$home" "$prefix/libexec/porv-pro/porv-pro-desktop")
  [ "$out" = "$work/data/porv-pro" ] || fail "XDG_DATA_HOME not followed: '$out'"
  out=$(env -u XDG_DATA_HOME HOME="$home" "$prefix/libexec/porv-pro/porv-pro-desktop")
  [ "$out" = "$home/.local/share/porv-pro" ] || fail "second start in '$out'"
  ;;
package)
  for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v $tool > /dev/null || { echo "$tool not installed: skipped"; exit 77; }
  done
  cpack -G DEB --config "$target/CPackConfig.cmake" -B "$work" > "$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack"; }
  deb=$(ls "$work"/porv-pro_8.4_*.deb)
  dpkg-deb -c "$deb" | awk '{print $6}' > "$work/contents"
  for f in bin/porv-pro bin/qx4-unit libexec/porv-pro/porv-pro-desktop share/applications/$id.desktop \
           share/metainfo/$id.metainfo.xml $(icons); do
    grep -qx "./usr/$f" "$work/contents" || fail "package lacks /usr/$f"
  done
  grep -qx ./usr/bin/porv-cli "$work/contents" || fail "package lacks /usr/bin/porv-cli"
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Section)" = electronics ] || fail "Section"
  [[ "$(field Maintainer)" =~ \<.+@.+\> ]] || fail "Maintainer"
  [[ "$(field Description)" == *"Portavel QX4"* ]] || fail "Description"
  # Found by dpkg-shlibdeps from the binaries, not written by hand.
  depends=$(field Depends)
  for lib in libqt6widgets6 libqt6serialport6 libqt6network6 libc6; do
    [[ "$depends" == *"$lib "* ]] || fail "Depends lacks $lib"
  done
  dpkg-deb -x "$deb" "$work/root"
  grep -qx 'Exec="/usr/libexec/porv-pro/porv-pro-desktop"' "$work/root/usr/share/applications/$id.desktop" \
    || fail "packaged Exec line"
  ;;
*)
  echo "unknown mode $mode" >&2
  exit 2
  ;;
esac
[ $failures -eq 0 ]
