// The tuning core's stores: profiles in the registry and in files, the boot guard of the hidden
// start, and ktray's settings written by the core and read back through ktray's own code.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "boot_guard.h"
#include "child_run.h"
#include "fan_schedule.h"
#include "hardware_alarm.h"
#include "message_box_catcher.h"
#include "processor_check.h"
#include "profiles.h"
#include "program_directory.h"
#include "registry.h"
#include "scratch_registry.h"
#include "sound_library.h"
#include "tray_settings.h"

namespace {

using namespace testsupport;

const std::string kTool = "Software\\Corvane\\Kestrel4";
const std::string kProfiles = kTool + "\\Profiles";
constexpr char kBoardA[] = "fnv1a64:00000000000000aa/40";
constexpr char kBoardB[] = "fnv1a64:00000000000000bb/40";

tune::Profile MakeProfile(const std::string& name, uint16_t fsb, const char* board = kBoardA) {
    tune::Profile profile;
    profile.name = name;
    profile.identity = board;
    profile.targets.Set(tune::Item::Fsb, fsb);
    profile.targets.Set(tune::Item::Vcore, 1525);
    return profile;
}

bool SameTargets(const tune::TargetSet& a, const tune::TargetSet& b) {
    for (int i = 0; i < tune::kItemCount; ++i)
        if (a.has[i] != b.has[i] || (a.has[i] && a.value[i] != b.value[i])) return false;
    return true;
}

class UserSettings : public testing::Test {
protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear() {
        RemoveTree(HKEY_CURRENT_USER, "Software\\Corvane");
        RemoveTree(HKEY_CURRENT_USER, "Software\\Kestrel");
    }
};

// --- Profiles ------------------------------------------------------------------------------------

TEST(BoardIdentity, DigestOfTheWordsAndTheirCount) {
    // FNV-1a of no bytes is its offset basis; one word hashes its low byte first.
    EXPECT_EQ("fnv1a64:cbf29ce484222325/0", tune::BoardIdentityText({}));
    EXPECT_EQ("fnv1a64:082f2207b4e88cc4/1", tune::BoardIdentityText({0x0001}));
    EXPECT_NE(tune::BoardIdentityText({1, 2}), tune::BoardIdentityText({2, 1}));
    EXPECT_NE(tune::BoardIdentityText({0x0100}), tune::BoardIdentityText({0x0001}));
}

TEST(ProfileNames, Table) {
    using P = tune::NameProblem;
    const struct {
        std::string name;
        P problem;
    } cases[] = {
        {"Fast", P::None},
        {"a", P::None},
        {std::string(64, 'x'), P::None},
        {"with blank inside", P::None},
        {"", P::Empty},
        {std::string(65, 'x'), P::TooLong},
        {"a\\b", P::Backslash},
        {"\\", P::Backslash},
        {"tab\there", P::ControlCharacter},
        {std::string("nul\0x", 5), P::ControlCharacter},
        {"del\x7f", P::ControlCharacter},
        {" lead", P::EdgeBlank},
        {"trail ", P::EdgeBlank},
    };
    for (const auto& c : cases) EXPECT_EQ(c.problem, tune::CheckProfileName(c.name)) << c.name;
}

TEST(ProfileText, RoundTripsAndRefusesWhatIsNotOneWholeProfile) {
    tune::Profile profile = MakeProfile("Fast", 14000);
    profile.targets.Set(tune::Item::Mib, 0);
    for (const char* lineEnd : {"\n", "\r\n"}) {
        tune::Profile back;
        std::string error;
        ASSERT_TRUE(tune::ParseProfileText(tune::ProfileText(profile, lineEnd), back, error))
            << error;
        EXPECT_EQ("Fast", back.name);
        EXPECT_EQ(kBoardA, back.identity);
        EXPECT_TRUE(SameTargets(profile.targets, back.targets));
    }
    const std::string good = tune::ProfileText(profile);
    const struct {
        const char* what;
        std::string text;
    } bad[] = {
        {"empty", ""},
        {"other header", "kclktune profile 2\nname=a\nboard=x\nfsb=1\nend\n"},
        {"no end", "kclktune profile 1\nname=a\nboard=x\nfsb=1\n"},
        {"cut in the end line", good.substr(0, good.size() - 2)},
        {"cut without the last break", good.substr(0, good.size() - 1)},
        {"cut in a number", good.substr(0, good.find("fsb=") + 6)},
        {"text after end", good + "fsb=2\n"},
        {"binary", std::string("kclktune profile 1\nname=a\0\nboard=x\nfsb=1\nend\n", 43)},
        {"unknown item", "kclktune profile 1\nname=a\nboard=x\nturbo=1\nend\n"},
        {"upper-case item", "kclktune profile 1\nname=a\nboard=x\nFSB=1\nend\n"},
        {"item twice", "kclktune profile 1\nname=a\nboard=x\nfsb=1\nfsb=2\nend\n"},
        {"word too large", "kclktune profile 1\nname=a\nboard=x\nfsb=65536\nend\n"},
        {"negative word", "kclktune profile 1\nname=a\nboard=x\nfsb=-1\nend\n"},
        {"hex word", "kclktune profile 1\nname=a\nboard=x\nfsb=0x10\nend\n"},
        {"empty word", "kclktune profile 1\nname=a\nboard=x\nfsb=\nend\n"},
        {"no items", "kclktune profile 1\nname=a\nboard=x\nend\n"},
        {"no name", "kclktune profile 1\nboard=x\nfsb=1\nend\n"},
        {"no board", "kclktune profile 1\nname=a\nfsb=1\nend\n"},
        {"bad name", "kclktune profile 1\nname=a\\b\nboard=x\nfsb=1\nend\n"},
        {"line without =", "kclktune profile 1\nname=a\nboard=x\nfsb 1\nend\n"},
        {"too large", good + std::string(4096, '\n')},
    };
    for (const auto& c : bad) {
        tune::Profile out = MakeProfile("untouched", 1);
        std::string error;
        EXPECT_FALSE(tune::ParseProfileText(c.text, out, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_EQ(std::string::npos, error.find('\n')) << c.what << ": " << error;
        EXPECT_EQ("untouched", out.name) << c.what;
    }
}

TEST_F(UserSettings, ProfilesSaveReadListReplaceAndDelete) {
    tune::ProfileStore store;
    std::string error;
    EXPECT_TRUE(store.List().empty());
    ASSERT_TRUE(store.Save(MakeProfile("beta", 14000), error)) << error;
    ASSERT_TRUE(store.Save(MakeProfile("Alpha", 15000), error)) << error;
    EXPECT_EQ((std::vector<std::string>{"Alpha", "beta"}), store.List());

    // Stored below the tool's key as one value holding the whole text.
    const RawValue raw = GetRawValue(HKEY_CURRENT_USER, kProfiles + "\\beta", "Profile");
    ASSERT_TRUE(raw.present);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw.type);
    EXPECT_EQ(tune::ProfileText(MakeProfile("beta", 14000)) + std::string(1, '\0'),
              std::string(raw.bytes.begin(), raw.bytes.end()));

    tune::Profile read;
    ASSERT_EQ(tune::ProfileStore::Load::Ok, store.Read("BETA", read, error)) << error;
    EXPECT_EQ(14000, read.targets.Get(tune::Item::Fsb));
    ASSERT_TRUE(store.Save(MakeProfile("beta", 16667), error));
    ASSERT_EQ(tune::ProfileStore::Load::Ok, store.Read("beta", read, error));
    EXPECT_EQ(16667, read.targets.Get(tune::Item::Fsb));

    EXPECT_EQ(tune::ProfileStore::Load::Missing, store.Read("gamma", read, error));
    EXPECT_FALSE(store.Delete("gamma", error));
    EXPECT_TRUE(store.Delete("beta", error)) << error;
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kProfiles + "\\beta"));
    EXPECT_EQ((std::vector<std::string>{"Alpha"}), store.List());

    // A damaged value is no profile to apply, but can be replaced or deleted.
    SetTextValue(HKEY_CURRENT_USER, kProfiles + "\\worn", "Profile",
                 "kclktune profile 1\nname=worn\n");
    EXPECT_EQ(tune::ProfileStore::Load::Damaged, store.Read("worn", read, error));
    EXPECT_NE(std::string::npos, error.find("damaged")) << error;
    EXPECT_EQ((std::vector<std::string>{"Alpha"}), store.List());
    EXPECT_TRUE(store.Delete("worn", error)) << error;
    // Refused names write nothing.
    EXPECT_FALSE(store.Save(MakeProfile("a\\b", 1), error));
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kProfiles + "\\a"));
}

TEST_F(UserSettings, ExportAndImportRoundTripThroughAFile) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "tune_store_export.kcp";
    tune::Profile profile = MakeProfile("Fast", 14000);
    profile.targets.Set(tune::Item::Ratio, 105);
    std::string error;
    ASSERT_TRUE(tune::ExportProfileFile(profile, path, error)) << error;
    tune::Profile back;
    ASSERT_TRUE(tune::ReadProfileFile(path, back, error)) << error;
    EXPECT_EQ("Fast", back.name);
    EXPECT_TRUE(SameTargets(profile.targets, back.targets));
    EXPECT_TRUE(tune::MatchesBoard(back, kBoardA, error));
    EXPECT_FALSE(tune::MatchesBoard(back, kBoardB, error));
    EXPECT_NE(std::string::npos, error.find("another board")) << error;
    DeleteFileA(path.c_str());
    EXPECT_FALSE(tune::ReadProfileFile(path, back, error));
}

// A save that dies after its key exists but before its one write leaves the previous version:
// the child (this program, below) saves "Fast" again and ends itself at that moment.
constexpr char kDieWhileSaving[] = "--die-while-saving";

void DieBeforeTheWrite(const tune::Profile&) { TerminateProcess(GetCurrentProcess(), 0x5AFE); }

TEST_F(UserSettings, SaveKilledHalfWayLeavesThePreviousVersion) {
    tune::ProfileStore store;
    std::string error;
    ASSERT_TRUE(store.Save(MakeProfile("Fast", 14000), error));
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    for (const char* name : {"Fast", "Fresh"}) {
        const ChildRun run = RunChild(module, std::string(kDieWhileSaving) + " " + name,
                                      ProgramDirectory(), 30000);
        ASSERT_TRUE(run.finished) << name;
        EXPECT_EQ(0x5AFEu, run.exitCode) << name << ": the child did not die in the save";
    }
    tune::Profile read;
    ASSERT_EQ(tune::ProfileStore::Load::Ok, store.Read("Fast", read, error)) << error;
    EXPECT_EQ(14000, read.targets.Get(tune::Item::Fsb)) << "a mix or the new version";
    // A new profile that died before its write does not exist, and is not listed.
    EXPECT_EQ(tune::ProfileStore::Load::Missing, store.Read("Fresh", read, error));
    EXPECT_EQ((std::vector<std::string>{"Fast"}), store.List());
}

// ktray's own reset on a processor change takes the profiles and the start-up choice with it.
TEST_F(UserSettings, ProcessorChangeRemovesProfilesAndTheStartupProfile) {
    tune::ProfileStore store;
    tune::BootGuard guard;
    std::string error;
    ASSERT_TRUE(store.Save(MakeProfile("Fast", 14000), error));
    ASSERT_TRUE(guard.SetStartupProfile("Fast", store, error)) << error;
    ktray::CpuIdentity cpu;
    cpu.family = 6, cpu.model = 8, cpu.stepping = 3, cpu.identity = 0x683;
    SetIntValue(HKEY_CURRENT_USER, kTool, "CPUid", 0x683);
    SetIntValue(HKEY_CURRENT_USER, kTool, "CPUFamily", 1);
    MessageBoxCatcher boxes;
    ktray::CheckProcessorChange(nullptr, cpu, 1);  // the same processor: nothing goes
    EXPECT_EQ((std::vector<std::string>{"Fast"}), store.List());
    cpu.stepping = 4, cpu.identity = 0x684;
    ktray::CheckProcessorChange(nullptr, cpu, 1);
    EXPECT_EQ(1u, boxes.Messages().size());
    EXPECT_TRUE(store.List().empty());
    std::string name;
    EXPECT_FALSE(guard.StartupProfile(name));
}

// --- The boot guard ------------------------------------------------------------------------------

struct FakeStart {
    std::vector<std::string> notes;
    int applies = 0;
    DWORD slept = 0;
    DWORD shiftAfterMs = 0xFFFFFFFF;  // Shift goes down once this much of the delay has passed
    bool applyResult = true;
    std::function<void()> duringWindow;  // runs at the first sleep after the apply

    tune::StartupSeams Seams() {
        tune::StartupSeams seams;
        seams.shiftHeld = [this] { return slept >= shiftAfterMs; };
        seams.sleep = [this](DWORD ms) {
            slept += ms;
            if (applies && duringWindow) {
                auto run = duringWindow;
                duringWindow = nullptr;
                run();
            }
        };
        seams.now = [] { return std::string("2026-12-09 06:00:00"); };
        seams.note = [this](const std::string& note) { notes.push_back(note); };
        return seams;
    }
    tune::StartupApply Apply() {
        return [this](const tune::TargetSet&, std::string& story) {
            ++applies;
            story = applyResult ? "3 steps" : "verify failed, rolled back";
            return applyResult;
        };
    }
};

class StartupRun : public UserSettings {
protected:
    void SetUp() override {
        UserSettings::SetUp();
        std::string error;
        ASSERT_TRUE(store_.Save(MakeProfile("Fast", 14000), error));
        ASSERT_TRUE(guard_.SetStartupProfile("Fast", store_, error));
    }
    tune::StartupResult Run(FakeStart& fake, DWORD delayMs = 15000, DWORD windowMs = 120000) {
        tune::StartupOptions options;
        options.delayMs = delayMs;
        options.windowMs = windowMs;
        return tune::RunStartup(guard_, store_, [] { return std::string(kBoardA); },
                                fake.Apply(), options, fake.Seams());
    }
    bool HasPending() {
        tune::StartupRecord record;
        return guard_.Pending(record);
    }
    tune::ProfileStore store_;
    tune::BootGuard guard_;
};

TEST_F(StartupRun, CleanRunWaitsTheDelayAndTheWindowAndClearsTheMark) {
    FakeStart fake;
    bool markSeenInWindow = false;
    fake.duringWindow = [&] {
        tune::StartupRecord record;
        markSeenInWindow = guard_.Pending(record) && record.step == "verified" &&
                           record.profile == "Fast" && record.when == "2026-12-09 06:00:00";
    };
    const tune::StartupResult result = Run(fake, 15000, 120000);
    EXPECT_EQ(tune::StartupOutcome::Applied, result.outcome) << result.message;
    EXPECT_EQ(1, fake.applies);
    EXPECT_TRUE(markSeenInWindow);
    EXPECT_EQ(135000u, fake.slept);
    EXPECT_FALSE(HasPending());
    std::string told;
    EXPECT_FALSE(guard_.TakeUntoldFailure(told));
    EXPECT_FALSE(fake.notes.empty());
}

TEST_F(StartupRun, MarkLeftByAnUnfinishedStartMeansNothingAppliedAndOneReport) {
    // The earlier start died in its window: its mark is still there.
    tune::StartupRecord mark;
    mark.when = "2026-12-08 07:00:00", mark.profile = "Fast", mark.step = "verified";
    ASSERT_TRUE(guard_.WritePending(mark));

    FakeStart fake;
    const tune::StartupResult result = Run(fake);
    EXPECT_EQ(tune::StartupOutcome::PreviousUnfinished, result.outcome);
    EXPECT_EQ(0, fake.applies);
    EXPECT_FALSE(HasPending());
    std::string name;
    EXPECT_FALSE(guard_.StartupProfile(name)) << "the start-up profile stays on";
    tune::StartupRecord failure;
    ASSERT_TRUE(guard_.LastFailure(failure));
    EXPECT_EQ("2026-12-08 07:00:00", failure.when);
    EXPECT_EQ("verified", failure.step);

    std::string told;
    ASSERT_TRUE(guard_.TakeUntoldFailure(told));
    EXPECT_NE(std::string::npos, told.find("2026-12-08 07:00:00")) << told;
    EXPECT_NE(std::string::npos, told.find("\"Fast\"")) << told;
    EXPECT_EQ(std::string::npos, told.find('\n')) << told;
    EXPECT_FALSE(guard_.TakeUntoldFailure(told)) << "told twice";
    ASSERT_TRUE(guard_.LastFailure(failure)) << "the record stays for startup show";

    // Nothing set any more: the next start does nothing.
    FakeStart next;
    EXPECT_EQ(tune::StartupOutcome::NothingSet, Run(next).outcome);
    EXPECT_EQ(0, next.applies);
}

TEST_F(StartupRun, ShiftDuringTheDelaySkipsTheApply) {
    for (DWORD at : {0u, 5000u, 14950u}) {
        FakeStart fake;
        fake.shiftAfterMs = at;
        EXPECT_EQ(tune::StartupOutcome::Skipped, Run(fake).outcome) << at;
        EXPECT_EQ(0, fake.applies) << at;
        EXPECT_FALSE(HasPending()) << at;
    }
    FakeStart late;
    late.shiftAfterMs = 15050;  // after the delay: too late to skip
    EXPECT_EQ(tune::StartupOutcome::Applied, Run(late).outcome);
    EXPECT_EQ(1, late.applies);
}

TEST_F(StartupRun, NothingAppliedForAMissingDamagedOrForeignProfile) {
    FakeStart fake;
    std::string error;
    ASSERT_TRUE(store_.Delete("Fast", error));
    tune::StartupResult result = Run(fake);
    EXPECT_EQ(tune::StartupOutcome::ProfileMissing, result.outcome);
    EXPECT_NE(std::string::npos, result.message.find("no longer exists")) << result.message;

    ASSERT_TRUE(store_.Save(MakeProfile("Fast", 14000, kBoardB), error));
    result = Run(fake);
    EXPECT_EQ(tune::StartupOutcome::ProfileUnusable, result.outcome);
    EXPECT_NE(std::string::npos, result.message.find("another board")) << result.message;
    EXPECT_EQ(0, fake.applies);
    EXPECT_FALSE(HasPending());

    ASSERT_TRUE(guard_.ClearStartupProfile());
    EXPECT_EQ(tune::StartupOutcome::NothingSet, Run(fake).outcome);
    EXPECT_FALSE(guard_.SetStartupProfile("Gone", store_, error));
    EXPECT_NE(std::string::npos, error.find("no profile")) << error;
}

TEST_F(StartupRun, FailedApplyIsRecordedAndToldButKeepsTheStartupProfile) {
    FakeStart fake;
    fake.applyResult = false;
    const tune::StartupResult result = Run(fake);
    EXPECT_EQ(tune::StartupOutcome::ApplyFailed, result.outcome);
    EXPECT_FALSE(HasPending());
    std::string told;
    ASSERT_TRUE(guard_.TakeUntoldFailure(told));
    EXPECT_NE(std::string::npos, told.find("rolled back")) << told;
    std::string name;
    EXPECT_TRUE(guard_.StartupProfile(name));
}

// --- ktray's settings, read back through ktray's own code ----------------------------------------

tune::TrayChanges Changes(std::initializer_list<const char*> assignments) {
    tune::TrayChanges changes;
    for (const char* a : assignments) {
        std::string error;
        EXPECT_TRUE(tune::ParseTrayAssignment(a, changes, error)) << a << ": " << error;
    }
    return changes;
}

TEST_F(UserSettings, LimitsAreWhatKtrayReads) {
    tune::TrayWriteResult result;
    std::string error;
    ASSERT_TRUE(tune::WriteTraySettings(Changes({"cpufanlimit=2500", "sysfanlimit=0",
                                                 "pwrfanlimit=20000", "cputemplimit=75",
                                                 "systemplimit=20"}),
                                        result, error)) << error;
    ktray::RegistryKey key = ktray::OpenKey(HKEY_CURRENT_USER, kTool.c_str());
    const struct {
        const char* value;
        int32_t expected;
    } cases[] = {{"iCpuFanLimit", 2500}, {"iSysFanLimit", 0}, {"iPwrFanLimit", 20000},
                 {"iCpuTempLimit", 75}, {"iSysTempLimit", 20}};
    for (const auto& c : cases) {
        int32_t read = -7;
        EXPECT_TRUE(ktray::ReadInt(key.Get(), c.value, read)) << c.value;
        EXPECT_EQ(c.expected, read) << c.value;
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY),
                  GetRawValue(HKEY_CURRENT_USER, kTool, c.value).type);
    }
    const tune::TraySettings back = tune::ReadTraySettings();
    EXPECT_EQ(2500, back.cpuFanLimit);
    EXPECT_EQ(20, back.sysTempLimit);
}

TEST_F(UserSettings, SoundSettingsAreWhatKtrayLoads) {
    CSound sound;
    tune::TrayWriteResult result;
    std::string error;
    // A key ktray never made: made whole, with ktray's defaults beside the one change.
    ASSERT_TRUE(tune::WriteTraySettings(Changes({"audio=1"}), result, error)) << error;
    ktray::Audio().audioFlag = 7;
    ktray::Audio().audioFile[0] = '\0';
    ktray::LoadAudioSettings(sound);
    EXPECT_EQ(1, ktray::Audio().audioOn);
    EXPECT_EQ(2, ktray::Audio().audioFlag);
    EXPECT_STREQ("Default.wav", ktray::Audio().audioFile);

    const std::string longest(254, 'w');
    ASSERT_TRUE(tune::WriteTraySettings(Changes({"audioflag=file", "audio=0"}), result, error));
    tune::TrayChanges file;
    ASSERT_TRUE(tune::ParseTrayAssignment("audiofile=" + longest, file, error)) << error;
    ASSERT_TRUE(tune::WriteTraySettings(file, result, error));
    ktray::LoadAudioSettings(sound);
    EXPECT_EQ(0, ktray::Audio().audioOn);
    EXPECT_EQ(1, ktray::Audio().audioFlag);
    EXPECT_EQ(longest, std::string(ktray::Audio().audioFile)) << "ktray's 255-byte read";
    EXPECT_EQ(longest, tune::ReadTraySettings().audioFile);
    EXPECT_FALSE(result.toldSound) << "no ktray runs here";
}

TEST_F(UserSettings, FanScheduleIsWhatKtrayApplies) {
    tune::TrayWriteResult result;
    std::string error;
    ASSERT_TRUE(tune::WriteTraySettings(Changes({"fanon=7:05"}), result, error)) << error;
    ktray::FanSchedule schedule;
    schedule.timerSwitch = schedule.timeOnHour = schedule.timeOnMinute = -1;
    schedule.timeOffHour = schedule.timeOffMinute = schedule.alwaysOn = -1;
    auto apply = [&] {
        // ApplyFanSchedule's first step wants the tool's key; it exists once anything is set.
        ktray::ApplyFanSchedule(schedule, [] {
            static std::tm noon{};
            noon.tm_hour = 12;
            return static_cast<const std::tm*>(&noon);
        });
    };
    apply();
    EXPECT_EQ(1, schedule.timerSwitch);
    EXPECT_EQ(7, schedule.timeOnHour);
    EXPECT_EQ(5, schedule.timeOnMinute);
    EXPECT_EQ(17, schedule.timeOffHour) << "made whole with ktray's defaults";
    EXPECT_EQ(0, schedule.timeOffMinute);
    EXPECT_EQ(0, schedule.alwaysOn);

    ASSERT_TRUE(tune::WriteTraySettings(
        Changes({"fanoff=23:59", "fanschedule=0", "fanalways=on"}), result, error));
    apply();
    EXPECT_EQ(0, schedule.timerSwitch);
    EXPECT_EQ(23, schedule.timeOffHour);
    EXPECT_EQ(59, schedule.timeOffMinute);
    EXPECT_EQ(1, schedule.alwaysOn);
    EXPECT_EQ(7, schedule.timeOnHour) << "unchanged values stay";
    const tune::TraySettings back = tune::ReadTraySettings();
    EXPECT_EQ("07:05", tune::TraySettingText(back, tune::TraySetting::FanOn));
    EXPECT_EQ("23:59", tune::TraySettingText(back, tune::TraySetting::FanOff));
}

TEST_F(UserSettings, AutoOverIsTheKeyKtrayLooksFor) {
    tune::TrayWriteResult result;
    std::string error;
    ASSERT_TRUE(tune::WriteTraySettings(Changes({"autoover=1"}), result, error));
    EXPECT_TRUE(ktray::KeyExists(HKEY_CURRENT_USER, (kTool + "\\AutoOver").c_str()));
    EXPECT_TRUE(tune::ReadTraySettings().autoOver);
    ASSERT_TRUE(tune::WriteTraySettings(Changes({"autoover=0"}), result, error));
    EXPECT_FALSE(ktray::KeyExists(HKEY_CURRENT_USER, (kTool + "\\AutoOver").c_str()));
}

// A stand-in for ktray's hidden window: the messages it gets tell which settings it re-reads.
TEST_F(UserSettings, KtrayIsToldOfAChangedSoundOrScheduleOnly) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TuneStoreTrayStandIn";
    RegisterClassA(&windowClass);
    const HWND tray = CreateWindowA("TuneStoreTrayStandIn", "CVXM20", WS_OVERLAPPEDWINDOW, 0, 0,
                                    10, 10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(tray);
    auto received = [tray] {
        std::vector<UINT> messages;
        MSG msg;
        while (PeekMessageA(&msg, tray, WM_USER, WM_USER + 100, PM_REMOVE))
            messages.push_back(msg.message);
        return messages;
    };
    const struct {
        std::initializer_list<const char*> changes;
        std::vector<UINT> messages;
    } cases[] = {
        {{"cpufanlimit=100", "autoover=1"}, {}},
        {{"audio=1"}, {WM_USER + 11}},
        {{"audiofile=x.wav", "audioflag=beep"}, {WM_USER + 11}},
        {{"fanon=10:00"}, {WM_USER + 14}},
        {{"fanalways=1", "audio=0", "systemplimit=50"}, {WM_USER + 11, WM_USER + 14}},
    };
    for (const auto& c : cases) {
        tune::TrayWriteResult result;
        std::string error;
        ASSERT_TRUE(tune::WriteTraySettings(Changes(c.changes), result, error)) << error;
        EXPECT_EQ(c.messages, received()) << *c.changes.begin();
    }
    DestroyWindow(tray);
}

TEST(TraySettingParse, RefusalsTable) {
    const char* bad[] = {
        "fanon=24:00", "fanon=9:60", "fanoff=-1:00", "fanon=9", "fanon=09:5", "fanon=009:00",
        "fanon=:30", "fanon=ab:cd", "fanon=", "cputemplimit=19", "cputemplimit=121",
        "systemplimit=abc", "cpufanlimit=20001", "cpufanlimit=-1", "pwrfanlimit=12x",
        "sysfanlimit=99999999999999999999", "sysfanlimit=", "audio=2", "audio=yes",
        "audioflag=0", "audioflag=3", "fanschedule=", "fanalways=10", "autoover=-0",
        "audiofile=", "audiofile=bad\tname", "nosuch=1", "cpufanlimit", "CPUFANLIMIT=1",
    };
    for (const char* assignment : bad) {
        tune::TrayChanges changes;
        std::string error;
        EXPECT_FALSE(tune::ParseTrayAssignment(assignment, changes, error)) << assignment;
        EXPECT_FALSE(error.empty()) << assignment;
        EXPECT_TRUE(changes.Empty()) << assignment;
    }
    tune::TrayChanges changes;
    std::string error;
    EXPECT_FALSE(tune::ParseTrayAssignment("audiofile=" + std::string(255, 'w'), changes, error));
    EXPECT_TRUE(tune::ParseTrayAssignment("cputemplimit=60", changes, error));
    EXPECT_FALSE(tune::ParseTrayAssignment("cputemplimit=61", changes, error)) << "twice";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kDieWhileSaving) == 0) {
        tune::ProfileStore::SetBeforeWriteHook(DieBeforeTheWrite);
        tune::ProfileStore store;
        std::string error;
        store.Save(MakeProfile(argv[2], 16667), error);
        return 1;  // the hook never came
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
