#!/bin/sh
# licence-page.sh LICENSE OUT: the licence as the installer's licence page shows it, one line per
# paragraph (CR LF ends, an empty line between paragraphs), so that the page's box wraps it
# evenly; the words stay exactly those of LICENSE. The installed LICENSE.txt keeps its lines.
set -e
awk '
  { sub(/\r$/, "") }
  /^[ \t]*$/ { if (paragraph != "") { printf "%s\r\n\r\n", paragraph; paragraph = "" } next }
  { sub(/^[ \t]+/, ""); sub(/[ \t]+$/, ""); paragraph = paragraph == "" ? $0 : paragraph " " $0 }
  END { if (paragraph != "") printf "%s\r\n", paragraph }
' "$1" >"$2"
