#!/bin/sh
# make dist: a release build of the kit (optimised, stripped, static runtime, no debug sections)
# packed as dist/kit/ and its ZIP, dist/simulator/ and its ZIP, and the installer; every file's
# size checked against its budget.
#   dist.sh [RELEASE_BUILD_DIR]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
dist=$root/dist

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKIT_RELEASE=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j 2 -- --no-print-directory >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
bin=$build/bin

rm -rf "$dist"
mkdir -p "$dist/kit" "$dist/simulator"

# The kit: what a user installs.
cp "$bin/kclk.dll" "$bin/ktray.exe" "$bin/kclkinfo.exe" "$dist/kit/"
cp "$bin/real/KrDrv.W32" "$bin/real/KrDrv.A64" "$dist/kit/"
cp "$root/kclk/kclk.h" "$root/kclk/kclk.def" "$dist/kit/"
cp "$build/lib/kclk.lib" "$dist/kit/libkclk.dll.a"
# Text files for Windows: CR LF line ends.
sed 's/$/\r/' "$root/README.md" >"$dist/kit/README.txt"
sed 's/$/\r/' "$root/LICENSE" >"$dist/kit/LICENSE.txt"

# The simulator: the simulated board's driver in place of the real one, the stand-ins of the
# outside libraries and tools, and the board's command-line control.
mkdir -p "$dist/simulator/simulated-board-driver"
cp "$bin/KrDrv.W32" "$bin/KrDrv.A64" "$dist/simulator/simulated-board-driver/"
cp "$bin/w83781d.dll" "$bin/Sound.dll" "$bin/boardctl.exe" "$dist/simulator/"
cp -r "$bin/tool-standins" "$dist/simulator/tool-standins"
sed 's/$/\r/' "$root/board/SIMULATOR.txt" >"$dist/simulator/README.txt"
cp "$dist/kit/LICENSE.txt" "$dist/simulator/"

(cd "$dist/kit" && cmake -E tar cf "$dist/corvane-kit-$version.zip" --format=zip -- *)
(cd "$dist/simulator" && cmake -E tar cf "$dist/corvane-kit-simulator-$version.zip" --format=zip -- *)
makensis -V2 -DVERSION="$version" -DKIT_DIR="$dist/kit" \
  -DOUTFILE="$dist/corvane-kit-$version-setup.exe" "$root/installer/kit.nsi" >/dev/null

sh "$root/scripts/check-budgets.sh" "$dist/kit"
echo "dist: $dist/corvane-kit-$version.zip"
echo "dist: $dist/corvane-kit-simulator-$version.zip"
echo "dist: $dist/corvane-kit-$version-setup.exe"
