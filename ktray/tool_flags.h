// Which of the kit's tools are installed, as ktray last saw it. Start-up fills the flags and
// every popup reads the per-user keys afresh; the FSB-fixed flag comes from the tuning library.
#pragma once

#include <cstdint>

namespace ktray {

struct ToolFlags {
    int32_t tuningTool = 0;  // start-up: HKLM tuning key; popups: HKCU tuning key
    int32_t logoTool = 0;    // adds the logo tool's item to the popup
    int32_t dmiTool = 0;     // the DMI tool's item is grey without it
    int32_t biosTool = 0;    // the BIOS flash item is grey without it
    int32_t fsbFixed = 0;    // the FSB is shown but cannot be changed: no auto overclock
};
ToolFlags& Tools();

// The HKCU keys of the logo, DMI and BIOS tools, in that order; each flag is set when its key
// exists and left alone otherwise.
void ReadOtherToolKeys(ToolFlags& flags);
// What a popup does first: clears the four tool flags, then sets each whose HKCU key exists
// (tuning, logo, DMI, BIOS). The FSB-fixed flag is not touched.
void ReadUserToolKeys(ToolFlags& flags);

}  // namespace ktray
