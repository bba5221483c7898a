/* What the compiler may call in a driver that links no C runtime: struct copies and clears,
 * and the slot of a pure virtual function (never called: every backend overrides them all). */
#include <stddef.h>

void* memcpy(void* dst, const void* src, size_t n) {
    unsigned char* d = (unsigned char*)dst;
    const unsigned char* s = (const unsigned char*)src;
    while (n--) *d++ = *s++;
    return dst;
}

void* memset(void* dst, int value, size_t n) {
    unsigned char* d = (unsigned char*)dst;
    while (n--) *d++ = (unsigned char)value;
    return dst;
}

void __cxa_pure_virtual(void) {
    for (;;) {
    }
}
