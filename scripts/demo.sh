#!/bin/sh
# make demo: the kit's main job on the simulated board, as Windows XP under Wine. The kit is laid
# out in a program folder exactly as its installer lays it out, with the simulator added (its
# board's driver in place of the real one, the monitor and sound stand-ins, the tool stand-ins);
# the registry is that of a machine with the tuning tool installed. Then:
#   1. kclkinfo reports everything the board's firmware reports;
#   2. ktray starts, its popup is opened and photographed (BUILD_DIR/demo/ktray-popup.png);
#   3. one setting is changed on the board through its control device (boardctl), and a second
#      report shows it;
#   4. ktray ends through its Exit command.
# Runs on Xvfb, or on the user's own X display when DISPLAY is set; leaves nothing running.
set -e
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
case "$build" in /*) ;; *) build="$root/$build" ;; esac
demo="$build/demo"
prefix="$build/demo-prefix"
bin="$build/bin"
started=$(date +%s)

# The program folder (the kit, then the simulator over it) and the prefix.
. "$root/scripts/simulated-kit.sh"
kit_lay_out "$build" "$demo"
kit_start_prefix "$build" "$demo" "$prefix"
# Every tool of the kit installed: the tuning tool machine-wide, the others for the user, and
# no settings left from an earlier run (a first start: no processor-change warning). Every
# program of the demo sees Windows XP.
cat >"$demo/tools.reg" <<'REG'
REGEDIT4

[-HKEY_CURRENT_USER\Software\Corvane]

[-HKEY_CURRENT_USER\Software\Kestrel]

[HKEY_LOCAL_MACHINE\Software\Corvane\Kestrel4]
"KR4Version"="3/8/7"

[HKEY_CURRENT_USER\Software\Corvane\Kestrel4\AutoOver]

[HKEY_CURRENT_USER\Software\Corvane\LogoSmith]

[HKEY_CURRENT_USER\Software\Corvane\PlateScan]

[HKEY_CURRENT_USER\Software\Corvane\BiosPilot]

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\ktray.exe]
"Version"="winxp"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\kclkinfo.exe]
"Version"="winxp"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\boardctl.exe]
"Version"="winxp"
REG
wine reg import "$(winepath -w "$demo/tools.reg")" >/dev/null 2>&1

echo "== 1. kclkinfo on the simulated board (the library installs and starts its driver)"
(cd "$kit_folder" && timeout 120 wine kclkinfo.exe) | tee "$demo/report-before.txt"
fsb_before=$(grep -m1 'ReturnCurrentCPUFSB' "$demo/report-before.txt" | tr -s ' ')

echo
echo "== 2. ktray on the simulated board, its popup opened"
rm -f "$demo/ktray-popup.png"
(cd "$kit_folder" && wine ktray.exe) &
ktray=$!
status=0
if timeout 120 wine "$bin/traydemo.exe" open; then
  import -window root "$demo/ktray-popup.png"
  echo "screenshot of ktray's popup: $demo/ktray-popup.png"
else
  status=1
fi

echo
echo "== 3. the board's front-side bus changed through its control device, and a second report"
timeout 60 wine "$kit_simulator/boardctl.exe" fsb 14000 || status=1
(cd "$kit_folder" && timeout 120 wine kclkinfo.exe) >"$demo/report-after.txt" || true
fsb_after=$(grep -m1 'ReturnCurrentCPUFSB' "$demo/report-after.txt" | tr -s ' ')
echo "before: $fsb_before"
echo "after:  $fsb_after"
[ "$fsb_before" != "$fsb_after" ] || status=1

echo
echo "== 4. ktray ended through its Exit command"
# A ktray that does not end through Exit is ended with the prefix's server on the way out.
if timeout 60 wine "$bin/traydemo.exe" exit; then
  wait $ktray || true
  echo "ktray ended"
else
  status=1
fi

echo
echo "== summary"
echo "program folder:  $kit_folder"
echo "reports:         $demo/report-before.txt, $demo/report-after.txt"
echo "screenshot:      $demo/ktray-popup.png"
echo "took:            $(($(date +%s) - started)) s; $( [ $status -eq 0 ] && echo 'every step done' || echo 'a step FAILED')"
exit $status
