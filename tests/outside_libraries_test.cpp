// ktray's binding of the maker's monitor and sound libraries at run time: the monitor called so
// that either convention its plain names allow leaves the stack right, the sound library's
// player bound by the names Microsoft's compiler gives CSound's members and called as members,
// and what is left of both when they are not there.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "bench_records.h"
#include "import_patch.h"
#include "monitor_library.h"
#include "sound_library.h"

extern "C" uint32_t __cdecl kit_CallMeasuringStack(void* fn, int argc, const uint32_t* args,
                                                    int32_t* espDelta);

namespace {

using namespace testsupport;

constexpr char kStdcallMonitor[] = "monitor_stdcall.dll";  // the test's own stdcall build

// --- The monitor library ---------------------------------------------------------------------

struct MonitorBuild {
    const char* file;
    int32_t calleePops;  // bytes the library's functions remove themselves
    int temperature2, fan3;
};
const MonitorBuild kMonitorBuilds[] = {
    {ktray::kMonitorLibraryFile, 0, 55, 2400},  // the stand-in, cdecl; readings set below
    {kStdcallMonitor, 8, 32, 3007},             // stdcall
};

TEST(MonitorBinding, EitherConventionLeavesTheStackAsItWas) {
    ClearMonitor();
    SetTemperature(2, 55);
    SetFanCount(3, 2400);
    for (const MonitorBuild& build : kMonitorBuilds) {
        SCOPED_TRACE(build.file);
        const HMODULE module = LoadLibraryA(build.file);
        ASSERT_NE(nullptr, module);
        for (const char* name : {"W_Get_TempValue", "W_Get_FanCount"}) {
            SCOPED_TRACE(name);
            const FARPROC function = GetProcAddress(module, name);
            ASSERT_NE(nullptr, function);
            int value = -5;
            const uint32_t index = name[6] == 'T' ? 2 : 3;
            // The library's own convention, seen directly.
            const uint32_t direct[] = {index, reinterpret_cast<uint32_t>(&value)};
            int32_t delta = -1;
            kit_CallMeasuringStack(reinterpret_cast<void*>(function), 2, direct, &delta);
            EXPECT_EQ(build.calleePops, delta) << "the build is not what the test means";
            // ktray's call of it leaves the stack as a cdecl call does, whichever it is.
            value = -5;
            const uint32_t viaKtray[] = {reinterpret_cast<uint32_t>(function), index,
                                         reinterpret_cast<uint32_t>(&value)};
            delta = -1;
            kit_CallMeasuringStack(reinterpret_cast<void*>(&ktray_CallMonitorFunction), 3,
                                   viaKtray, &delta);
            EXPECT_EQ(0, delta);
            EXPECT_EQ(index == 2 ? build.temperature2 : build.fan3, value);
        }
        FreeLibrary(module);
    }
    ClearMonitor();
}

TEST(MonitorBinding, ReadsThroughEitherBuildAndNothingWithoutOne) {
    ClearMonitor();
    SetTemperature(2, 55);
    SetFanCount(3, 2400);
    for (const MonitorBuild& build : kMonitorBuilds) {
        SCOPED_TRACE(build.file);
        ktray::MonitorLibrary library;
        ASSERT_TRUE(library.Load(build.file));
        int guarded[3] = {0x5A5A5A5A, -5, 0x5A5A5A5A};
        library.TempValue(2, &guarded[1]);
        EXPECT_EQ(build.temperature2, guarded[1]);
        library.FanCount(3, &guarded[1]);
        EXPECT_EQ(build.fan3, guarded[1]);
        EXPECT_EQ(0x5A5A5A5A, guarded[0]);
        EXPECT_EQ(0x5A5A5A5A, guarded[2]);
    }
    // No such file, or a library without the two functions: no reading, the value untouched.
    for (const char* file : {"no_such_monitor.dll", ktray::kSoundLibraryFile}) {
        SCOPED_TRACE(file);
        ktray::MonitorLibrary library;
        EXPECT_FALSE(library.Load(file));
        EXPECT_FALSE(library.Loaded());
        int value = -1;
        EXPECT_EQ(0, library.TempValue(1, &value));
        EXPECT_EQ(0, library.FanCount(1, &value));
        EXPECT_EQ(-1, value);
    }
}

// --- The sound library -----------------------------------------------------------------------

// The names a library exports, from its export directory.
std::set<std::string> ExportedNames(const char* file) {
    std::set<std::string> names;
    const HMODULE module = LoadLibraryExA(file, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!module) return names;
    auto base = reinterpret_cast<const BYTE*>(module);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (dir.VirtualAddress) {
        auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
        auto nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        for (DWORD i = 0; i < exports->NumberOfNames; ++i)
            names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
    }
    FreeLibrary(module);
    return names;
}

TEST(SoundBinding, StandInExportsExactlyTheMembersUnderMicrosoftsNames) {
    const std::set<std::string> expected = {
        ktray::kSoundConstructorName, ktray::kSoundPlayFileName, ktray::kSoundPlayBeepName,
        ktray::kSoundIsPlayName, ktray::kSoundAllStopName};
    EXPECT_EQ(expected, ExportedNames(ktray::kSoundLibraryFile));
    EXPECT_EQ("??0CSound@@QAE@XZ", std::string(ktray::kSoundConstructorName));
    EXPECT_EQ("?PlayFile@CSound@@QAEHPBDH@Z", std::string(ktray::kSoundPlayFileName));
    EXPECT_EQ("?PlayBeep@CSound@@QAEHH@Z", std::string(ktray::kSoundPlayBeepName));
    EXPECT_EQ("?IsPlay@CSound@@QAEHXZ", std::string(ktray::kSoundIsPlayName));
    EXPECT_EQ("?AllStop@CSound@@QAEXXZ", std::string(ktray::kSoundAllStopName));
}

TEST(SoundBinding, PlayerOfTheLibraryPlaysAndKnowsWhetherItPlays) {
    ClearSoundJournal();
    CSound sound;
    ASSERT_TRUE(sound.Bound());
    EXPECT_EQ(0, sound.IsPlay());
    // Many calls in a row: a convention that left the stack wrong would not survive them.
    for (int i = 0; i < 50; ++i) {
        sound.PlayBeep(0);
        sound.AllStop();
    }
    ClearSoundJournal();
    sound.PlayFile("C:\\alarm.wav", 0);
    EXPECT_NE(0, sound.IsPlay());
    sound.AllStop();
    EXPECT_EQ(0, sound.IsPlay());
    sound.PlayBeep(0);
    EXPECT_NE(0, sound.IsPlay());
    EXPECT_EQ("PlayFile(C:\\alarm.wav,0);IsPlay;AllStop;IsPlay;PlayBeep(0);IsPlay;",
              SoundJournal());
    ClearSoundJournal();
}

std::vector<UINT> g_beeps;
BOOL WINAPI RecordingMessageBeep(UINT kind) {
    g_beeps.push_back(kind);
    return TRUE;
}

TEST(SoundBinding, WithoutTheLibraryAnAlarmBeepsThroughTheSystem) {
    ImportPatch patch(nullptr, "user32.dll", "MessageBeep",
                      reinterpret_cast<void*>(&RecordingMessageBeep));
    ASSERT_TRUE(patch.Active());
    ClearSoundJournal();
    // Not there at all, or a library that lacks the player's members.
    for (const char* file : {"no_such_sound.dll", ktray::kMonitorLibraryFile}) {
        SCOPED_TRACE(file);
        g_beeps.clear();
        CSound sound(file);
        EXPECT_FALSE(sound.Bound());
        sound.PlayBeep(0);
        sound.PlayFile("C:\\alarm.wav", 0);
        EXPECT_EQ(0, sound.IsPlay());
        sound.AllStop();
        EXPECT_EQ((std::vector<UINT>{0xFFFFFFFFu, 0xFFFFFFFFu}), g_beeps);
    }
    EXPECT_EQ("", SoundJournal());
}

}  // namespace
