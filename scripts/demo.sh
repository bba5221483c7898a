#!/bin/sh
# The kit's two faces on the simulated board: kclkinfo reports everything the board's firmware
# reports, through kclk.dll on Windows XP (the library installs and starts the port driver
# stand-in shipped beside it); then the tray manager runs with its popup open for a screenshot.
set -e
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
sh "$root/scripts/run-in-prefix.sh" "$build" kclkinfo.exe
sh "$root/scripts/demo-tray.sh" "$build"
