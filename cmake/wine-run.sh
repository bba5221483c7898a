#!/bin/sh
# Runs a Windows program of the build under Wine in the given prefix: wine-run.sh PREFIX EXE ARGS
# The prefix may be 32- or 64-bit (as its system.reg says); the programs are 32-bit either way.
prefix=$1
shift
arch=$(sed -n 's/^#arch=//p' "$prefix/system.reg" 2>/dev/null | head -n 1)
export WINEPREFIX="$prefix" WINEARCH="${arch:-win32}" WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
. "$(dirname "$0")/wine-env.sh"
unset DISPLAY
exec wine "$@"
