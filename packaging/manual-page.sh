#!/bin/sh
# Makes a program's manual page (section 1, gzip -9n) from what the program
# itself prints for --help and --version, so the two cannot drift apart. The
# help's "Options:", "Environment:" and "Examples:" paragraphs are help2man's
# own sections; its "Exit status:" paragraph becomes the page's EXIT STATUS
# section, and a paragraph headed "Example, ...:" its EXAMPLES section, with
# the command lines kept one to a line. The page is dated by the newest
# release in CHANGELOG.md.
#   manual-page.sh PROGRAM "WHAT IT IS" CHANGELOG.md OUTPUT.gz
set -eu
program=$1 name=$2 changelog=$3 output=$4
released=$(sed -n 's/^## [0-9][^ ]* - \([0-9-]*\)$/\1/p' "$changelog" | head -n 1)
SOURCE_DATE_EPOCH=$(date -u -d "$released" +%s)
export SOURCE_DATE_EPOCH
"${HELP2MAN:-help2man}" --no-info --section=1 --manual="User Commands" --name="$name" \
  --output="$output.roff" "$program"
awk '
  $0 == ".SS \"Exit status:\"" { print ".SH \"EXIT STATUS\""; next }
  /^\.SS "Examples?[,:]/ {
    heading = $0
    sub(/^\.SS "/, "", heading)
    sub(/"$/, "", heading)
    print ".SH EXAMPLES"
    print ".PP"
    print heading
    examples = 1
    next
  }
  examples == 1 && $0 == ".IP" { print; print ".nf"; examples = 2; next }
  examples == 2 && /^\./ { print ".fi"; examples = 0 }
  { print }
  END { if (examples == 2) print ".fi" }
' "$output.roff" | gzip -9n > "$output.tmp"
rm -f "$output.roff"
mv "$output.tmp" "$output"
