# Sourced by demo.sh and bench.sh (which set $root): the kit in a program folder laid out as its
# installer lays it out, with the simulator added, and a Wine prefix of its own on Xvfb (or on
# the user's display when DISPLAY is set).

# kit_lay_out BUILD WORK: the kit and the simulator over it in "WORK/Corvane Utility Manager"
# ($kit_folder: the simulated board's driver in place of the real one, the monitor and sound
# stand-ins, the stand-ins of the tools the kit does not ship); the simulator alone in
# WORK/simulator ($kit_simulator).
kit_lay_out() {
  kit_folder="$2/Corvane Utility Manager"
  kit_simulator="$2/simulator"
  rm -rf "$kit_folder" "$kit_simulator"
  sh "$root/scripts/lay-out-kit.sh" "$1" "$kit_folder"
  sh "$root/scripts/lay-out-kit.sh" "$1" "$kit_simulator" simulator
  cp "$kit_simulator/simulated-board-driver/KrDrv.W32" \
     "$kit_simulator/simulated-board-driver/KrDrv.A64" \
     "$kit_simulator/w83781d.dll" "$kit_simulator/Sound.dll" "$kit_folder/"
  # The stand-ins of the programs the kit does not ship; the tuning tool is the kit's own.
  for standin in "$kit_simulator/tool-standins/"*; do
    [ "$(basename "$standin")" = KR4 ] || cp -r "$standin" "$kit_folder/"
  done
}

# kit_start_prefix BUILD WORK PREFIX: the prefix set up for the GUI (WORK holds the display's
# files); exports DISPLAY and Wine's variables. On exit the prefix's server is ended, and the
# Xvfb if this started one.
kit_start_prefix() {
  kit_work=$2
  kit_prefix=$3
  kit_xvfb_started=
  trap kit_cleanup EXIT
  if [ -z "$DISPLAY" ]; then
    sh "$root/cmake/xvfb.sh" start "$kit_work/xvfb" >/dev/null
    kit_xvfb_started=1
    DISPLAY=$(cat "$kit_work/xvfb/xvfb.display")
  fi
  echo "$DISPLAY" >"$kit_work/display"
  KIT_DISPLAY_FILE="$kit_work/display" sh "$root/cmake/wine-prefix.sh" setup "$kit_prefix" \
    "$1/wine-gui-settings.reg" >/dev/null
  export DISPLAY WINEPREFIX="$kit_prefix" WINEARCH=win32 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml="
  . "$root/cmake/wine-env.sh"
}

kit_cleanup() {
  WINEPREFIX="$kit_prefix" wineserver -k 2>/dev/null || true
  [ -n "$kit_xvfb_started" ] && sh "$root/cmake/xvfb.sh" stop "$kit_work/xvfb"
  true
}
