// Registry access for ktray: strict reads that never trust a value's stated size or termination,
// flushed writes, and a tree deletion that behaves the same on Windows 9x and NT.
#include "registry.h"

#include <cstring>

#include "registry_value.h"
#include "startup_probe.h"

namespace ktray {

RegistryKey OpenKey(HKEY root, const char* path) {
    RegistryKey key;
    if (RegOpenKeyA(root, path, key.Receive()) != ERROR_SUCCESS) key.Reset();
    return key;
}

RegistryKey CreateKey(HKEY root, const char* path) {
    RegistryKey key;
    if (RegCreateKeyA(root, path, key.Receive()) != ERROR_SUCCESS) key.Reset();
    return key;
}

bool KeyExists(HKEY root, const char* path) {
    return static_cast<bool>(OpenKey(root, path));
}

bool ReadInt(HKEY key, const char* name, int32_t& value) {
    if (!key) return false;
    unsigned char bytes[kIntegerBytes];
    DWORD size = sizeof bytes;
    const LONG status = RegQueryValueExA(key, name, nullptr, nullptr, bytes, &size);
    return TakeInteger(status, size, bytes, value);
}

bool WriteBinary(HKEY key, const char* name, const void* data, DWORD size) {
    if (!key) return false;
    const LONG status =
        RegSetValueExA(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
    RegFlushKey(key);
    return status == ERROR_SUCCESS;
}

bool WriteInt(HKEY key, const char* name, int32_t value) {
    unsigned char bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);
    return WriteBinary(key, name, bytes, sizeof bytes);
}

bool ReadString(HKEY key, const char* name, char* buffer, DWORD capacity) {
    if (!buffer || capacity == 0) return false;
    buffer[0] = '\0';
    if (!key) return false;
    DWORD size = capacity;
    const LONG status =
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    return TakeString(status, size, buffer, capacity);
}

bool WriteString(HKEY key, const char* name, const char* text) {
    if (!key || !text) return false;
    const LONG status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                       static_cast<DWORD>(std::strlen(text) + 1));
    RegFlushKey(key);
    return status == ERROR_SUCCESS;
}

namespace {

// Empties key of its subkeys, deepest first. Windows 9x's RegDeleteKeyA would delete a whole
// tree itself, NT's refuses a key with subkeys: emptying first behaves the same on both.
void DeleteSubkeys(HKEY key, int depthLeft) {
    if (depthLeft == 0) return;
    char name[MAX_PATH + 1];
    // Always the first subkey: indexes shift as subkeys go. A subkey that cannot be deleted
    // would make this loop forever, so stop when one is still there after its deletion.
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

// Registry paths are at most 255 characters, so no tree is deeper than this.
constexpr int kMaxKeyDepth = 128;

}  // namespace

bool DeleteKeyTree(HKEY root, const char* path) {
    if (!path || !*path) return false;  // never the root itself
    {
        RegistryKey key = OpenKey(root, path);
        if (!key) return !KeyExists(root, path);
        DeleteSubkeys(key.Get(), kMaxKeyDepth);
    }
    KTRAY_STARTUP_POINT("tree-emptied");
    RegDeleteKeyA(root, path);
    return !KeyExists(root, path);
}

}  // namespace ktray
