// InitDrv and OpenDriver against Wine's real service manager and registry: the driver file
// copied, the service key rewritten, the service running, the device opened; the slow path
// when the driver cannot start; nothing at all on Windows 9x.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "board_driver.h"
#include "driver_service.h"
#include "import_patch.h"
#include "kclk.h"
#include "library_state.h"
#include "message_box_catcher.h"
#include "win_handles.h"
#include "wow64_redirection.h"
#include "program_directory.h"

namespace {

namespace krdrv = testsupport::krdrv;
using Clock = std::chrono::steady_clock;
using Entry = int32_t(__cdecl*)();

constexpr char kOpenDriverText[] =
    "Failed to open Kestrel WinNT driver!\nPlease reboot,and install again!";

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

using testsupport::ProgramDirectory;

kclk::RegistryKey OpenServiceKey() {
    kclk::RegistryKey key;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kclk::kDriverServiceKey, 0, KEY_ALL_ACCESS, key.Receive());
    return key;
}

// The shipped kclk.dll, loaded from wherever it was put, so that its messages carry its own
// title and it looks for the driver file beside itself.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
    ~LoadedLibrary() {
        if (module_) FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    bool Loaded() const { return module_ != nullptr; }
    Entry Get(const char* name) const {
        return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

// Stops the service and removes its file, so that nothing can start it.
void TakeDriverAway() {
    ASSERT_TRUE(krdrv::StopService());
    DeleteFileA(krdrv::InstalledFilePath().c_str());
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(krdrv::InstalledFilePath().c_str()));
}

constexpr char kDecoyService[] = "KRDrvDecoy";

void RemoveDecoyService() {
    kclk::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    kclk::ServiceHandle decoy(manager ? OpenServiceA(manager.Get(), kDecoyService, DELETE) : nullptr);
    if (decoy) DeleteService(decoy.Get());
}

// Other test programs in the prefix use the service: it is left running with this build's file.
class RestoreDriver : public testing::Environment {
public:
    void TearDown() override {
        if (ScanOSInfo() <= kclk::kOsWinMe) return;
        RemoveDecoyService();
        if (!krdrv::InstalledFileIsCurrent()) krdrv::StopService();
        if (krdrv::ServiceState() != SERVICE_RUNNING) InitDrv();
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), krdrv::ServiceState());
        EXPECT_TRUE(krdrv::InstalledFileIsCurrent());
    }
};
const auto* const g_restore = testing::AddGlobalTestEnvironment(new RestoreDriver);

class DriverInstall : public testing::Test {
protected:
    void SetUp() override {
        const int32_t kind = ScanOSInfo();
        ASSERT_TRUE(kind == kclk::kOsWinXp || kind == kclk::kOsWin52) << "kind " << kind;
    }
    void TearDown() override {
        kclk::FileHandle opened(kclk::State().DeviceHandle);
        kclk::State().DeviceHandle = nullptr;
    }
    testsupport::MessageBoxCatcher catcher_;
};

TEST_F(DriverInstall, InstallsTheFileRegistersAndStartsTheService) {
    TakeDriverAway();

    EXPECT_EQ(1, InitDrv());
    EXPECT_EQ(1, kclk::DriverStartAttemptsMade());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), krdrv::ServiceState());
    EXPECT_TRUE(krdrv::InstalledFileIsCurrent()) << krdrv::InstalledFilePath();
    EXPECT_TRUE(catcher_.Messages().empty());

    kclk::RegistryKey key = OpenServiceKey();
    ASSERT_TRUE(key);
    const struct { const char* name; DWORD value; } kDwords[] = {
        {"ErrorControl", 1}, {"Start", 2}, {"Type", 1}};
    for (const auto& expected : kDwords) {
        DWORD type = 0, value = 0, size = sizeof(value);
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), expected.name, nullptr, &type,
                                                  reinterpret_cast<BYTE*>(&value), &size))
            << expected.name;
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << expected.name;
        EXPECT_EQ(sizeof(DWORD), size) << expected.name;
        EXPECT_EQ(expected.value, value) << expected.name;
    }
    for (const char* removed : {"ImagePath", "DisplayName", "DependOnGroup", "DependOnService"})
        EXPECT_EQ(ERROR_FILE_NOT_FOUND,
                  RegQueryValueExA(key.Get(), removed, nullptr, nullptr, nullptr, nullptr))
            << removed;

    // The device is there even though the key no longer names the image.
    EXPECT_EQ(1, OpenDriver());
}

TEST_F(DriverInstall, RunningServiceTakesOneShortAttempt) {
    if (krdrv::ServiceState() != SERVICE_RUNNING) {
        ASSERT_EQ(1, InitDrv());
    }
    const auto start = Clock::now();
    EXPECT_EQ(1, InitDrv());
    const long long elapsed = MillisecondsSince(start);
    EXPECT_EQ(1, kclk::DriverStartAttemptsMade());
    EXPECT_GE(elapsed, 300) << "200 ms after deleting the key, 100 ms per attempt";
    EXPECT_LT(elapsed, 1500) << "no start, no polling";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), krdrv::ServiceState());
    EXPECT_TRUE(catcher_.Messages().empty());
}

TEST_F(DriverInstall, OpenDriverTwiceKeepsTheSecondHandleAndClosesTheFirst) {
    if (krdrv::ServiceState() != SERVICE_RUNNING) {
        ASSERT_EQ(1, InitDrv());
    }
    ASSERT_EQ(1, OpenDriver());
    const HANDLE first = kclk::State().DeviceHandle;
    ASSERT_EQ(1, OpenDriver());
    const HANDLE second = kclk::State().DeviceHandle;
    EXPECT_NE(first, second);
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(first, &flags)) << "the replaced handle is closed";
    EXPECT_TRUE(GetHandleInformation(second, &flags));
    EXPECT_TRUE(catcher_.Messages().empty());
}

TEST_F(DriverInstall, NoDriverBesideTheLibraryMeansTwentySilentAttempts) {
    char temp[MAX_PATH] = {};
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    const std::string directory =
        std::string(temp) + "kclk-alone-" + std::to_string(GetCurrentProcessId());
    const std::string library = directory + "\\kclk.dll";
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((ProgramDirectory() + "kclk.dll").c_str(), library.c_str(), FALSE));
    TakeDriverAway();
    {
        LoadedLibrary kclkAlone(library);
        ASSERT_TRUE(kclkAlone.Loaded());
        const Entry initDrv = kclkAlone.Get("InitDrv");
        const Entry openDriver = kclkAlone.Get("OpenDriver");
        ASSERT_TRUE(initDrv && openDriver);

        const auto start = Clock::now();
        EXPECT_EQ(1, initDrv());
        const long long elapsed = MillisecondsSince(start);
        std::printf("InitDrv with no driver file: %lld ms for %d attempts\n", elapsed,
                    kclk::kDriverStartAttempts);
        RecordProperty("twenty_attempts_ms", static_cast<int>(elapsed));
        EXPECT_GE(elapsed, kclk::kDriverStartAttempts * 300 - 100);
        // Each attempt sleeps 300 ms; one that reached the service's polling would sleep at
        // least a second more. The margin between them also holds under an emulator.
        EXPECT_LT(elapsed, kclk::kDriverStartAttempts * (300 + 1000)) << "no start reached polling";
        Sleep(200);
        EXPECT_TRUE(catcher_.Messages().empty()) << catcher_.Messages()[0].text;
        EXPECT_NE(static_cast<DWORD>(SERVICE_RUNNING), krdrv::ServiceState());

        EXPECT_EQ(0, openDriver());
        const auto messages = catcher_.Messages();
        ASSERT_EQ(1u, messages.size());
        EXPECT_EQ("OpenDriver", messages[0].caption);
        EXPECT_EQ(kOpenDriverText, messages[0].text);
        EXPECT_FALSE(messages[0].hasIcon);
    }
    DeleteFileA(library.c_str());
    RemoveDirectoryA(directory.c_str());
}

// A service whose display name is "KRDrv" keeps the library from creating its own: the one
// framework message that Wine lets a test provoke.
TEST_F(DriverInstall, ServiceThatCannotBeCreatedShowsTheFrameworkMessage) {
    ASSERT_TRUE(krdrv::StopService());
    kclk::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(manager);
    {
        kclk::ServiceHandle service(OpenServiceA(manager.Get(), "KRDrv", DELETE));
        if (service) DeleteService(service.Get());
    }
    struct Remover {
        ~Remover() { RemoveDecoyService(); }
    } remover;
    kclk::ServiceHandle decoy(CreateServiceA(
        manager.Get(), kDecoyService, "KRDrv", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
        SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, "C:\\windows\\system32\\drivers\\none.sys",
        nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(decoy) << GetLastError();
    {
        LoadedLibrary shipped(ProgramDirectory() + "kclk.dll");
        ASSERT_TRUE(shipped.Loaded());
        EXPECT_EQ(0, shipped.Get("InitDrv")());
        Sleep(200);
        const auto messages = catcher_.Messages();
        ASSERT_EQ(1u, messages.size());
        EXPECT_EQ("kclk", messages[0].caption);
        EXPECT_EQ("Could not install driver with Service Control Manager", messages[0].text);
        EXPECT_TRUE(messages[0].hasIcon);
    }
    decoy.Close();
    RemoveDecoyService();
    catcher_.Clear();
    EXPECT_EQ(1, InitDrv());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), krdrv::ServiceState());
}

// Kernel32 as Windows 95, NT 4 and 2000 have it: no way to turn WOW64 redirection off.
using GetProcAddressFn = FARPROC(WINAPI*)(HMODULE, LPCSTR);
GetProcAddressFn g_realGetProcAddress = nullptr;
FARPROC WINAPI GetProcAddressWithoutRedirectionControl(HMODULE module, LPCSTR name) {
    if (HIWORD(name) && std::string(name).rfind("Wow64", 0) == 0 &&
        std::string(name).find("FsRedirection") != std::string::npos)
        return nullptr;
    return g_realGetProcAddress(module, name);
}

TEST(DriverPaths, SixtyFourBitWindowsGetsItsOwnFileAndDirectory) {
    const struct { int32_t kind; const char* file; } kFiles[] = {
        {kclk::kOsNt351, "KrDrv.W32"}, {kclk::kOsNt4, "KrDrv.W32"},
        {kclk::kOsWin2000, "KrDrv.W32"}, {kclk::kOsWinXp, "KrDrv.W32"},
        {kclk::kOsWin52Wow64, "KrDrv.A64"}, {kclk::kOsWin52, "KrDrv.W32"},
        {kclk::kOsUnrecognised, "KrDrv.W32"}};
    for (const auto& row : kFiles) EXPECT_STREQ(row.file, kclk::DriverFileName(row.kind)) << row.kind;

    char windows[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    kclk::PathText directory, installed;
    // The native system directory, named as a 32-bit process names its own: InitDrv copies into
    // it with redirection off.
    ASSERT_TRUE(kclk::Wow64RedirectionControllable()) << "Wine's Kernel32 has the functions";
    for (int32_t kind : {kclk::kOsWinXp, kclk::kOsWin52Wow64, kclk::kOsWin52}) {
        ASSERT_TRUE(kclk::DriverSystemDirectory(kind, directory));
        EXPECT_STREQ(system, directory.c_str()) << "kind " << kind;
    }
    // Without the functions, the Windows directory followed by "\SYSWOW64".
    g_realGetProcAddress = reinterpret_cast<GetProcAddressFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("Kernel32"), "GetProcAddress")));
    {
        testsupport::ImportPatch patch(nullptr, "KERNEL32.dll", "GetProcAddress",
                                       reinterpret_cast<void*>(GetProcAddressWithoutRedirectionControl));
        ASSERT_TRUE(patch.Active());
        EXPECT_FALSE(kclk::Wow64RedirectionControllable());
        kclk::Wow64RedirectionOff off;
        EXPECT_FALSE(off.Off());
        ASSERT_TRUE(kclk::DriverSystemDirectory(kclk::kOsWin52Wow64, directory));
        EXPECT_EQ(std::string(windows) + "\\SYSWOW64", directory.c_str());
        ASSERT_TRUE(kclk::DriverSystemDirectory(kclk::kOsWin52, directory));
        EXPECT_STREQ(system, directory.c_str());
    }
    ASSERT_TRUE(kclk::DriverSystemDirectory(kclk::kOsWin52Wow64, directory));
    EXPECT_STREQ(system, directory.c_str()) << "the functions are back";

    // A directory so long that the driver's path would not fit a path buffer is refused.
    ASSERT_TRUE(kclk::InstalledDriverPath(directory, installed));
    EXPECT_EQ(std::string(system) + "\\Drivers\\KRDrv.sys", installed.c_str());
    const kclk::PathText longDirectory(std::string(250, 'x').c_str());
    ASSERT_TRUE(longDirectory.Fits());
    EXPECT_FALSE(kclk::InstalledDriverPath(longDirectory, installed));
    EXPECT_EQ(std::string(system) + "\\Drivers\\KRDrv.sys", installed.c_str())
        << "left as it was";
}

bool g_wow64Asked = false;
bool Wow64Yes() { g_wow64Asked = true; return true; }
bool Wow64No() { g_wow64Asked = true; return false; }

// A 64-bit Windows newer than 5.2 (kind 0 under WOW64) gets nothing installed; everywhere else
// the driver path installs as before. Runs on the NT platform, where kind 0 takes that path.
TEST(DriverInstallDecision, NothingForNewer64BitWindows) {
    ASSERT_TRUE(kclk::UsesDriverPath(kclk::kOsUnrecognised)) << "needs the NT platform";
    const struct { int32_t kind; bool wow64; bool installs; bool asks; } cases[] = {
        {kclk::kOsUnrecognised, true, false, true},  {kclk::kOsUnrecognised, false, true, true},
        {kclk::kOsNt351, true, true, false},         {kclk::kOsNt4, false, true, false},
        {kclk::kOsWinXp, true, true, false},         {kclk::kOsWin52Wow64, true, true, false},
        {kclk::kOsWin52, false, true, false},        {kclk::kOsWin9x, true, false, false},
        {kclk::kOsWinMe, true, false, false}};
    for (const auto& c : cases) {
        g_wow64Asked = false;
        EXPECT_EQ(c.installs, kclk::InstallsDriver(c.kind, c.wow64 ? Wow64Yes : Wow64No))
            << "kind " << c.kind << (c.wow64 ? " under WOW64" : "");
        EXPECT_EQ(c.asks, g_wow64Asked) << "kind " << c.kind;
    }
}

// Windows 9x: the library triggers the firmware itself and installs nothing.
TEST(Win9xInitDrv, ReturnsOneAndTouchesNeitherRegistryNorFiles) {
    const int32_t kind = ScanOSInfo();
    ASSERT_TRUE(kind == kclk::kOsWin9x || kind == kclk::kOsWinMe) << "kind " << kind;

    // A marker value in the service key would vanish with the key; the file keeps its time.
    kclk::RegistryKey key = OpenServiceKey();
    const DWORD marker = 0x4B52;
    if (key) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), "KitMarker", 0, REG_DWORD,
                                                reinterpret_cast<const BYTE*>(&marker),
                                                sizeof(marker)));
    }
    WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
    const std::string file = krdrv::InstalledFilePath();
    const bool fileExists = GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &before);
    testsupport::MessageBoxCatcher catcher;

    const auto start = Clock::now();
    EXPECT_EQ(1, InitDrv());
    EXPECT_LT(MillisecondsSince(start), 100) << "no attempt, no sleeping";
    EXPECT_EQ(kind, kclk::State().OsKind);
    EXPECT_EQ(0, kclk::DriverStartAttemptsMade());

    kclk::RegistryKey keyAfter = OpenServiceKey();
    EXPECT_EQ(static_cast<bool>(key), static_cast<bool>(keyAfter));
    if (key && keyAfter) {
        DWORD value = 0, size = sizeof(value);
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(keyAfter.Get(), "KitMarker", nullptr, nullptr,
                                                  reinterpret_cast<BYTE*>(&value), &size));
        RegDeleteValueA(keyAfter.Get(), "KitMarker");
    }
    EXPECT_EQ(fileExists, GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &after) != 0);
    if (fileExists) {
        EXPECT_EQ(0, CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime));
    }
    EXPECT_TRUE(catcher.Messages().empty());
}

}  // namespace
