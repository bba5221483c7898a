#!/bin/sh
# Runs a Windows program of the build under Wine in the given prefix: wine-run.sh PREFIX EXE ARGS
prefix=$1
shift
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
exec wine "$@"
