#!/bin/sh
# make bench: the kit's costs measured side by side in one run and printed as one table
# (bench/kit_costs.cpp), as Windows XP under Wine on the simulated board:
#   - a firmware request through the library against the same request without it, on both roads;
#   - ktray.exe, started from a program folder laid out as the installer lays it out (with the
#     simulator's driver, monitor, sound and tool stand-ins), timed to its icon, then left idle
#     with both timers running and the tuning tool's window open while its CPU time and private
#     bytes are read from outside, beside the tray floor (bench/tray_floor.cpp: the least a tray
#     program with ktray's libraries holds) started from the same folder;
#   - the release binaries' sizes against their budgets (the release build is brought up to date
#     first, in BUILD_DIR-release, as make dist builds it).
# Runs on Xvfb, or on the user's own X display when DISPLAY is set; leaves nothing running.
set -e
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
case "$build" in /*) ;; *) build="$root/$build" ;; esac
release="$build-release"
bench="$build/bench-run"
prefix="$build/bench-prefix"
started=$(date +%s)
mkdir -p "$bench"

release_bin=
if sh "$root/scripts/release-build.sh" "$release" >"$bench/release-build.log" 2>&1; then
  release_bin="$release/bin"
else
  echo "bench: the release build failed (see $bench/release-build.log); sizes: not built"
fi

. "$root/scripts/simulated-kit.sh"
kit_lay_out "$build" "$bench"
# The tuning tool's window stays open through the idle window (the alarm watch reads the sensors
# only while it finds it): the stand-in's, one plain window, rather than the kit's own tool.
cp "$kit_simulator/tool-standins/KR4/KR4.EXE" "$kit_folder/KR4/KR4.EXE"
cp "$build/bin/bench_tray_floor.exe" "$kit_folder/"
kit_start_prefix "$build" "$bench" "$prefix"
# The tuning tool installed, ktray on a first start (no settings left, so no processor-change
# warning and no auto overclock), sensor readings inside every default limit (no alarm), and
# Windows XP for every program of the run.
cat >"$bench/bench.reg" <<'REG'
REGEDIT4

[-HKEY_CURRENT_USER\Software\Corvane]

[-HKEY_CURRENT_USER\Software\Kestrel]

[-HKEY_CURRENT_USER\Software\KitTestBench]

[HKEY_LOCAL_MACHINE\Software\Corvane\Kestrel4]
"KR4Version"="3/8/7"

[HKEY_CURRENT_USER\Software\KitTestBench\Monitor]
"Temp1"=dword:00000028
"Temp2"=dword:0000002d
"Temp3"=dword:0000002d
"Fan1"=dword:00001194
"Fan2"=dword:00001194
"Fan3"=dword:00000bb8
"Fan4"=dword:00000bb8
"Fan5"=dword:00001194

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\ktray.exe]
"Version"="winxp"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\KR4.EXE]
"Version"="winxp"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\bench_kit_costs.exe]
"Version"="winxp"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\bench_tray_floor.exe]
"Version"="winxp"
REG
wine reg import "$(winepath -w "$bench/bench.reg")" >/dev/null 2>&1

status=0
(cd "$build/bin" && timeout 300 wine bench_kit_costs.exe "$(winepath -w "$kit_folder")" \
  ${release_bin:+"$(winepath -w "$release_bin")"}) || status=$?
echo "bench took $(($(date +%s) - started)) s"
exit $status
