#!/bin/sh
# Installs the Debian packages that building and testing the kit need, exactly those that are
# missing: the mingw-w64 cross compilers and both of their thread-model runtimes, CMake,
# GoogleTest's sources, 32- and 64-bit Wine, Xvfb, ImageMagick, NSIS and clang.
# Quiet and idempotent; without root it names what is missing and fails.
set -e

# The shipped binaries link the win32-thread-model runtime (g++-mingw-w64-i686-win32), the tests
# the posix one; a machine can have either without the other.
packages="g++-mingw-w64-i686 g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32
  gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64 cmake make googletest
  wine wine32:i386 wine64 xvfb xauth imagemagick python3 nsis clang libclang-rt-14-dev"

installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

need=""
for package in $packages; do
  installed "$package" || need="$need $package"
done
[ -z "$need" ] && exit 0

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
apt-get update -qq
apt-get install -y -qq $need >/dev/null
