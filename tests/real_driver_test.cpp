// The shipped KrDrv (bin\real) under Wine, installed for a while under the library's service in
// place of the stand-in: it starts, finds no firmware tables (Wine maps no BIOS area), refuses
// every request cleanly, unloads while a handle is held, and kclkinfo on it reports that there
// is no tuning interface. The stand-in is put back afterwards. Run under WOW64 (the 64-bit
// prefix) the same checks meet the 64-bit builds.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "board_control.h"
#include "board_driver.h"
#include "child_run.h"
#include "firmware_requests.h"
#include "os_kind.h"
#include "smi_wire.h"
#include "win_handles.h"
#include "wow64_redirection.h"

namespace {

namespace krdrv = testsupport::krdrv;
using kclk::FileHandle;

constexpr uint8_t kSentinel = 0xCD;

// Under WOW64 the kernel runs the 64-bit builds, from the native Drivers folder, which this
// 32-bit process reaches only with file-system redirection off.
const bool kWow64 = kclk::QueryWow64();

std::string DriverFileName() { return kWow64 ? "KrDrv.A64" : "KrDrv.W32"; }
std::string StandInPath() { return testsupport::ProgramDirectory() + DriverFileName(); }
std::string RealBuildPath() {
    return testsupport::ProgramDirectory() + "real\\" + DriverFileName();
}

std::vector<uint8_t> InstalledBytes() {
    kclk::Wow64RedirectionOff off;
    if (kWow64 && !off.Off()) return {};
    return krdrv::ReadFileBytes(krdrv::InstalledFilePath());
}

// Stops the service, puts this file in the installed one's place and starts it again.
bool RunDriverFile(const std::string& source) {
    if (!krdrv::StopService()) return false;
    {
        kclk::Wow64RedirectionOff off;
        if (kWow64 && !off.Off()) return false;
        if (!CopyFileA(source.c_str(), krdrv::InstalledFilePath().c_str(), FALSE)) return false;
    }
    return krdrv::StartService();
}

// The real build runs for the tests of this program; the stand-in runs again afterwards.
class RealDriverInstalled : public testing::Environment {
public:
    void SetUp() override {
        ASSERT_FALSE(krdrv::ReadFileBytes(RealBuildPath()).empty()) << RealBuildPath();
        ASSERT_TRUE(RunDriverFile(RealBuildPath()));
        ASSERT_TRUE(krdrv::ReadFileBytes(RealBuildPath()) == InstalledBytes());
    }
    void TearDown() override {
        EXPECT_TRUE(RunDriverFile(StandInPath()));
        const std::vector<uint8_t> standIn = krdrv::ReadFileBytes(StandInPath());
        EXPECT_TRUE(!standIn.empty() && standIn == InstalledBytes()) << "the stand-in is back";
    }
};
const auto* const g_installed = testing::AddGlobalTestEnvironment(new RealDriverInstalled);

FileHandle OpenGateway() {
    return FileHandle(CreateFileA(KCLK_DEVICE_PATH, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
}

// The Win32 error a status becomes, as the system maps it.
DWORD ErrorOf(LONG status) {
    using Map = ULONG(WINAPI*)(LONG);
    const auto map = reinterpret_cast<Map>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlNtStatusToDosError")));
    return map ? map(status) : 0;
}

// Sends with a separate, sentinel-filled output buffer; false with the error when refused.
bool Send(HANDLE device, uint32_t code, DWORD inLength, DWORD outLength,
          std::vector<uint8_t>& out, DWORD& returned, DWORD& error) {
    std::vector<uint8_t> in(inLength ? inLength : 1, 0);
    SmiRegisterBlock block{};
    block.SmiPort = 0xB2;
    block.SmiCommand = 0xEF;
    std::memcpy(in.data(), &block, std::min<size_t>(sizeof(block), in.size()));
    out.assign(64, kSentinel);
    returned = 0x5A5A;
    SetLastError(0);
    const BOOL ok = DeviceIoControl(device, code, inLength ? in.data() : nullptr, inLength,
                                    outLength ? out.data() : nullptr, outLength, &returned, nullptr);
    error = ok ? 0 : GetLastError();
    return ok != FALSE;
}

DWORD BlockSize(uint32_t code) {
    return code == KCLK_IOCTL_SMART_FAN_CHECK || code == KCLK_IOCTL_SMART_FAN_ON ||
                   code == KCLK_IOCTL_SMART_FAN_OFF
               ? 52
               : 48;
}

bool AllSentinel(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes)
        if (b != kSentinel) return false;
    return true;
}

TEST(RealDriver, IsTheShippedBuildWithoutAControlDevice) {
    EXPECT_TRUE(OpenGateway());
    const FileHandle control(CreateFileA(BOARD_CONTROL_DEVICE_PATH, GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(control) << "the stand-in's control device is still there";
}

// The device has no namespace: a name below it is refused, whoever asks (Wine's object manager
// refuses it before the driver; the host tests show the driver's own refusal), and the device
// itself still opens (Wine passes no security context, so the driver asks nothing more).
TEST(RealDriver, RefusesANameBelowTheDevice) {
    // "\\.\GpdDev\" (a name of one backslash) is refused on Windows; Wine hands the driver
    // no name for it, so only the host tests see that case.
    for (const char* path : {"\\\\.\\GpdDev\\x", "\\\\.\\GpdDev\\GpdDev"}) {
        const FileHandle named(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(named) << path << " opened";
    }
    EXPECT_TRUE(OpenGateway());
}

TEST(RealDriver, WithoutFirmwareTablesRefusesEveryRequestCleanly) {
    const FileHandle device = OpenGateway();
    ASSERT_TRUE(device);
    std::set<uint32_t> codes;
    for (const kclk::FirmwareRequest& row : kclk::kFirmwareRequests) codes.insert(row.controlCode);
    struct Row { uint32_t code; DWORD in, out, error; };
    std::vector<Row> rows;
    for (uint32_t code : codes) {
        const DWORD size = BlockSize(code);
        rows.push_back({code, size, size, ErrorOf(static_cast<LONG>(0xC000000E))});  // no device
        rows.push_back({code, size - 1, size, ERROR_INVALID_PARAMETER});
        rows.push_back({code, size, 64, ERROR_INVALID_PARAMETER});
    }
    rows.push_back({0x9C402568, 48, 48, ERROR_INVALID_FUNCTION});
    rows.push_back({BOARD_IOCTL_GET_INFO, 0, sizeof(BoardInfo), ERROR_INVALID_FUNCTION});
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.code << std::dec << " " << row.in
                                        << "/" << row.out);
        std::vector<uint8_t> out;
        DWORD returned = 0, error = 0;
        EXPECT_FALSE(Send(device.Get(), row.code, row.in, row.out, out, returned, error));
        EXPECT_EQ(row.error, error);
        EXPECT_TRUE(AllSentinel(out));
        EXPECT_EQ(0x5A5Au, returned) << "byte count untouched";
    }
}

// Stop with a handle still open, a request on it, then start again: the old handle's request
// fails without a hang, and the driver comes back.
TEST(RealDriver, StopsWithAHandleHeldAndStartsAgain) {
    for (int cycle = 0; cycle < 3; ++cycle) {
        SCOPED_TRACE(cycle);
        FileHandle held = OpenGateway();
        ASSERT_TRUE(held);
        ASSERT_TRUE(krdrv::StopService());
        EXPECT_FALSE(OpenGateway()) << "unloaded: the link is gone";
        std::vector<uint8_t> out;
        DWORD returned = 0, error = 0;
        const DWORD start = GetTickCount();
        EXPECT_FALSE(Send(held.Get(), 0x9C402550, 48, 48, out, returned, error));
        EXPECT_LT(GetTickCount() - start, 5000u);
        EXPECT_TRUE(AllSentinel(out));
        held.Reset();
        ASSERT_TRUE(krdrv::StartService());
        EXPECT_TRUE(OpenGateway());
    }
}

TEST(RealDriver, KclkinfoReportsNoTuningInterface) {
    // A program directory as a user would have it: the library, the tool and the shipped
    // driver files side by side.
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string directory = std::string(temp) + "kclk_real_driver\\";
    CreateDirectoryA(directory.c_str(), nullptr);
    const std::string built = testsupport::ProgramDirectory();
    const struct { std::string from, to; } kFiles[] = {
        {built + "kclk.dll", "kclk.dll"}, {built + "kclkinfo.exe", "kclkinfo.exe"},
        {built + "real\\KrDrv.W32", "KrDrv.W32"}, {built + "real\\KrDrv.A64", "KrDrv.A64"}};
    for (const auto& file : kFiles)
        ASSERT_TRUE(CopyFileA(file.from.c_str(), (directory + file.to).c_str(), FALSE)) << file.to;

    const DWORD start = GetTickCount();
    const testsupport::ChildRun run =
        testsupport::RunChild(directory + "kclkinfo.exe", "", directory, 60000);
    ASSERT_TRUE(run.finished) << "kclkinfo hung (a message box?) or crashed";
    EXPECT_EQ(2u, run.exitCode) << run.out << run.err;
    EXPECT_NE(std::string::npos, run.out.find("the tuning interface is not available")) << run.out;
    EXPECT_LT(GetTickCount() - start, 30000u);
    EXPECT_TRUE(krdrv::ReadFileBytes(RealBuildPath()) == InstalledBytes())
        << "kclkinfo installed the shipped driver";
    for (const auto& file : kFiles) DeleteFileA((directory + file.to).c_str());
    RemoveDirectoryA(directory.c_str());
}

}  // namespace
