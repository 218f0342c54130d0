#!/bin/sh
# Makes a program's manual page (section 1, gzip -9n) from what the program
# itself prints for --help and --version, so the two cannot drift apart. The
# help's "Options:", "Environment:" and "Examples:" paragraphs are help2man's
# own sections; its "Exit status:" paragraph becomes the page's EXIT STATUS
# section, and a paragraph headed "Example, ...:" its EXAMPLES section, with
# the command lines kept one to a line. A program with commands (the fifth
# argument "commands") lists them under "Commands:", one "  WORDS ..." entry
# each; what it prints for "PROGRAM help WORDS" becomes that command's part of
# a COMMANDS section after the description. The page is dated by the newest
# release in CHANGELOG.md.
#   manual-page.sh PROGRAM "WHAT IT IS" CHANGELOG.md OUTPUT.gz [commands]
set -eu
program=$1 name=$2 changelog=$3 output=$4 kind=${5:-}
released=$(sed -n 's/^## [0-9][^ ]* - \([0-9-]*\)$/\1/p' "$changelog" | head -n 1)
SOURCE_DATE_EPOCH=$(date -u -d "$released" +%s)
export SOURCE_DATE_EPOCH
include=$output.include
set --
if [ "$kind" = commands ]; then
  set -- --include="$include"
  # The words of each command: the lower-case words its entry begins with,
  # before the two blanks that part the entry from its summary.
  "$program" --help | awk '
    /^[A-Z][^:]*:$/ { section = $0; next }
    section == "Commands:" && /^  [a-z]/ {
      entry = substr($0, 3)
      sub(/  .*/, "", entry)
      n = split(entry, t, " ")
      words = ""
      for (i = 1; i <= n && t[i] ~ /^[a-z][a-z-]*$/; i++) words = words (i > 1 ? " " : "") t[i]
      print words
    }' > "$output.commands"
  {
    echo "[>DESCRIPTION]"
    echo ".SH COMMANDS"
    while read -r words; do
      echo ".SS \"$words\""
      # shellcheck disable=SC2086
      "$program" help $words | awk '
        function roff(s) {
          gsub(/\\/, "\\e", s)
          gsub(/-/, "\\-", s)
          if (s ~ /^[.'\'']/) s = "\\&" s
          return s
        }
        NR == 1 { sub(/^Usage: /, ""); print ".PP"; print "\\fB" roff($0) "\\fR"; next }
        /^$/ { paragraph = 1; next }
        /^  [^ ]/ {
          entry = substr($0, 3)
          text = ""
          if (match(entry, /  +/)) {
            text = substr(entry, RSTART + RLENGTH)
            entry = substr(entry, 1, RSTART - 1)
          }
          print ".TP"
          print "\\fB" roff(entry) "\\fR"
          if (text != "") print roff(text)
          paragraph = 0
          next
        }
        /^   / { sub(/^ +/, ""); print roff($0); next }
        {
          if (paragraph) print ".PP"
          paragraph = 0
          print roff($0)
        }'
    done < "$output.commands"
  } > "$include"
  rm -f "$output.commands"
fi
"${HELP2MAN:-help2man}" --no-info --section=1 --manual="User Commands" --name="$name" \
  "$@" --output="$output.roff" "$program"
rm -f "$include"
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
