#include "kit_library.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace kr4 {

bool LoadKitLibrary(char* where, size_t capacity) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    where[0] = '\0';
    if (length > 0 && length < sizeof path) {
        // <kit>\KR4\KR4.EXE -> <kit>\kclk.dll
        char* cut = std::strrchr(path, '\\');
        if (cut) *cut = '\0';
        cut = std::strrchr(path, '\\');
        if (cut) {
            *cut = '\0';
            std::snprintf(where, capacity, "%s\\kclk.dll", path);
            if (LoadLibraryA(where)) return true;
        }
    }
    const HMODULE found = LoadLibraryA("kclk.dll");
    if (found && where[0] == '\0') GetModuleFileNameA(found, where, static_cast<DWORD>(capacity));
    return found != nullptr;
}

}  // namespace kr4
