// InitDrv and OpenDriver: on the NT family the library copies its port driver into the system's
// driver directory, registers it as an automatically started kernel-driver service, starts it
// and opens its device. Nothing is installed on Windows 9x, where the library triggers the
// firmware itself.
#include "driver_service.h"

#include <windows.h>
#include <commctrl.h>
#include <winsvc.h>

#include "kclk.h"
#include "library_state.h"
#include "messages.h"
#include "win_handles.h"

namespace kclk {

namespace {

constexpr DWORD kManagerAccess = 0xF003F;  // SC_MANAGER_ALL_ACCESS
constexpr DWORD kServiceAccess = 0xF01FF;  // SERVICE_ALL_ACCESS
constexpr DWORD kPathCapacity = MAX_PATH;  // the library's path buffers

int g_attemptsMade = 0;

// Where the driver is installed. Shown by every routine that needs the system directory and
// cannot get it (or could not fit the driver's path after it).
bool InstalledPathOrMessage(PathText& path) {
    PathText directory;
    if (DriverSystemDirectory(State().OsKind, directory) && InstalledDriverPath(directory, path))
        return true;
    ShowPlainMessage("Could not find Windows system directory", "Error");
    return false;
}

ServiceHandle OpenManagerOrMessage() {
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, kManagerAccess));
    if (!manager) ShowLibraryMessage("Could not open Service Control Manager");
    return manager;
}

bool SetDwordValue(HKEY key, const char* name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

// Asks the service for its state; false when it could not say.
bool ReportsRunning(SC_HANDLE service) {
    SERVICE_STATUS status{};
    return ControlService(service, SERVICE_CONTROL_INTERROGATE, &status) &&
           status.dwCurrentState == SERVICE_RUNNING;
}

// The service key is rebuilt on every attempt, so that a broken registration (a stale image
// path, a dependency on something absent) cannot keep the driver from loading.
bool WriteServiceKey() {
    RegistryKey key;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDriverServiceKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.Receive(), &disposition) != ERROR_SUCCESS) {
        ShowLibraryMessage("Could not create driver registry key");
        return false;
    }
    static const char* const kDeletedValues[] = {"ImagePath", "DisplayName", "DependOnGroup",
                                                  "DependOnService"};
    for (const char* name : kDeletedValues)
        RegDeleteValueA(key.Get(), name);  // a missing value is no error
    if (!SetDwordValue(key.Get(), "ErrorControl", SERVICE_ERROR_NORMAL)) {
        ShowLibraryMessage("Could not create driver registry value ErrorControl");
        return false;
    }
    if (!SetDwordValue(key.Get(), "Start", SERVICE_AUTO_START)) {
        ShowLibraryMessage("Could not create driver registry value Start");
        return false;
    }
    if (!SetDwordValue(key.Get(), "Type", SERVICE_KERNEL_DRIVER)) {
        ShowLibraryMessage("Could not create driver registry value Type");
        return false;
    }
    return true;
}

}  // namespace

const char* DriverFileName(int32_t osKind) {
    return osKind == kOsWin52Wow64 ? "KrDrv.A64" : "KrDrv.W32";
}

bool DriverSystemDirectory(int32_t osKind, PathText& directory) {
    char path[kPathCapacity] = {};
    const bool wow64 = osKind == kOsWin52Wow64;
    const UINT length = wow64 ? GetWindowsDirectoryA(path, kPathCapacity)
                              : GetSystemDirectoryA(path, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) return false;  // failed, or did not fit
    PathText result(path);
    if (wow64) result.Append("\\SYSWOW64");
    if (!result.Fits()) return false;
    directory = result;
    return true;
}

bool InstalledDriverPath(const PathText& systemDirectory, PathText& path) {
    PathText result(systemDirectory.c_str());
    result.Append("\\Drivers\\").Append(kDriverServiceName).Append(".sys");
    if (!result.Fits()) return false;
    path = result;
    return true;
}

int DriverStartAttemptsMade() { return g_attemptsMade; }

int32_t InstallDriverService(const char* serviceName) {
    PathText driverPath;
    if (!InstalledPathOrMessage(driverPath)) return 0;

    ServiceHandle manager = OpenManagerOrMessage();
    if (!manager) return 0;
    ServiceHandle service(OpenServiceA(manager.Get(), serviceName, kServiceAccess));
    if (!service) {
        service.Reset(CreateServiceA(manager.Get(), serviceName, serviceName, kServiceAccess,
                                     SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START,
                                     SERVICE_ERROR_NORMAL, driverPath.c_str(), nullptr, nullptr,
                                     nullptr, nullptr, nullptr));
        if (!service) {
            ShowLibraryMessage("Could not install driver with Service Control Manager");
            return 0;
        }
    }
    return 1;
}

int32_t StartDriverService(const char* serviceName) {
    // Only the check: without a system directory there is nothing installed to start.
    PathText driverPath;
    if (!InstalledPathOrMessage(driverPath)) return 0;

    ServiceHandle manager = OpenManagerOrMessage();
    if (!manager) return 0;
    ServiceHandle service(OpenServiceA(manager.Get(), serviceName, kServiceAccess));
    if (!service) {
        ShowLibraryMessage("Could not open driver service");
        return 0;
    }
    if (ReportsRunning(service.Get())) return 1;
    if (!StartServiceA(service.Get(), 0, nullptr)) return 0;
    for (int poll = 0; poll < 10; ++poll) {
        Sleep(1000);
        if (ReportsRunning(service.Get())) return 1;
    }
    return 0;
}

}  // namespace kclk

extern "C" int32_t __cdecl InitDrv(void) {
    using namespace kclk;
    InitCommonControls();
    const ModulePathText moduleDirectory = OwnModuleDirectory();
    LibraryState& state = State();
    state.OsKind = ScanOSInfo();
    g_attemptsMade = 0;
    // The same test the gateway makes: wherever requests go to the driver, it is installed.
    if (!UsesDriverPath(state.OsKind)) return 1;

    for (int attempt = 0; attempt < kDriverStartAttempts; ++attempt) {
        ++g_attemptsMade;
        {
            RegistryKey existing;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDriverServiceKey, 0, KEY_READ,
                              existing.Receive()) == ERROR_SUCCESS) {
                existing.Close();
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, kDriverServiceKey);  // a key with subkeys stays
                RegFlushKey(HKEY_LOCAL_MACHINE);
                Sleep(200);
            }
        }
        Sleep(100);

        PathText driverPath;
        if (!InstalledPathOrMessage(driverPath)) return 0;
        // Without its own directory the library cannot name the file it ships; copying a
        // relative name would install whatever lies in the current directory.
        PathText source(moduleDirectory.c_str());
        source.Append(DriverFileName(state.OsKind));
        if (moduleDirectory.size() != 0 && source.Fits())
            CopyFileA(source.c_str(), driverPath.c_str(), FALSE);
        if (!InstallDriverService(kDriverServiceName)) return 0;
        if (!WriteServiceKey()) return 0;
        if (StartDriverService(kDriverServiceName)) return 1;
    }
    // The failure shows up when OpenDriver cannot open the device.
    return 1;
}

extern "C" int32_t __cdecl OpenDriver(void) {
    using namespace kclk;
    LibraryState& state = State();
    HANDLE device = CreateFileA(KCLK_DEVICE_PATH, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    // The handle this one replaces would otherwise stay open until the process ends.
    FileHandle replaced(state.DeviceHandle);
    state.DeviceHandle = device;
    if (device == INVALID_HANDLE_VALUE) {
        ShowPlainMessage("Failed to open Kestrel WinNT driver!\nPlease reboot,and install again!",
                         "OpenDriver");
        return 0;
    }
    return 1;
}
