// What ktray takes from every registry value it reads, for every shape a value can come back in:
// integers of every size and type, strings around their buffer's size, and the build dates that
// name the tuning tool's window. The registry's query is modelled here as Windows documents it;
// tests/tray_figures_test.cpp stores the same shapes in Wine's registry and reads them back
// through ktray's own functions.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "build_title.h"
#include "registry_value.h"

namespace {

using ktray::StringEnd;

constexpr int32_t kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr int32_t kMoreData = 234;    // ERROR_MORE_DATA
constexpr uint32_t kRegSz = 1, kRegBinary = 3, kRegDword = 4;

struct Shape {
    const char* what;
    bool present;
    uint32_t type;
    std::string bytes;
};

// RegQueryValueExA into a buffer of capacity bytes: the size is always the stored one; a value
// larger than the buffer fails and may leave anything there.
int32_t Query(const Shape& shape, unsigned char* buffer, uint32_t capacity, uint32_t& size) {
    if (!shape.present) return kFileNotFound;
    size = static_cast<uint32_t>(shape.bytes.size());
    if (size > capacity) {
        std::memset(buffer, 0xCD, capacity);
        return kMoreData;
    }
    std::memcpy(buffer, shape.bytes.data(), size);
    return ktray::kQuerySucceeded;
}

std::string Le(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

// --- Integers ---------------------------------------------------------------------------------

TEST(RegistryShapes, EveryIntegerTakesOnlyFourBytes) {
    // What a value that is not taken leaves: the limits their default, everything else the
    // value held before (the processor record: nothing, kept as a marker).
    constexpr int32_t kHeld = 0x0BADF00D;
    const struct {
        const char* name;
        int32_t fallback;
    } values[] = {
        {"iCpuFanLimit", 3000}, {"iSysFanLimit", 3000}, {"iPwrFanLimit", 1000},
        {"iCpuTempLimit", 60},  {"iSysTempLimit", 60},  {"iAudioON", kHeld},
        {"iAudioFlag", kHeld},  {"iTimerSwitch", kHeld}, {"iTimeONh", kHeld},
        {"iTimeONm", kHeld},    {"iTimeOFFh", kHeld},   {"iTimeOFFm", kHeld},
        {"iAlwaysON", kHeld},   {"CPUid", kHeld},       {"CPUFamily", kHeld},
    };
    const struct {
        Shape shape;
        bool taken;
        int32_t value;
    } shapes[] = {
        {{"missing", false, kRegBinary, ""}, false, 0},
        {{"0 bytes", true, kRegBinary, ""}, false, 0},
        {{"1 byte", true, kRegBinary, "\x07"}, false, 0},
        {{"3 bytes", true, kRegBinary, "\x07\x01\x00"}, false, 0},
        {{"4 bytes BINARY", true, kRegBinary, Le(0x87654321)}, true, int32_t(0x87654321)},
        {{"4 bytes DWORD", true, kRegDword, Le(42)}, true, 42},
        {{"8 bytes", true, kRegBinary, Le(5) + Le(0)}, false, 0},
        {{"REG_SZ \"60\"", true, kRegSz, std::string("60", 3)}, false, 0},
        {{"100 bytes", true, kRegBinary, std::string(100, '\x01')}, false, 0},
    };
    int cases = 0, mismatches = 0;
    for (const auto& v : values) {
        for (const auto& s : shapes) {
            ++cases;
            // Exactly the four bytes ktray hands the query, on the heap: a byte more is caught.
            auto buffer = std::make_unique<unsigned char[]>(ktray::kIntegerBytes);
            uint32_t size = ktray::kIntegerBytes;
            const int32_t status = Query(s.shape, buffer.get(), ktray::kIntegerBytes, size);
            int32_t value = v.fallback;
            const bool taken = ktray::TakeInteger(status, size, buffer.get(), value);
            const int32_t expected = s.taken ? s.value : v.fallback;
            if (taken != s.taken || value != expected) {
                ++mismatches;
                ADD_FAILURE() << v.name << " as " << s.shape.what << ": took " << taken << " "
                              << value << ", expected " << expected;
            }
        }
    }
    std::printf("figure: registry integers: %zu values x %zu shapes = %d cases, %d mismatches\n",
                std::size(values), std::size(shapes), cases, mismatches);
}

// --- Strings ----------------------------------------------------------------------------------

TEST(RegistryShapes, EveryStringTakesOnlyWholeTerminatedTexts) {
    const struct {
        const char* name;
        uint32_t capacity;
        StringEnd end;
    } values[] = {
        {"KR4Version", 100, StringEnd::AddedWhenRoom},
        {"VendorIdentifier", 20, StringEnd::Stored},
        {"AudioFile", 255, StringEnd::AddedWhenRoom},
    };
    // A text of n characters that starts with a build date (whatever follows it is ignored).
    auto text = [](uint32_t n) {
        std::string t = "3/8/7";
        t.resize(n, 'x');
        return t;
    };
    const std::string junk = "\x81\xFE\x7F\xC3\xA0\x01\x02\xFF\x90\x80\xAA\x55\xEE\x11\x99\x88";
    int cases = 0, mismatches = 0;
    for (const auto& v : values) {
        const uint32_t cap = v.capacity;
        const bool addsZero = v.end == StringEnd::AddedWhenRoom;
        const struct {
            Shape shape;
            bool taken;
            std::string text;  // what the buffer holds afterwards
        } shapes[] = {
            {{"missing", false, kRegSz, ""}, false, ""},
            {{"buffer-1 and zero", true, kRegSz, text(cap - 1) + '\0'}, true, text(cap - 1)},
            {{"buffer and zero", true, kRegSz, text(cap) + '\0'}, false, ""},
            {{"buffer-1 unterminated", true, kRegBinary, text(cap - 1)}, addsZero,
             addsZero ? text(cap - 1) : ""},
            {{"buffer unterminated", true, kRegBinary, text(cap)}, false, ""},
            {{"buffer+1 unterminated", true, kRegBinary, text(cap + 1)}, false, ""},
            {{"embedded zero", true, kRegSz, std::string("3/8/7\0tail\0", 11)}, true, "3/8/7"},
            {{"binary junk", true, kRegBinary, junk}, addsZero, addsZero ? junk : ""},
            {{"empty", true, kRegSz, std::string(1, '\0')}, true, ""},
            {{"0 bytes", true, kRegBinary, ""}, addsZero, ""},
            {{"4 KiB", true, kRegSz, text(4095) + '\0'}, false, ""},
        };
        for (const auto& s : shapes) {
            ++cases;
            auto buffer = std::make_unique<char[]>(cap);
            std::memset(buffer.get(), '#', cap);
            uint32_t size = cap;
            const int32_t status =
                Query(s.shape, reinterpret_cast<unsigned char*>(buffer.get()), cap, size);
            const bool taken = ktray::TakeString(status, size, buffer.get(), cap, v.end);
            const size_t length = strnlen(buffer.get(), cap);
            const std::string held(buffer.get(), length);
            if (taken != s.taken || length == cap || held != s.text) {
                ++mismatches;
                ADD_FAILURE() << v.name << " as " << s.shape.what << ": took " << taken << " \""
                              << held << "\"";
            }
        }
    }
    std::printf("figure: registry strings: %zu values x 11 shapes = %d cases, %d mismatches\n",
                std::size(values), cases, mismatches);
}

// --- Build titles -----------------------------------------------------------------------------

TEST(RegistryShapes, BuildDatesAsTheScanReadsThem) {
    constexpr char kFallback[] = "Kestrel4 Build03.080701";  // string resource 129
    const struct {
        const char* version;
        const char* title;  // nullptr: the fallback
    } cases[] = {
        {"3/8/7", "Kestrel4 Build 3.08.07"},
        {"3/8/7 ", "Kestrel4 Build 3.08.07"},
        {"3/8/7\r\n", "Kestrel4 Build 3.08.07"},
        {" 3/ 8/\t7", "Kestrel4 Build 3.08.07"},
        {"+3/+8/+7", "Kestrel4 Build 3.08.07"},
        {"3/8/7 (beta)", "Kestrel4 Build 3.08.07"},
        {"3/8/7/9", "Kestrel4 Build 3.08.07"},
        {"12/25/103", "Kestrel4 Build 12.25.103"},
        {"003/008/007", "Kestrel4 Build 3.08.07"},
        {"0/0/0", "Kestrel4 Build 0.00.00"},
        {"-0/-0/-0", "Kestrel4 Build 0.00.00"},
        {"99999/99999/99999", "Kestrel4 Build 99999.99999.99999"},
        {"3/8/0x7", "Kestrel4 Build 3.08.00"},
        {"", nullptr},
        {"3/8", nullptr},
        {"3/8/", nullptr},
        {"3 /8/7", nullptr},
        {"3/8 /7", nullptr},
        {"3.8.7", nullptr},
        {"-3/8/7", nullptr},
        {"3/-8/7", nullptr},
        {"+/8/7", nullptr},
        {"3/8/- 7", nullptr},
        {"100000/1/1", nullptr},
        {"1/1/100000", nullptr},
        {"2147483648/1/1", nullptr},
        {"99999999999999999999999/1/1", nullptr},
        {"a/b/c", nullptr},
    };
    int mismatches = 0;
    for (const auto& c : cases) {
        // As ktray forms it: the fallback when the date is not there.
        char title[100];
        if (!ktray::FormatBuildTitle(c.version, title, sizeof title))
            std::snprintf(title, sizeof title, "%s", kFallback);
        const std::string expected = c.title ? c.title : kFallback;
        if (expected != title) {
            ++mismatches;
            ADD_FAILURE() << '"' << c.version << "\" gave \"" << title << '"';
        }
    }
    // A title that does not fit its buffer is not cut: the buffer stays as it was.
    char small[24];
    std::memset(small, '#', sizeof small);
    if (ktray::FormatBuildTitle("12/25/103", small, sizeof small) ||
        std::string(small, sizeof small) != std::string(sizeof small, '#'))
        ++mismatches, ADD_FAILURE() << "a title cut to its buffer";
    std::printf("figure: build titles: %zu texts, %d mismatches\n", std::size(cases), mismatches);
}

}  // namespace
