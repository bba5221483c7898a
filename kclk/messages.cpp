#include "messages.h"

namespace kclk {

HMODULE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OwnModule), &module);
    return module;
}

namespace {
std::string OwnModulePath() {
    char path[512] = {};
    DWORD length = GetModuleFileNameA(OwnModule(), path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) return {};  // a cut-off name is no path
    return std::string(path, length);
}
}  // namespace

std::string OwnModuleDirectory() {
    std::string path = OwnModulePath();
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string OwnModuleTitle() {
    std::string path = OwnModulePath();
    size_t slash = path.find_last_of('\\');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void ShowPlainMessage(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_OK);
}

void ShowLibraryMessage(const char* text) {
    MessageBoxA(nullptr, text, OwnModuleTitle().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace kclk
