// Registry access for the tuning core: strict reads, flushed writes, whole-tree deletion.
#include "store_registry.h"

#include <cstring>

namespace tune {

RegistryKey OpenKey(HKEY root, const std::string& path) {
    RegistryKey key;
    if (RegOpenKeyA(root, path.c_str(), key.Receive()) != ERROR_SUCCESS) key.Reset();
    return key;
}

RegistryKey CreateKey(HKEY root, const std::string& path) {
    RegistryKey key;
    if (RegCreateKeyA(root, path.c_str(), key.Receive()) != ERROR_SUCCESS) key.Reset();
    return key;
}

bool KeyExists(HKEY root, const std::string& path) {
    return static_cast<bool>(OpenKey(root, path));
}

bool ReadInt(HKEY key, const char* name, int32_t& value) {
    if (!key) return false;
    unsigned char bytes[4];
    DWORD size = sizeof bytes;
    if (RegQueryValueExA(key, name, nullptr, nullptr, bytes, &size) != ERROR_SUCCESS) return false;
    if (size != sizeof bytes) return false;
    std::memcpy(&value, bytes, sizeof value);
    return true;
}

bool WriteInt(HKEY key, const char* name, int32_t value) {
    if (!key) return false;
    unsigned char bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);
    const LONG status = RegSetValueExA(key, name, 0, REG_BINARY, bytes, sizeof bytes);
    RegFlushKey(key);
    return status == ERROR_SUCCESS;
}

bool ReadText(HKEY key, const char* name, size_t maxBytes, std::string& text) {
    if (!key) return false;
    // One byte more than allowed, plus the zero: a longer value then reports ERROR_MORE_DATA
    // or a size that gives it away.
    std::vector<char> buffer(maxBytes + 2, '\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return false;
    if (size > buffer.size()) return false;
    // Stored with or without its zero; either way no zero may come before the end.
    size_t length = size;
    if (length > 0 && buffer[length - 1] == '\0') --length;
    if (length > maxBytes) return false;
    if (std::memchr(buffer.data(), '\0', length)) return false;
    text.assign(buffer.data(), length);
    return true;
}

bool WriteText(HKEY key, const char* name, const std::string& text) {
    if (!key) return false;
    const LONG status = RegSetValueExA(key, name, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(text.c_str()),
                                       static_cast<DWORD>(text.size() + 1));
    RegFlushKey(key);
    return status == ERROR_SUCCESS;
}

bool DeleteValue(HKEY key, const char* name) {
    if (!key) return false;
    const LONG status = RegDeleteValueA(key, name);
    RegFlushKey(key);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::vector<std::string> SubkeyNames(HKEY key) {
    std::vector<std::string> names;
    if (!key) return names;
    char name[MAX_PATH + 1];
    for (DWORD index = 0; index < 100000; ++index) {
        if (RegEnumKeyA(key, index, name, sizeof name) != ERROR_SUCCESS) break;
        name[sizeof name - 1] = '\0';
        names.emplace_back(name);
    }
    return names;
}

namespace {

// Always the first subkey: indexes shift as subkeys go. A subkey that cannot be deleted ends
// the loop rather than spinning on it.
void DeleteSubkeys(HKEY key, int depthLeft) {
    if (depthLeft == 0) return;
    char name[MAX_PATH + 1];
    for (;;) {
        if (RegEnumKeyA(key, 0, name, sizeof name) != ERROR_SUCCESS) return;
        name[sizeof name - 1] = '\0';
        {
            RegistryKey child = OpenKey(key, name);
            if (child) DeleteSubkeys(child.Get(), depthLeft - 1);
        }
        if (RegDeleteKeyA(key, name) != ERROR_SUCCESS) return;
    }
}

}  // namespace

bool DeleteKeyTree(HKEY root, const std::string& path) {
    if (path.empty()) return false;  // never the root itself
    {
        RegistryKey key = OpenKey(root, path);
        if (!key) return !KeyExists(root, path);
        DeleteSubkeys(key.Get(), 128);
    }
    RegDeleteKeyA(root, path.c_str());
    return !KeyExists(root, path);
}

}  // namespace tune
