// The port driver from a 32-bit process on 64-bit Windows. On version 5.2 the library installs
// KrDrv.A64 where the 64-bit kernel loads it, and WOW64 redirection is on again afterwards; on a
// newer 64-bit Windows it installs nothing and goes on at once.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "board_driver.h"
#include "driver_service.h"
#include "kclk.h"
#include "library_state.h"
#include "message_box_catcher.h"
#include "win_handles.h"
#include "wow64_redirection.h"
#include "program_directory.h"

namespace {

namespace krdrv = testsupport::krdrv;
using Clock = std::chrono::steady_clock;

constexpr char kOpenDriverText[] =
    "Failed to open Kestrel WinNT driver!\nPlease reboot,and install again!";

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

using testsupport::ProgramDirectory;

std::vector<uint8_t> ShippedA64() { return krdrv::ReadFileBytes(ProgramDirectory() + "KrDrv.A64"); }

// <system directory>\Drivers\KRDrv.sys names the native file only with redirection off.
std::vector<uint8_t> ReadNativeDriver() {
    kclk::Wow64RedirectionOff off;
    EXPECT_TRUE(off.Off());
    return krdrv::ReadFileBytes(krdrv::InstalledFilePath());
}

bool WriteNativeDriver(const std::vector<uint8_t>& bytes) {
    kclk::Wow64RedirectionOff off;
    kclk::FileHandle file(CreateFileA(krdrv::InstalledFilePath().c_str(), GENERIC_WRITE, 0,
                                      nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return off.Off() && file && WriteFile(file.Get(), bytes.data(), bytes.size(), &written, nullptr) &&
           written == bytes.size();
}

// Stops the service and removes its native file, so that nothing can start it.
void TakeDriverAway() {
    ASSERT_TRUE(krdrv::StopService());
    kclk::Wow64RedirectionOff off;
    ASSERT_TRUE(off.Off());
    DeleteFileA(krdrv::InstalledFilePath().c_str());
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(krdrv::InstalledFilePath().c_str()));
}

bool StartDriverService() {
    kclk::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    kclk::ServiceHandle service(manager ? OpenServiceA(manager.Get(), "KRDrv", SERVICE_START)
                                        : nullptr);
    if (!service || !StartServiceA(service.Get(), 0, nullptr)) return false;
    for (int wait = 0; wait < 50 && krdrv::ServiceState() != SERVICE_RUNNING; ++wait) Sleep(100);
    return krdrv::ServiceState() == SERVICE_RUNNING;
}

TEST(Win52Wow64, InstallsTheSixtyFourBitDriverWhereTheKernelLoadsIt) {
    ASSERT_EQ(kclk::kOsWin52Wow64, ScanOSInfo());
    ASSERT_FALSE(ShippedA64().empty());
    TakeDriverAway();
    testsupport::MessageBoxCatcher catcher;

    const auto start = Clock::now();
    EXPECT_EQ(4, Check_KRVer());
    const long long elapsed = MillisecondsSince(start);
    std::printf("Check_KRVer on 64-bit Windows 5.2, driver not installed before: %lld ms\n", elapsed);
    RecordProperty("check_krver_fresh_ms", static_cast<int>(elapsed));
    EXPECT_EQ(1, kclk::DriverStartAttemptsMade());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), krdrv::ServiceState());
    EXPECT_TRUE(ShippedA64() == ReadNativeDriver()) << "KrDrv.A64 in the native Drivers folder";
    // Redirection is on again: the same name now means the 32-bit system directory, where
    // nothing was copied.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(krdrv::InstalledFilePath().c_str()));
    EXPECT_TRUE(catcher.Messages().empty());

    uint16_t fsb = 0;
    EXPECT_EQ(0, ReturnCurrentCPUFSB(&fsb)) << "a request through the 64-bit driver";
    EXPECT_EQ(13333, fsb);
}

TEST(Win52Wow64, RunningDriverIsFoundInOneShortAttempt) {
    testsupport::MessageBoxCatcher catcher;
    if (krdrv::ServiceState() != SERVICE_RUNNING) {
        ASSERT_EQ(1, InitDrv());
    }
    const auto start = Clock::now();
    EXPECT_EQ(4, Check_KRVer());
    const long long elapsed = MillisecondsSince(start);
    std::printf("Check_KRVer on 64-bit Windows 5.2, driver running: %lld ms\n", elapsed);
    RecordProperty("check_krver_running_ms", static_cast<int>(elapsed));
    EXPECT_EQ(1, kclk::DriverStartAttemptsMade());
    EXPECT_LT(elapsed, 1500);
    EXPECT_TRUE(catcher.Messages().empty());
}

// Kind 0 under WOW64: a 64-bit Windows newer than 5.2. The service that the tests of 5.2 left
// running is started again at the end, for the next program in the prefix.
class NewerWow64Windows : public testing::Test {
protected:
    void TearDown() override {
        const std::vector<uint8_t> a64 = ShippedA64();
        if (krdrv::ServiceState() == 0 || a64.empty()) return;  // no service yet to restore
        EXPECT_TRUE(WriteNativeDriver(a64));
        EXPECT_TRUE(StartDriverService());
    }
};

TEST_F(NewerWow64Windows, InstallsNothingAndGoesOnAtOnce) {
    ASSERT_EQ(kclk::kOsUnrecognised, ScanOSInfo());
    ASSERT_TRUE(kclk::QueryWow64());
    TakeDriverAway();
    kclk::RegistryKey key;
    const bool keyExisted = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kclk::kDriverServiceKey, 0,
                                          KEY_ALL_ACCESS, key.Receive()) == ERROR_SUCCESS;
    const DWORD marker = 0x4B52;
    if (keyExisted) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), "KitMarker", 0, REG_DWORD,
                                                reinterpret_cast<const BYTE*>(&marker),
                                                sizeof(marker)));
    }
    testsupport::MessageBoxCatcher catcher;

    const auto start = Clock::now();
    EXPECT_EQ(3, Check_KRVer());
    const long long elapsed = MillisecondsSince(start);
    std::printf("Check_KRVer on a newer 64-bit Windows: %lld ms\n", elapsed);
    EXPECT_EQ(0, kclk::DriverStartAttemptsMade());
    EXPECT_LT(elapsed, 1000) << "no attempts to start a driver that cannot load";
    Sleep(200);
    const auto messages = catcher.Messages();
    ASSERT_EQ(1u, messages.size()) << "only OpenDriver's";
    EXPECT_EQ("OpenDriver", messages[0].caption);
    EXPECT_EQ(kOpenDriverText, messages[0].text);

    // Nothing was installed: the key and its marker are as they were, and no file was copied.
    kclk::RegistryKey after;
    EXPECT_EQ(keyExisted, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kclk::kDriverServiceKey, 0,
                                        KEY_ALL_ACCESS, after.Receive()) == ERROR_SUCCESS);
    if (keyExisted && after) {
        DWORD value = 0, size = sizeof(value);
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(after.Get(), "KitMarker", nullptr, nullptr,
                                                  reinterpret_cast<BYTE*>(&value), &size));
        RegDeleteValueA(after.Get(), "KitMarker");
    }
    EXPECT_TRUE(ReadNativeDriver().empty());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(krdrv::InstalledFilePath().c_str()));

    kclk::FileHandle opened(kclk::State().DeviceHandle);
    kclk::State().DeviceHandle = nullptr;
}

}  // namespace
