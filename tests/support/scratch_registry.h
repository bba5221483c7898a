// Registry set-up and inspection for tests, independent of the code under test: raw values of
// any type and size, and whole trees removed with the shell's own deletion.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct RawValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::vector<unsigned char> bytes;
};

// Creates the key when needed and stores exactly these bytes with this type.
void SetRawValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const void* data, DWORD size);
void SetIntValue(HKEY root, const std::string& path, const std::string& name, int32_t value);
void SetTextValue(HKEY root, const std::string& path, const std::string& name,
                  const std::string& text);
RawValue GetRawValue(HKEY root, const std::string& path, const std::string& name);
bool KeyPresent(HKEY root, const std::string& path);
void CreateEmptyKey(HKEY root, const std::string& path);
void RemoveTree(HKEY root, const std::string& path);

// The 4 bytes of a value as an integer; a sentinel when it is missing or of another size.
constexpr int32_t kNoInt = static_cast<int32_t>(0x80000001);
int32_t GetIntValue(HKEY root, const std::string& path, const std::string& name);

}  // namespace testsupport
