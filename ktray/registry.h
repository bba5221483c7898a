// Registry access as ktray does it: keys opened with RegOpenKeyA and created with RegCreateKeyA
// (default access), integers as 4-byte REG_BINARY, every write flushed. Reads are strict: a value
// counts only when it is read whole and fits, so garbage never stands in for a setting.
#pragma once

#include <windows.h>

#include <cstdint>

#include "window_layer.h"

namespace ktray {

RegistryKey OpenKey(HKEY root, const char* path);    // empty when it cannot be opened
RegistryKey CreateKey(HKEY root, const char* path);  // opens or creates; empty on failure
bool KeyExists(HKEY root, const char* path);         // opens and closes at once

// True only when the read succeeds with exactly 4 bytes, whatever the value's type; value is
// left as it was otherwise.
bool ReadInt(HKEY key, const char* name, int32_t& value);
// REG_BINARY, 4 bytes little-endian, then RegFlushKey.
bool WriteInt(HKEY key, const char* name, int32_t value);
// REG_BINARY of any size, then RegFlushKey.
bool WriteBinary(HKEY key, const char* name, const void* data, DWORD size);

// Reads a string with a buffer of capacity bytes. True when the value was read and, terminated,
// fits the buffer; the buffer then holds it. Otherwise false and the buffer holds "" (a value
// without its terminating zero is terminated if there is room).
bool ReadString(HKEY key, const char* name, char* buffer, DWORD capacity);
// REG_SZ with its terminating zero, then RegFlushKey.
bool WriteString(HKEY key, const char* name, const char* text);

// Deletes a key with all its values and subkeys at any depth (NT's RegDeleteKey refuses keys
// that have subkeys). True when the key is gone afterwards.
bool DeleteKeyTree(HKEY root, const char* path);

}  // namespace ktray
