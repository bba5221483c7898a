#include "installed_title.h"

#include <windows.h>

#include <cstdio>

#include "build_title.h"
#include "registry_value.h"
#include "settings_keys.h"

namespace ktray {

bool InstalledBuildTitle(char* title, size_t capacity) {
    if (!title || capacity == 0) return false;
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kTuningKey, &key) != ERROR_SUCCESS) {
        std::snprintf(title, capacity, "%s", kFallbackBuildTitle);
        return false;
    }
    char version[kTuningVersionBytes];
    DWORD size = sizeof version;
    const LONG status = RegQueryValueExA(key, kTuningVersionValue, nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(version), &size);
    RegCloseKey(key);
    if (!TakeString(status, size, version, sizeof version) ||
        !FormatBuildTitle(version, title, capacity))
        std::snprintf(title, capacity, "%s", kFallbackBuildTitle);
    return true;
}

}  // namespace ktray
