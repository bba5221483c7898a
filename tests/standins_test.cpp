// The board's stand-ins for what ktray meets, as other tests rely on them: the monitor library
// reads what the bench set, the sound library journals each call and knows whether it plays, the
// tool recorder records exactly how the shell started it, and the tuning tool's stand-in shows a
// window under the build title until it is closed.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "bench_keys.h"
#include "bench_records.h"
#include "monitor_library.h"
#include "sound_library.h"
#include "tuning_tool_window.h"

namespace {

using namespace testsupport;

bool SameText(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

void SetRawValue(const char* path, const char* name, DWORD type, const void* data, DWORD size) {
    bench::Key key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, path));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), name, 0, type,
                                            static_cast<const BYTE*>(data), size));
}

// --- Hardware monitor ----------------------------------------------------------------------

TEST(MonitorLibrary, ReadsWhatTheBenchSetAndMinusOneForTheRest) {
    ClearMonitor();
    SetTemperature(1, 45);
    SetTemperature(3, -5);
    SetFanCount(2, 2800);
    SetFanCount(5, 0);
    // Values that are set, but not as a reading: beyond the range, of the wrong type or size.
    const DWORD four = 99;
    SetRawValue(bench::kMonitorKey, "Temp4", REG_DWORD, &four, 4);
    SetRawValue(bench::kMonitorKey, "Fan0", REG_DWORD, &four, 4);
    SetRawValue(bench::kMonitorKey, "Temp2", REG_SZ, "70", 3);
    SetRawValue(bench::kMonitorKey, "Fan1", REG_BINARY, &four, 2);

    struct Case {
        bool fan;
        int index;
        int expected;
    } const cases[] = {
        {false, 1, 45}, {false, 2, -1},   {false, 3, -5}, {false, 0, -1}, {false, 4, -1},
        {true, 1, -1},  {true, 2, 2800},  {true, 3, -1},  {true, 4, -1},  {true, 5, 0},
        {true, 0, -1},  {true, 6, -1},    {true, -1, -1},
    };
    for (const Case& c : cases) {
        int guarded[3] = {0x5A5A5A5A, 12345, 0x5A5A5A5A};
        if (c.fan)
            W_Get_FanCount(c.index, &guarded[1]);
        else
            W_Get_TempValue(c.index, &guarded[1]);
        EXPECT_EQ(c.expected, guarded[1]) << (c.fan ? "fan " : "temperature ") << c.index;
        EXPECT_EQ(0x5A5A5A5A, guarded[0]);
        EXPECT_EQ(0x5A5A5A5A, guarded[2]);
    }
    EXPECT_EQ(std::size(cases), MonitorReadCount());
}

TEST(MonitorLibrary, CountsEveryCallAndIgnoresANullPointer) {
    ClearMonitor();
    EXPECT_EQ(0u, MonitorReadCount());
    SetTemperature(1, 50);
    W_Get_TempValue(1, nullptr);
    W_Get_FanCount(9, nullptr);
    EXPECT_EQ(2u, MonitorReadCount());
    ClearTemperature(1);
    int reading = 0;
    W_Get_TempValue(1, &reading);
    EXPECT_EQ(-1, reading);
    EXPECT_EQ(3u, MonitorReadCount());
}

// --- Sound ---------------------------------------------------------------------------------

// The stand-in's player, bound by the names it exports and called as members are (thiscall),
// in storage of the size ktray reserves; guard bytes on both sides show any write outside it.
struct GuardedPlayer {
    using Constructor = void(__attribute__((thiscall)) *)(void*);
    using PlayFileMember = int(__attribute__((thiscall)) *)(void*, char const*, int);
    using PlayBeepMember = int(__attribute__((thiscall)) *)(void*, int);
    using IsPlayMember = int(__attribute__((thiscall)) *)(void*);
    using AllStopMember = void(__attribute__((thiscall)) *)(void*);

    unsigned char before[16];
    alignas(8) unsigned char storage[ktray::kSoundStorageBytes];
    unsigned char after[16];
    HMODULE module = LoadLibraryA(ktray::kSoundLibraryFile);

    GuardedPlayer() {
        std::memset(before, 0xA5, sizeof before);
        std::memset(after, 0xA5, sizeof after);
        std::memset(storage, 0, sizeof storage);
        if (auto construct = Find<Constructor>(ktray::kSoundConstructorName)) construct(storage);
    }
    template <typename Member>
    Member Find(const char* name) const {
        return reinterpret_cast<Member>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    bool Bound() const {
        return Find<void*>(ktray::kSoundConstructorName) && Find<void*>(ktray::kSoundPlayFileName) &&
               Find<void*>(ktray::kSoundPlayBeepName) && Find<void*>(ktray::kSoundIsPlayName) &&
               Find<void*>(ktray::kSoundAllStopName);
    }
    int PlayFile(const char* path, int flags) {
        return Find<PlayFileMember>(ktray::kSoundPlayFileName)(storage, path, flags);
    }
    int PlayBeep(int kind) { return Find<PlayBeepMember>(ktray::kSoundPlayBeepName)(storage, kind); }
    int IsPlay() { return Find<IsPlayMember>(ktray::kSoundIsPlayName)(storage); }
    void AllStop() { Find<AllStopMember>(ktray::kSoundAllStopName)(storage); }
    bool GuardsIntact() const {
        return std::all_of(std::begin(before), std::end(before), [](unsigned char b) { return b == 0xA5; }) &&
               std::all_of(std::begin(after), std::end(after), [](unsigned char b) { return b == 0xA5; });
    }
};

TEST(SoundLibrary, JournalsEachCallInOrderAndKnowsWhetherItPlays) {
    ClearSoundJournal();
    GuardedPlayer place;
    ASSERT_TRUE(place.Bound());
    GuardedPlayer* player = &place;
    EXPECT_EQ(0, player->IsPlay());
    player->PlayFile("Default.wav", 0);
    EXPECT_NE(0, player->IsPlay());
    player->AllStop();
    EXPECT_EQ(0, player->IsPlay());
    player->PlayBeep(0);
    EXPECT_NE(0, player->IsPlay());
    player->AllStop();
    EXPECT_EQ("IsPlay;PlayFile(Default.wav,0);IsPlay;AllStop;IsPlay;PlayBeep(0);IsPlay;AllStop;",
              SoundJournal());
    EXPECT_TRUE(place.GuardsIntact());
}

TEST(SoundLibrary, JournalStopsWholeEntriesAtItsLimitAndSurvivesForeignValues) {
    GuardedPlayer place;
    ASSERT_TRUE(place.Bound());
    GuardedPlayer* player = &place;
    const std::string full(bench::kJournalLimit, 'x');
    struct Case {
        const char* what;
        DWORD type;
        std::string stored;
        bool terminated;
        std::string expected;
    } const cases[] = {
        {"fits exactly", REG_SZ, full.substr(8), true, full.substr(8) + "AllStop;"},
        {"one byte short", REG_SZ, full.substr(7), true, full.substr(7)},
        {"already past the limit", REG_SZ, full + "yyyy", true, full + "yyyy"},
        {"stored without its zero", REG_SZ, "IsPlay;", false, "IsPlay;AllStop;"},
        {"not a string", REG_BINARY, "junk", true, "AllStop;"},
    };
    for (const Case& c : cases) {
        ClearSoundJournal();
        SetRawValue(bench::kSoundKey, bench::kJournalValue, c.type, c.stored.c_str(),
                    static_cast<DWORD>(c.stored.size() + (c.terminated ? 1 : 0)));
        player->AllStop();
        const std::string journal = SoundJournal();
        // Compared whole, reported by size and ending: the journals run to 16 KiB.
        EXPECT_TRUE(c.expected == journal)
            << c.what << ": expected " << c.expected.size() << " bytes ending \""
            << c.expected.substr(c.expected.size() - std::min<size_t>(12, c.expected.size()))
            << "\", got " << journal.size() << " bytes ending \""
            << journal.substr(journal.size() - std::min<size_t>(12, journal.size())) << "\"";
    }
    EXPECT_TRUE(place.GuardsIntact());
    ClearSoundJournal();
}

// --- Launched programs ---------------------------------------------------------------------

std::string WithoutTrailingBackslash(std::string path) {
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

TEST(ToolRecorder, RecordsTheFileParametersDirectoryAndShowCommandOfAShellStart) {
    ClearLaunchRecords();
    const std::string program = ToolStandInPath("dmi\\platecfg.exe");
    const std::string directory = ToolStandInPath("LogoSm\\");
    const auto started = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, nullptr, program.c_str(), "www.example.com /q", directory.c_str(),
                      SW_HIDE));
    ASSERT_GT(started, 32);
    ASSERT_TRUE(WaitForLaunchRecords(1, 10000));
    const auto records = LaunchRecords();
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(SameText(program, records[0].module)) << records[0].module;
    EXPECT_EQ("www.example.com /q", records[0].arguments);
    EXPECT_NE(std::string::npos, records[0].commandLine.find("platecfg.exe"));
    EXPECT_TRUE(SameText(WithoutTrailingBackslash(directory), records[0].directory))
        << records[0].directory;
    EXPECT_EQ(SW_HIDE, records[0].show);
}

// Records follow one another in the order of the starts; a start that names no show command
// (CreateProcess without STARTF_USESHOWWINDOW) records -1.
TEST(ToolRecorder, NumbersRecordsInOrderAndTellsAMissingShowCommand) {
    ClearLaunchRecords();
    const std::string program = ToolStandInPath("bios\\Rvflash.exe");
    constexpr size_t kStarts = 3;
    for (size_t i = 0; i < kStarts; ++i) {
        std::string commandLine = "\"" + program + "\"  run " + std::to_string(i);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &startup, &process));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ASSERT_TRUE(WaitForLaunchRecords(i + 1, 10000));
    }
    const auto records = LaunchRecords();
    ASSERT_EQ(kStarts, records.size());
    for (size_t i = 0; i < kStarts; ++i) {
        EXPECT_TRUE(SameText(program, records[i].module)) << records[i].module;
        EXPECT_EQ("run " + std::to_string(i), records[i].arguments);
        EXPECT_EQ(-1, records[i].show);
    }
    ClearLaunchRecords();
}

// --- The tuning tool's stand-in ------------------------------------------------------------

TEST(TuningToolStandIn, FormsTheBuildTitleAsKtrayDoes) {
    struct Case {
        const char* version;
        const char* title;  // nullptr: not a build date
    } const cases[] = {
        {"3/8/7", "Kestrel4 Build 3.08.07"},      {"12/25/103", "Kestrel4 Build 12.25.103"},
        {"0/0/0", "Kestrel4 Build 0.00.00"},      {"99999/1/2", "Kestrel4 Build 99999.01.02"},
        {"3/8/7 ", "Kestrel4 Build 3.08.07"},     {" 3/+8/7x", "Kestrel4 Build 3.08.07"},
        {"3/8", nullptr},      {"3 /8/7", nullptr},  {"-3/8/7", nullptr},
        {"a/b/c", nullptr},    {"", nullptr},        {"100000/1/1", nullptr},
    };
    for (const Case& c : cases) {
        char title[64] = "untouched";
        EXPECT_EQ(c.title != nullptr, tools::FormatBuildTitle(c.version, title, sizeof title))
            << c.version;
        if (c.title) {
            EXPECT_STREQ(c.title, title) << c.version;
        }
    }
    char small[16] = "untouched";
    EXPECT_FALSE(tools::FormatBuildTitle("3/8/7", small, sizeof small));
}

// The tool's build date in HKLM, put back as it was when the test ends.
class InstalledVersion {
public:
    InstalledVersion() {
        bench::Key key;
        if (key.Open(HKEY_LOCAL_MACHINE, kKey)) {
            DWORD size = sizeof saved_ - 1;
            had_ = RegQueryValueExA(key.Get(), kValue, nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(saved_), &size) == ERROR_SUCCESS;
            savedSize_ = size;
        }
    }
    ~InstalledVersion() {
        bench::Key key;
        if (!key.Create(HKEY_LOCAL_MACHINE, kKey)) return;
        if (had_)
            RegSetValueExA(key.Get(), kValue, 0, REG_SZ, reinterpret_cast<BYTE*>(saved_), savedSize_);
        else
            RegDeleteValueA(key.Get(), kValue);
    }
    void Set(const char* version) {
        bench::Key key;
        ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, kKey));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), kValue, 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(version),
                                                static_cast<DWORD>(std::strlen(version) + 1)));
    }

private:
    static constexpr char kKey[] = "Software\\Corvane\\Kestrel4";
    static constexpr char kValue[] = "KR4Version";
    bool had_ = false;
    char saved_[256] = {};
    DWORD savedSize_ = 0;
};

HWND WaitForWindow(const std::string& title, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    HWND window;
    while (!(window = FindTuningToolWindow(title)) && GetTickCount() - start < timeoutMs) Sleep(50);
    return window;
}

TEST(TuningToolStandIn, OpensItsWindowUnderTheBuildTitleWithTheShowCommandGiven) {
    InstalledVersion version;
    struct Case {
        const char* version;
        int show;
        const char* title;
    } const cases[] = {
        {"3/8/7", SW_SHOWNORMAL, "Kestrel4 Build 3.08.07"},
        {"not a date", SW_HIDE, "Kestrel4 Build03.080701"},
    };
    for (const Case& c : cases) {
        version.Set(c.version);
        ClearLaunchRecords();
        const std::string tool = ToolStandInPath("KR4\\KR4.EXE");
        const std::string folder = ToolStandInPath("KR4\\");
        ASSERT_GT(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, nullptr, tool.c_str(), nullptr,
                                                          folder.c_str(), c.show)),
                  32);
        const HWND window = WaitForWindow(c.title, 10000);
        ASSERT_NE(nullptr, window) << c.title;
        EXPECT_EQ(c.show != SW_HIDE, IsWindowVisible(window) != FALSE) << c.title;
        ASSERT_TRUE(WaitForLaunchRecords(1, 5000));
        EXPECT_EQ(c.show, LaunchRecords()[0].show);
        EXPECT_TRUE(CloseTuningToolWindow(c.title));
        EXPECT_EQ(nullptr, FindTuningToolWindow(c.title));
    }
    ClearLaunchRecords();
}

}  // namespace
