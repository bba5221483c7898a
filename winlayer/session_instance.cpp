#include "session_instance.h"

#include <cstdio>

namespace winlayer {

namespace {

bool KnowsSessionNamespace() {
    const DWORD version = GetVersion();
    const bool nt = (version & 0x80000000u) == 0;
    return nt && LOBYTE(LOWORD(version)) >= 5;
}

}  // namespace

bool SessionInstance::Enter(const char* name) {
    Leave();
    char full[MAX_PATH];
    if (std::snprintf(full, sizeof full, "%s%s", KnowsSessionNamespace() ? "Local\\" : "", name) >=
        static_cast<int>(sizeof full))
        return true;
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, full);
    if (!mutex) return true;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    mutex_ = mutex;
    return true;
}

void SessionInstance::Leave() {
    if (mutex_) CloseHandle(mutex_);
    mutex_ = nullptr;
}

}  // namespace winlayer
