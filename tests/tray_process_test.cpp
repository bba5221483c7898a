// The real ktray.exe as a child, started from a program directory laid out in a temporary
// folder with the kit's libraries, the driver stand-in and the tool stand-ins: the one-instance
// rule, the programs its commands start, the fan schedule on request and the processor check.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_records.h"
#include "board_driver.h"
#include "child_run.h"
#include "wait_for.h"
#include "kclk.h"
#include "scratch_registry.h"
#include "smi_wire.h"

namespace {

constexpr char kFrameTitle[] = "CVXM20";
constexpr char kUserTuningKey[] = "Software\\Corvane\\Kestrel4";
constexpr char kAutoOverKey[] = "Software\\Corvane\\Kestrel4\\AutoOver";
constexpr UINT kApplyFanSchedule = WM_USER + 14;
constexpr UINT kExitCommand = 57665;

using testsupport::GetIntValue;
using testsupport::GetRawValue;
using testsupport::KeyPresent;
using testsupport::RemoveTree;
using testsupport::SetIntValue;
using testsupport::SetTextValue;

using testsupport::WaitFor;

// --- ktray's program directory and its process ---------------------------------------------------

// A program directory as an installation lays it out, in a fresh temporary folder: one of its
// own per test, so that a tool a test left running (the tuning tool's stand-in lives until its
// window is closed) never holds a file the next test lays out.
class ProgramFolder {
public:
    // withOutsideLibraries: the maker's monitor and sound libraries lie beside ktray, as the
    // maker's monitor software would have put them where ktray finds them.
    explicit ProgramFolder(bool withOutsideLibraries = true) {
        static int folders = 0;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "ktray_bench_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++folders) + "\\";
        const std::string from = testsupport::ProgramDirectory();
        const std::string standins = from + "tool-standins\\";
        for (const char* folder : {"", "KR4", "bios", "dmi", "LogoSm"})
            CreateDirectoryA((path_ + folder).c_str(), nullptr);
        for (const char* file : {"ktray.exe", "kclk.dll", "KrDrv.W32"}) Copy(from + file, file);
        if (withOutsideLibraries)
            for (const char* file : {"w83781d.dll", "Sound.dll"}) Copy(from + file, file);
        for (const char* tool : {"KR4\\KR4.EXE", "bios\\Rvflash.exe", "dmi\\platecfg.exe",
                                 "LogoSm\\addlogo.exe", "Rundll32.exe", "MSINFO32.EXE",
                                 "IEXPLORE.EXE", "mplayer2.exe", "mplay32.exe", "cdplayer.exe"})
            Copy(standins + tool, tool);
    }
    ~ProgramFolder() {
        for (const std::string& file : copied_) DeleteFileA((path_ + file).c_str());
        for (const char* folder : {"KR4", "bios", "dmi", "LogoSm", ""})
            RemoveDirectoryA((path_ + folder).c_str());
    }
    const std::string& Path() const { return path_; }

private:
    void Copy(const std::string& from, const char* to) {
        EXPECT_TRUE(CopyFileA(from.c_str(), (path_ + to).c_str(), FALSE)) << from;
        copied_.push_back(to);
    }
    std::string path_;
    std::vector<std::string> copied_;
};

// Every ktray.exe of the folder as this version of Windows sees it.
void RunKtrayAs(const char* version) {
    SetTextValue(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\ktray.exe", "Version", version);
}

HWND FindFrame() { return FindWindowA(nullptr, kFrameTitle); }

int CountFrames() {
    int count = 0;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, nullptr, kFrameTitle));)
        ++count;
    return count;
}

class KtrayProcess {
public:
    // Starts ktray.exe; waitForFrame: until its frame exists (start-up is done).
    explicit KtrayProcess(const ProgramFolder& folder, bool waitForFrame = true) {
        const std::string program = folder.Path() + "ktray.exe";
        std::string commandLine = "\"" + program + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            "C:\\", &startup, &info))
            return;
        process_ = info.hProcess;
        CloseHandle(info.hThread);
        if (waitForFrame) WaitFor([] { return FindFrame() != nullptr; }, 20000);
    }
    ~KtrayProcess() {
        if (!process_) return;
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 0xDEAD);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
    bool Started() const { return process_ != nullptr; }
    // Ends ktray as its Exit command does; true when it ended by itself.
    bool Exit() {
        PostMessageA(FindFrame(), WM_COMMAND, kExitCommand, 0);
        return WaitForSingleObject(process_, 10000) == WAIT_OBJECT_0;
    }
    bool EndsWithin(DWORD milliseconds, DWORD& exitCode) {
        if (WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return false;
        return GetExitCodeProcess(process_, &exitCode) != 0;
    }

private:
    HANDLE process_ = nullptr;
};

class KtrayChild : public testing::Test {
protected:
    void SetUp() override {
        ClearSettings();
        testsupport::ClearLaunchRecords();
        RunKtrayAs("winxp");
    }
    void TearDown() override {
        // A tuning tool stand-in left open by a failed case would outlive the test run.
        for (const char* title : {"Kestrel4 Build 3.08.07", "Kestrel4 Build03.080701"})
            testsupport::CloseTuningToolWindow(title, 2000);
        ClearSettings();
        testsupport::ClearLaunchRecords();
    }
    static void ClearSettings() {
        RemoveTree(HKEY_LOCAL_MACHINE, "Software\\Corvane\\Kestrel4");
        RemoveTree(HKEY_CURRENT_USER, "Software\\Corvane");
        RemoveTree(HKEY_CURRENT_USER, "Software\\Kestrel");
    }
    static void InstallTuningTool() {
        SetTextValue(HKEY_LOCAL_MACHINE, "Software\\Corvane\\Kestrel4", "KR4Version", "3/8/7");
    }
    ProgramFolder folder_;
};

// --- One instance per logon session ------------------------------------------------------------

// ktray's instance mutex: named in the session's namespace on NT 5 and later, plainly before.
bool InstanceMutexExists() {
    for (const char* name : {"Local\\Corvane.UtilityManager.ktray", "Corvane.UtilityManager.ktray"}) {
        if (const HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name)) {
            CloseHandle(mutex);
            return true;
        }
    }
    return false;
}

TEST_F(KtrayChild, SecondStartEndsAtOnceAndAStartAfterTheFirstEndedSucceeds) {
    // NT 5 and later name the rule's object in the session's namespace; older Windows has none.
    for (const char* version : {"winxp", "win98"}) {
        SCOPED_TRACE(version);
        RunKtrayAs(version);
        {
            KtrayProcess first(folder_);
            ASSERT_TRUE(FindFrame());
            EXPECT_TRUE(InstanceMutexExists());

            KtrayProcess second(folder_, false);
            ASSERT_TRUE(second.Started());
            DWORD exitCode = 0xFFFF;
            EXPECT_TRUE(second.EndsWithin(5000, exitCode)) << "a second instance keeps running";
            EXPECT_EQ(0u, exitCode);
            EXPECT_EQ(1, CountFrames());
            EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, "Software\\Corvane"));

            EXPECT_TRUE(first.Exit());
            EXPECT_EQ(0, CountFrames());
            EXPECT_FALSE(InstanceMutexExists());
        }
        KtrayProcess again(folder_);
        EXPECT_TRUE(FindFrame()) << "a start after the first one ended";
        EXPECT_TRUE(again.Exit());
    }
}

// What another session's instance (or any program that maps the image) could leave where this
// session sees it: a count in a data section that every process of the image shares machine-wide.
// It may not keep this session's ktray from starting. (Wine has one object namespace for every
// session, so the session's own mutex cannot be shown apart from another session's here.)
TEST_F(KtrayChild, AnInstanceInAnotherSessionDoesNotKeepThisOneFromStarting) {
    const std::string program = folder_.Path() + "ktray.exe";
    const HMODULE image = LoadLibraryExA(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(nullptr, image);
    auto base = reinterpret_cast<BYTE*>(image);
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    std::vector<volatile LONG*> shared;
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (!(section->Characteristics & IMAGE_SCN_MEM_SHARED)) continue;
        ADD_FAILURE() << "shared section " << std::string(reinterpret_cast<char*>(section->Name), 8);
        shared.push_back(reinterpret_cast<volatile LONG*>(base + section->VirtualAddress));
    }
    for (volatile LONG* count : shared) InterlockedIncrement(count);
    {
        KtrayProcess ktray(folder_);
        EXPECT_TRUE(FindFrame()) << "ktray did not start";
        if (FindFrame()) {
            EXPECT_TRUE(ktray.Exit());
        }
    }
    for (volatile LONG* count : shared) InterlockedDecrement(count);
    FreeLibrary(image);
}

// Twenty starts at the same moment, ten times: each time exactly one of them stays.
TEST_F(KtrayChild, OfTwentySimultaneousStartsExactlyOneStays) {
    constexpr int kRounds = 10, kStarts = 20;
    const std::string program = folder_.Path() + "ktray.exe";
    int roundsWithOne = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        std::vector<HANDLE> processes, threads;
        for (int i = 0; i < kStarts; ++i) {
            std::string commandLine = "\"" + program + "\"";
            STARTUPINFOA startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION info{};
            if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                                CREATE_SUSPENDED, nullptr, "C:\\", &startup, &info))
                continue;
            processes.push_back(info.hProcess);
            threads.push_back(info.hThread);
        }
        ASSERT_EQ(static_cast<size_t>(kStarts), processes.size());
        for (HANDLE thread : threads) ResumeThread(thread);
        for (HANDLE thread : threads) CloseHandle(thread);

        auto running = [&] {
            int count = 0;
            for (HANDLE process : processes)
                if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) ++count;
            return count;
        };
        const bool settled = WaitFor([&] { return running() <= 1 && FindFrame() != nullptr; },
                                     60000);
        // The others ended by themselves; give a late one a moment more to show it stays.
        Sleep(500);
        const int stayed = running();
        EXPECT_TRUE(settled);
        EXPECT_EQ(1, stayed);
        EXPECT_EQ(1, CountFrames());
        if (settled && stayed == 1 && CountFrames() == 1) ++roundsWithOne;

        PostMessageA(FindFrame(), WM_COMMAND, kExitCommand, 0);
        for (HANDLE process : processes) {
            if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) {
                TerminateProcess(process, 0xDEAD);
                WaitForSingleObject(process, 5000);
            }
            DWORD exitCode = 0xFFFF;
            GetExitCodeProcess(process, &exitCode);
            EXPECT_EQ(0u, exitCode);
            CloseHandle(process);
        }
        ASSERT_TRUE(WaitFor([] { return CountFrames() == 0; }, 5000));
    }
    std::printf("figure: Instances (Wine): %d of %d rounds of %d simultaneous starts left exactly "
                "one running\n", roundsWithOne, kRounds, kStarts);
    EXPECT_EQ(kRounds, roundsWithOne);
}

// --- Launchers -----------------------------------------------------------------------------------

struct LaunchCase {
    UINT command;
    const char* module;     // below the program directory, or a bare name the shell finds
    const char* arguments;
    const char* directory;  // below the program directory
};

constexpr char kFallbackTitle[] = "Kestrel4 Build03.080701";  // the tool's own without a version

void ExpectLaunches(const ProgramFolder& folder, const std::vector<LaunchCase>& cases) {
    KtrayProcess ktray(folder);
    const HWND frame = FindFrame();
    ASSERT_TRUE(frame);
    // Where the program directory has no trailing backslash: as GetCurrentDirectory reports it.
    const std::string directory = folder.Path().substr(0, folder.Path().size() - 1);
    for (const LaunchCase& c : cases) {
        SCOPED_TRACE(c.module);
        const size_t before = testsupport::LaunchRecords().size();
        PostMessageA(frame, WM_COMMAND, c.command, 0);
        ASSERT_TRUE(testsupport::WaitForLaunchRecords(before + 1, 10000)) << "nothing started";
        const testsupport::LaunchRecord record = testsupport::LaunchRecords()[before];
        const std::string name = record.module.substr(record.module.find_last_of('\\') + 1);
        if (std::string(c.module).find('\\') != std::string::npos)
            EXPECT_EQ(folder.Path() + c.module, record.module);
        else
            EXPECT_EQ(0, lstrcmpiA(c.module, name.c_str())) << record.module;
        EXPECT_EQ(c.arguments, record.arguments);
        EXPECT_EQ(directory + c.directory, record.directory);
        EXPECT_EQ(SW_SHOW, record.show);
        if (c.command == 32845) {
            EXPECT_TRUE(testsupport::CloseTuningToolWindow(kFallbackTitle));
        }
    }
    EXPECT_TRUE(ktray.Exit());
}

TEST_F(KtrayChild, AboutBoxIsModalToTheFrameAndAutoOverclockToggles) {
    KtrayProcess ktray(folder_);
    const HWND frame = FindFrame();
    ASSERT_TRUE(frame);

    PostMessageA(frame, WM_COMMAND, 57664, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        return (about = FindWindowA("#32770", "About Corvane Utility Manager")) != nullptr;
    }, 5000));
    EXPECT_EQ(frame, GetWindow(about, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(frame)) << "not modal";
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 5000));

    // Off at start-up (no auto overclock): the first toggle sets it, the second clears it.
    for (const bool expected : {true, false}) {
        PostMessageA(frame, WM_COMMAND, 32846, 0);
        EXPECT_TRUE(WaitFor([&] { return KeyPresent(HKEY_CURRENT_USER, kAutoOverKey) == expected; },
                            5000)) << expected;
    }
    EXPECT_TRUE(ktray.Exit());
}

// Wine's shell finds its own Rundll32, MSINFO32 and IEXPLORE in the system folder before the
// current directory: for the test, the recorder stands in there (preferred to Wine's built-in
// programs), and everything is put back afterwards.
class SystemProgramStandIns {
public:
    explicit SystemProgramStandIns(const ProgramFolder& folder) {
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, MAX_PATH);
        for (const char* name : kNames) {
            const std::string target = std::string(system) + "\\" + name;
            CopyFileA(target.c_str(), (target + ".kit-saved").c_str(), FALSE);
            EXPECT_TRUE(CopyFileA((folder.Path() + name).c_str(), target.c_str(), FALSE)) << target;
            SetTextValue(HKEY_CURRENT_USER, kOverrides, name, "native");
            saved_.push_back(target);
        }
    }
    ~SystemProgramStandIns() {
        for (const std::string& target : saved_) {
            CopyFileA((target + ".kit-saved").c_str(), target.c_str(), FALSE);
            DeleteFileA((target + ".kit-saved").c_str());
        }
        HKEY overrides;
        if (RegOpenKeyA(HKEY_CURRENT_USER, kOverrides, &overrides) == ERROR_SUCCESS) {
            for (const char* name : kNames) RegDeleteValueA(overrides, name);
            RegCloseKey(overrides);
        }
    }

private:
    static constexpr char kOverrides[] = "Software\\Wine\\DllOverrides";
    static constexpr const char* kNames[] = {"rundll32.exe", "msinfo32.exe", "iexplore.exe"};
    std::vector<std::string> saved_;
};

TEST_F(KtrayChild, EveryLauncherStartsItsProgramAsTheTableSays) {
    SystemProgramStandIns standIns(folder_);
    ExpectLaunches(folder_, {
        {32792, "Rundll32.exe", "shell32.dll,Control_RunDLL desk.cpl", ""},
        {32816, "IEXPLORE.EXE", "www.corvane.example", ""},
        {32817, "bios\\Rvflash.exe", "", ""},
        {32819, "dmi\\platecfg.exe", "", ""},
        {32820, "MSINFO32.EXE", "", ""},
        {32822, "mplay32.exe", "", ""},
        {32824, "cdplayer.exe", "", ""},
        {32845, "KR4\\KR4.EXE", "", "\\KR4"},
        {32850, "LogoSm\\addlogo.exe", "", ""},
    });
}

TEST_F(KtrayChild, MediaPlayerOnWindows9xIsTheOlderOne) {
    RunKtrayAs("win98");
    ExpectLaunches(folder_, {{32822, "mplayer2.exe", "", ""}});
}

// --- The fan schedule on request -----------------------------------------------------------------

constexpr char kSmartFanKey[] = "Software\\Corvane\\Kestrel4\\SmartFan";

TEST_F(KtrayChild, FanScheduleRequestSwitchesTheFanWhenItsTimerNeverStarted) {
    // The test's own library starts the driver service that ktray's library then opens too.
    if (testsupport::krdrv::ServiceState() != SERVICE_RUNNING) InitDrv();
    testsupport::BoardDriver board;
    ASSERT_TRUE(board.IsOpen()) << board.LastError();
    ASSERT_TRUE(board.ResetBoard());
    // The smart-fan check fails, so ktray never starts its fan timer; switching still works.
    ASSERT_TRUE(board.FailCode(KCLK_IOCTL_SMART_FAN_CHECK, static_cast<int32_t>(0xC0000010)));
    InstallTuningTool();
    // ON equal to OFF: always on while the schedule is active.
    for (const auto& [name, value] : {std::pair<const char*, int32_t>{"iTimerSwitch", 1},
                                      {"iTimeONh", 9}, {"iTimeONm", 30}, {"iTimeOFFh", 9},
                                      {"iTimeOFFm", 30}, {"iAlwaysON", 0}})
        SetIntValue(HKEY_CURRENT_USER, kSmartFanKey, name, value);

    KtrayProcess ktray(folder_);
    const HWND frame = FindFrame();
    ASSERT_TRUE(frame);
    auto fanSetting = [&board] {
        board::FirmwareModel model{};
        return board.ReadFirmware(model) ? model.fanItems[1] : 0xFFFFFFFFu;
    };
    board::FirmwareModel model{};
    ASSERT_TRUE(board.ReadFirmware(model));
    const uint32_t on = model.fanItems[3], off = model.fanItems[4];
    ASSERT_NE(on, off);
    model.fanItems[1] = off;
    ASSERT_TRUE(board.WriteFirmware(model));

    PostMessageA(frame, kApplyFanSchedule, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return fanSetting() == on; }, 5000)) << std::hex << fanSetting();

    SetIntValue(HKEY_CURRENT_USER, kSmartFanKey, "iTimerSwitch", 0);
    PostMessageA(frame, kApplyFanSchedule, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return fanSetting() == off; }, 5000)) << std::hex << fanSetting();

    EXPECT_TRUE(ktray.Exit());
    board.FailCode(KCLK_IOCTL_SMART_FAN_CHECK, 0);
}

// --- The maker's monitor and sound libraries ----------------------------------------------------

constexpr char kToolTitle[] = "Kestrel4 Build 3.08.07";
constexpr char kAudioKey[] = "Software\\Corvane\\Kestrel4\\AudioSetting";

// The alarm's conditions: the tuning tool installed, its window open, the sound on (a beep),
// and the board too hot.
void RaiseAnAlarm(HWND frame) {
    SetIntValue(HKEY_CURRENT_USER, kAudioKey, "iAudioON", 1);
    SetIntValue(HKEY_CURRENT_USER, kAudioKey, "iAudioFlag", 2);
    PostMessageA(frame, WM_USER + 11, 0, 0);  // take up the sound settings now
    PostMessageA(frame, WM_COMMAND, 32845, 0);  // the tuning tool, whose window the watch needs
    ASSERT_TRUE(WaitFor([] { return testsupport::FindTuningToolWindow(kToolTitle) != nullptr; },
                        10000));
    testsupport::SetTemperature(1, 99);
}

TEST_F(KtrayChild, AlarmSoundsThroughTheMakersLibrariesWhereTheyAre) {
    InstallTuningTool();
    testsupport::ClearMonitor();
    testsupport::ClearSoundJournal();
    KtrayProcess ktray(folder_);
    const HWND frame = FindFrame();
    ASSERT_TRUE(frame);
    RaiseAnAlarm(frame);
    EXPECT_TRUE(WaitFor([] {
        return testsupport::SoundJournal().find("PlayBeep(0);") != std::string::npos;
    }, 10000)) << testsupport::SoundJournal();
    EXPECT_GT(testsupport::MonitorReadCount(), 0u);
    EXPECT_TRUE(testsupport::CloseTuningToolWindow(kToolTitle));
    EXPECT_TRUE(ktray.Exit());
    testsupport::ClearMonitor();
}

TEST_F(KtrayChild, StartsAndWorksWithoutTheMakersLibraries) {
    // Nowhere the loader would find them: neither beside ktray nor in the system's folders.
    char system[MAX_PATH] = {}, windows[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    GetWindowsDirectoryA(windows, MAX_PATH);
    for (const std::string& folder : {std::string(system), std::string(windows)})
        for (const char* name : {"w83781d.dll", "Sound.dll"})
            ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "\\" + name).c_str()))
                << folder << "\\" << name;
    ProgramFolder bare(false);
    InstallTuningTool();
    testsupport::ClearMonitor();
    testsupport::ClearSoundJournal();

    KtrayProcess ktray(bare);
    const HWND frame = FindFrame();
    ASSERT_TRUE(frame) << "ktray did not start";
    // No readings, so no alarm; nothing else of the watch changes, and ktray keeps running.
    RaiseAnAlarm(frame);
    Sleep(4500);
    EXPECT_EQ(frame, FindFrame());
    EXPECT_EQ(0u, testsupport::MonitorReadCount());
    EXPECT_EQ("", testsupport::SoundJournal());
    // The popup's commands still start programs.
    const size_t before = testsupport::LaunchRecords().size();
    PostMessageA(frame, WM_COMMAND, 32817, 0);
    EXPECT_TRUE(testsupport::WaitForLaunchRecords(before + 1, 10000));
    EXPECT_TRUE(testsupport::CloseTuningToolWindow(kToolTitle));
    EXPECT_TRUE(ktray.Exit());
    testsupport::ClearMonitor();
}

// --- The processor check and auto overclock at start-up ------------------------------------------


// Waits for the message box with this caption in any process, returns its text and presses OK.
std::string AnswerMessageBox(const char* caption) {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindWindowA("#32770", caption)) != nullptr; }, 20000))
        return "(no box)";
    char text[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message box's text control
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return text;
}

TEST_F(KtrayChild, ProcessorCheckRecordsTheProcessorAndResetsTheToolsSettingsWhenItChanged) {
    RunKtrayAs("win98");  // the library then needs no driver
    InstallTuningTool();
    {
        KtrayProcess first(folder_);
        ASSERT_TRUE(FindFrame());
        EXPECT_TRUE(first.Exit());
    }
    const int32_t identity = GetIntValue(HKEY_CURRENT_USER, kUserTuningKey, "CPUid");
    ASSERT_NE(testsupport::kNoInt, identity) << "first start records the processor";
    EXPECT_NE(testsupport::kNoInt, GetIntValue(HKEY_CURRENT_USER, kUserTuningKey, "CPUFamily"));
    EXPECT_EQ((std::vector<unsigned char>{1, 0}),
              GetRawValue(HKEY_CURRENT_USER, kUserTuningKey, "FirstRun").bytes);

    // Auto overclock set and the same processor: the tuning tool starts hidden in its folder.
    testsupport::CreateEmptyKey(HKEY_CURRENT_USER, kAutoOverKey);
    {
        KtrayProcess second(folder_);
        ASSERT_TRUE(FindFrame());
        ASSERT_TRUE(testsupport::WaitForLaunchRecords(1, 5000));
        const testsupport::LaunchRecord record = testsupport::LaunchRecords()[0];
        EXPECT_EQ(folder_.Path() + "KR4\\KR4.EXE", record.module);
        EXPECT_EQ(folder_.Path() + "KR4", record.directory);
        EXPECT_EQ(SW_HIDE, record.show);
        EXPECT_TRUE(testsupport::CloseTuningToolWindow("Kestrel4 Build 3.08.07"));
        EXPECT_TRUE(second.Exit());
    }

    // Another processor: the settings go (auto overclock with them), the user is told, and
    // the new processor is recorded.
    SetIntValue(HKEY_CURRENT_USER, kUserTuningKey, "CPUid", identity ^ 1);
    SetIntValue(HKEY_CURRENT_USER, kSmartFanKey, "iTimerSwitch", 1);
    SetIntValue(HKEY_CURRENT_USER, "Software\\Kestrel", "CPUMulti", 12);
    const size_t launchesBefore = testsupport::LaunchRecords().size();
    {
        KtrayProcess third(folder_, false);
        EXPECT_EQ("Your CPU has been changed,the setting will return to default!",
                  AnswerMessageBox("Warning!!!"));
        ASSERT_TRUE(WaitFor([] { return FindFrame() != nullptr; }, 20000));
        EXPECT_EQ(identity, GetIntValue(HKEY_CURRENT_USER, kUserTuningKey, "CPUid"));
        EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kAutoOverKey));
        EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kSmartFanKey));
        EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, "Software\\Kestrel"));
        EXPECT_TRUE(third.Exit());
    }
    EXPECT_EQ(launchesBefore, testsupport::LaunchRecords().size())
        << "the tuning tool was started after the reset";
}

}  // namespace
