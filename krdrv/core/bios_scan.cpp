// The BIOS-area scan. Reads only inside the image it is given.
#include "bios_scan.h"

namespace krdrv {

namespace {

constexpr size_t kLastPosition = 0xFFFF;  // positions 0 .. FFFEh, as on Windows 9x

struct TableLayout {
    const char* signature;
    size_t length;  // bytes of the table that are read
    size_t portOffset;
    size_t commandOffset;  // 0: the table has none
};
constexpr TableLayout kKrl4{"$KRL4", 10, 7, 9};
constexpr TableLayout kClk{"$CLK", 7, 4, 6};
constexpr TableLayout kRxe{"$RXE", 10, 8, 0};

size_t Length(const char* text) {
    size_t n = 0;
    while (text[n]) ++n;
    return n;
}

// The table at the signature's lowest match, or nullptr when absent or cut off.
const uint8_t* FindTable(const uint8_t* area, size_t size, const TableLayout& layout) {
    const long at = FindSignature(area, size, layout.signature);
    if (at < 0) return nullptr;
    if (static_cast<size_t>(at) + layout.length > size) return nullptr;
    return area + at;
}

uint16_t Word(const uint8_t* table, size_t offset) {
    return static_cast<uint16_t>(table[offset] | table[offset + 1] << 8);
}

}  // namespace

long FindSignature(const uint8_t* area, size_t size, const char* signature) {
    const size_t length = Length(signature);
    if (!area || length == 0) return -1;
    for (size_t offset = 0; offset < kLastPosition; ++offset) {
        if (length > size || offset > size - length) break;  // would run past the end
        size_t i = 0;
        while (i < length && area[offset + i] == static_cast<uint8_t>(signature[i])) ++i;
        if (i == length) return static_cast<long>(offset);
    }
    return -1;
}

FirmwareSite ScanBiosArea(const uint8_t* area, size_t size) {
    FirmwareSite site{};
    const TableLayout* layouts[] = {&kKrl4, &kClk};
    for (const TableLayout* layout : layouts) {
        if (const uint8_t* table = FindTable(area, size, *layout)) {
            site.tuning = true;
            site.tuningPort = Word(table, layout->portOffset);
            site.tuningCommand = table[layout->commandOffset];
            break;
        }
    }
    if (const uint8_t* table = FindTable(area, size, kRxe)) {
        site.fan = true;
        site.fanPort = Word(table, kRxe.portOffset);
    }
    return site;
}

}  // namespace krdrv
