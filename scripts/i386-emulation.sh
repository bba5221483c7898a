#!/bin/sh
# Makes 32-bit Linux programs (32-bit Wine) run on a machine whose kernel refuses them (IA-32
# emulation switched off: execve of an i386 ELF fails with "Exec format error"). They then run
# under QEMU's user-mode emulator, registered with binfmt_misc for i386 ELF files. QEMU 8 or
# later is needed: 7.2 ignores the address hints Wine reserves its memory with and loops for
# minutes. Does nothing where 32-bit programs run natively. Needs root to change anything.
set -e

runs_i386() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
traps=kit-qemu-i386-traps.so

[ -x /usr/lib/wine/wine ] || exit 0
# Native (no emulator registered), or emulated with everything in place.
if runs_i386 && { [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] ||
                  [ -f "/usr/local/lib/i386-linux-gnu/$traps" ]; }; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "32-bit programs do not run here; as root, this script sets up their emulation" >&2
  exit 1
fi
echo "32-bit programs do not run natively here: setting up their emulation (qemu-i386)"
export DEBIAN_FRONTEND=noninteractive

qemu_major() {
  qemu-i386-static --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9][0-9]*\)\..*/\1/p'
}
if [ "$(qemu_major || echo 0)" -lt 8 ] 2>/dev/null || [ -z "$(qemu_major)" ]; then
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  suite=$codename
  # Debian 12 has QEMU 7.2; its backports have a current one.
  if [ "$codename" = bookworm ]; then
    suite=bookworm-backports
    if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
      cat >/etc/apt/sources.list.d/kit-backports.sources <<SOURCES
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    fi
    apt-get update -qq
  fi
  apt-get install -y -qq -t "$suite" qemu-user-static >/dev/null
fi

binfmt=/proc/sys/fs/binfmt_misc
[ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt
# "F": the emulator is opened now, so the registration also serves other mount namespaces.
if [ ! -e $binfmt/qemu-i386 ]; then
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
    >$binfmt/register
fi
# Wine's fault handling under the emulator (scripts/qemu-i386-traps.c); the scripts that start
# Wine preload it when it is there (cmake/wine-env.sh).
if [ ! -f "/usr/local/lib/i386-linux-gnu/$traps" ]; then
  [ "$(dpkg-query -W -f='${db:Status-Status}' gcc-multilib 2>/dev/null)" = installed ] ||
    apt-get install -y -qq gcc-multilib >/dev/null
  mkdir -p /usr/local/lib/i386-linux-gnu /usr/local/lib/x86_64-linux-gnu
  source=$(dirname "$0")/qemu-i386-traps.c
  gcc -m32 -O2 -shared -fPIC "$source" -o "/usr/local/lib/i386-linux-gnu/$traps" -ldl
  gcc -O2 -shared -fPIC "$source" -o "/usr/local/lib/x86_64-linux-gnu/$traps"
fi
if ! runs_i386; then
  echo "32-bit programs still do not run under emulation: Wine cannot start" >&2
  exit 1
fi
echo "32-bit programs run under qemu-i386 $(qemu_major)"
