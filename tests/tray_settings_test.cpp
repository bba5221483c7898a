// ktray's registry access (whole-value integer reads, bounded string reads, tree deletion) and
// the tuning tool's build title.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "build_title.h"
#include "registry.h"
#include "scratch_registry.h"

namespace {

using namespace testsupport;

const std::string kScratch = "Software\\KitTestBench\\TraySettings";

class Registry : public testing::Test {
protected:
    void SetUp() override { RemoveTree(HKEY_CURRENT_USER, kScratch); }
    void TearDown() override { RemoveTree(HKEY_CURRENT_USER, kScratch); }
};

TEST_F(Registry, IntegerCountsOnlyWhenExactlyFourBytes) {
    struct Case {
        const char* what;
        DWORD type;
        DWORD size;
        bool counts;
    };
    const unsigned char bytes[8] = {0x2A, 0x01, 0x00, 0x80, 0x11, 0x22, 0x33, 0x44};
    const Case cases[] = {
        {"REG_DWORD, 4 bytes", REG_DWORD, 4, true},
        {"REG_BINARY, 4 bytes", REG_BINARY, 4, true},
        {"REG_BINARY, 2 bytes", REG_BINARY, 2, false},
        {"REG_BINARY, 3 bytes", REG_BINARY, 3, false},
        {"REG_BINARY, 8 bytes", REG_BINARY, 8, false},
        {"REG_BINARY, empty", REG_BINARY, 0, false},
    };
    for (const Case& c : cases) {
        SetRawValue(HKEY_CURRENT_USER, kScratch, "v", c.type, bytes, c.size);
        ktray::RegistryKey key = ktray::OpenKey(HKEY_CURRENT_USER, kScratch.c_str());
        ASSERT_TRUE(key);
        int32_t value = 7;
        EXPECT_EQ(c.counts, ktray::ReadInt(key.Get(), "v", value)) << c.what;
        EXPECT_EQ(c.counts ? static_cast<int32_t>(0x8000012A) : 7, value) << c.what;
    }
    SetRawValue(HKEY_CURRENT_USER, kScratch, "text", REG_SZ, "abc", 4);  // whatever the type
    ktray::RegistryKey key = ktray::OpenKey(HKEY_CURRENT_USER, kScratch.c_str());
    int32_t value = 7;
    EXPECT_TRUE(ktray::ReadInt(key.Get(), "text", value));
    EXPECT_EQ(0x00636261, value);
    value = 7;
    EXPECT_FALSE(ktray::ReadInt(key.Get(), "missing", value));
    EXPECT_FALSE(ktray::ReadInt(nullptr, "v", value));
    EXPECT_EQ(7, value);
}

// A 16-byte buffer followed by guard bytes that no read may touch.
TEST_F(Registry, StringIsTerminatedAndBoundedByItsBuffer) {
    constexpr DWORD kCapacity = 16;
    struct Case {
        const char* what;
        DWORD type;
        std::string bytes;  // the first size bytes are stored exactly, zero or not
        DWORD size;
        bool counts;
        const char* expected;
    };
    // Wine (like NT) adds the zero to a REG_SZ whose next byte in memory is one: the byte after
    // each unterminated REG_SZ here is not.
    const Case cases[] = {
        {"terminated, fits", REG_SZ, std::string("Default.wav", 12), 12, true, "Default.wav"},
        {"terminated, just fits", REG_SZ, std::string("123456789012345", 16), 16, true,
         "123456789012345"},
        {"unterminated, room for the zero", REG_SZ, "Default.wav!", 11, true, "Default.wav"},
        {"unterminated binary, room for the zero", REG_BINARY, "abc", 3, true, "abc"},
        {"unterminated, fills the buffer", REG_SZ, "1234567890123456!", 16, false, ""},
        {"unterminated binary, fills the buffer", REG_BINARY, "1234567890123456", 16, false, ""},
        {"terminated, one byte too long", REG_SZ, std::string("1234567890123456", 17), 17, false,
         ""},
        {"oversized", REG_SZ, std::string(200, 'x') + std::string(1, '\0'), 201, false, ""},
        {"oversized, unterminated", REG_BINARY, std::string(64, 'y'), 64, false, ""},
    };
    for (const Case& c : cases) {
        SetRawValue(HKEY_CURRENT_USER, kScratch, "s", c.type, c.bytes.data(), c.size);
        // Windows 9x stores a REG_SZ up to its zero whatever the size: no unterminated REG_SZ.
        if (GetRawValue(HKEY_CURRENT_USER, kScratch, "s").bytes.size() != c.size) continue;
        ktray::RegistryKey key = ktray::OpenKey(HKEY_CURRENT_USER, kScratch.c_str());
        char buffer[kCapacity + 8];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(c.counts, ktray::ReadString(key.Get(), "s", buffer, kCapacity)) << c.what;
        EXPECT_STREQ(c.expected, buffer) << c.what;
        for (DWORD i = kCapacity; i < sizeof buffer; ++i)
            ASSERT_EQ('#', buffer[i]) << c.what << ": byte " << i << " past the buffer";
    }
    ktray::RegistryKey key = ktray::OpenKey(HKEY_CURRENT_USER, kScratch.c_str());
    char buffer[kCapacity] = "old";
    EXPECT_FALSE(ktray::ReadString(key.Get(), "missing", buffer, kCapacity));
    EXPECT_STREQ("", buffer);
}

TEST_F(Registry, DeleteKeyTreeRemovesEveryLevelAndNothingBeside) {
    const std::string tree = kScratch + "\\Tree";
    for (const std::string& path : {tree + "\\A\\B\\C", tree + "\\A\\B2", tree + "\\D"}) {
        SetIntValue(HKEY_CURRENT_USER, path, "v", 1);
        SetIntValue(HKEY_CURRENT_USER, path + "\\..", "w", 1);
    }
    SetIntValue(HKEY_CURRENT_USER, tree, "top", 1);
    SetIntValue(HKEY_CURRENT_USER, kScratch + "\\TreeSibling", "v", 1);

    EXPECT_TRUE(ktray::DeleteKeyTree(HKEY_CURRENT_USER, tree.c_str()));
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, tree));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, kScratch));
    EXPECT_EQ(1, GetIntValue(HKEY_CURRENT_USER, kScratch + "\\TreeSibling", "v"));

    EXPECT_TRUE(ktray::DeleteKeyTree(HKEY_CURRENT_USER, tree.c_str())) << "already gone";
    EXPECT_FALSE(ktray::DeleteKeyTree(HKEY_CURRENT_USER, "")) << "never the root";
}

TEST(BuildTitle, WellFormedDates) {
    const struct {
        const char* version;
        const char* title;
    } cases[] = {
        {"3/8/7", "Kestrel4 Build 3.08.07"},
        {"12/25/103", "Kestrel4 Build 12.25.103"},
        {"0/0/0", "Kestrel4 Build 0.00.00"},
        {"003/08/07", "Kestrel4 Build 3.08.07"},
        {"99999/99999/99999", "Kestrel4 Build 99999.99999.99999"},
        // Read as a "%d/%d/%d" scan reads it: blanks and a sign before a number, anything after
        // the third.
        {" 3/8/7", "Kestrel4 Build 3.08.07"},
        {"3/8/7 ", "Kestrel4 Build 3.08.07"},
        {"3/8/7x", "Kestrel4 Build 3.08.07"},
        {"3/8/7/1", "Kestrel4 Build 3.08.07"},
        {"+3/8/7", "Kestrel4 Build 3.08.07"},
        {"3/\t+8/ 7", "Kestrel4 Build 3.08.07"},
        {"-0/8/7", "Kestrel4 Build 0.08.07"},
    };
    for (const auto& c : cases) {
        char title[64] = "unchanged";
        EXPECT_TRUE(ktray::FormatBuildTitle(c.version, title, sizeof title)) << c.version;
        EXPECT_STREQ(c.title, title) << c.version;
    }
}

TEST(BuildTitle, MalformedDatesLeaveTheTitle) {
    const char* const cases[] = {
        "", "3", "3/8", "3/8/", "/8/7", "3//7", "3.8.7", "-3/8/7", "3/-8/7", "3 /8/7",
        "+/8/7", "3/8/- 7", "a/b/c", "100000/1/1", "1/1/100000", "4294967299/1/1",
        "99999999999999999999/1/1",
    };
    for (const char* version : cases) {
        char title[64] = "unchanged";
        EXPECT_FALSE(ktray::FormatBuildTitle(version, title, sizeof title))
            << '"' << version << '"';
        EXPECT_STREQ("unchanged", title) << '"' << version << '"';
    }
}

TEST(BuildTitle, TitleThatDoesNotFitLeavesTheBuffer) {
    char title[32];
    std::memset(title, '#', sizeof title);
    // "Kestrel4 Build 12.25.103" is 24 characters and its zero.
    EXPECT_FALSE(ktray::FormatBuildTitle("12/25/103", title, 24));
    for (char c : title) ASSERT_EQ('#', c);
    EXPECT_TRUE(ktray::FormatBuildTitle("12/25/103", title, 25));
    EXPECT_STREQ("Kestrel4 Build 12.25.103", title);
}

}  // namespace
