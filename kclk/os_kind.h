// Classifies the running Windows into the library's kind number.
#pragma once

#include <windows.h>
#include <cstdint>

namespace kclk {

// The pure decision, given what GetVersionExA reported and how to ask about WOW64.
// isWow64 is only consulted for version 5.2.
using Wow64Query = bool (*)();
int32_t ClassifyWindows(const OSVERSIONINFOA& version, Wow64Query isWow64);

// Looks up IsWow64Process in Kernel32 at run time (absent before XP SP2 / 2003 SP1).
bool QueryWow64();

}  // namespace kclk
