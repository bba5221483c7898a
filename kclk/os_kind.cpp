// ScanOSInfo: which Windows this is, as a small kind number that decides the transport.
#include "os_kind.h"

#include "kclk.h"
#include "library_state.h"

namespace kclk {

int32_t ClassifyWindows(const OSVERSIONINFOA& v, Wow64Query isWow64) {
    switch (v.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
        if (v.dwMinorVersion == 0 || v.dwMinorVersion == 10) return kOsWin9x;
        if (v.dwMinorVersion == 90) return kOsWinMe;
        return kOsUnrecognised;
    case VER_PLATFORM_WIN32_NT:
        if (v.dwMajorVersion == 3) return kOsNt351;
        if (v.dwMajorVersion == 4) return kOsNt4;
        if (v.dwMajorVersion == 5) {
            if (v.dwMinorVersion == 0) return kOsWin2000;
            if (v.dwMinorVersion == 1) return kOsWinXp;
            if (v.dwMinorVersion == 2) return isWow64() ? kOsWin52Wow64 : kOsWin52;
        }
        return kOsUnrecognised;
    default:  // Win32s and anything newer than we know
        return kOsUnrecognised;
    }
}

bool QueryWow64() {
    BOOL wow64 = FALSE;
    if (HMODULE kernel = LoadLibraryA("Kernel32")) {
        using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
        // Through void* so the cast from FARPROC says what it means.
        auto isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
        if (isWow64Process) isWow64Process(GetCurrentProcess(), &wow64);
        FreeLibrary(kernel);
    }
    return wow64 != FALSE;
}

}  // namespace kclk

extern "C" int32_t __cdecl ScanOSInfo(void) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    static_assert(sizeof(OSVERSIONINFOA) == 148, "the size field the 9x family accepts");
    if (!GetVersionExA(&version)) return kclk::kOsUnrecognised;
    return kclk::ClassifyWindows(version, kclk::QueryWow64);
}
