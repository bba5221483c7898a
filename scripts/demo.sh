#!/bin/sh
# The kit's main job on the simulated board: kclkinfo reports everything the board's firmware
# reports, through kclk.dll on Windows XP, where the library installs and starts the port
# driver stand-in shipped beside it.
set -e
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
prefix="$root/$build/demo-prefix"
settings="$root/$build/demo-settings.reg"

cat > "$settings" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Graphics"="null"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\kclkinfo.exe]
"Version"="winxp"
REG

trap 'sh "$root/cmake/wine-prefix.sh" cleanup "$prefix"' EXIT
sh "$root/cmake/wine-prefix.sh" setup "$prefix" "$settings" >/dev/null
status=0
timeout 300 "$root/cmake/wine-run.sh" "$prefix" "$root/$build/bin/kclkinfo.exe" || status=$?
exit $status
