#include "data_folder.h"

#include <windows.h>

#include "text.h"
#include "win_handles.h"

namespace tune {

namespace {

constexpr int kCsidlAppData = 0x001A;

using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
using GetSpecialFolderPath = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);

bool Usable(const char* path) { return path[0] != '\0'; }

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

// A library loaded for one call and freed again.
class Library {
public:
    explicit Library(const char* name) : module_(LoadLibraryA(name)) {}
    ~Library() {
        if (module_) FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    void* Find(const char* name) const {
        return module_ ? reinterpret_cast<void*>(GetProcAddress(module_, name)) : nullptr;
    }

private:
    HMODULE module_;
};

bool FromShell(std::string& folder) {
    char path[MAX_PATH + 1] = {};
    for (const char* name : {"shell32.dll", "shfolder.dll"}) {
        const Library library(name);
        if (auto get = reinterpret_cast<GetFolderPath>(library.Find("SHGetFolderPathA"))) {
            if (get(nullptr, kCsidlAppData, nullptr, 0, path) == 0 && Usable(path)) {
                folder = path;
                return true;
            }
        }
    }
    const Library shell("shell32.dll");
    if (auto get = reinterpret_cast<GetSpecialFolderPath>(shell.Find("SHGetSpecialFolderPathA"))) {
        path[0] = '\0';
        if (get(nullptr, path, kCsidlAppData, FALSE) && Usable(path)) {
            folder = path;
            return true;
        }
    }
    return false;
}

bool FromShellFolders(std::string& folder) {
    kclk::RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER,
                      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return false;
    char path[MAX_PATH + 1] = {};
    DWORD type = 0, size = MAX_PATH;  // one byte kept for the terminating zero
    if (RegQueryValueExA(key.Get(), "AppData", nullptr, &type, reinterpret_cast<BYTE*>(path),
                         &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || !Usable(path))
        return false;
    if (type == REG_EXPAND_SZ && std::string(path).find('%') != std::string::npos) return false;
    folder = path;
    return true;
}

}  // namespace

bool UserAppDataFolder(std::string& folder) {
    std::string found;
    if (FromShell(found) || FromShellFolders(found)) {
        folder = WithoutTrailingSlash(found);
        return true;
    }
    char windows[MAX_PATH + 1] = {};
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    folder = Cat(WithoutTrailingSlash(windows), "\\Application Data");
    return true;
}

bool CreateFolderPath(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0 && path[slash - 1] != ':')
        CreateFolderPath(path.substr(0, slash));
    CreateDirectoryA(path.c_str(), nullptr);
    const DWORD now = GetFileAttributesA(path.c_str());
    return now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY);
}

bool KitDataFolder(std::string& folder, bool create) {
    std::string base;
    if (!UserAppDataFolder(base)) return false;
    const std::string kit = Cat(base, "\\Corvane\\Kestrel4");
    if (create && !CreateFolderPath(kit)) return false;
    folder = kit;
    return true;
}

}  // namespace tune
