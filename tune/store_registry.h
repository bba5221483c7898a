// The tuning core's registry access for what it keeps per user: profiles, the start-up choice,
// the boot guard's marks and ktray's settings. Keys are opened and created as ktray does
// (default access), every write is flushed, and reads never trust a value's size or termination.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win_handles.h"

namespace tune {

using RegistryKey = kclk::RegistryKey;

RegistryKey OpenKey(HKEY root, const std::string& path);    // empty when it cannot be opened
RegistryKey CreateKey(HKEY root, const std::string& path);  // opens or creates; empty on failure
bool KeyExists(HKEY root, const std::string& path);

// True only for exactly 4 bytes, whatever the type; value untouched otherwise.
bool ReadInt(HKEY key, const char* name, int32_t& value);
// REG_BINARY, 4 bytes little-endian, flushed.
bool WriteInt(HKEY key, const char* name, int32_t value);

// A text value of at most maxBytes bytes before its zero. False (text untouched) when missing,
// longer, or holding a zero before its end: a value that is not one whole text reads as absent.
bool ReadText(HKEY key, const char* name, size_t maxBytes, std::string& text);
// REG_SZ with its terminating zero, in one RegSetValueExA, then flushed.
bool WriteText(HKEY key, const char* name, const std::string& text);
bool DeleteValue(HKEY key, const char* name);  // true when the value is gone afterwards

// Names of the subkeys of a key, in the registry's order; empty when none or no key.
std::vector<std::string> SubkeyNames(HKEY key);

// Deletes a key with everything below it (NT refuses to delete a key with subkeys); true when
// it is gone afterwards.
bool DeleteKeyTree(HKEY root, const std::string& path);

}  // namespace tune
