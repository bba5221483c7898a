// kclktune's profile, startup, settings and fan commands as a user meets them: kclktune.exe as a
// child against the board behind the driver stand-in. Bad input is one line and exit 2 with the
// registry untouched; profiles round-trip and refuse another board; the hidden start's guard
// survives a run killed in its stability window.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "board_control.h"
#include "board_driver.h"
#include "child_run.h"
#include "firmware_model.h"
#include "scratch_registry.h"
#include "wait_for.h"
#include "win_handles.h"

namespace {

using testsupport::ChildRun;

const std::string kTool = "Software\\Corvane\\Kestrel4";

std::string TempPath(const std::string& name) {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + name;
}

// The C runtime writes "\r\n" for each "\n"; the tests compare plain lines.
std::string Plain(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

ChildRun RunTune(const std::string& arguments, DWORD timeoutMs = 120000) {
    const std::string directory = testsupport::ProgramDirectory();
    ChildRun run =
        testsupport::RunChild(directory + "kclktune.exe", arguments, directory, timeoutMs);
    run.out = Plain(run.out);
    run.err = Plain(run.err);
    return run;
}

size_t Lines(const std::string& text) {
    size_t count = 0;
    for (char c : text) count += c == '\n';
    return count + (!text.empty() && text.back() != '\n');
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    const kclk::FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadFileText(const std::string& path) {
    const std::vector<uint8_t> bytes = testsupport::krdrv::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Every key, value name, type and byte below a key, as one text: two dumps are equal exactly
// when nothing below it changed.
void DumpTree(HKEY root, const std::string& path, std::string& out) {
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path.c_str(), &key) != ERROR_SUCCESS) return;
    out += "[" + path + "]\n";
    char name[1024];
    BYTE data[8192];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS)
            break;
        out += std::string(name, nameSize) + ":" + std::to_string(type) + "=" +
               std::string(reinterpret_cast<char*>(data), dataSize) + "\n";
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
        subkeys.emplace_back(name);
    RegCloseKey(key);
    for (const std::string& subkey : subkeys) DumpTree(root, path + "\\" + subkey, out);
}

std::string RegistryState() {
    std::string text;
    DumpTree(HKEY_CURRENT_USER, "Software\\Corvane", text);
    DumpTree(HKEY_CURRENT_USER, "Software\\Kestrel", text);
    return text;
}

class TuneStore : public testing::Test {
protected:
    static void SetUpTestSuite() {
        SetEnvironmentVariableA("KCLKTUNE_JOURNAL",
                                TempPath("kclktune_store\\journal.csv").c_str());
        const ChildRun warmUp = RunTune("status");  // installs and starts the driver
        warmUpExit_ = warmUp.finished ? static_cast<int>(warmUp.exitCode) : -1;
    }
    void SetUp() override {
        ASSERT_EQ(0, warmUpExit_) << "kclktune could not reach the driver stand-in";
        ASSERT_TRUE(board_.IsOpen()) << "control device, error " << board_.LastError();
        ASSERT_TRUE(board_.ResetBoard());
        ClearHistory();
        ClearSettings();
    }
    void TearDown() override {
        if (board_.IsOpen()) board_.ResetBoard();
        ClearSettings();
    }
    static void ClearSettings() {
        testsupport::RemoveTree(HKEY_CURRENT_USER, "Software\\Corvane");
        testsupport::RemoveTree(HKEY_CURRENT_USER, "Software\\Kestrel");
    }
    void ClearHistory() {
        ASSERT_TRUE(board_.Call(BOARD_IOCTL_CLEAR_HISTORY, nullptr, 0, nullptr, 0));
    }
    size_t SetsSent() {
        BoardSetHistory history{};
        EXPECT_TRUE(board_.Call(BOARD_IOCTL_GET_HISTORY, nullptr, 0, &history, sizeof history));
        size_t sets = 0;
        for (uint32_t i = 0; i < history.Stored; ++i)
            sets += history.Entries[i].Kind == BOARD_HISTORY_SET;
        return sets;
    }
    board::FirmwareModel Firmware() {
        board::FirmwareModel model;
        EXPECT_TRUE(board_.ReadFirmware(model));
        return model;
    }
    // Another board: the same maker's firmware with one DIMM voltage more or less.
    void BecomeAnotherBoard() {
        board::FirmwareModel model = Firmware();
        model.voltages[1].table.length -= 1;
        ASSERT_TRUE(board_.WriteFirmware(model));
    }
    static void Expect(const ChildRun& run, DWORD exitCode, const std::string& what) {
        ASSERT_TRUE(run.finished) << what;
        EXPECT_EQ(exitCode, run.exitCode) << what << "\nout: " << run.out << "\nerr: " << run.err;
    }

    static int warmUpExit_;
    testsupport::BoardDriver board_;
};

int TuneStore::warmUpExit_ = -1;

// --- Bad input -----------------------------------------------------------------------------------

TEST_F(TuneStore, BadInputIsOneLineExitTwoAndTheRegistryUnchanged) {
    // Something to refuse against: a profile, a start-up profile, settings.
    Expect(RunTune("profile save Fast fsb=14000"), 0, "setup: save");
    Expect(RunTune("startup set Fast"), 0, "setup: startup");
    Expect(RunTune("settings set cpufanlimit=2500 fanon=08:30"), 0, "setup: settings");

    const std::string folder = TempPath("kclktune_store_files\\");
    CreateDirectoryA(folder.c_str(), nullptr);
    Expect(RunTune("profile export Fast \"" + folder + "good.txt\""), 0, "setup: export");
    const std::string good = ReadFileText(folder + "good.txt");
    ASSERT_NE(std::string::npos, good.find("end\r\n")) << good;
    WriteFileBytes(folder + "truncated.txt", good.substr(0, good.size() - 4));
    std::string binary = good;
    binary[binary.find("fsb=") + 1] = '\0';
    WriteFileBytes(folder + "binary.txt", binary);
    WriteFileBytes(folder + "oversized.txt", good + std::string(5000, '\n'));
    std::string foreign = good;
    const size_t board = foreign.find("board=fnv1a64:") + 14;
    foreign[board] = foreign[board] == '0' ? '1' : '0';
    WriteFileBytes(folder + "foreign.txt", foreign);
    Expect(RunTune("profile delete Fast"), 0, "setup: delete");
    Expect(RunTune("profile import \"" + folder + "good.txt\" Other"), 0, "setup: import");
    Expect(RunTune("startup set Other"), 0, "setup: startup again");

    const struct {
        const char* what;
        std::string arguments;
    } cases[] = {
        {"empty profile name", "profile save \"\""},
        {"backslash in the name", "profile save a\\b"},
        {"name over 64 characters", "profile save " + std::string(65, 'n')},
        {"control character in the name", "profile save \"tab\there\""},
        {"truncated import", "profile import \"" + folder + "truncated.txt\" T"},
        {"binary import", "profile import \"" + folder + "binary.txt\" B"},
        {"oversized import", "profile import \"" + folder + "oversized.txt\" O"},
        {"another board's import", "profile import \"" + folder + "foreign.txt\" F"},
        {"import over an existing profile", "profile import \"" + folder + "good.txt\" Other"},
        {"missing import file", "profile import \"" + folder + "none.txt\""},
        {"missing start-up profile", "startup set Gone"},
        {"apply of a missing profile", "profile apply Gone --yes"},
        {"delete of a missing profile", "profile delete Gone"},
        {"fan on at 24:00", "settings set fanon=24:00"},
        {"fan off at 9:60", "settings set fanoff=9:60"},
        {"limit not a number", "settings set cputemplimit=hot"},
        {"limit overflow", "settings set cpufanlimit=99999999999999"},
        {"limit out of range", "settings set systemplimit=121"},
        {"one good, one bad", "settings set cpufanlimit=1000 fanon=24:00"},
        {"unknown setting", "settings set turbo=1"},
        {"profile word not a number", "profile save New fsb=fast"},
        {"profile word overflow", "profile save New fsb=70000"},
        {"profile item unknown", "profile save New turbo=1"},
        {"startup delay not a number", "startup run --delay soon"},
        {"startup window too long", "startup run --window 99999"},
        {"fan sideways", "fan sideways"},
        {"profile without subcommand", "profile"},
        {"settings set without values", "settings set"},
    };
    const std::string before = RegistryState();
    ASSERT_NE(std::string::npos, before.find("Profiles\\Other")) << before;
    for (const auto& c : cases) {
        const ChildRun run = RunTune(c.arguments);
        ASSERT_TRUE(run.finished) << c.what;
        EXPECT_EQ(2u, run.exitCode) << c.what << "\nerr: " << run.err;
        EXPECT_EQ(1u, Lines(run.err)) << c.what << "\nerr: " << run.err;
        EXPECT_EQ(0u, run.err.find("kclktune")) << c.what << "\nerr: " << run.err;
        EXPECT_EQ(before, RegistryState()) << c.what;
    }
    EXPECT_EQ(0u, SetsSent());
}

// --- Profiles ------------------------------------------------------------------------------------

TEST_F(TuneStore, ProfilesRoundTripThroughTheBoardAndAFile) {
    // Without items: the adjustable values in force.
    Expect(RunTune("profile save Boot"), 0, "save Boot");
    ChildRun run = RunTune("profile show Boot");
    Expect(run, 0, "show Boot");
    EXPECT_NE(std::string::npos, run.out.find("fsb=13333")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("vcore=1500")) << run.out;
    EXPECT_EQ(std::string::npos, run.out.find("mib=")) << "MIB cannot be read";

    Expect(RunTune("profile save Fast fsb=14000 vcore=1600"), 0, "save Fast");
    const std::string file = TempPath("kclktune_store_fast.txt");
    Expect(RunTune("profile export Fast \"" + file + "\""), 0, "export");
    Expect(RunTune("profile delete Fast"), 0, "delete");
    run = RunTune("profile list");
    EXPECT_EQ("Boot\n", run.out);
    Expect(RunTune("profile import \"" + file + "\""), 0, "import");
    run = RunTune("profile list");
    EXPECT_EQ("Boot\nFast\n", run.out);

    ClearHistory();
    Expect(RunTune("profile apply Fast --yes"), 0, "apply Fast");
    board::FirmwareModel now = Firmware();
    EXPECT_EQ(14000, now.clock.current.fsb);
    EXPECT_EQ(1600, now.voltages[0].current);
    EXPECT_GT(SetsSent(), 1u) << "ramped";

    // Not confirmed: put back, and nothing of the profile is kept as the last change.
    Expect(RunTune("profile apply Boot --confirm-within 1"), 5, "apply Boot unconfirmed");
    now = Firmware();
    EXPECT_EQ(14000, now.clock.current.fsb);
    Expect(RunTune("profile apply Boot --yes"), 0, "apply Boot");
    EXPECT_EQ(13333, Firmware().clock.current.fsb);
    DeleteFileA(file.c_str());
}

TEST_F(TuneStore, AnotherBoardRefusesTheProfileAndNothingIsSent) {
    Expect(RunTune("profile save Fast fsb=14000"), 0, "save");
    Expect(RunTune("startup set Fast"), 0, "startup set");
    BecomeAnotherBoard();
    ClearHistory();
    ChildRun run = RunTune("profile apply Fast --yes");
    Expect(run, 2, "apply on another board");
    EXPECT_NE(std::string::npos, run.err.find("another board")) << run.err;
    EXPECT_EQ(1u, Lines(run.err));
    run = RunTune("startup run --delay 0 --window 0");
    Expect(run, 2, "start-up on another board");
    EXPECT_EQ(0u, SetsSent());
    EXPECT_EQ(13333, Firmware().clock.current.fsb);
}

// --- The hidden start ----------------------------------------------------------------------------

TEST_F(TuneStore, CleanStartupAppliesAndClearsItsMark) {
    Expect(RunTune("profile save Fast fsb=14000"), 0, "save");
    ChildRun run = RunTune("startup run --delay 0 --window 0");
    Expect(run, 0, "nothing set");
    EXPECT_EQ(0u, SetsSent());
    Expect(RunTune("startup set Fast"), 0, "startup set");
    const DWORD start = GetTickCount();
    run = RunTune("startup run --delay 1 --window 1");
    Expect(run, 0, "start-up");
    EXPECT_GE(GetTickCount() - start, 2000u) << "the delay and the window were waited";
    EXPECT_EQ(14000, Firmware().clock.current.fsb);
    EXPECT_FALSE(testsupport::GetRawValue(HKEY_CURRENT_USER, kTool, "StartupPending").present);
    run = RunTune("startup show");
    EXPECT_NE(std::string::npos, run.out.find("start-up profile: \"Fast\"")) << run.out;
    EXPECT_EQ(std::string::npos, run.out.find("failed")) << run.out;
}

TEST_F(TuneStore, StartupKilledInItsWindowIsNotRepeatedAndToldOnce) {
    Expect(RunTune("profile save Fast fsb=14000"), 0, "save");
    Expect(RunTune("startup set Fast"), 0, "startup set");

    // The hidden start, killed while it waits out its stability window (a hang or a reset).
    const std::string directory = testsupport::ProgramDirectory();
    const std::string program = directory + "kclktune.exe";
    std::string commandLine = "\"" + program + "\" startup run --delay 0 --window 300";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                               nullptr, directory.c_str(), &startup, &info));
    const kclk::FileHandle process(info.hProcess), thread(info.hThread);
    const bool verified = testsupport::WaitFor([] {
        const testsupport::RawValue mark =
            testsupport::GetRawValue(HKEY_CURRENT_USER, kTool, "StartupPending");
        return mark.present &&
               std::string(mark.bytes.begin(), mark.bytes.end()).find("step=verified") !=
                   std::string::npos;
    }, 60000);
    TerminateProcess(process.Get(), 0xDEAD);
    WaitForSingleObject(process.Get(), 5000);
    ASSERT_TRUE(verified) << "the start-up never reached its window";
    EXPECT_EQ(14000, Firmware().clock.current.fsb);

    // The next start, after the reset button: the board is back at its boot preset, and
    // nothing is applied.
    ASSERT_TRUE(board_.Reboot());
    ClearHistory();
    ChildRun run = RunTune("startup run --delay 0 --window 0");
    Expect(run, 1, "the start after the killed one");
    EXPECT_EQ(0u, SetsSent());
    EXPECT_EQ(13333, Firmware().clock.current.fsb);
    EXPECT_FALSE(testsupport::GetRawValue(HKEY_CURRENT_USER, kTool, "StartupPending").present);
    EXPECT_FALSE(testsupport::GetRawValue(HKEY_CURRENT_USER, kTool, "StartupProfile").present)
        << "the start-up profile is switched off";

    // Told once, by whatever command runs next.
    run = RunTune("profile list");
    Expect(run, 0, "first command after");
    EXPECT_EQ(1u, Lines(run.err)) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("did not finish")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("\"Fast\"")) << run.err;
    run = RunTune("profile list");
    EXPECT_EQ("", run.err) << "told twice";
    // startup show still has the record.
    run = RunTune("startup show");
    EXPECT_NE(std::string::npos, run.out.find("last failed start-up")) << run.out;
    // And the next start does nothing at all.
    run = RunTune("startup run --delay 0 --window 0");
    Expect(run, 0, "nothing set any more");
    EXPECT_EQ(0u, SetsSent());
}

// --- Settings and the fan ------------------------------------------------------------------------

TEST_F(TuneStore, SettingsAreWrittenAsKtrayReadsThemAndShownBack) {
    ChildRun run = RunTune(
        "settings set cpufanlimit=2500 cputemplimit=70 audio=on audioflag=file "
        "audiofile=C:\\alarm.wav fanon=7:05 fanoff=23:59 fanalways=1 autoover=1");
    Expect(run, 0, "set");
    EXPECT_EQ(2500, testsupport::GetIntValue(HKEY_CURRENT_USER, kTool, "iCpuFanLimit"));
    EXPECT_EQ(70, testsupport::GetIntValue(HKEY_CURRENT_USER, kTool, "iCpuTempLimit"));
    EXPECT_EQ(1, testsupport::GetIntValue(HKEY_CURRENT_USER, kTool + "\\AudioSetting", "iAudioON"));
    EXPECT_EQ(1,
              testsupport::GetIntValue(HKEY_CURRENT_USER, kTool + "\\AudioSetting", "iAudioFlag"));
    const testsupport::RawValue file =
        testsupport::GetRawValue(HKEY_CURRENT_USER, kTool + "\\AudioSetting", "AudioFile");
    EXPECT_EQ(std::string("C:\\alarm.wav", 13), std::string(file.bytes.begin(), file.bytes.end()));
    EXPECT_EQ(7, testsupport::GetIntValue(HKEY_CURRENT_USER, kTool + "\\SmartFan", "iTimeONh"));
    EXPECT_EQ(5, testsupport::GetIntValue(HKEY_CURRENT_USER, kTool + "\\SmartFan", "iTimeONm"));
    EXPECT_EQ(1, testsupport::GetIntValue(HKEY_CURRENT_USER, kTool + "\\SmartFan", "iTimerSwitch"));
    EXPECT_TRUE(testsupport::KeyPresent(HKEY_CURRENT_USER, kTool + "\\AutoOver"));
    run = RunTune("settings show");
    Expect(run, 0, "show");
    for (const char* line : {"cpufanlimit=2500\n", "sysfanlimit=3000  (ktray's default)\n",
                             "fanon=07:05\n", "fanoff=23:59\n", "audiofile=C:\\alarm.wav\n",
                             "autoover=1\n"})
        EXPECT_NE(std::string::npos, run.out.find(line)) << line << "\n" << run.out;
}

TEST_F(TuneStore, FanSwitchesTheBoardsFanAndSaysWhenThereIsNone) {
    board::FirmwareModel model = Firmware();
    const uint32_t on = model.fanItems[3], off = model.fanItems[4];
    ASSERT_NE(on, off);
    Expect(RunTune("fan off"), 0, "fan off");
    EXPECT_EQ(off, Firmware().fanItems[1]);
    Expect(RunTune("fan on"), 0, "fan on");
    EXPECT_EQ(on, Firmware().fanItems[1]);

    BoardConfig config{};
    ASSERT_TRUE(board_.Config(config));
    config.FanInterfacePresent = 0;
    ASSERT_TRUE(board_.SetConfig(config));
    const ChildRun run = RunTune("fan off");
    Expect(run, 3, "no fan interface");
    EXPECT_EQ(1u, Lines(run.err)) << run.err;
    EXPECT_EQ(on, Firmware().fanItems[1]);
}

}  // namespace
