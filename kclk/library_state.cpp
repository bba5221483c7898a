#include "library_state.h"

namespace kclk {

namespace {
LibraryState g_state{};  // zero at load; nothing ever resets it
}

LibraryState& State() { return g_state; }

bool UsesDriverPath(int32_t osKind) {
    if (osKind > kOsWinMe) return true;
    // GetVersion's top bit is set on the Windows 9x platform only.
    return osKind == kOsUnrecognised && (GetVersion() & 0x80000000u) == 0;
}

}  // namespace kclk
