// The process-wide tool flags and the registry keys that set them.
#include "tool_flags.h"

#include "registry.h"
#include "settings_keys.h"

namespace ktray {

ToolFlags& Tools() {
    static ToolFlags flags;
    return flags;
}

void ReadOtherToolKeys(ToolFlags& flags) {
    if (KeyExists(HKEY_CURRENT_USER, kLogoToolKey)) flags.logoTool = 1;
    if (KeyExists(HKEY_CURRENT_USER, kDmiToolKey)) flags.dmiTool = 1;
    if (KeyExists(HKEY_CURRENT_USER, kBiosToolKey)) flags.biosTool = 1;
}

void ReadUserToolKeys(ToolFlags& flags) {
    flags.tuningTool = flags.logoTool = flags.dmiTool = flags.biosTool = 0;
    if (KeyExists(HKEY_CURRENT_USER, kTuningKey)) flags.tuningTool = 1;
    ReadOtherToolKeys(flags);
}

}  // namespace ktray
