// The test copy's start-up points: ended as abruptly as a TerminateProcess from outside would
// end it, with an exit code that tells the test the point was reached.
#include "startup_probe.h"

#include <windows.h>

namespace ktray {

constexpr UINT kEndedAtPoint = 0x5EED;

// KTRAY_END_AT is "point" (its first pass) or "point#n" (its n-th pass).
void StartupProbe(const char* point) {
    char wanted[64] = "";
    const DWORD length = GetEnvironmentVariableA("KTRAY_END_AT", wanted, sizeof wanted);
    if (length == 0 || length >= sizeof wanted) return;
    int pass = 1;
    for (char* c = wanted; *c; ++c) {
        if (*c == '#') {
            *c = '\0';
            pass = c[1] - '0';
            break;
        }
    }
    static char lastPoint[64] = "";
    static int passes = 0;
    if (lstrcmpA(wanted, point) != 0) return;
    passes = lstrcmpA(lastPoint, point) == 0 ? passes + 1 : 1;
    lstrcpynA(lastPoint, point, sizeof lastPoint);
    if (passes == pass) TerminateProcess(GetCurrentProcess(), kEndedAtPoint);
}

}  // namespace ktray
