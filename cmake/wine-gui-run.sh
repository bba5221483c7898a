#!/bin/sh
# Runs a Windows program of the build under Wine on the test run's Xvfb display, in the prefix of
# the GUI tests (real graphics driver, so the notification area and menus exist):
# wine-gui-run.sh PREFIX DISPLAYFILE EXE ARGS
prefix=$1
display_file=$2
shift 2
if [ ! -s "$display_file" ]; then
  echo "no Xvfb display ($display_file)" >&2
  exit 1
fi
export DISPLAY="$(cat "$display_file")"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
. "$(dirname "$0")/wine-env.sh"
exec wine "$@"
