// What the firmware answered, in words: status words and the clock requests' problem bits by
// the names the firmware gives their meanings.
#include "board_port.h"
#include "text.h"

namespace tune {

namespace {

const char* StatusName(uint16_t status) {
    switch (status) {
    case 0x0000: return "done";
    case 0x0001: return "not delivered";
    case 0x8600: return "unknown function";
    case 0x8601: return "past the end";
    case 0x8602: return "rejected";
    case 0x8603: return "not supported";
    default: return "unknown status";
    }
}

// The problem bits of SetClockProb and SetClock.
const char* const kClockProblems[] = {
    "FSB not offered",
    "DRAM word not offered",
    "AGP word not offered",
    "PCI word not offered",
    "DRAM frequency outside its limit",
    "AGP frequency outside its limit",
    "PCI frequency outside its limit",
    "no FSB divider keeps the VCO inside its limit",
    "a reserved bit is set",
    "the board does not support overclocking",
};

}  // namespace

std::string DescribeAnswer(const FirmwareAnswer& a) {
    if (a.yesNo) return a.status == 0 ? "yes" : "no";
    if (a.Done()) return "done";
    std::string out = Cat("status ", HexDigits(a.status, 4), "h (", StatusName(a.status), ")");
    if (a.clock && a.bx != 0) {
        Append(out, ", BX ", HexDigits(a.bx, 4), "h (");
        bool first = true;
        for (int bit = 0; bit < 16; ++bit) {
            if (!(a.bx & (1u << bit))) continue;
            if (!first) out += ", ";
            first = false;
            if (bit < static_cast<int>(sizeof kClockProblems / sizeof kClockProblems[0])) {
                out += kClockProblems[bit];
            } else {
                Append(out, "bit ", DecDigits(static_cast<uint32_t>(bit)));
            }
        }
        out += ")";
    }
    return out;
}

}  // namespace tune
