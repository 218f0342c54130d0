#!/usr/bin/env bash
# Checks the programs' command lines, what `cmake --install` puts into an
# empty prefix (validated when desktop-file-validate and appstreamcli are
# there; the manual pages read with man; porv-cli's completion run by bash),
# the menu entry's launcher, and the Debian package as scripts/package.sh
# builds it (judged by lintian when it is installed).
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
  # The nightly fleet backup: a user service and its timer, the service
  # running the installed porv-cli.
  units=$prefix/lib/systemd/user
  expect_file "$units/porv-fleet-backup.timer"
  grep -qx "ExecStart=$prefix/bin/porv-cli fleet backup" "$units/porv-fleet-backup.service" \
    || fail "the fleet backup's service does not run the installed porv-cli"
  if command -v systemd-analyze > /dev/null; then
    # Verified as systemd reads them: the keys, the calendar, the program the service runs.
    systemd-analyze verify --man=no "$units/porv-fleet-backup.service" "$units/porv-fleet-backup.timer" \
      || fail "systemd-analyze verify"
  fi
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
  # Every program has its manual page and is named in the metainfo; the
  # copyright file, and a changelog whose newest release is the metainfo's.
  for program in "$prefix"/bin/*; do
    name=$(basename "$program")
    expect_file "$prefix/share/man/man1/$name.1.gz"
    grep -q "<binary>$name</binary>" "$prefix/share/metainfo/$id.metainfo.xml" || fail "metainfo lacks $name"
  done
  doc=$prefix/share/doc/porv-pro
  grep -q '^License: GPL-3+$' "$doc/copyright" || fail "copyright"
  release=$(zcat "$doc/changelog.gz" | sed -n '1s/^porv-pro (\([^)]*\)) .*/\1/p')
  released=$(date -u -d "$(zcat "$doc/changelog.gz" | sed -n 's/^ -- .*>  //p' | head -n 1)" +%F)
  [ "$release" = 8.4 ] || fail "changelog's newest release: '$release'"
  grep -q "<release version=\"$release\" date=\"$released\"/>" "$prefix/share/metainfo/$id.metainfo.xml" \
    || fail "metainfo lacks the release $release of $released"
  # porv-cli's page: every command, the exit statuses, the environment.
  if command -v man > /dev/null; then
    MANWIDTH=200 man -l "$prefix/share/man/man1/porv-cli.1.gz" 2> /dev/null | col -b > "$work/page"
    for command in info "directory get" "directory put" "parameters get" "parameters put" "events get" \
                   "clock set" backup restore diff; do
      grep -qE "^ {7}$command( |\$)" "$work/page" || fail "porv-cli's page lacks $command"
    done
    # Each command's own help, in a COMMANDS section of its own.
    sed -n '/^COMMANDS$/,/^[A-Z]/p' "$work/page" > "$work/section"
    for command in info "directory get" "directory put" "parameters get" "parameters put" "events get" \
                   "clock set" backup restore diff; do
      grep -qE "^ {3}$command\$" "$work/section" || fail "porv-cli's COMMANDS lack $command"
      grep -qE "^ {7}porv-cli CONNECTION \[PIN\] $command( |\$)" "$work/section" \
        || fail "porv-cli's COMMANDS lack the usage of $command"
    done
    grep -qE "^ {7}--changes-only" "$work/section" || fail "porv-cli's COMMANDS lack directory put's options"
    # The site book's commands need no connection: their usage begins with their words.
    for command in "book sites" "book add-unit" "book find" "fleet backup"; do
      grep -qE "^ {7}porv-cli $command( |\$)" "$work/section" || fail "porv-cli's COMMANDS lack the usage of $command"
    done
    grep -q "porv-fleet-backup.timer" "$work/section" || fail "porv-cli's page does not tell of the fleet backup's timer"
    sed -n '/^EXIT STATUS$/,/^[A-Z]/p' "$work/page" > "$work/section"
    for status in 0 1 2 3 4 5 130; do
      grep -qE "^ {7}$status +[a-z]" "$work/section" || fail "porv-cli's page lacks exit status $status"
    done
    sed -n '/^ENVIRONMENT$/,/^[A-Z]/p' "$work/page" > "$work/section"
    for variable in PORV_PIN PORV_BOOK XDG_DATA_HOME XDG_CONFIG_HOME TMPDIR; do
      grep -qE "^ {7}$variable( |\$)" "$work/section" || fail "porv-cli's page lacks $variable"
    done
  else
    echo "man not installed: pages not read"
  fi
  # porv-cli's completion, as bash calls it (with bash-completion's helpers
  # when they are installed, and without), against the installed porv-cli.
  completion=$prefix/share/bash-completion/completions/porv-cli
  expect_file "$completion"
  files=$work/files
  mkdir -p "$files/folder"
  touch "$files/site.qx4b" "$files/list.csv" "$files/unit.sys" "$files/log.Evt" "$files/notes.txt"
  for with in "" /usr/share/bash-completion/bash_completion; do
    [ -z "$with" ] || [ -f "$with" ] || continue
    completes() {
      expected=$1
      shift
      got=$(cd "$files" && PATH="$prefix/bin:$PATH" bash --norc --noprofile -c '
        helpers=$1 completion=$2
        shift 2
        [ -z "$helpers" ] || source "$helpers"
        source "$completion"
        COMP_WORDS=("$@")
        COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"
        COMP_POINT=${#COMP_LINE}
        _porv_cli
        printf "%s\n" "${COMPREPLY[@]}"' completes "$with" "$completion" "$@" | sort | xargs)
      [ "$got" = "$expected" ] || fail "completing '$*'${with:+ with $with}: '$got', not '$expected'"
    }
    completes "backup book clock diff directory events fleet info parameters restore" porv-cli ""
    completes "add-site add-unit export find history import sites units" porv-cli book ""
    completes "get put" porv-cli --udp unit directory ""
    completes "--udp" porv-cli --ud
    completes "folder site.qx4b" porv-cli --udp unit restore ""
    completes "folder list.csv site.qx4b unit.sys" porv-cli --udp unit diff ""
    completes "folder list.csv" porv-cli --serial /dev/ttyS0 directory get -o ""
    completes "folder log.Evt" porv-cli --udp unit events get --output=x -o ""
    completes "folder unit.sys" porv-cli --pin parameters --udp unit parameters put ""
    completes "" porv-cli --udp unit info ""
    completes "" porv-cli --udp unit --pin ""
    completes "get put" porv-cli help directory ""
    completes "" porv-cli help restore ""
  done
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
  for tool in cmake cpack dpkg-buildflags dpkg-deb dpkg-shlibdeps; do
    command -v $tool > /dev/null || { echo "$tool not installed: skipped"; exit 77; }
  done
  # Built as scripts/package.sh builds it, with Debian's hardening flags, in a
  # folder of its own beside the test build (kept, so a repeat is quick).
  here=$(cd "$(dirname "$0")/../.." && pwd)
  PORV_SKIP_DEPS=1 PORV_PACKAGE_DIR="$target-package" "$here/scripts/package.sh" > "$work/package.log" 2>&1 \
    || { tail -n 50 "$work/package.log"; fail "scripts/package.sh"; exit 1; }
  deb=$(ls "$target-package"/porv-pro_8.4_*.deb)
  grep -q '^CMAKE_CXX_FLAGS:STRING=.*-D_FORTIFY_SOURCE=2' "$target-package/CMakeCache.txt" || fail "not fortified"
  if command -v lintian > /dev/null; then
    lintian --fail-on error,warning,info --info "$deb" > "$work/lintian" 2>&1 \
      || { grep -v '^running with root privileges' "$work/lintian"; fail "lintian"; }
  else
    echo "lintian not installed: not run"
  fi
  dpkg-deb -c "$deb" | awk '{print $6}' > "$work/contents"
  for f in bin/porv-pro bin/qx4-unit libexec/porv-pro/porv-pro-desktop share/applications/$id.desktop \
           share/metainfo/$id.metainfo.xml $(icons); do
    grep -qx "./usr/$f" "$work/contents" || fail "package lacks /usr/$f"
  done
  for f in bin/porv-cli share/man/man1/porv-pro.1.gz share/man/man1/porv-cli.1.gz share/man/man1/qx4-unit.1.gz \
           share/bash-completion/completions/porv-cli share/doc/porv-pro/copyright share/doc/porv-pro/changelog.gz; do
    grep -qx "./usr/$f" "$work/contents" || fail "package lacks /usr/$f"
  done
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
