#!/bin/sh
# The kit's main job on the simulated board: kclkinfo reports everything the board's firmware
# reports, through kclk.dll on Windows XP, where the library installs and starts the port
# driver stand-in shipped beside it.
exec sh "$(dirname "$0")/run-in-prefix.sh" "${1:-build}" kclkinfo.exe
