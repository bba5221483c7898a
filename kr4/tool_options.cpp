#include "tool_options.h"

#include "handles.h"
#include "profiles.h"

namespace kr4 {

namespace {

bool ReadSeconds(HKEY key, const char* name, uint32_t low, uint32_t high, uint32_t& seconds) {
    uint32_t value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        size != sizeof value || value < low || value > high)
        return false;
    seconds = value;
    return true;
}

}  // namespace

ToolOptions ReadToolOptions(HKEY root) {
    ToolOptions options;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, tune::kToolKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return options;
    const winlayer::RegistryKey key(opened);
    uint32_t seconds = 0;
    if (ReadSeconds(key.Get(), "KeepSeconds", 5, 600, seconds)) options.keepSeconds = seconds;
    if (ReadSeconds(key.Get(), "StartupDelay", 0, 600, seconds))
        options.startupDelayMs = seconds * 1000;
    if (ReadSeconds(key.Get(), "StartupWindow", 0, 3600, seconds))
        options.startupWindowMs = seconds * 1000;
    return options;
}

}  // namespace kr4
