#!/bin/sh
# The installer's licence page text: one line per paragraph of LICENSE, the words identical and
# in order, CR LF line ends; a paragraph split over lines would wrap raggedly in the page's box.
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mktemp)
trap 'rm -f "$out"' EXIT
failures=0
fail() { echo "FAILED: $1"; failures=$((failures + 1)); }

sh "$root/installer/licence-page.sh" "$root/LICENSE" "$out" || fail "the script failed"
paragraphs=$(awk 'BEGIN { n = 0; blank = 1 } /^[ \t]*$/ { blank = 1; next } { if (blank) n++; blank = 0 } END { print n }' "$root/LICENSE")
lines=$(tr -d '\r' <"$out" | grep -c .)
[ "$lines" -eq "$paragraphs" ] || fail "$lines text lines for $paragraphs paragraphs"
[ "$(tr -s ' \t\r\n' '\n\n\n\n' <"$root/LICENSE")" = "$(tr -s ' \t\r\n' '\n\n\n\n' <"$out")" ] ||
  fail "the words differ from LICENSE"
[ "$(grep -c "$(printf '\r')\$" "$out")" -eq "$(wc -l <"$out")" ] || fail "a line without CR LF"
# Each paragraph begins as LICENSE's does and no line is a fragment of one.
tr -d '\r' <"$out" | grep . | while IFS= read -r line; do
  case "$line" in
    "MIT License"|"Copyright "*|"Permission is hereby granted"*|"The above copyright notice"*|"THE SOFTWARE IS PROVIDED"*) ;;
    *) echo "FAILED: a line that starts mid-paragraph: $line"; exit 1 ;;
  esac
done || failures=$((failures + 1))
[ $failures -eq 0 ] && echo "ok: $paragraphs paragraphs, words as in LICENSE"
[ $failures -eq 0 ]
