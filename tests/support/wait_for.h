// Polls a condition every 50 ms until it holds or the time is up; true when it held.
#pragma once

#include <windows.h>

namespace testsupport {

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (condition()) return true;
        Sleep(50);
    }
    return condition();
}

}  // namespace testsupport
