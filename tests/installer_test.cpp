// The kit's installer end to end, as a user runs it: a silent install into a folder of its own,
// the tray manager started from there, and a silent uninstall that ends it and leaves nothing of
// the kit behind but the user's settings; both refuse an account without administrator rights;
// /REMOVESETTINGS; files in use left for the restart; the interactive installer's licence page
// and its offer to start the tray manager.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cctype>
#include <sstream>
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
constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenames[] = "PendingFileRenameOperations";

const char* const kInstalledFiles[] = {
    "kclk.dll", "ktray.exe", "kclkinfo.exe", "kclktune.exe", "KrDrv.W32", "KrDrv.A64", "README.txt",
    "LICENSE.txt", "uninstall.exe", "sdk\\kclk.h", "sdk\\kclk.def", "sdk\\libkclk.dll.a",
    "KR4\\KR4.EXE"};
constexpr char kToolKey[] = "Software\\Corvane\\Kestrel4";

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
    EXPECT_TRUE(Exists(ProgramsMenu() + "\\Tuning.lnk")) << "no shortcut to the tuning tool";
    // The tool's build, in the form the tray manager makes its window title from.
    EXPECT_EQ("1/0/0", ReadString(HKEY_LOCAL_MACHINE, kToolKey, "KR4Version"));
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
    // The uninstaller runs from a copy of itself: it is done when its last step, the uninstall
    // entry, is gone.
    EXPECT_TRUE(WaitFor(
        [&] { return !Exists(dir) && !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); }, 60000))
        << "the uninstaller did not finish";
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(trayProcess.Get(), 10000))
        << "the tray manager was not ended";
    for (const char* file : kInstalledFiles) EXPECT_FALSE(Exists(dir + "\\" + file)) << file;
    EXPECT_EQ("<no value>", ReadString(HKEY_CURRENT_USER, kRunKey, "ktray"));
    EXPECT_FALSE(Exists(ProgramsMenu()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kToolKey));
    EXPECT_FALSE(DriverServiceExists());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKey)) << "the user's settings went too";

    if (WaitForSingleObject(trayProcess.Get(), 0) != WAIT_OBJECT_0) TerminateProcess(trayProcess.Get(), 1);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}


// Runs the installed uninstaller in place (_?=: no copy of itself in the temporary folder), so
// that its exit code is the uninstall's own. Its own file and the folder stay.
testsupport::ChildRun UninstallInPlace(const std::string& dir, const std::string& options) {
    return testsupport::RunChild(dir + "\\uninstall.exe", options + " _?=" + dir, dir);
}

void InstallSilently(const std::string& dir) {
    const testsupport::ChildRun install = testsupport::RunChild(
        testsupport::ProgramDirectory() + "kit-setup.exe", "/S /D=" + dir,
        testsupport::ProgramDirectory());
    ASSERT_TRUE(install.finished);
    ASSERT_EQ(0u, install.exitCode);
    ASSERT_TRUE(Exists(dir + "\\ktray.exe"));
}

// What an in-place uninstall leaves: its own file and the folder.
void RemoveLeftOver(const std::string& dir) {
    for (const char* file : kInstalledFiles) DeleteFileA((dir + "\\" + file).c_str());
    RemoveDirectoryA((dir + "\\sdk").c_str());
    RemoveDirectoryA((dir + "\\KR4").c_str());
    RemoveDirectoryA(dir.c_str());
}

// Wine's user is always an administrator: /PLAINUSER makes the programs act as for an account
// without the rights. Neither then changes anything, and both end with exit code 5.
TEST(Installer, WithoutAdministratorRightsNeitherInstallsNorUninstalls) {
    const std::string dir = std::string(kInstallDir) + "Plain";
    const testsupport::ChildRun refused = testsupport::RunChild(
        testsupport::ProgramDirectory() + "kit-setup.exe", "/S /PLAINUSER /D=" + dir,
        testsupport::ProgramDirectory());
    ASSERT_TRUE(refused.finished);
    EXPECT_EQ(5u, refused.exitCode);
    EXPECT_FALSE(Exists(dir));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    ASSERT_NO_FATAL_FAILURE(InstallSilently(dir));
    const testsupport::ChildRun kept = UninstallInPlace(dir, "/S /PLAINUSER");
    ASSERT_TRUE(kept.finished);
    EXPECT_EQ(5u, kept.exitCode);
    for (const char* file : kInstalledFiles) EXPECT_TRUE(Exists(dir + "\\" + file)) << file;
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    const testsupport::ChildRun removed = UninstallInPlace(dir, "/S");
    ASSERT_TRUE(removed.finished);
    EXPECT_EQ(0u, removed.exitCode) << "nothing in use, no restart needed";
    EXPECT_FALSE(Exists(dir + "\\ktray.exe"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    RemoveLeftOver(dir);
}

// /REMOVESETTINGS takes what the tray manager and the tuning tool keep for the user, the tool's
// journal too, and leaves values that neither writes.
TEST(Installer, RemoveSettingsTakesTheKitsSettingsOnly) {
    const std::string dir = kInstallDir;
    ASSERT_NO_FATAL_FAILURE(InstallSilently(dir));
    constexpr char kKestrel[] = "Software\\Corvane\\Kestrel4";
    kclk::RegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, kKestrel, key.Receive()));
    const DWORD one = 1;
    for (const char* value : {"CPUid", "FirstRun", "StartupPending", "KeepSeconds", "NotTheKits"})
        RegSetValueExA(key.Get(), value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
    key.Close();
    char appData[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, TRUE));
    const std::string journalFolder = std::string(appData) + "\\Corvane\\Kestrel4";
    CreateDirectoryA((std::string(appData) + "\\Corvane").c_str(), nullptr);
    CreateDirectoryA(journalFolder.c_str(), nullptr);
    for (const char* name : {"\\journal.csv", "\\journal.1.csv"}) {
        kclk::FileHandle file(CreateFileA((journalFolder + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(static_cast<bool>(file)) << name;
    }
    for (const char* sub : {"SmartFan", "AudioSetting", "AutoOver", "Profiles\\fast"}) {
        kclk::RegistryKey created;
        RegCreateKeyA(HKEY_CURRENT_USER, (std::string(kKestrel) + "\\" + sub).c_str(),
                      created.Receive());
    }

    const testsupport::ChildRun uninstall = UninstallInPlace(dir, "/S /REMOVESETTINGS");
    ASSERT_TRUE(uninstall.finished);
    EXPECT_EQ(0u, uninstall.exitCode);
    for (const char* sub : {"SmartFan", "AudioSetting", "AutoOver", "Profiles"})
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, (std::string(kKestrel) + "\\" + sub).c_str()))
            << sub;
    for (const char* value : {"CPUid", "FirstRun", "StartupPending", "KeepSeconds"})
        EXPECT_EQ("<no value>", ReadString(HKEY_CURRENT_USER, kKestrel, value)) << value;
    EXPECT_NE("<no value>", ReadString(HKEY_CURRENT_USER, kKestrel, "NotTheKits"))
        << "a value the kit does not write went too";
    EXPECT_FALSE(Exists(journalFolder)) << "the journal stayed";
    RegDeleteKeyA(HKEY_CURRENT_USER, kKestrel);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Corvane");
    RemoveLeftOver(dir);
}

// The value that lists what Windows renames or deletes at its next start, as raw bytes (empty
// when there is none), and the names in it.
std::vector<char> PendingRenamesValue() {
    kclk::RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_READ, key.Receive()) !=
        ERROR_SUCCESS)
        return {};
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), kPendingRenames, nullptr, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return {};
    std::vector<char> bytes(size);
    if (size && RegQueryValueExA(key.Get(), kPendingRenames, nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(bytes.data()), &size) != ERROR_SUCCESS)
        return {};
    bytes.resize(size);
    return bytes;
}

// Pairs of source and target; a deletion's target is empty, so every string is read.
std::vector<std::string> PendingRenames() {
    const std::vector<char> bytes = PendingRenamesValue();
    std::vector<std::string> names;
    for (size_t at = 0; at < bytes.size();) {
        size_t end = at;
        while (end < bytes.size() && bytes[end]) ++end;
        if (end > at) names.emplace_back(bytes.data() + at, end - at);
        at = end + 1;
    }
    return names;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           _stricmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

// A file still in use when the uninstaller runs (held open here without delete sharing) is
// left for the restart: marked for removal then, the rest removed now, exit code 3010.
TEST(Installer, AFileInUseIsRemovedWhenWindowsRestarts) {
    const std::string dir = kInstallDir;
    ASSERT_NO_FATAL_FAILURE(InstallSilently(dir));
    kclk::RegistryKey sessionManager;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0,
                                           KEY_READ | KEY_SET_VALUE, sessionManager.Receive()));
    const std::vector<char> before = PendingRenamesValue();

    const std::string held = dir + "\\README.txt";
    kclk::FileHandle inUse(CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(inUse);
    const testsupport::ChildRun uninstall = UninstallInPlace(dir, "/S");
    ASSERT_TRUE(uninstall.finished);
    EXPECT_EQ(3010u, uninstall.exitCode);
    EXPECT_TRUE(Exists(held));
    EXPECT_FALSE(Exists(dir + "\\kclk.dll"));
    EXPECT_FALSE(Exists(dir + "\\ktray.exe"));
    bool marked = false;
    for (const std::string& name : PendingRenames())
        marked = marked || EndsWith(name, "\\KitInstallTest\\README.txt");
    EXPECT_TRUE(marked) << "README.txt is not marked for removal at the restart";

    inUse.Reset();
    RemoveLeftOver(dir);
    // The marks go again: nothing of this test should meet the prefix's next start.
    if (before.empty())
        RegDeleteValueA(sessionManager.Get(), kPendingRenames);
    else
        RegSetValueExA(sessionManager.Get(), kPendingRenames, 0, REG_MULTI_SZ,
                       reinterpret_cast<const BYTE*>(before.data()),
                       static_cast<DWORD>(before.size()));
}

// The visible windows of a process: its top-level windows and all their descendants.
struct FoundWindows {
    DWORD process;
    std::vector<HWND> windows;
};

BOOL CALLBACK AddChild(HWND child, LPARAM data) {
    reinterpret_cast<FoundWindows*>(data)->windows.push_back(child);
    return TRUE;
}

BOOL CALLBACK AddTopLevel(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<FoundWindows*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != found->process || !IsWindowVisible(window)) return TRUE;
    found->windows.push_back(window);
    EnumChildWindows(window, AddChild, data);
    return TRUE;
}

std::vector<HWND> WindowsOf(DWORD process) {
    FoundWindows found{process, {}};
    EnumWindows(AddTopLevel, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}
std::string TextOf(HWND window) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, &text[0], static_cast<int>(text.size()))));
    return text;
}

// The first visible window of the process that satisfies the test, waited for.
template <typename Test>
HWND WaitForWindow(DWORD process, Test test, DWORD timeoutMs = 30000) {
    HWND found = nullptr;
    testsupport::WaitFor(
        [&] {
            for (HWND window : WindowsOf(process))
                if (IsWindowVisible(window) && test(window)) return (found = window) != nullptr;
            return false;
        },
        timeoutMs);
    return found;
}

// The installer's own window: the wizard that holds the pages.
HWND WizardOf(DWORD process) {
    return WaitForWindow(process, [](HWND w) { return GetParent(w) == nullptr && ClassOf(w) == "#32770"; });
}

// As a click on the wizard's Next / I Agree / Install / Finish button.
void PressNext(HWND wizard) { PostMessageA(wizard, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

// The interactive installer: its licence page shows one line per paragraph (a line broken
// inside a paragraph wraps raggedly in the page's box), and its last page offers to start the
// tray manager, checked; finishing starts it from the installed place.
TEST(Installer, InteractiveInstallShowsParagraphsAndOffersToStartTheTrayManager) {
    OutsideLibraries outside;
    const std::string dir = kInstallDir;
    std::string command = "\"" + testsupport::ProgramDirectory() + "kit-setup.exe\" /D=" + dir;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               testsupport::ProgramDirectory().c_str(), &startup, &process));
    kclk::FileHandle setupProcess(process.hProcess);
    kclk::FileHandle setupThread(process.hThread);
    const DWORD id = process.dwProcessId;
    const auto end = [&] {
        if (WaitForSingleObject(setupProcess.Get(), 0) != WAIT_OBJECT_0)
            TerminateProcess(setupProcess.Get(), 1);
    };

    // The licence page: its rich edit control (RichEdit20A, RichEdit20W or RICHEDIT50W, by NSIS
    // and Windows). Under Wine here the control answers 0 for its text length to another
    // process, so its paragraphs are checked only where it gives its text; the page's file
    // itself is licence_page_tests' (one line per paragraph).
    const HWND licence = WaitForWindow(id, [](HWND w) {
        std::string name = ClassOf(w);
        for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        return name.find("richedit") != std::string::npos;
    }, 120000);
    if (!licence) end();
    ASSERT_NE(nullptr, licence) << "no licence page";
    // Paragraphs as the control gives them back, whether it ends them with CR or CR LF.
    std::string shown = TextOf(licence);
    if (shown.empty()) {
        Sleep(2000);
        shown = TextOf(licence);
    }
    if (!shown.empty()) {
        for (char& c : shown)
            if (c == '\r') c = '\n';
        std::vector<std::string> lines;
        std::istringstream text(shown);
        for (std::string line; std::getline(text, line);) {
            while (!line.empty() && line.back() == ' ') line.pop_back();
            if (!line.empty()) lines.push_back(line);
        }
        ASSERT_EQ(5u, lines.size()) << shown;
        EXPECT_EQ("MIT License", lines[0]);
        EXPECT_EQ(0u, lines[2].find("Permission is hereby granted"));
        EXPECT_EQ(lines[2].size() - strlen("following conditions:"),
                  lines[2].rfind("following conditions:"));
        EXPECT_EQ(0u, lines[4].find("THE SOFTWARE IS PROVIDED"));
        EXPECT_EQ(lines[4].size() - strlen("THE SOFTWARE."), lines[4].rfind("THE SOFTWARE."));
    }

    const HWND wizard = WizardOf(id);
    ASSERT_NE(nullptr, wizard);
    PressNext(wizard);  // I Agree
    ASSERT_NE(nullptr, WaitForWindow(id, [](HWND w) { return GetDlgCtrlID(w) == 1019; }))
        << "no directory page";
    PressNext(wizard);  // Install
    // The finish page follows the installation by itself; where the wizard waits on the
    // completed installation page instead, its Next button takes it there (never Finish).
    const auto runBox = [](HWND w) {
        return ClassOf(w) == "Button" && TextOf(w) == "Start the tray manager now";
    };
    HWND run = nullptr;
    for (int i = 0; i < 120 && !run; ++i) {
        run = WaitForWindow(id, runBox, 500);
        const HWND next = GetDlgItem(wizard, IDOK);
        if (!run && next && IsWindowEnabled(next) && TextOf(next).find("Next") != std::string::npos)
            PressNext(wizard);
    }
    if (!run) end();
    ASSERT_NE(nullptr, run) << "no offer to start the tray manager";
    EXPECT_EQ(BST_CHECKED, SendMessageA(run, BM_GETCHECK, 0, 0));
    EXPECT_FALSE(FindWindowA(nullptr, "CVXM20")) << "started before it was asked to";
    PressNext(wizard);  // Finish
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(setupProcess.Get(), 30000));
    DWORD exitCode = 1;
    GetExitCodeProcess(setupProcess.Get(), &exitCode);
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(WaitFor([] { return FindWindowA(nullptr, "CVXM20") != nullptr; }, 20000))
        << "the tray manager was not started";
    end();

    // The uninstall ends the tray manager it started, process and all.
    const testsupport::ChildRun uninstall = UninstallInPlace(dir, "/S");
    ASSERT_TRUE(uninstall.finished);
    EXPECT_EQ(0u, uninstall.exitCode) << "the tray manager's files were still in use";
    EXPECT_FALSE(FindWindowA(nullptr, "CVXM20"));
    RemoveLeftOver(dir);
}

}  // namespace
