// The BIOS-area scan on images of the area: which table wins, where a table counts as cut off,
// and that the scan reads nothing past the image (each image is a heap block of exactly its
// size, so AddressSanitizer stops a read beyond it).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bios_scan.h"

namespace {

using krdrv::FirmwareSite;
using krdrv::kBiosAreaSize;

struct Placed {
    size_t offset;
    std::string bytes;
};

std::vector<uint8_t> Area(std::initializer_list<Placed> tables, size_t size = kBiosAreaSize) {
    std::vector<uint8_t> area(size, 0xFF);
    for (const Placed& t : tables)
        for (size_t i = 0; i < t.bytes.size() && t.offset + i < size; ++i)
            area[t.offset + i] = static_cast<uint8_t>(t.bytes[i]);
    return area;
}

// "$KRL4" tables: port at 7..8, command at 9. "$CLK": port at 4..5, command at 6.
// "$RXE": port at 8..9.
const std::string kKrl4B2 = std::string("$KRL4\0\0\xB2\x00\xEF", 10);
const std::string kKrl4Other = std::string("$KRL4\0\0\x34\x12\x5A", 10);
const std::string kClk = std::string("$CLK\xB3\x00\xEE", 7);
const std::string kRxe = std::string("$RXE\0\0\0\0\xB0\x00", 10);

TEST(BiosScan, FindsTheRightTables) {
    const struct {
        const char* what;
        std::vector<uint8_t> area;
        FirmwareSite expected;
    } kCases[] = {
        {"empty", Area({}), FirmwareSite{}},
        {"$KRL4", Area({{0x1000, kKrl4B2}}), {true, 0xB2, 0xEF, false, 0}},
        {"$CLK only", Area({{0x20, kClk}}), {true, 0xB3, 0xEE, false, 0}},
        {"both: $KRL4 wins though later", Area({{0x20, kClk}, {0x9000, kKrl4B2}}),
         {true, 0xB2, 0xEF, false, 0}},
        {"lowest $KRL4 wins", Area({{0x9001, kKrl4B2}, {0x0333, kKrl4Other}}),
         {true, 0x1234, 0x5A, false, 0}},
        {"odd address", Area({{0x7777, kKrl4Other}}), {true, 0x1234, 0x5A, false, 0}},
        {"at offset 0", Area({{0, kKrl4B2}}), {true, 0xB2, 0xEF, false, 0}},
        {"$RXE beside $KRL4", Area({{0x100, kRxe}, {0x200, kKrl4B2}}), {true, 0xB2, 0xEF, true, 0xB0}},
        {"table ending at FFFFFh", Area({{kBiosAreaSize - 10, kKrl4Other}}),
         {true, 0x1234, 0x5A, false, 0}},
        {"$KRL4 cut off: $CLK taken", Area({{0x40, kClk}, {kBiosAreaSize - 9, kKrl4B2}}),
         {true, 0xB3, 0xEE, false, 0}},
        {"$KRL4 signature fits, table does not", Area({{kBiosAreaSize - 5, kKrl4B2}}), FirmwareSite{}},
        {"$RXE cut off", Area({{kBiosAreaSize - 9, kRxe}}), FirmwareSite{}},
        {"partial signature at the end", Area({{kBiosAreaSize - 3, "$KR"}}), FirmwareSite{}},
        {"near miss", Area({{0x500, "$KRL5\0\0\xB2\0\xEF"}, {0x600, "$CL"}}), FirmwareSite{}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> area = c.area;  // a fresh block of exactly the area's size
        const FirmwareSite site = krdrv::ScanBiosArea(area.data(), area.size());
        EXPECT_EQ(c.expected.tuning, site.tuning);
        EXPECT_EQ(c.expected.tuningPort, site.tuningPort);
        EXPECT_EQ(c.expected.tuningCommand, site.tuningCommand);
        EXPECT_EQ(c.expected.fan, site.fan);
        EXPECT_EQ(c.expected.fanPort, site.fanPort);
    }
}

TEST(BiosScan, VisitsThePositionsUpToFFFEh) {
    // A one-byte signature is the only kind that can sit at the last byte: the scan stops
    // before FFFFh, as the library's does.
    std::vector<uint8_t> area(kBiosAreaSize, 0);
    area[0xFFFE] = '#';
    EXPECT_EQ(0xFFFE, krdrv::FindSignature(area.data(), area.size(), "#"));
    area[0xFFFE] = 0;
    area[0xFFFF] = '#';
    EXPECT_EQ(-1, krdrv::FindSignature(area.data(), area.size(), "#"));
}

TEST(BiosScan, NeverReadsPastASmallerImage) {
    // Images shorter than the area, each with a table cut off by its end.
    for (size_t size : {0u, 1u, 4u, 5u, 9u, 10u, 11u, 4096u}) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> area = Area({{size >= 9 ? size - 9 : 0, kKrl4B2}}, size);
        const FirmwareSite site = krdrv::ScanBiosArea(size ? area.data() : nullptr, size);
        EXPECT_FALSE(site.tuning);
    }
    EXPECT_FALSE(krdrv::ScanBiosArea(nullptr, kBiosAreaSize).tuning) << "no mapping, no table";
}

}  // namespace
