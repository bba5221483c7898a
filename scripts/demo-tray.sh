#!/bin/sh
# demo-tray.sh BUILD_DIR: ktray.exe from a program directory laid out as an installation, on the
# simulated board, as Windows XP with every tool of the kit registered. Its popup is opened and
# photographed into BUILD_DIR/demo/ktray-popup.png, then ktray ends through its Exit command.
# Runs on Xvfb, or on the user's own X display when DISPLAY is set; leaves nothing running.
set -e
build=$1
root=$(cd "$(dirname "$0")/.." && pwd)
case "$build" in /*) ;; *) build="$root/$build" ;; esac
demo="$build/demo"
folder="$demo/program"
prefix="$build/demo-prefix"
bin="$build/bin"

rm -rf "$folder"
mkdir -p "$folder"
for file in ktray.exe kclk.dll w83781d.dll Sound.dll KrDrv.W32 KrDrv.A64; do
  cp "$bin/$file" "$folder/"
done
cp -r "$bin/tool-standins/." "$folder/"

xvfb_started=
cleanup() {
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  [ -n "$xvfb_started" ] && sh "$root/cmake/xvfb.sh" stop "$demo/xvfb"
  true
}
trap cleanup EXIT
if [ -z "$DISPLAY" ]; then
  sh "$root/cmake/xvfb.sh" start "$demo/xvfb" >/dev/null
  xvfb_started=1
  DISPLAY=$(cat "$demo/xvfb/xvfb.display")
fi
echo "$DISPLAY" >"$demo/display"
KIT_DISPLAY_FILE="$demo/display" sh "$root/cmake/wine-prefix.sh" setup "$prefix" \
  "$build/wine-gui-settings.reg" >/dev/null

export DISPLAY WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Every tool of the kit installed: the tuning tool machine-wide, the others for the user, and
# no settings left from an earlier run (a first start: no processor-change warning).
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
REG
wine reg import "$(winepath -w "$demo/tools.reg")" >/dev/null 2>&1

rm -f "$demo/ktray-popup.png"
wine "$folder/ktray.exe" &
ktray=$!
status=0
if timeout 120 wine "$bin/traydemo.exe" open; then
  import -window root "$demo/ktray-popup.png"
  echo "screenshot of ktray's popup: $demo/ktray-popup.png"
else
  status=1
fi
# A ktray that does not end through Exit is ended with the prefix's server on the way out.
if timeout 60 wine "$bin/traydemo.exe" exit; then
  wait $ktray || true
else
  status=1
fi
exit $status
