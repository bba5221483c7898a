// The one-instance rule: the session's named mutex, held for the life of the instance. The
// system closes it with the process however the process ends, so a killed instance never
// keeps the next one out.
#include "single_instance.h"

#include <windows.h>

namespace ktray {

namespace {

HANDLE g_instanceMutex = nullptr;

bool KnowsSessionNamespace() {
    const DWORD version = GetVersion();
    const bool nt = (version & 0x80000000u) == 0;
    return nt && LOBYTE(LOWORD(version)) >= 5;
}

}  // namespace

bool EnterInstance() {
    const HANDLE mutex = CreateMutexA(
        nullptr, FALSE, KnowsSessionNamespace() ? kSessionInstanceMutex : kPlainInstanceMutex);
    if (!mutex) return true;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    g_instanceMutex = mutex;
    return true;
}

void LeaveInstance() {
    if (g_instanceMutex) CloseHandle(g_instanceMutex);
    g_instanceMutex = nullptr;
}

}  // namespace ktray
