#!/bin/sh
# lay-out-kit.sh BUILD_DIR DEST [simulator]: the kit's files, from a build, as the ZIP and the
# installer carry them: DEST/kclk.dll, ktray.exe, kclkinfo.exe, kclktune.exe, KR4/KR4.EXE (the
# tuning tool), the real port drivers, the C header, .def and import library, README.txt and
# LICENSE.txt. With "simulator", DEST gets what
# the simulated board adds instead.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
dest=$2
bin=$build/bin
mkdir -p "$dest"
# Text files for Windows: CR LF line ends.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }

if [ "$3" = simulator ]; then
  mkdir -p "$dest/simulated-board-driver"
  cp "$bin/KrDrv.W32" "$bin/KrDrv.A64" "$dest/simulated-board-driver/"
  cp "$bin/w83781d.dll" "$bin/Sound.dll" "$bin/boardctl.exe" "$dest/"
  rm -rf "$dest/tool-standins"
  cp -r "$bin/tool-standins" "$dest/tool-standins"
  crlf "$root/board/SIMULATOR.txt" "$dest/README.txt"
  crlf "$root/LICENSE" "$dest/LICENSE.txt"
  exit 0
fi

cp "$bin/kclk.dll" "$bin/ktray.exe" "$bin/kclkinfo.exe" "$bin/kclktune.exe" "$dest/"
mkdir -p "$dest/KR4"
cp "$bin/KR4.exe" "$dest/KR4/KR4.EXE"
cp "$bin/real/KrDrv.W32" "$bin/real/KrDrv.A64" "$dest/"
cp "$root/kclk/kclk.h" "$root/kclk/kclk.def" "$dest/"
cp "$build/lib/kclk.lib" "$dest/libkclk.dll.a"
crlf "$root/README.md" "$dest/README.txt"
crlf "$root/LICENSE" "$dest/LICENSE.txt"
