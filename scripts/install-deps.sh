#!/bin/sh
# Installs the Debian packages that building and testing the kit need, exactly those that are
# missing: the mingw-w64 cross compilers and both of their thread-model runtimes, CMake,
# GoogleTest's sources, 32- and 64-bit Wine, Xvfb, ImageMagick, NSIS, clang and the sanitizer
# runtime of that clang's version.
# Quiet and idempotent; without root it names what is missing and fails.
# --runtime-package: only print the name of the sanitizer runtime package that fits.
set -e

# The sanitizer and libFuzzer runtime goes with one clang version (libclang-rt-<major>-dev):
# the installed clang's, or where none runs yet, the one the distribution's clang package
# depends on.
runtime_package() {
  major=$(clang --version 2>/dev/null | sed -n 's/.*clang version \([0-9][0-9]*\)\..*/\1/p' | head -n 1)
  if [ -z "$major" ]; then
    major=$(apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -n 1)
  fi
  [ -n "$major" ] && echo "libclang-rt-$major-dev"
}

if [ "$1" = --runtime-package ]; then
  runtime_package
  exit
fi

# The shipped binaries link the win32-thread-model runtime (g++-mingw-w64-i686-win32), the tests
# the posix one; a machine can have either without the other.
packages="g++-mingw-w64-i686 g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32
  gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64 cmake make googletest
  wine wine32:i386 wine64 xvfb xauth imagemagick python3 nsis clang"

installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

need=""
for package in $packages; do
  installed "$package" || need="$need $package"
done
runtime=$(runtime_package || true)
# A clang still to be installed may bring another version than the one asked for now: the
# runtime is checked again once it is there.
[ -n "$runtime" ] && ! installed "$runtime" && need="$need $runtime"
# 32-bit Wine needs a kernel that runs 32-bit programs, or their emulation.
here=$(dirname "$0")
[ -z "$need" ] && exec sh "$here/i386-emulation.sh"

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages:$need (run as root to install them)" >&2
  exit 1
fi
echo "installing:$need"
export DEBIAN_FRONTEND=noninteractive
case "$need" in
  *:i386*)
    case " $(dpkg --print-foreign-architectures | tr '\n' ' ') " in
      *" i386 "*) ;;
      *) dpkg --add-architecture i386 ;;
    esac
    ;;
esac
# A mirror in the middle of a sync can fail one index; try again, then go on with what came:
# the packages may well be in the indexes that did arrive.
for attempt in 1 2 3; do
  apt-get update -qq && break
  echo "apt-get update failed (attempt $attempt)" >&2
  sleep 15
done
# When one architecture's index of a suite did not arrive (above), that suite's newer versions
# exist for the other architecture only and multi-arch libraries cannot be paired; the release's
# own suite has both, so it is preferred then.
if ! apt-get install -y -qq $need >/dev/null; then
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "retrying with the packages of $release preferred" >&2
  apt-get install -y -qq -t "$release" $need >/dev/null
fi

runtime_after=$(runtime_package || true)
if [ -n "$runtime_after" ] && ! installed "$runtime_after"; then
  apt-get install -y -qq "$runtime_after" >/dev/null
fi

sh "$here/i386-emulation.sh"
