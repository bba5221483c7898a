// The tool's own times, from its per-user key (HKCU\Software\Corvane\Kestrel4), each a 4-byte
// number of seconds; a value missing, of another size or out of range keeps the default:
//   KeepSeconds     5..600, default 15: the "Keep these settings?" countdown
//   StartupDelay    0..600, default 15: the hidden start's wait before it applies (Shift skips)
//   StartupWindow   0..3600, default 120: how long the start-up apply must stay up
#pragma once

#include <windows.h>

#include <cstdint>

namespace kr4 {

struct ToolOptions {
    uint32_t keepSeconds = 15;
    DWORD startupDelayMs = 15000;
    DWORD startupWindowMs = 120000;
};

ToolOptions ReadToolOptions(HKEY root = HKEY_CURRENT_USER);

}  // namespace kr4
