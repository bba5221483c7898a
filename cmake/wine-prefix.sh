#!/bin/sh
# wine-prefix.sh setup PREFIX SETTINGS.reg : create the prefix once, then apply settings
# wine-prefix.sh cleanup PREFIX            : end the prefix's wineserver so nothing stays running
# KIT_WINEARCH=win64 asks for 64-bit Windows (which runs the same 32-bit programs under WOW64),
# win32 for 32-bit; unset, an existing prefix stays as it is and a new one is 32-bit. With
# KIT_DISPLAY_FILE naming a file that holds an X display, the prefix is set up on that display
# (the GUI tests' prefix); otherwise without one.
set -e
action=$1
prefix=$2
arch=$(sed -n 's/^#arch=//p' "$prefix/system.reg" 2>/dev/null | head -n 1)
export WINEPREFIX="$prefix" WINEARCH="${KIT_WINEARCH:-${arch:-win32}}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
. "$(dirname "$0")/wine-env.sh"
if [ -n "$KIT_DISPLAY_FILE" ] && [ -s "$KIT_DISPLAY_FILE" ]; then
  export DISPLAY="$(cat "$KIT_DISPLAY_FILE")"
else
  unset DISPLAY
fi
case "$action" in
setup)
  settings=$3
  wineserver -k 2>/dev/null || true
  # Wine notes the prefix's architecture in system.reg; a prefix of the other one is made anew.
  if [ ! -f "$prefix/.kit-ready" ] || ! grep -qx "#arch=$WINEARCH" "$prefix/system.reg"; then
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.kit-ready"
  fi
  # Graphics=null must be in place before the wineserver that the tests use starts.
  wine reg import "$(winepath -w "$settings" 2>/dev/null)" >/dev/null 2>&1
  wineserver -w
  echo "wine prefix ready: $prefix"
  ;;
cleanup)
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  ;;
esac
