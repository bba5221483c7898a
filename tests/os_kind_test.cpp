// ScanOSInfo as each Windows version reports itself, and the classification's corner cases.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "kclk.h"
#include "library_state.h"
#include "os_kind.h"

namespace {

std::string g_windows;  // --windows=<name>, the version this copy of the program runs as

struct VersionCase {
    DWORD platform, major, minor;
    int32_t expected;
};

OSVERSIONINFOA Version(DWORD platform, DWORD major, DWORD minor) {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof(v);
    v.dwPlatformId = platform;
    v.dwMajorVersion = major;
    v.dwMinorVersion = minor;
    return v;
}

bool g_wow64Asked = false;
bool Wow64Yes() { g_wow64Asked = true; return true; }
bool Wow64No() { g_wow64Asked = true; return false; }

TEST(ScanOSInfo, ReportsTheKindOfTheRunningWindows) {
    const std::map<std::string, int32_t> expected = {
        {"win95", 1}, {"win98", 1}, {"winme", 2}, {"nt40", 4},
        {"win2k", 5}, {"winxp", 6}, {"win2003", 8}};
    ASSERT_TRUE(expected.count(g_windows)) << "run with --windows=<version>, got '" << g_windows << "'";
    EXPECT_EQ(expected.at(g_windows), ScanOSInfo()) << "running as " << g_windows;
}

TEST(ScanOSInfo, HasNoSideEffectOnTheLibraryState) {
    ScanOSInfo();
    EXPECT_EQ(0, kclk::State().OsKind);
    EXPECT_EQ(0, kclk::State().InterfaceMode);
}

TEST(ClassifyWindows, KnownAndUnknownVersions) {
    const VersionCase cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 1},   // 95
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1},  // 98 and 98 SE
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 2},  // Me
        {VER_PLATFORM_WIN32_WINDOWS, 4, 3, 0},   // a 9x minor version nobody shipped
        {VER_PLATFORM_WIN32_WINDOWS, 7, 10, 1},  // the 9x major version is not tested
        {VER_PLATFORM_WIN32s, 3, 10, 0},
        {VER_PLATFORM_WIN32_NT, 3, 51, 3},
        {VER_PLATFORM_WIN32_NT, 4, 0, 4},
        {VER_PLATFORM_WIN32_NT, 5, 0, 5},
        {VER_PLATFORM_WIN32_NT, 5, 1, 6},
        {VER_PLATFORM_WIN32_NT, 5, 3, 0},
        {VER_PLATFORM_WIN32_NT, 6, 0, 0},        // Vista and later are not known
        {VER_PLATFORM_WIN32_NT, 10, 0, 0},
        {3, 5, 1, 0},                            // a platform id nobody knows
    };
    for (const auto& c : cases) {
        g_wow64Asked = false;
        EXPECT_EQ(c.expected, kclk::ClassifyWindows(Version(c.platform, c.major, c.minor), Wow64Yes))
            << "platform " << c.platform << " version " << c.major << "." << c.minor;
        EXPECT_FALSE(g_wow64Asked) << "WOW64 is asked about only for 5.2";
    }
}

TEST(ClassifyWindows, Version52DependsOnWow64) {
    EXPECT_EQ(7, kclk::ClassifyWindows(Version(VER_PLATFORM_WIN32_NT, 5, 2), Wow64Yes));
    EXPECT_EQ(8, kclk::ClassifyWindows(Version(VER_PLATFORM_WIN32_NT, 5, 2), Wow64No));
}

TEST(ClassifyWindows, ThisProcessIsNotUnderWow64) {
    // The test prefix is 32-bit Windows: the query finds IsWow64Process and answers no.
    EXPECT_FALSE(kclk::QueryWow64());
}

TEST(UsesDriverPath, NtFamilyAndUnknownNtVersionsTakeTheDriver) {
    for (int32_t kind = 3; kind <= 8; ++kind) EXPECT_TRUE(kclk::UsesDriverPath(kind)) << kind;
    EXPECT_FALSE(kclk::UsesDriverPath(1));
    EXPECT_FALSE(kclk::UsesDriverPath(2));
    const bool ntPlatform = (GetVersion() & 0x80000000u) == 0;
    EXPECT_EQ(ntPlatform, kclk::UsesDriverPath(0)) << "kind 0 on " << g_windows;
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--windows=", 0) == 0) g_windows = arg.substr(10);
    }
    return RUN_ALL_TESTS();
}
