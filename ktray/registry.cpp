// Registry access for ktray: strict reads that never trust a value's stated size or termination,
// flushed writes, and a tree deletion that behaves the same on Windows 9x and NT.
#include "registry.h"

#include <cstring>

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
    // A longer value reports ERROR_MORE_DATA, a shorter one a smaller size: both are missing.
    unsigned char bytes[4];
    DWORD size = sizeof bytes;
    if (RegQueryValueExA(key, name, nullptr, nullptr, bytes, &size) != ERROR_SUCCESS) return false;
    if (size != sizeof bytes) return false;
    std::memcpy(&value, bytes, sizeof value);
    return true;
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
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        buffer[0] = '\0';  // ERROR_MORE_DATA may leave part of the value behind
        return false;
    }
    if (size > capacity) {  // never trust a size larger than what was handed in
        buffer[0] = '\0';
        return false;
    }
    // The text ends at its first zero within the bytes read; without one it needs a byte more.
    const void* zero = std::memchr(buffer, '\0', size);
    if (zero) return true;
    if (size < capacity) {
        buffer[size] = '\0';
        return true;
    }
    buffer[0] = '\0';
    return false;
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
    RegDeleteKeyA(root, path);
    return !KeyExists(root, path);
}

}  // namespace ktray
