#!/bin/sh
# run-in-prefix.sh BUILD_DIR PROGRAM.exe [ARGS...]: runs one of the build's programs under Wine
# in a prefix of its own (BUILD_DIR/run-prefix), with the Windows version the build assigns it,
# and ends the prefix's wineserver afterwards so nothing stays running.
set -e
build=$1
program=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
case "$build" in /*) ;; *) build="$root/$build" ;; esac
prefix="$build/run-prefix"

trap 'sh "$root/cmake/wine-prefix.sh" cleanup "$prefix"' EXIT
sh "$root/cmake/wine-prefix.sh" setup "$prefix" "$build/wine-settings.reg" >/dev/null
status=0
timeout 600 "$root/cmake/wine-run.sh" "$prefix" "$build/bin/$program" "$@" || status=$?
exit $status
