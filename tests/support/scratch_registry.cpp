// Registry helpers for tests, built on the plain API and the shell's tree deletion.
#include "scratch_registry.h"

#include <shlwapi.h>

#include <cstring>

namespace testsupport {

void SetRawValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyA(root, path.c_str(), &key) != ERROR_SUCCESS) return;
    RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetIntValue(HKEY root, const std::string& path, const std::string& name, int32_t value) {
    SetRawValue(root, path, name, REG_BINARY, &value, sizeof value);
}

void SetTextValue(HKEY root, const std::string& path, const std::string& name,
                  const std::string& text) {
    SetRawValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

RawValue GetRawValue(HKEY root, const std::string& path, const std::string& name) {
    RawValue value;
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path.c_str(), &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size) ==
        ERROR_SUCCESS) {
        value.bytes.resize(size);
        if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.bytes.data(),
                             &size) == ERROR_SUCCESS) {
            value.bytes.resize(size);
            value.present = true;
        }
    }
    RegCloseKey(key);
    return value;
}

int32_t GetIntValue(HKEY root, const std::string& path, const std::string& name) {
    const RawValue value = GetRawValue(root, path, name);
    if (!value.present || value.bytes.size() != 4) return kNoInt;
    int32_t result;
    std::memcpy(&result, value.bytes.data(), sizeof result);
    return result;
}

bool KeyPresent(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path.c_str(), &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void CreateEmptyKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyA(root, path.c_str(), &key) == ERROR_SUCCESS) RegCloseKey(key);
}

void RemoveTree(HKEY root, const std::string& path) { SHDeleteKeyA(root, path.c_str()); }

}  // namespace testsupport
