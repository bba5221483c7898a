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

sh "$root/scripts/release-build.sh" "$build"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

rm -rf "$dist"

sh "$root/scripts/lay-out-kit.sh" "$build" "$dist/kit"
sh "$root/scripts/lay-out-kit.sh" "$build" "$dist/simulator" simulator

(cd "$dist/kit" && cmake -E tar cf "$dist/corvane-kit-$version.zip" --format=zip -- *)
(cd "$dist/simulator" && cmake -E tar cf "$dist/corvane-kit-simulator-$version.zip" --format=zip -- *)
licence_page=$(mktemp)
sh "$root/installer/licence-page.sh" "$root/LICENSE" "$licence_page"
makensis -V2 -DVERSION="$version" -DKIT_DIR="$dist/kit" -DLICENCE_PAGE="$licence_page" \
  -DOUTFILE="$dist/corvane-kit-$version-setup.exe" "$root/installer/kit.nsi" >/dev/null
rm -f "$licence_page"

sh "$root/scripts/check-budgets.sh" "$dist/kit"
echo "dist: $dist/corvane-kit-$version.zip"
echo "dist: $dist/corvane-kit-simulator-$version.zip"
echo "dist: $dist/corvane-kit-$version-setup.exe"
