#include "kit_library.h"

#include <windows.h>

#include <cstring>

#include "monitor_library.h"
#include "sound_library.h"

namespace kr4 {

namespace {

std::string KitFileOrName(const char* name) {
    const std::string file = KitFolderFile(name);
    if (!file.empty() && GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES) return file;
    return name;
}

}  // namespace

std::string KitFolderFile(const char* name) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return std::string();
    // <kit>\KR4\KR4.EXE -> <kit>
    for (int level = 0; level < 2; ++level) {
        char* cut = std::strrchr(path, '\\');
        if (!cut) return std::string();
        *cut = '\0';
    }
    return std::string(path) + "\\" + name;
}

bool LoadKitLibrary(char* where, size_t capacity) {
    const std::string file = KitFolderFile("kclk.dll");
    lstrcpynA(where, file.c_str(), static_cast<int>(capacity));
    if (!file.empty() && LoadLibraryA(file.c_str())) return true;
    const HMODULE found = LoadLibraryA("kclk.dll");
    if (found && where[0] == '\0') GetModuleFileNameA(found, where, static_cast<DWORD>(capacity));
    return found != nullptr;
}

OutsideLibraryFiles KitOutsideLibraries() {
    return {KitFileOrName(ktray::kMonitorLibraryFile), KitFileOrName(ktray::kSoundLibraryFile)};
}

}  // namespace kr4
