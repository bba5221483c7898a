// The shapes a registry value can come back in, and what ktray must take from each: shared by
// the host's check of the rules (registry_value_test.cpp) and the check of ktray's own reads in
// Wine's registry (tests/tray_figures_test.cpp), so that both measure the same table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shapes {

constexpr uint32_t kRegSz = 1, kRegBinary = 3, kRegDword = 4;

struct Shape {
    const char* what;
    bool present;
    uint32_t type;
    std::string bytes;
    bool taken;        // ktray takes the value
    std::string text;  // strings: what the buffer holds afterwards
};

inline std::string Le(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

// Every integer ktray reads, and what it is left with when the value is not taken: the limits
// their default, everything else the value held before (kHeld stands for it).
constexpr int32_t kHeld = 0x0BADF00D;
struct IntegerValue {
    const char* name;
    int32_t fallback;
};
inline const std::vector<IntegerValue>& IntegerValues() {
    static const std::vector<IntegerValue> values = {
        {"iCpuFanLimit", 3000}, {"iSysFanLimit", 3000}, {"iPwrFanLimit", 1000},
        {"iCpuTempLimit", 60},  {"iSysTempLimit", 60},  {"iAudioON", kHeld},
        {"iAudioFlag", kHeld},  {"iTimerSwitch", kHeld}, {"iTimeONh", kHeld},
        {"iTimeONm", kHeld},    {"iTimeOFFh", kHeld},   {"iTimeOFFm", kHeld},
        {"iAlwaysON", kHeld},   {"CPUid", kHeld},       {"CPUFamily", kHeld},
    };
    return values;
}

// An integer is taken only from exactly 4 bytes, whatever the type; text holds its value.
inline std::vector<Shape> IntegerShapes() {
    return {
        {"missing", false, kRegBinary, "", false, ""},
        {"0 bytes", true, kRegBinary, "", false, ""},
        {"1 byte", true, kRegBinary, "\x07", false, ""},
        {"3 bytes", true, kRegBinary, std::string("\x07\x01\x00", 3), false, ""},
        {"4 bytes BINARY", true, kRegBinary, Le(0x87654321), true, Le(0x87654321)},
        {"4 bytes DWORD", true, kRegDword, Le(42), true, Le(42)},
        {"8 bytes", true, kRegBinary, Le(5) + Le(0), false, ""},
        {"REG_SZ \"60\"", true, kRegSz, std::string("60", 3), false, ""},
        {"100 bytes", true, kRegBinary, std::string(100, '\x01'), false, ""},
    };
}

// Every string ktray reads, with its buffer; stored: the zero must be among the bytes read.
struct StringValue {
    const char* name;
    uint32_t capacity;
    bool stored;
};
inline const std::vector<StringValue>& StringValues() {
    static const std::vector<StringValue> values = {
        {"KR4Version", 100, false}, {"VendorIdentifier", 20, true}, {"AudioFile", 255, false}};
    return values;
}

// A text of n characters that starts with a build date (whatever follows it is ignored).
inline std::string Text(uint32_t n) {
    std::string t = "3/8/7";
    t.resize(n, 'x');
    return t;
}

// A string is taken only whole and terminated within its buffer; otherwise the buffer holds "".
inline std::vector<Shape> StringShapes(const StringValue& v) {
    const uint32_t cap = v.capacity;
    const bool adds = !v.stored;  // a zero is added when there is room
    const std::string junk = "\x81\xFE\x7F\xC3\xA0\x01\x02\xFF\x90\x80\xAA\x55\xEE\x11\x99\x88";
    return {
        {"missing", false, kRegSz, "", false, ""},
        {"buffer-1 and zero", true, kRegSz, Text(cap - 1) + '\0', true, Text(cap - 1)},
        {"buffer and zero", true, kRegSz, Text(cap) + '\0', false, ""},
        {"buffer-1 unterminated", true, kRegBinary, Text(cap - 1), adds, adds ? Text(cap - 1) : ""},
        {"buffer unterminated", true, kRegBinary, Text(cap), false, ""},
        {"buffer+1 unterminated", true, kRegBinary, Text(cap + 1), false, ""},
        {"embedded zero", true, kRegSz, std::string("3/8/7\0tail\0", 11), true, "3/8/7"},
        {"binary junk", true, kRegBinary, junk, adds, adds ? junk : ""},
        {"empty", true, kRegSz, std::string(1, '\0'), true, ""},
        {"0 bytes", true, kRegBinary, "", adds, ""},
        {"4 KiB", true, kRegSz, Text(4095) + '\0', false, ""},
    };
}

}  // namespace shapes
