// libFuzzer: any image of the BIOS area, of any length up to the area's, is scanned without a
// read past it, and a table found lies wholly inside it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bios_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > krdrv::kBiosAreaSize) size = krdrv::kBiosAreaSize;
    std::vector<uint8_t> area(data, data + size);  // exactly the image: a read past it is caught
    const krdrv::FirmwareSite site = krdrv::ScanBiosArea(area.data(), area.size());
    const long krl4 = krdrv::FindSignature(area.data(), area.size(), "$KRL4");
    const long clk = krdrv::FindSignature(area.data(), area.size(), "$CLK");
    // A tuning site needs a whole "$KRL4" (10 bytes) or "$CLK" (7 bytes) table.
    const bool krl4Whole = krl4 >= 0 && static_cast<size_t>(krl4) + 10 <= size;
    const bool clkWhole = clk >= 0 && static_cast<size_t>(clk) + 7 <= size;
    if (site.tuning != (krl4Whole || clkWhole)) __builtin_trap();
    if (krl4Whole && site.tuningCommand != area[krl4 + 9]) __builtin_trap();
    return 0;
}
