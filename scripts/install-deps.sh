#!/bin/sh
# Installs what building and testing the kit needs, when it is missing: the mingw-w64 cross
# compilers, CMake, GoogleTest's sources, 32-bit Wine, and for the tray manager's tests and demo
# an X server without a screen (Xvfb) and ImageMagick's screenshot. Quiet and idempotent.
set -e

need=""
have() { command -v "$1" >/dev/null 2>&1; }
have i686-w64-mingw32-g++-posix || need="$need g++-mingw-w64-i686"
have x86_64-w64-mingw32-gcc || need="$need gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64"
have cmake || need="$need cmake"
have make || need="$need make"
[ -f /usr/src/googletest/CMakeLists.txt ] || need="$need googletest"
if ! have wine || ! dpkg -s wine32:i386 >/dev/null 2>&1; then need="$need wine wine32:i386"; fi
have Xvfb || need="$need xvfb"
have import || need="$need imagemagick"

[ -z "$need" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages:$need (run as root to install them)" >&2
  exit 1
fi
echo "installing:$need"
export DEBIAN_FRONTEND=noninteractive
case " $(dpkg --print-foreign-architectures) " in
  *" i386 "*) ;;
  *) dpkg --add-architecture i386 ;;
esac
apt-get update -qq
apt-get install -y -qq $need >/dev/null
