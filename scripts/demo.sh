#!/bin/sh
# make demo: the kit's main job on the simulated board, as Windows XP under Wine. The kit is laid
# out in a program folder exactly as its installer lays it out, with the simulator added (its
# board's driver in place of the real one, the monitor and sound stand-ins, the tool stand-ins);
# the registry is that of a machine with the tuning tool installed. Then:
#   1. kclkinfo reports everything the board's firmware reports;
#   2. ktray starts, its popup is opened and photographed (BUILD_DIR/demo/ktray-popup.png);
#   3. kclktune raises the front-side bus with a ramped, verified apply that is confirmed (kept),
#      then tries a higher one that nobody confirms (reverted), and a second report shows the
#      confirmed value;
#   4. "Execute Kestrel4" in ktray's popup opens the kit's tuning tool; on its Clocks page the
#      front-side bus is raised further and the "Keep these settings?" box confirmed
#      (BUILD_DIR/demo/kr4-keep.png, BUILD_DIR/demo/kr4-clocks.png);
#   5. ktray ends through its Exit command.
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

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\kclktune.exe]
"Version"="winxp"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\KR4.EXE]
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
echo "== 3. kclktune raises the front-side bus: confirmed and kept, then unconfirmed and reverted"
export KCLKTUNE_JOURNAL="$(winepath -w "$demo/journal.csv")"
rm -f "$demo/journal.csv"
# The apply is confirmed with --yes (a script has no console to press Enter on).
(cd "$kit_folder" && timeout 300 wine kclktune.exe set fsb=14000 --yes) </dev/null \
  >"$demo/tune-confirmed.txt" 2>&1 && confirmed=0 || confirmed=$?
cat "$demo/tune-confirmed.txt"
# Nobody confirms this one within 3 s: it is rolled back, exit code 5.
(cd "$kit_folder" && timeout 300 wine kclktune.exe set fsb=15000 --confirm-within 3) </dev/null \
  >"$demo/tune-unconfirmed.txt" 2>&1 && unconfirmed=0 || unconfirmed=$?
cat "$demo/tune-unconfirmed.txt"
(cd "$kit_folder" && timeout 120 wine kclkinfo.exe) >"$demo/report-after.txt" || true
fsb_after=$(grep -m1 'ReturnCurrentCPUFSB' "$demo/report-after.txt" | tr -s ' ')
echo "before: $fsb_before"
echo "after:  $fsb_after"
[ "$confirmed" -eq 0 ] && [ "$unconfirmed" -eq 5 ] || status=1
case "$fsb_after" in *14000*) ;; *) status=1 ;; esac

echo
echo "== 4. the tuning tool from ktray's popup: the FSB raised on its Clocks page and kept"
title="Kestrel4 Build 3.08.07"
rm -f "$demo/kr4-keep.png" "$demo/kr4-clocks.png"
tool=1
if timeout 120 wine "$bin/traydemo.exe" tool "$title" &&
   timeout 300 wine "$bin/traydemo.exe" apply "$title" 14500; then
  import -window root "$demo/kr4-keep.png"
  if timeout 60 wine "$bin/traydemo.exe" keep; then
    import -window root "$demo/kr4-clocks.png"
    tool=0
  fi
  timeout 60 wine "$bin/traydemo.exe" close "$title" || true
fi
(cd "$kit_folder" && timeout 120 wine kclkinfo.exe) >"$demo/report-tool.txt" || true
fsb_tool=$(grep -m1 'ReturnCurrentCPUFSB' "$demo/report-tool.txt" | tr -s ' ')
echo "after the tool: $fsb_tool"
case "$fsb_tool" in *14500*) ;; *) tool=1 ;; esac
[ $tool -eq 0 ] || status=1

echo
echo "== 5. ktray ended through its Exit command"
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
echo "tuning:          fsb 13333 -> 14000 confirmed (exit $confirmed, kept); 14000 -> 15000 not"
echo "                 confirmed (exit $unconfirmed: 5 = reverted); journal $demo/journal.csv"
echo "tuning tool:     opened from the popup; fsb 14000 -> 14500 applied and kept ($( [ $tool -eq 0 ] && echo done || echo FAILED))"
echo "screenshots:     $demo/ktray-popup.png, $demo/kr4-keep.png, $demo/kr4-clocks.png"
echo "took:            $(($(date +%s) - started)) s; $( [ $status -eq 0 ] && echo 'every step done' || echo 'a step FAILED')"
exit $status
