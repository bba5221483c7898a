// kclktune.exe as a user or a script meets it: started as a child (no console: its input is
// not one) against the board behind the driver stand-in, through the real library. What reached
// the firmware is read from the board's set history; the firmware's state as bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "board_control.h"
#include "board_driver.h"
#include "child_run.h"
#include "firmware_model.h"
#include "firmware_settings.h"
#include "win_handles.h"

namespace {

using testsupport::ChildRun;

constexpr uint8_t kSetClockOperation = 0xB6, kProbeOperation = 0xB5;
constexpr uint8_t kClockDevice = 0xB0, kCoreVoltageDevice = 0xB1;

std::string TempPath(const std::string& name) {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + name;
}

const std::string& JournalPath() {
    static const std::string path = TempPath("kclktune_test\\journal.csv");
    return path;
}

ChildRun RunTune(const std::string& arguments) {
    const std::string directory = testsupport::ProgramDirectory();
    return testsupport::RunChild(directory + "kclktune.exe", arguments, directory);
}

size_t LineCount(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n') + (!text.empty() && text.back() != '\n');
}

std::string ReadJournal() {
    std::string text;
    const kclk::FileHandle file(CreateFileA(JournalPath().c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    if (!file) return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    return text;
}

void DeleteTuneRecord() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Corvane\\Kestrel4\\Tune", 0, KEY_SET_VALUE,
                      &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "LastConfirmedSet");
        RegCloseKey(key);
    }
}

class KclkTune : public testing::Test {
protected:
    static void SetUpTestSuite() {
        SetEnvironmentVariableA("KCLKTUNE_JOURNAL", JournalPath().c_str());
        // The first run installs and starts the driver the control device belongs to.
        const ChildRun warmUp = RunTune("status");
        warmUpExit_ = warmUp.finished ? static_cast<int>(warmUp.exitCode) : -1;
    }
    void SetUp() override {
        ASSERT_EQ(0, warmUpExit_) << "kclktune could not reach the driver stand-in";
        ASSERT_TRUE(board_.IsOpen()) << "control device, error " << board_.LastError();
        ASSERT_TRUE(board_.ResetBoard());
        SetFaults(BoardFaults{});
        ASSERT_TRUE(board_.ClearHistory());
        SetEnvironmentVariableA("KCLKTUNE_JOURNAL", JournalPath().c_str());
        DeleteFileA(JournalPath().c_str());
        DeleteTuneRecord();
        ASSERT_TRUE(board_.ReadFirmware(powerOn_));
    }
    void TearDown() override {
        if (!board_.IsOpen()) return;
        SetFaults(BoardFaults{});
        board_.ResetBoard();
        DeleteTuneRecord();
    }

    void SetFaults(const BoardFaults& faults) {
        ASSERT_TRUE(board_.SetFaults(faults)) << "error " << board_.LastError();
    }
    std::vector<BoardHistoryEntry> History() {
        BoardSetHistory history{};
        EXPECT_TRUE(board_.History(history));
        EXPECT_EQ(history.Count, history.Stored) << "the history overflowed";
        return board_.HistoryEntries();
    }
    std::vector<BoardHistoryEntry> Sets() {
        std::vector<BoardHistoryEntry> sets;
        for (const BoardHistoryEntry& e : History())
            if (e.Kind == BOARD_HISTORY_SET) sets.push_back(e);
        return sets;
    }
    board::FirmwareModel Firmware() {
        board::FirmwareModel model;
        EXPECT_TRUE(board_.ReadFirmware(model));
        return model;
    }
    // The board holds exactly the settings it had before the run.
    void ExpectAtPowerOn(const char* context) {
        EXPECT_TRUE(testsupport::SameSettings(powerOn_, Firmware())) << context;
    }

    static int warmUpExit_;
    testsupport::BoardDriver board_;
    board::FirmwareModel powerOn_;
};

int KclkTune::warmUpExit_ = -1;

// Every clock set came right after a probe of exactly its words and never stored the preset.
void ExpectEveryClockSetProbedFirst(const std::vector<BoardHistoryEntry>& history) {
    for (size_t i = 0; i < history.size(); ++i) {
        const BoardHistoryEntry& e = history[i];
        if (e.Kind != BOARD_HISTORY_SET || e.Operation != kSetClockOperation) continue;
        ASSERT_GT(i, 0u);
        const BoardHistoryEntry& probe = history[i - 1];
        EXPECT_EQ(kProbeOperation, probe.Operation) << "set #" << e.Sequence;
        EXPECT_EQ(0, probe.Status);
        EXPECT_EQ(0, probe.Answer);
        EXPECT_EQ(probe.ECX, e.ECX);
        EXPECT_EQ(probe.ESI, e.ESI);
        EXPECT_EQ(probe.EDI, e.EDI);
        EXPECT_EQ(probe.EBP, e.EBP);
        EXPECT_EQ(0u, e.EBX & 0x100) << "only `permanent` stores the boot preset";
    }
}

TEST_F(KclkTune, ConfirmedChangeIsKeptRampedBehindItsVoltageAndRevertedInReverse) {
    ChildRun run = RunTune("set fsb=14000 vcore=1600 --yes");
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(0u, run.exitCode) << run.err;
    board::FirmwareModel now = Firmware();
    EXPECT_EQ(14000, now.clock.current.fsb);
    EXPECT_EQ(1600, now.voltages[0].current);

    std::vector<BoardHistoryEntry> history = History();
    ExpectEveryClockSetProbedFirst(history);
    std::vector<BoardHistoryEntry> sets = Sets();
    ASSERT_EQ(8u, sets.size());
    EXPECT_EQ(kCoreVoltageDevice, sets[0].Device) << "the voltage rises before the FSB";
    EXPECT_EQ(1600u, sets[0].ECX & 0xFFFF);
    uint32_t fsb = 13333;
    for (size_t i = 1; i < sets.size(); ++i) {
        ASSERT_EQ(kClockDevice, sets[i].Device);
        const uint32_t next = sets[i].ECX & 0xFFFF;
        EXPECT_GT(next, fsb) << "monotone";
        EXPECT_LE(next - fsb, 100u) << "no step past the step size";
        fsb = next;
    }
    EXPECT_EQ(14000u, fsb);
    std::string journal = ReadJournal();
    EXPECT_NE(std::string::npos, journal.find(",apply,vcore,1500,1600,step 1/8: done")) << journal;
    EXPECT_NE(std::string::npos, journal.find(",confirm,")) << journal;

    // revert: the FSB comes down first, the voltage after it, and the record is used up.
    ASSERT_TRUE(board_.ClearHistory());
    run = RunTune("revert");
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(0u, run.exitCode) << run.err;
    ExpectAtPowerOn("after revert");
    history = History();
    ExpectEveryClockSetProbedFirst(history);
    sets = Sets();
    ASSERT_EQ(8u, sets.size());
    EXPECT_EQ(kCoreVoltageDevice, sets.back().Device) << "the voltage falls after the FSB";
    fsb = 14000;
    for (size_t i = 0; i + 1 < sets.size(); ++i) {
        const uint32_t next = sets[i].ECX & 0xFFFF;
        EXPECT_LT(next, fsb);
        EXPECT_LE(fsb - next, 100u);
        fsb = next;
    }
    run = RunTune("revert");
    EXPECT_EQ(2u, run.exitCode) << "nothing left to revert";
}

TEST_F(KclkTune, UnconfirmedChangeIsPutBackExactlyAfterTheTime) {
    const DWORD start = GetTickCount();
    const ChildRun run = RunTune("set fsb=13533 dram=0x0101 vcore=1550 ratio=105 cia=0x8001 "
                                 "--confirm-within 1");
    const DWORD spent = GetTickCount() - start;
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(5u, run.exitCode) << run.err;
    EXPECT_EQ(1u, LineCount(run.err)) << run.err;
    EXPECT_GE(spent, 1000u) << "the time was given";
    ExpectAtPowerOn("not confirmed");
    // Every set was made and undone: the board's history shows the way there and back.
    const std::vector<BoardHistoryEntry> sets = Sets();
    EXPECT_GE(sets.size(), 12u);
    ExpectEveryClockSetProbedFirst(History());
    const std::string journal = ReadJournal();
    EXPECT_NE(std::string::npos, journal.find(",revert,")) << journal;
    EXPECT_NE(std::string::npos, journal.find(",rollback,fsb,")) << journal;
    EXPECT_EQ(std::string::npos, journal.find(",confirm,")) << journal;
    // Nothing was kept for revert.
    EXPECT_EQ(2u, RunTune("revert").exitCode);
}

TEST_F(KclkTune, DryRunProbesAndSetsNothing) {
    const ChildRun run = RunTune("set fsb=13700 agp=0x8000 --dry-run");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(2u, run.exitCode) << "0x8000 is no AGP frequency: " << run.err;
    const ChildRun good = RunTune("set fsb=13700 agp=0x9B58 vcore=1600 --dry-run");
    ASSERT_TRUE(good.finished);
    EXPECT_EQ(0u, good.exitCode) << good.err;
    EXPECT_NE(std::string::npos, good.out.find("nothing was set")) << good.out;
    const std::vector<BoardHistoryEntry> history = History();
    EXPECT_FALSE(history.empty()) << "the clock steps were probed";
    for (const BoardHistoryEntry& e : history) EXPECT_EQ(BOARD_HISTORY_PROBE, e.Kind);
    ExpectAtPowerOn("dry run");
    EXPECT_TRUE(ReadJournal().empty());
}

TEST_F(KclkTune, BadInputIsOneLineAndExitTwoWithNothingSent) {
    const char* const cases[] = {
        "set foo=1",                                // unknown item
        "set fsb=30000",                            // outside the limit and the table
        "set vcore=1510",                           // not in the voltage table
        "set ratio=120",                            // in the table, past the processor's limit
        "set dram=0x0999",                          // no such divider
        "set fsb=20000",                            // DRAM would pass its limit
        "set cia=0x8009",                           // no such level
        "set fsb=abc",                              // not a number
        "set fsb=0x",                               // not a number
        "set fsb=79536",                            // overflow: 0x10000 + 14000
        "set vcore=0x10640",                        // overflow: 0x10000 + 1600
        "set fsb=99999999999999999999",             // overflow, however long
        "set fsb",                                  // no '='
        "set fsb=14000 fsb=14100",                  // duplicate
        "set fsb=14000 --step 0",                   // bad step
        "set fsb=14000 --step",                     // step without a value
        "set fsb=14000 --step=x",                   // bad step
        "set fsb=14000 --confirm-within 0",         // bad time
        "set fsb=14000 --confirm-within 3601",      // bad time
        "set fsb=14000 --confirm-within 5 --yes",   // both
        "set fsb=14000 --bogus",                    // unknown option
        "set",                                      // nothing to set
        "set mib=1",                                // MIB only with --yes
        "bogus",                                    // unknown command
        "status --bogus",
        "revert extra",
    };
    for (const char* arguments : cases) {
        SCOPED_TRACE(arguments);
        ASSERT_TRUE(board_.ClearHistory());
        const ChildRun run = RunTune(arguments);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(2u, run.exitCode) << run.err;
        EXPECT_EQ(1u, LineCount(run.err)) << run.err;
        EXPECT_TRUE(History().empty()) << "no probe and no set reached the firmware";
    }
    ExpectAtPowerOn("bad input");
}

TEST_F(KclkTune, RefusalAtTheFirstStepChangesNothingAndIsJournalled) {
    BoardFaults faults{};
    faults.RefuseFromSet = 1;
    SetFaults(faults);
    const ChildRun run = RunTune("set fsb=13500 --yes");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(1u, run.exitCode) << run.err;
    EXPECT_EQ(1u, LineCount(run.err)) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("step 1/2 (fsb 13333 -> 13433)")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("8602h")) << run.err;
    ExpectAtPowerOn("refused");
    for (const BoardHistoryEntry& e : History()) EXPECT_EQ(BOARD_HISTORY_PROBE, e.Kind);
    const std::string journal = ReadJournal();
    EXPECT_NE(std::string::npos,
              journal.find(",refused,fsb,13333,13433,\"step 1/2: probe status 8602h (rejected), "
                           "BX 0001h (FSB not offered)\"\r\n"))
        << journal;
}

TEST_F(KclkTune, ReadBackMismatchStopsTheRunAndPutsTheBoardBack) {
    BoardFaults faults{};
    faults.SetFault = BOARD_SET_FAULT_IGNORE;
    faults.FaultFromSet = 1;
    SetFaults(faults);
    const ChildRun run = RunTune("set vcore=1600 fsb=13500 --yes");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(4u, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("step 1/3 (vcore 1500 -> 1600): verify failed"))
        << run.err;
    ExpectAtPowerOn("verify failed");
    EXPECT_NE(std::string::npos, ReadJournal().find(",verify-failed,vcore,1500,1600,step 1/3"))
        << ReadJournal();
}

TEST_F(KclkTune, FailureWhoseRollbackIsRefusedTooIsReportedLoudly) {
    // From the third set on the firmware refuses everything, the rollback's sets included.
    BoardFaults faults{};
    faults.RefuseFromSet = 3;
    SetFaults(faults);
    const ChildRun run = RunTune("set vcore=1600 fsb=13500 --yes");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(6u, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("ROLLBACK FAILED")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("fsb      13433       13333        DIFFERS")) << run.err;
    const board::FirmwareModel now = Firmware();
    EXPECT_EQ(1600, now.voltages[0].current) << "the voltage stays up while the clock is up";
    EXPECT_EQ(13433, now.clock.current.fsb);
    EXPECT_NE(std::string::npos, ReadJournal().find(",rollback-failed,fsb,")) << ReadJournal();
}

TEST_F(KclkTune, MismatchedSetIsCaughtAndAFailedRollbackNamed) {
    BoardFaults faults{};
    faults.SetFault = BOARD_SET_FAULT_MISMATCH;
    faults.FaultFromSet = 2;
    SetFaults(faults);
    const ChildRun run = RunTune("set vcore=1600 fsb=13500 --yes");
    ASSERT_TRUE(run.finished);
    // The second set lands elsewhere; so does every set of the rollback.
    EXPECT_EQ(6u, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("step 2/3 (fsb 13333 -> 13433): verify failed"))
        << run.err;
}

TEST_F(KclkTune, PermanentStoresTheConfirmedClockAsTheBootPresetOnlyWhenConfirmed) {
    ChildRun run = RunTune("permanent --yes");
    EXPECT_EQ(2u, run.exitCode) << "no confirmed set yet: " << run.err;
    run = RunTune("set fsb=13500 --yes");
    ASSERT_EQ(0u, run.exitCode) << run.err;

    run = RunTune("permanent");
    EXPECT_EQ(5u, run.exitCode) << "no console, no --yes: " << run.err;
    EXPECT_NE(std::string::npos, run.out.find("WARNING")) << run.out;
    EXPECT_EQ(13333, Firmware().clock.presets[board::kBootPreset].fsb);

    ASSERT_TRUE(board_.ClearHistory());
    run = RunTune("permanent --yes");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    const board::FirmwareModel now = Firmware();
    EXPECT_EQ(13500, now.clock.presets[board::kBootPreset].fsb);
    EXPECT_EQ(0x0405, now.clock.presets[board::kBootPreset].dram);
    const std::vector<BoardHistoryEntry> history = History();
    ASSERT_EQ(2u, history.size());
    EXPECT_EQ(kProbeOperation, history[0].Operation);
    EXPECT_EQ(0x1B0u, history[1].EBX) << "bit 8 with the clock device";
    EXPECT_EQ(history[0].ECX, history[1].ECX);
    EXPECT_NE(std::string::npos, ReadJournal().find(",permanent,preset,,13500,done")) << ReadJournal();
}

TEST_F(KclkTune, StatusAndJournalReadWithoutChangingAnything) {
    ChildRun run = RunTune("status --json");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode) << run.err;
    for (const char* expected :
         {"\"available\":true", "\"fsb\":{\"current\":13333,\"preset\":13333",
          "\"vcore\":{\"current\":1500", "\"mib\":{\"current\":null", "\"ratio\":{\"current\":100"})
        EXPECT_NE(std::string::npos, run.out.find(expected)) << expected << "\n" << run.out;
    run = RunTune("status");
    EXPECT_EQ(0u, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("13333 (133.33 MHz)")) << run.out;
    EXPECT_TRUE(History().empty());
    ExpectAtPowerOn("status");

    ASSERT_EQ(0u, RunTune("set vcore=1525 --yes").exitCode);
    // MIB has no reader: its set is checked by the control's own answer, and it is not recorded
    // for revert, which still undoes the voltage.
    run = RunTune("set mib=1 --yes");
    EXPECT_EQ(0u, run.exitCode) << run.err;
    EXPECT_EQ(1, Firmware().mib.on);
    run = RunTune("journal");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_NE(std::string::npos, run.out.find(",apply,vcore,1500,1525,")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find(",apply,mib,unknown,1,step 1/1: done")) << run.out;
    EXPECT_EQ(0u, RunTune("revert").exitCode);
    EXPECT_EQ(1500, Firmware().voltages[0].current);
    EXPECT_EQ(1, Firmware().mib.on);
    for (const char* command : {"--help", "status --help", "set --help", "revert --help",
                                "journal --help", "permanent --help"}) {
        run = RunTune(command);
        EXPECT_EQ(0u, run.exitCode) << command;
        EXPECT_NE(std::string::npos, run.out.find("Usage: kclktune")) << command;
    }
}

TEST_F(KclkTune, AJournalThatCannotBeWrittenStopsTheCommandBeforeTheBoardIsAsked) {
    const std::string blocker = TempPath("kclktune_blocker");
    {
        const kclk::FileHandle file(CreateFileA(blocker.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(static_cast<bool>(file));
    }
    SetEnvironmentVariableA("KCLKTUNE_JOURNAL", (blocker + "\\journal.csv").c_str());
    BoardLastRequest before{}, after{};
    ASSERT_TRUE(board_.LastRequest(before));
    for (const char* arguments : {"set vcore=1600 --yes", "revert", "permanent --yes"}) {
        const ChildRun run = RunTune(arguments);
        EXPECT_EQ(2u, run.exitCode) << arguments;
        EXPECT_EQ(1u, LineCount(run.err)) << run.err;
        EXPECT_NE(std::string::npos, run.err.find("journal")) << run.err;
    }
    ASSERT_TRUE(board_.LastRequest(after));
    EXPECT_EQ(before.RequestCount, after.RequestCount);
}

TEST_F(KclkTune, NoTuningInterfaceExitsThree) {
    BoardConfig config{};
    ASSERT_TRUE(board_.Config(config));
    config.InterfacePresent = 0;
    ASSERT_TRUE(board_.SetConfig(config));
    for (const char* arguments : {"status", "status --json", "set vcore=1600 --yes", "revert"}) {
        const ChildRun run = RunTune(arguments);
        ASSERT_TRUE(run.finished) << arguments;
        EXPECT_EQ(3u, run.exitCode) << arguments << ": " << run.err;
    }
    config.InterfacePresent = 1;
    ASSERT_TRUE(board_.SetConfig(config));
}

}  // namespace
