// Asks kclk.dll for everything the board's firmware reports, the way a client does: Check_KRVer
// first, then only reading exports. Nothing here changes a setting.
#pragma once

#include "report_tree.h"

namespace kclkinfo {

// Tables are read entry by entry until the firmware answers a nonzero status; a table that
// never ends is cut here. The preset VCO reader is asked for selectors 0, 1, ... the same way.
constexpr uint16_t kEntryCap = 64;
constexpr uint16_t kPresetSelectorCap = 8;

struct Report {
    int32_t krVersion = 0;   // what Check_KRVer returned
    bool available = false;  // the tuning interface is usable (Check_KRVer returned 4)
    Value tree = Value::Object();  // "available", "Check_KRVer", then one field per family
};

Report CollectReport();

}  // namespace kclkinfo
