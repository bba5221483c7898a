#!/bin/sh
# release-build.sh [RELEASE_BUILD_DIR]: configures and builds the release (optimised, stripped,
# static runtime, no debug sections, no tests) that make dist packs and make bench weighs.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKIT_RELEASE=ON -DBUILD_TESTING=OFF \
  >/dev/null
cmake --build "$build" -j 2 -- --no-print-directory >/dev/null
