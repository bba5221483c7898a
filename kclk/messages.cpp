#include "messages.h"

namespace kclk {

HMODULE OwnModule() {
    // The allocation that holds this code is the module's image; this works on every Windows
    // the library runs on, unlike GetModuleHandleEx (XP and later).
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(reinterpret_cast<const void*>(&OwnModule), &info, sizeof(info)) == 0)
        return nullptr;
    return static_cast<HMODULE>(info.AllocationBase);
}

namespace {

// The module's full file name, or an empty text when it cannot be had whole.
ModulePathText OwnModulePath() {
    char path[512] = {};
    const DWORD length = GetModuleFileNameA(OwnModule(), path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) return {};  // a cut-off name is no path
    return ModulePathText(path);
}

const char* LastBackslash(const char* text) { return std::strrchr(text, '\\'); }

}  // namespace

ModulePathText OwnModuleDirectory() {
    const ModulePathText path = OwnModulePath();
    const char* slash = LastBackslash(path.c_str());
    ModulePathText directory;
    if (slash) directory.Append(path.c_str(), static_cast<size_t>(slash - path.c_str()) + 1);
    return directory;
}

ModulePathText OwnModuleTitle() {
    const ModulePathText path = OwnModulePath();
    const char* slash = LastBackslash(path.c_str());
    const char* name = slash ? slash + 1 : path.c_str();
    const char* dot = std::strrchr(name, '.');
    ModulePathText title;
    title.Append(name, dot ? static_cast<size_t>(dot - name) : std::strlen(name));
    return title;
}

void ShowPlainMessage(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_OK);
}

void ShowLibraryMessage(const char* text) {
    MessageBoxA(nullptr, text, OwnModuleTitle().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace kclk
