#!/bin/sh
# Makes the package's changelog (Debian's format, gzip -9n) from the released
# sections of CHANGELOG.md ("## VERSION - YYYY-MM-DD" and its "- " items);
# "Unreleased" stays out. Fails when VERSION, the version being built, has no
# released section, so a release cannot be built without its entry.
#   debian-changelog.sh CHANGELOG.md PACKAGE VERSION MAINTAINER OUTPUT.gz
set -eu
changelog=$1 package=$2 version=$3 maintainer=$4 output=$5
top=$(sed -n 's/^## \([0-9][^ ]*\) - [0-9-]*$/\1/p' "$changelog" | head -n 1)
if [ "$top" != "$version" ]; then
  echo "$changelog: the newest release is '${top}', not $version: add its section" >&2
  exit 1
fi
text=$(awk -v package="$package" -v maintainer="$maintainer" '
  function close_entry() {
    if (entry) {
      cmd = "LC_ALL=C date -u -R -d " date
      cmd | getline when
      close(cmd)
      printf "\n -- %s  %s\n", maintainer, when
    }
    entry = 0
  }
  /^## / {
    close_entry()
    if ($0 ~ /^## [0-9][^ ]* - [0-9]+-[0-9]+-[0-9]+$/) {
      if (count++) printf "\n"
      printf "%s (%s) unstable; urgency=medium\n\n", package, $2
      date = $4
      entry = 1
    }
    next
  }
  !entry { next }
  /^- / { printf "  * %s\n", substr($0, 3); next }
  /^  [^ ]/ { printf "    %s\n", substr($0, 3); next }
  END { close_entry() }
' "$changelog")
printf '%s\n' "$text" | gzip -9n > "$output.tmp"
mv "$output.tmp" "$output"
