# Sourced by every script that starts Wine. Where 32-bit programs run under qemu-i386
# (scripts/i386-emulation.sh), Wine's processes preload the fix of the emulator's fault numbers
# ($LIB picks the i386 build for 32-bit processes and the empty x86_64 one for the others).
if [ -f /usr/local/lib/i386-linux-gnu/kit-qemu-i386-traps.so ]; then
  export LD_PRELOAD='/usr/local/$LIB/kit-qemu-i386-traps.so'
fi
