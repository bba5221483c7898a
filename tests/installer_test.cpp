// The kit's installer end to end, as a user runs it: a silent install into a folder of its own,
// the tray manager started from there, and a silent uninstall that ends it and leaves nothing of
// the kit behind but the user's settings.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "child_run.h"
#include "wait_for.h"
#include "win_handles.h"

namespace {

constexpr char kInstallDir[] = "C:\\KitInstallTest";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CorvaneUtilityManager";
constexpr char kSettingsKey[] = "Software\\Corvane\\Kestrel4\\SmartFan";

const char* const kInstalledFiles[] = {
    "kclk.dll", "ktray.exe", "kclkinfo.exe", "kclktune.exe", "KrDrv.W32", "KrDrv.A64", "README.txt",
    "LICENSE.txt", "uninstall.exe", "sdk\\kclk.h", "sdk\\kclk.def", "sdk\\libkclk.dll.a"};

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadString(HKEY root, const char* key, const char* name) {
    kclk::RegistryKey opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS) return "<no key>";
    char text[512] = {};
    DWORD size = sizeof(text) - 1;
    if (RegQueryValueExA(opened.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) !=
        ERROR_SUCCESS)
        return "<no value>";
    return text;
}

bool KeyExists(HKEY root, const char* key) {
    kclk::RegistryKey opened;
    return RegOpenKeyExA(root, key, 0, KEY_READ, opened.Receive()) == ERROR_SUCCESS;
}

std::string ProgramsMenu() {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, FALSE);
    return std::string(path) + "\\Corvane Utility Manager";
}

using testsupport::WaitFor;

// A driver service as kclk.dll leaves it installed (not started: the test needs only its entry).
void InstallDriverServiceEntry() {
    kclk::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(manager);
    kclk::ServiceHandle service(OpenServiceA(manager.Get(), "KRDrv", SERVICE_ALL_ACCESS));
    if (!service)
        service.Reset(CreateServiceA(manager.Get(), "KRDrv", "KRDrv", SERVICE_ALL_ACCESS,
                                     SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                     SERVICE_ERROR_NORMAL, "System32\\Drivers\\KRDrv.sys", nullptr,
                                     nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(service) << "error " << GetLastError();
}

bool DriverServiceExists() {
    kclk::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    kclk::ServiceHandle service(OpenServiceA(manager.Get(), "KRDrv", SERVICE_QUERY_STATUS));
    return static_cast<bool>(service);
}

// ktray.exe imports the board maker's monitor and sound libraries, which the kit does not ship:
// here the simulator's stand-ins play them, in the system folder where such shared libraries live.
class OutsideLibraries {
public:
    OutsideLibraries() {
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, MAX_PATH);
        for (const char* name : {"w83781d.dll", "Sound.dll"}) {
            const std::string target = std::string(system) + "\\" + name;
            if (CopyFileA((testsupport::ProgramDirectory() + name).c_str(), target.c_str(), FALSE))
                placed_.push_back(target);
        }
    }
    ~OutsideLibraries() {
        for (const std::string& file : placed_) DeleteFileA(file.c_str());
    }

private:
    std::vector<std::string> placed_;
};

TEST(Installer, InstallsStartsAndUninstallsLeavingOnlyTheUsersSettings) {
    OutsideLibraries outside;
    const std::string dir = kInstallDir;
    const std::string setup = testsupport::ProgramDirectory() + "kit-setup.exe";
    ASSERT_TRUE(Exists(setup)) << setup;

    // Install: every file, the Run entry, the Start-menu folder, the uninstall entry.
    const testsupport::ChildRun install =
        testsupport::RunChild(setup, "/S /D=" + dir, testsupport::ProgramDirectory());
    ASSERT_TRUE(install.finished);
    EXPECT_EQ(0u, install.exitCode);
    for (const char* file : kInstalledFiles) EXPECT_TRUE(Exists(dir + "\\" + file)) << file;
    EXPECT_EQ("\"" + dir + "\\ktray.exe\"", ReadString(HKEY_CURRENT_USER, kRunKey, "ktray"));
    EXPECT_TRUE(Exists(ProgramsMenu() + "\\Corvane Utility Manager.lnk")) << ProgramsMenu();
    EXPECT_EQ("Corvane Utility Manager", ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
    EXPECT_EQ("\"" + dir + "\\uninstall.exe\"",
              ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));

    // The tray manager runs from the installed place, and the user has settings of his own.
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + dir + "\\ktray.exe\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               dir.c_str(), &startup, &process));
    kclk::FileHandle trayProcess(process.hProcess);
    kclk::FileHandle trayThread(process.hThread);
    EXPECT_TRUE(WaitFor([] { return FindWindowA(nullptr, "CVXM20") != nullptr; }, 20000))
        << "the installed tray manager did not come up";
    kclk::RegistryKey settings;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, kSettingsKey, settings.Receive()));
    settings.Close();
    InstallDriverServiceEntry();

    // Uninstall: it ends the tray manager through its Exit command, then removes the kit.
    const testsupport::ChildRun uninstall =
        testsupport::RunChild(dir + "\\uninstall.exe", "/S", dir);
    ASSERT_TRUE(uninstall.finished);
    EXPECT_TRUE(WaitFor([&] { return !Exists(dir); }, 30000)) << "the install folder stayed";
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(trayProcess.Get(), 10000))
        << "the tray manager was not ended";
    for (const char* file : kInstalledFiles) EXPECT_FALSE(Exists(dir + "\\" + file)) << file;
    EXPECT_EQ("<no value>", ReadString(HKEY_CURRENT_USER, kRunKey, "ktray"));
    EXPECT_FALSE(Exists(ProgramsMenu()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(DriverServiceExists());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKey)) << "the user's settings went too";

    if (WaitForSingleObject(trayProcess.Get(), 0) != WAIT_OBJECT_0) TerminateProcess(trayProcess.Get(), 1);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}

}  // namespace
