// InitDrv and OpenDriver: on the NT family the library copies its port driver into the system's
// driver directory, registers it as an automatically started kernel-driver service, starts it
// and opens its device. Nothing is installed on Windows 9x, where the library triggers the
// firmware itself, nor on a 64-bit Windows newer than 5.2, which would load neither driver.
#include "driver_service.h"

#include <windows.h>
#include <commctrl.h>
#include <winsvc.h>

#include "kclk.h"
#include "library_state.h"
#include "messages.h"
#include "win_handles.h"
#include "wow64_redirection.h"

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

bool CopyContents(HANDLE from, HANDLE to) {
    char buffer[4096];
    for (;;) {
        DWORD read = 0, written = 0;
        if (!ReadFile(from, buffer, sizeof(buffer), &read, nullptr)) return false;
        if (read == 0) return true;
        if (!WriteFile(to, buffer, read, &written, nullptr) || written != read) return false;
    }
}

// The 64-bit kernel loads the driver from the native system directory, which a 32-bit process
// reaches with WOW64 redirection off. The source is opened before that, as usual, so that a
// library kept in the system directory still reads its own file. (Should redirection stay on,
// the same name leads to SYSWOW64\Drivers, as where the functions are missing.)
bool CopyIntoNativeDirectory(const char* source, const char* destination) {
    FileHandle from(CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    if (!from) return false;
    Wow64RedirectionOff redirectionOff;
    FileHandle to(CreateFileA(destination, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!to) return false;
    if (CopyContents(from.Get(), to.Get())) return true;
    to.Close();
    DeleteFileA(destination);  // no half a driver for the next boot to load
    return false;
}

// Copies the shipped driver over the installed one; the result is not examined.
void CopyDriverFile(int32_t osKind, const char* source, const char* destination) {
    if (osKind == kOsWin52Wow64 && Wow64RedirectionControllable())
        CopyIntoNativeDirectory(source, destination);
    else
        CopyFileA(source, destination, FALSE);
}

}  // namespace

bool InstallsDriver(int32_t osKind, Wow64Query isWow64) {
    // The same test the gateway makes: wherever requests go to the driver, it is installed.
    if (!UsesDriverPath(osKind)) return false;
    // A 32-bit driver cannot load there and the 64-bit one is for 5.2 only: twenty attempts of a
    // service that can never start would only keep the caller waiting for OpenDriver's message.
    return !(osKind == kOsUnrecognised && isWow64());
}

const char* DriverFileName(int32_t osKind) {
    return osKind == kOsWin52Wow64 ? "KrDrv.A64" : "KrDrv.W32";
}

bool DriverSystemDirectory(int32_t osKind, PathText& directory) {
    char path[kPathCapacity] = {};
    // A 32-bit process names the native system directory like its own; without a way to turn
    // redirection off, 64-bit Windows gets the Windows directory followed by "\SYSWOW64".
    const bool wow64 = osKind == kOsWin52Wow64 && !Wow64RedirectionControllable();
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
    if (!InstallsDriver(state.OsKind, QueryWow64)) return 1;

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
            CopyDriverFile(state.OsKind, source.c_str(), driverPath.c_str());
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
