// kclktune and the real ktray.exe side by side: a fan schedule set through `kclktune settings set`
// reaches a running ktray through its window's message and switches the simulated fan at once,
// without waiting for ktray's own timer.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "board_driver.h"
#include "child_run.h"
#include "kclk.h"
#include "program_folder.h"
#include "scratch_registry.h"
#include "smi_wire.h"
#include "wait_for.h"

namespace {

using testsupport::WaitFor;

// ktray's program folder in a temporary directory, as an installation lays it out.
class ProgramFolder : public testsupport::ProgramFolder {
public:
    ProgramFolder() : testsupport::ProgramFolder("kclktune_tray") {
        for (const char* file : {"ktray.exe", "kclk.dll", "w83781d.dll", "Sound.dll", "KrDrv.W32"})
            Copy(file);
    }
};

HWND FindFrame() { return FindWindowA(nullptr, "CVXM20"); }

class KtrayProcess {
public:
    explicit KtrayProcess(const ProgramFolder& folder) {
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
        WaitFor([] { return FindFrame() != nullptr; }, 20000);
        // The frame has its title before start-up's pause ends: a message posted then waits.
        WaitForInputIdle(process_, 20000);
    }
    ~KtrayProcess() {
        if (!process_) return;
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 0xDEAD);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
    bool Exit() {
        PostMessageA(FindFrame(), WM_COMMAND, 57665, 0);  // ID_APP_EXIT
        return WaitForSingleObject(process_, 10000) == WAIT_OBJECT_0;
    }

private:
    HANDLE process_ = nullptr;
};

void ClearSettings() {
    testsupport::RemoveTree(HKEY_LOCAL_MACHINE, "Software\\Corvane\\Kestrel4");
    testsupport::RemoveTree(HKEY_CURRENT_USER, "Software\\Corvane");
    testsupport::RemoveTree(HKEY_CURRENT_USER, "Software\\Kestrel");
}

TEST(KclkTuneWithKtray, FanScheduleSetThroughKclktuneSwitchesTheFanWithinASecond) {
    ClearSettings();
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    SetEnvironmentVariableA("KCLKTUNE_JOURNAL",
                            (std::string(temp) + "kclktune_tray\\journal.csv").c_str());
    if (testsupport::krdrv::ServiceState() != SERVICE_RUNNING) InitDrv();
    testsupport::BoardDriver board;
    ASSERT_TRUE(board.IsOpen()) << board.LastError();
    ASSERT_TRUE(board.ResetBoard());
    // ktray's own fan timer never starts (its smart-fan check fails): only the message can
    // switch the fan in this test.
    ASSERT_TRUE(board.FailCode(KCLK_IOCTL_SMART_FAN_CHECK, static_cast<int32_t>(0xC0000010)));
    testsupport::SetTextValue(HKEY_LOCAL_MACHINE, "Software\\Corvane\\Kestrel4", "KR4Version",
                              "3/8/7");
    testsupport::SetTextValue(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\ktray.exe",
                              "Version", "winxp");

    ProgramFolder folder;
    KtrayProcess ktray(folder);
    ASSERT_TRUE(FindFrame()) << "ktray did not start";
    board::FirmwareModel model{};
    ASSERT_TRUE(board.ReadFirmware(model));
    const uint32_t on = model.fanItems[3], off = model.fanItems[4];
    ASSERT_NE(on, off);
    model.fanItems[1] = off;
    ASSERT_TRUE(board.WriteFirmware(model));
    auto fan = [&board] {
        board::FirmwareModel now{};
        return board.ReadFirmware(now) ? now.fanItems[1] : 0xFFFFFFFFu;
    };

    const std::string directory = testsupport::ProgramDirectory();
    struct Step {
        const char* arguments;
        uint32_t fan;
    };
    for (const Step& step :
         {Step{"settings set fanschedule=1 fanalways=1", on},
          Step{"settings set fanschedule=0", off},
          Step{"settings set fanschedule=on fanon=00:00 fanoff=00:00 fanalways=0", on}}) {
        const testsupport::ChildRun run =
            testsupport::RunChild(directory + "kclktune.exe", step.arguments, directory);
        ASSERT_TRUE(run.finished) << step.arguments;
        EXPECT_EQ(0u, run.exitCode) << step.arguments << "\n" << run.err;
        EXPECT_NE(std::string::npos, run.out.find("ktray told")) << run.out;
        const DWORD done = GetTickCount();
        EXPECT_TRUE(WaitFor([&] { return fan() == step.fan; }, 1000))
            << step.arguments << ": fan " << std::hex << fan();
        EXPECT_LE(GetTickCount() - done, 1100u) << step.arguments;
    }
    EXPECT_TRUE(ktray.Exit());
    board.FailCode(KCLK_IOCTL_SMART_FAN_CHECK, 0);
    ClearSettings();
}

}  // namespace
