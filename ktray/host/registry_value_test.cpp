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
#include "registry_shapes.h"
#include "registry_value.h"

namespace {

using ktray::StringEnd;

constexpr int32_t kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr int32_t kMoreData = 234;    // ERROR_MORE_DATA

// RegQueryValueExA into a buffer of capacity bytes: the size is always the stored one; a value
// larger than the buffer fails and may leave anything there.
int32_t Query(const shapes::Shape& shape, unsigned char* buffer, uint32_t capacity, uint32_t& size) {
    if (!shape.present) return kFileNotFound;
    size = static_cast<uint32_t>(shape.bytes.size());
    if (size > capacity) {
        std::memset(buffer, 0xCD, capacity);
        return kMoreData;
    }
    std::memcpy(buffer, shape.bytes.data(), size);
    return ktray::kQuerySucceeded;
}

// --- Integers ---------------------------------------------------------------------------------

TEST(RegistryShapes, EveryIntegerTakesOnlyFourBytes) {
    const auto& values = shapes::IntegerValues();
    const auto integerShapes = shapes::IntegerShapes();
    int cases = 0, mismatches = 0;
    for (const auto& v : values) {
        for (const auto& s : integerShapes) {
            ++cases;
            // Exactly the four bytes ktray hands the query, on the heap: a byte more is caught.
            auto buffer = std::make_unique<unsigned char[]>(ktray::kIntegerBytes);
            uint32_t size = ktray::kIntegerBytes;
            const int32_t status = Query(s, buffer.get(), ktray::kIntegerBytes, size);
            int32_t value = v.fallback;
            const bool taken = ktray::TakeInteger(status, size, buffer.get(), value);
            int32_t expected = v.fallback;
            if (s.taken) std::memcpy(&expected, s.text.data(), sizeof expected);
            if (taken != s.taken || value != expected) {
                ++mismatches;
                ADD_FAILURE() << v.name << " as " << s.what << ": took " << taken << " " << value
                              << ", expected " << expected;
            }
        }
    }
    std::printf("figure: registry integers: %zu values x %zu shapes = %d cases, %d mismatches\n",
                values.size(), integerShapes.size(), cases, mismatches);
}

// --- Strings ----------------------------------------------------------------------------------

TEST(RegistryShapes, EveryStringTakesOnlyWholeTerminatedTexts) {
    int cases = 0, mismatches = 0;
    size_t shapeCount = 0;
    for (const auto& v : shapes::StringValues()) {
        const uint32_t cap = v.capacity;
        const auto stringShapes = shapes::StringShapes(v);
        shapeCount = stringShapes.size();
        for (const auto& s : stringShapes) {
            ++cases;
            auto buffer = std::make_unique<char[]>(cap);
            std::memset(buffer.get(), '#', cap);
            uint32_t size = cap;
            const int32_t status =
                Query(s, reinterpret_cast<unsigned char*>(buffer.get()), cap, size);
            const bool taken = ktray::TakeString(
                status, size, buffer.get(), cap, v.stored ? StringEnd::Stored : StringEnd::AddedWhenRoom);
            const size_t length = strnlen(buffer.get(), cap);
            const std::string held(buffer.get(), length);
            if (taken != s.taken || length == cap || held != s.text) {
                ++mismatches;
                ADD_FAILURE() << v.name << " as " << s.what << ": took " << taken << " \""
                              << held << "\"";
            }
        }
    }
    std::printf("figure: registry strings: %zu values x %zu shapes = %d cases, %d mismatches\n",
                shapes::StringValues().size(), shapeCount, cases, mismatches);
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
