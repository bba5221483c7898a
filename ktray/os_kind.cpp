// ktray's classification of the running Windows.
#include "os_kind.h"

namespace ktray {

int ClassifyOsKind(const OSVERSIONINFOA& version) {
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return kOsWindows9x;
    if (version.dwMajorVersion <= 4) return kOsNt4OrOlder;
    return version.dwMinorVersion == 0 ? kOsNt5Minor0 : kOsNt5Later;
}

int GetOsKind() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version)) return kOsWindows9x;
    return ClassifyOsKind(version);
}

}  // namespace ktray
