// The tuning tool KR4.EXE in the kit as a user meets it, on the simulated board and beside the
// real ktray: opened from the tray, its limit sounding ktray's alarm; the apply dialog's keep,
// timeout and refusal; auto overclock at logon and the boot guard after a hang; and a picture of
// each page and of the countdown box, checked for being drawn.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "bench_records.h"
#include "board_driver.h"
#include "child_run.h"
#include "kclk.h"
#include "window_picture.h"
#include "program_directory.h"
#include "program_folder.h"
#include "scratch_registry.h"
#include "wait_for.h"
#include "../kr4/res/resource.h"

namespace {

using testsupport::WaitFor;

constexpr char kToolKey[] = "Software\\Corvane\\Kestrel4";
constexpr char kTitle[] = "Kestrel4 Build 3.08.07";  // from "3/8/7"
constexpr char kKeepTitle[] = "Keep these settings?";
constexpr int kRunTuningTool = 32845;  // ktray's "Execute Kestrel4"
constexpr int kAutoOverclock = 32846;
constexpr int kAppExit = 57665;

std::string Text(HWND window) {
    char text[2048] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

// The kit laid out as the installer lays it out, with the simulator's libraries beside it.
class KitFolder : public testsupport::ProgramFolder {
public:
    KitFolder() : ProgramFolder("kr4_kit") {
        for (const char* file : {"ktray.exe", "kclk.dll", "w83781d.dll", "Sound.dll", "KrDrv.W32"})
            Copy(file);
        Copy("KR4.exe", "KR4\\KR4.EXE");
    }
};

class Process {
public:
    Process() = default;
    Process(const std::string& program, int show, const std::string& directory) {
        std::string commandLine = "\"" + program + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(show);
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            directory.c_str(), &startup, &info))
            return;
        handle_ = info.hProcess;
        CloseHandle(info.hThread);
    }
    Process(Process&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Process& operator=(Process&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    ~Process() { End(); }
    bool Started() const { return handle_ != nullptr; }
    bool Ended(DWORD ms) const { return !handle_ || WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0; }
    void End() {
        if (!handle_) return;
        if (!Ended(0)) {
            TerminateProcess(handle_, 0xDEAD);
            WaitForSingleObject(handle_, 5000);
        }
        CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

// Every running KR4.EXE (started by ktray, so without a handle here).
std::vector<DWORD> ToolProcesses() {
    std::vector<DWORD> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, "KR4.EXE") == 0) found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

void KillTools() {
    for (DWORD id : ToolProcesses()) {
        if (const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
            TerminateProcess(process, 0xDEAD);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
}

// The tool's main window: the window with the build title that holds the page tabs (its message
// boxes carry the same title).
BOOL CALLBACK IsMainWindow(HWND window, LPARAM found) {
    if (Text(window) != kTitle || !GetDlgItem(window, IDC_TABS)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND MainWindow() {
    HWND found = nullptr;
    EnumWindows(IsMainWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A message box of another process whose text holds part; null when there is none.
struct BoxSearch {
    const std::string* part;
    HWND found = nullptr;
};

BOOL CALLBACK IsBoxWith(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    const HWND text = GetDlgItem(window, 0xFFFF);
    if (!text || GetDlgItem(window, IDC_TABS) ||
        Text(text).find(*search->part) == std::string::npos)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND MessageBoxWith(const std::string& part) {
    BoxSearch search{&part};
    EnumWindows(IsBoxWith, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The page now shown in the main window: its visible child dialog.
BOOL CALLBACK IsShownPage(HWND window, LPARAM found) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND ShownPage(HWND main) {
    HWND found = nullptr;
    EnumChildWindows(main, IsShownPage, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The next page, as the arrow key on the tabs chooses it.
HWND NextPage(HWND main) {
    const HWND before = ShownPage(main);
    const HWND tabs = GetDlgItem(main, IDC_TABS);
    PostMessageA(tabs, WM_KEYDOWN, VK_RIGHT, 0);
    PostMessageA(tabs, WM_KEYUP, VK_RIGHT, 0xC0000001);
    HWND after = nullptr;
    WaitFor([&] { return (after = ShownPage(main)) != nullptr && after != before; }, 10000);
    return after;
}

void Click(HWND page, int id) {
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

// The window's pixels from the screen (it is in front), saved as PNG for people to look at.
// Returns the number of distinct colours within area (window coordinates; empty: all of it).
size_t Photograph(HWND window, const std::string& name, RECT area = {}) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(500);
    RECT frame{};
    GetWindowRect(window, &frame);
    const testsupport::Picture shot = testsupport::CaptureScreen(frame);
    const std::string folder = testsupport::ProgramDirectory() + "..\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    shot.SavePng(folder + "\\" + name + ".png");
    return shot.Colours(area);
}

// A control's rectangle in its top-level window's coordinates.
RECT InWindow(HWND control, HWND window) {
    RECT rect{}, frame{};
    GetWindowRect(control, &rect);
    GetWindowRect(window, &frame);
    OffsetRect(&rect, -frame.left, -frame.top);
    return rect;
}

class ToolInKit : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (testsupport::krdrv::ServiceState() != SERVICE_RUNNING) InitDrv();
    }
    void SetUp() override {
        ASSERT_TRUE(board_.IsOpen()) << board_.LastError();
        ASSERT_TRUE(board_.ResetBoard());
        ClearSettings();
        testsupport::SetTextValue(HKEY_LOCAL_MACHINE, kToolKey, "KR4Version", "3/8/7");
        for (const char* program : {"ktray.exe", "KR4.EXE", "kclktune.exe"})
            testsupport::SetTextValue(HKEY_CURRENT_USER,
                                      std::string("Software\\Wine\\AppDefaults\\") + program,
                                      "Version", "winxp");
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        SetEnvironmentVariableA("KCLKTUNE_JOURNAL",
                                (std::string(temp) + "kr4_kit\\journal.csv").c_str());
        // The countdown at its shortest, so that a timeout is seen soon.
        SetSeconds("KeepSeconds", 5);
    }
    void TearDown() override {
        KillTools();
        ktray_.End();
        if (board_.IsOpen()) board_.ResetBoard();
        ClearSettings();
    }
    static void ClearSettings() {
        testsupport::RemoveTree(HKEY_LOCAL_MACHINE, kToolKey);
        testsupport::RemoveTree(HKEY_CURRENT_USER, "Software\\Corvane");
        testsupport::RemoveTree(HKEY_CURRENT_USER, "Software\\Kestrel");
    }
    static void SetSeconds(const char* name, DWORD seconds) {
        testsupport::SetRawValue(HKEY_CURRENT_USER, kToolKey, name, REG_DWORD, &seconds, 4);
    }
    void StartKtray() {
        ktray_ = Process(kit_.Path() + "ktray.exe", SW_SHOWNORMAL, kit_.Path());
        ASSERT_TRUE(WaitFor([] { return FindWindowA(nullptr, "CVXM20") != nullptr; }, 30000))
            << "ktray did not start";
    }
    bool ExitKtray() {
        PostMessageA(FindWindowA(nullptr, "CVXM20"), WM_COMMAND, kAppExit, 0);
        const bool ended = ktray_.Ended(15000);
        ktray_.End();
        return ended;
    }
    HWND OpenTool() {
        tool_ = Process(kit_.Path() + "KR4\\KR4.EXE", SW_SHOWNORMAL, kit_.Path() + "KR4");
        HWND main = nullptr;
        WaitFor([&] { return (main = MainWindow()) != nullptr; }, 60000);
        return main;
    }
    board::ClockSetting Clock() {
        board::FirmwareModel model;
        EXPECT_TRUE(board_.ReadFirmware(model));
        return model.clock.current;
    }
    // What a run may change: the clocks, the voltages and the ratio.
    std::vector<uint16_t> Settable() {
        board::FirmwareModel model;
        EXPECT_TRUE(board_.ReadFirmware(model));
        const board::ClockSetting& c = model.clock.current;
        return {c.fsb, c.dram, c.agp, c.pci, model.voltages[0].current,
                model.voltages[1].current, model.voltages[2].current, model.ratio.current};
    }
    // Types fsb into the Clocks page and presses Apply; the countdown box, or null.
    HWND ApplyFsb(HWND page, const char* fsb) {
        SendMessageA(GetDlgItem(page, IDC_ROW_VALUE + 0), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(fsb));
        Click(page, IDC_TUNING_APPLY);
        HWND box = nullptr;
        WaitFor([&] { return (box = FindWindowA(nullptr, kKeepTitle)) != nullptr; }, 60000);
        return box;
    }

    KitFolder kit_;
    Process ktray_, tool_;
    testsupport::BoardDriver board_;
};

// ktray's "Execute Kestrel4" opens the real tool; a limit set on its monitor page and saved
// makes ktray's alarm sound while the tool is open, and the sound stops when it closes.
TEST_F(ToolInKit, OpenedFromTheTrayItsLimitSoundsTheAlarmUntilItCloses) {
    testsupport::ClearMonitor();
    for (int i = 1; i <= 3; ++i) testsupport::SetTemperature(i, 50);
    for (int i = 1; i <= 3; ++i) testsupport::SetFanCount(i, 4000);
    const std::string bin = testsupport::ProgramDirectory();
    const testsupport::ChildRun sound =
        testsupport::RunChild(bin + "kclktune.exe", "settings set audio=on audioflag=beep", bin);
    ASSERT_TRUE(sound.finished && sound.exitCode == 0) << sound.err;
    testsupport::ClearSoundJournal();
    ASSERT_NO_FATAL_FAILURE(StartKtray());
    PostMessageA(FindWindowA(nullptr, "CVXM20"), WM_COMMAND, kRunTuningTool, 0);
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (main = MainWindow()) != nullptr; }, 60000))
        << "no window titled \"" << kTitle << "\"";
    Sleep(3000);
    EXPECT_EQ(std::string::npos, testsupport::SoundJournal().find("PlayBeep("))
        << "an alarm below every limit: " << testsupport::SoundJournal();

    NextPage(main);
    const HWND monitor = NextPage(main);
    ASSERT_TRUE(monitor && GetDlgItem(monitor, IDC_MON_CPUTEMP)) << "no monitor page";
    SendMessageA(GetDlgItem(monitor, IDC_MON_CPUTEMP), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("40"));
    Click(monitor, IDC_MON_SAVE);
    EXPECT_TRUE(WaitFor([] { return testsupport::GetIntValue(HKEY_CURRENT_USER, kToolKey,
                                                             "iCpuTempLimit") == 40; },
                        10000));
    EXPECT_TRUE(WaitFor([] { return testsupport::SoundJournal().find("PlayBeep(") != std::string::npos; },
                        30000))
        << "ktray's alarm did not sound: " << testsupport::SoundJournal();

    testsupport::ClearSoundJournal();
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(tool_.Ended(0) || WaitFor([] { return MainWindow() == nullptr; }, 15000));
    EXPECT_TRUE(WaitFor([] { return testsupport::SoundJournal().find("AllStop") != std::string::npos; },
                        30000))
        << "the alarm went on after the tool closed: " << testsupport::SoundJournal();
    EXPECT_TRUE(ExitKtray());
}

// Apply on the Clocks page: kept when confirmed, the board back at its snapshot when the
// countdown runs out, and a refused probe changes nothing and names the item. Each page and the
// countdown box are photographed and checked for being drawn.
TEST_F(ToolInKit, ApplyKeepsWhenConfirmedRevertsOnTimeoutAndNamesARefusal) {
    HWND main = OpenTool();
    ASSERT_TRUE(main) << "the tool did not open";
    HWND clocks = ShownPage(main);
    ASSERT_TRUE(clocks && GetDlgItem(clocks, IDC_TUNING_APPLY));
    EXPECT_GT(Photograph(main, "kr4-clocks"), 8u) << "the Clocks page is not drawn";

    // Confirmed: kept.
    HWND box = ApplyFsb(clocks, "13500");
    ASSERT_TRUE(box) << "no countdown box; page says: " << Text(GetDlgItem(clocks, IDC_TUNING_MESSAGE));
    EXPECT_EQ(13500, Clock().fsb) << "applied while the box counts down";
    EXPECT_GT(Photograph(box, "kr4-keep-box"), 4u) << "the countdown box is not drawn";
    // Closing the window while the box counts down (a program asking it to) waits for the box.
    PostMessageA(main, WM_CLOSE, 0, 0);
    Sleep(1000);
    ASSERT_EQ(main, MainWindow()) << "the window went while its page waited on the box";
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(WaitFor([] { return FindWindowA(nullptr, kKeepTitle) == nullptr; }, 10000));
    Sleep(1000);
    EXPECT_EQ(13500, Clock().fsb) << "not kept after Keep";

    // Made permanent after its warning: the firmware's boot preset is what was kept.
    Click(clocks, IDC_TUNING_PERMANENT);
    HWND warning = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (warning = FindWindowA(nullptr, "Make permanent in firmware")) !=
                                     nullptr; }, 10000));
    PostMessageA(warning, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    board::FirmwareModel stored;
    EXPECT_TRUE(WaitFor([&] {
        return board_.ReadFirmware(stored) && stored.clock.presets[board::kBootPreset].fsb == 13500;
    }, 30000)) << "page says: " << Text(GetDlgItem(clocks, IDC_TUNING_MESSAGE));

    // Not confirmed: everything back as it was before the apply.
    const std::vector<uint16_t> before = Settable();
    box = ApplyFsb(clocks, "13800");
    ASSERT_TRUE(box);
    EXPECT_EQ(13800, Clock().fsb);
    EXPECT_TRUE(WaitFor([] { return FindWindowA(nullptr, kKeepTitle) == nullptr; }, 30000))
        << "the countdown did not run out";
    EXPECT_TRUE(WaitFor([&] { return Settable() == before; }, 30000))
        << "not reverted: fsb " << Clock().fsb;

    // Refused at its first request: no box, the board unchanged, the item named.
    BoardFaults faults{};
    faults.RefuseFromSet = 1;
    ASSERT_TRUE(board_.SetFaults(faults));
    ASSERT_TRUE(board_.ClearHistory());
    SendMessageA(GetDlgItem(clocks, IDC_ROW_VALUE + 0), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("14000"));
    Click(clocks, IDC_TUNING_APPLY);
    std::string said;
    EXPECT_TRUE(WaitFor([&] {
        said = Text(GetDlgItem(clocks, IDC_TUNING_MESSAGE));
        return said.find("FSB") != std::string::npos;
    }, 60000)) << "page says: " << said;
    EXPECT_EQ(nullptr, FindWindowA(nullptr, kKeepTitle));
    EXPECT_TRUE(Settable() == before) << "fsb " << Clock().fsb;
    for (const BoardHistoryEntry& entry : board_.HistoryEntries())
        EXPECT_NE(BOARD_HISTORY_SET, entry.Kind) << "a set reached the board after a refused probe";
    ASSERT_TRUE(board_.SetFaults(BoardFaults{}));

    // Letters, and a word beyond the firmware's range: the page says what is wrong with the FSB
    // and nothing reaches the board.
    const HWND message = GetDlgItem(clocks, IDC_TUNING_MESSAGE);
    for (const char* typed : {"fast", "30000"}) {
        SendMessageA(message, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        SendMessageA(GetDlgItem(clocks, IDC_ROW_VALUE + 0), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(typed));
        Click(clocks, IDC_TUNING_APPLY);
        EXPECT_TRUE(WaitFor([&] {
            said = Text(message);
            CharLowerA(&said[0]);
            return said.find("fsb") != std::string::npos && said.find("applying") == std::string::npos;
        }, 60000)) << typed << ": page says: " << said;
    }
    EXPECT_EQ(nullptr, FindWindowA(nullptr, kKeepTitle));
    EXPECT_TRUE(Settable() == before) << "fsb " << Clock().fsb;
    for (const BoardHistoryEntry& entry : board_.HistoryEntries())
        EXPECT_NE(BOARD_HISTORY_SET, entry.Kind) << "a set reached the board after bad input";

    // The other pages, drawn: the monitor page's graph has its lines.
    const char* const names[] = {"kr4-voltages", "kr4-monitor", "kr4-fan", "kr4-profiles"};
    HWND page = clocks;
    for (const char* name : names) {
        page = NextPage(main);
        ASSERT_TRUE(page) << name;
        EXPECT_GT(Photograph(main, name), 8u) << name << " is not drawn";
        if (const HWND graph = GetDlgItem(page, IDC_MON_GRAPH)) {
            EXPECT_GE(Photograph(main, name, InWindow(graph, main)), 3u) << "the graph is blank";
        }
    }
    // The profiles page (shown last): an empty name is refused and nothing is stored.
    SendMessageA(GetDlgItem(page, IDC_PROF_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    Click(page, IDC_PROF_SAVE);
    EXPECT_TRUE(WaitFor([&] { return Text(GetDlgItem(page, IDC_PROF_MESSAGE)).find("Name") !=
                                     std::string::npos; }, 10000))
        << Text(GetDlgItem(page, IDC_PROF_MESSAGE));
    EXPECT_FALSE(testsupport::KeyPresent(HKEY_CURRENT_USER, std::string(kToolKey) + "\\Profiles"));
    // Saved here, then the board changes (one DIMM voltage fewer): the profile is refused, named,
    // and nothing is sent.
    SendMessageA(GetDlgItem(page, IDC_PROF_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Mine"));
    Click(page, IDC_PROF_SAVE);
    EXPECT_TRUE(WaitFor([&] { return Text(GetDlgItem(page, IDC_PROF_MESSAGE)).find("Saved") !=
                                     std::string::npos; }, 30000))
        << Text(GetDlgItem(page, IDC_PROF_MESSAGE));
    board::FirmwareModel model;
    ASSERT_TRUE(board_.ReadFirmware(model));
    model.voltages[1].table.length -= 1;
    ASSERT_TRUE(board_.WriteFirmware(model));
    ASSERT_TRUE(board_.ClearHistory());
    Click(page, IDC_PROF_APPLY);
    EXPECT_TRUE(WaitFor([&] { return Text(GetDlgItem(page, IDC_PROF_MESSAGE)).find(
                                         "another board") != std::string::npos; }, 30000))
        << Text(GetDlgItem(page, IDC_PROF_MESSAGE));
    EXPECT_EQ(nullptr, FindWindowA(nullptr, kKeepTitle));
    for (const BoardHistoryEntry& entry : board_.HistoryEntries())
        EXPECT_NE(BOARD_HISTORY_SET, entry.Kind) << "a set for another board's profile";

    // One window per session: a second start brings this one forward and ends.
    Process second(kit_.Path() + "KR4\\KR4.EXE", SW_SHOWNORMAL, kit_.Path() + "KR4");
    EXPECT_TRUE(second.Ended(30000)) << "a second instance stayed";
    EXPECT_EQ(1u, ToolProcesses().size());
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(tool_.Ended(15000));
}

// Auto overclock: ktray's menu switches it on, the next ktray start starts the tool hidden and
// the start-up profile reaches the board. After a hang in the stability window and a reboot,
// the next start applies nothing, and the tool tells the user once when it is opened.
TEST_F(ToolInKit, AutoOverclockAtLogonAndNoSecondTryAfterAHang) {
    const std::string bin = testsupport::ProgramDirectory();
    for (const char* arguments : {"profile save Fast fsb=14000", "startup set Fast"}) {
        const testsupport::ChildRun run = testsupport::RunChild(bin + "kclktune.exe", arguments, bin);
        ASSERT_TRUE(run.finished && run.exitCode == 0) << arguments << ": " << run.err;
    }
    SetSeconds("StartupDelay", 0);
    SetSeconds("StartupWindow", 2);

    ASSERT_NO_FATAL_FAILURE(StartKtray());
    EXPECT_TRUE(ToolProcesses().empty()) << "started before auto overclock was switched on";
    PostMessageA(FindWindowA(nullptr, "CVXM20"), WM_COMMAND, kAutoOverclock, 0);
    ASSERT_TRUE(WaitFor([] { return testsupport::KeyPresent(HKEY_CURRENT_USER,
                                                            std::string(kToolKey) + "\\AutoOver"); },
                        10000));
    ASSERT_TRUE(ExitKtray());

    // Logon: the tool runs hidden, applies, waits out its window and ends.
    ASSERT_NO_FATAL_FAILURE(StartKtray());
    EXPECT_TRUE(WaitFor([&] { return Clock().fsb == 14000; }, 90000)) << "fsb " << Clock().fsb;
    EXPECT_EQ(nullptr, MainWindow()) << "the hidden start showed a window";
    EXPECT_TRUE(WaitFor([] { return ToolProcesses().empty(); }, 60000)) << "the tool stayed";
    EXPECT_FALSE(testsupport::GetRawValue(HKEY_CURRENT_USER, kToolKey, "StartupPending").present);
    ASSERT_TRUE(ExitKtray());

    // A logon whose apply hangs the machine in the stability window, then the reset button.
    SetSeconds("StartupWindow", 300);
    ASSERT_TRUE(board_.Reboot());
    ASSERT_NO_FATAL_FAILURE(StartKtray());
    EXPECT_TRUE(WaitFor([] {
        const testsupport::RawValue mark =
            testsupport::GetRawValue(HKEY_CURRENT_USER, kToolKey, "StartupPending");
        return mark.present && std::string(mark.bytes.begin(), mark.bytes.end()).find(
                                   "step=verified") != std::string::npos;
    }, 90000)) << "the start-up never reached its window";
    KillTools();
    ASSERT_TRUE(ExitKtray());
    ASSERT_TRUE(board_.Reboot());
    ASSERT_TRUE(board_.ClearHistory());

    // The next logon applies nothing.
    ASSERT_NO_FATAL_FAILURE(StartKtray());
    EXPECT_TRUE(WaitFor([] { return !ToolProcesses().empty(); }, 30000)) << "not started";
    EXPECT_TRUE(WaitFor([] { return ToolProcesses().empty(); }, 60000)) << "the tool stayed";
    EXPECT_EQ(13333, Clock().fsb);
    for (const BoardHistoryEntry& entry : board_.HistoryEntries())
        EXPECT_NE(BOARD_HISTORY_SET, entry.Kind) << "a set after the hang";
    ASSERT_TRUE(ExitKtray());

    // Told once: the first opening shows the story, the second does not.
    ASSERT_TRUE(OpenTool() || MessageBoxWith("did not finish")) << "the tool did not open";
    HWND told = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (told = MessageBoxWith("did not finish")) != nullptr; }, 30000));
    EXPECT_NE(std::string::npos, Text(GetDlgItem(told, 0xFFFF)).find("Fast"));
    PostMessageA(told, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (main = MainWindow()) != nullptr; }, 30000));
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(tool_.Ended(15000));
    main = OpenTool();
    ASSERT_TRUE(main);
    Sleep(3000);
    EXPECT_EQ(nullptr, MessageBoxWith("did not finish")) << "told twice";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(tool_.Ended(15000));
}

}  // namespace
