// ktray's main frame created in this process, as the application creates it: its start-up
// with and without the tuning tool installed machine-wide, the build title it forms, and its
// tray icon kept in the notification area (a shell not ready yet, a restarted shell, a
// notification window destroyed from outside).
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "import_patch.h"
#include "main_frame.h"
#include "message_box_catcher.h"
#include "popup_reader.h"
#include "scratch_registry.h"
#include "resource.h"
#include "settings_keys.h"
#include "tray_messages.h"
#include "program_directory.h"
#include "wait_for.h"

namespace {

using testsupport::ProgramDirectory;

std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

bool HasValue(const char* path, const char* name) {
    return testsupport::GetRawValue(HKEY_CURRENT_USER, path, name).present;
}

class MainFrame : public testing::Test {
protected:
    void SetUp() override { ClearSettings(); }
    void TearDown() override {
        frame_.reset();
        ClearSettings();
    }
    static void ClearSettings() {
        testsupport::RemoveTree(HKEY_LOCAL_MACHINE, ktray::kTuningKey);
        testsupport::RemoveTree(HKEY_CURRENT_USER, "Software\\Corvane");
        testsupport::RemoveTree(HKEY_CURRENT_USER, ktray::kKestrelKey);
    }
    void CreateFrame() {
        frame_ = std::make_unique<ktray::CMainFrame>();
        ASSERT_TRUE(frame_->LoadFrame(IDR_MAINFRAME));
    }
    // Whether timer id runs on the frame (a test may end it: it asks by killing it).
    bool TimerRuns(UINT_PTR id) { return KillTimer(frame_->GetSafeHwnd(), id) != 0; }

    testsupport::MessageBoxCatcher boxes_;
    std::unique_ptr<ktray::CMainFrame> frame_;
};

TEST_F(MainFrame, WithoutTheTuningToolTheIconAndPopupWorkAndNothingElseRuns) {
    testsupport::SetIntValue(HKEY_CURRENT_USER, ktray::kKestrelKey, ktray::kCpuMultiValue, 12);
    SetCurrentDirectoryA("C:\\");

    CreateFrame();
    const HWND window = frame_->GetSafeHwnd();
    EXPECT_EQ(ktray::kMainWindowTitle, WindowText(window));
    EXPECT_EQ(window, FindWindowA(nullptr, ktray::kMainWindowTitle));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(ProgramDirectory(), frame_->ProgramDirectory());
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(ProgramDirectory(), std::string(current) + "\\");
    EXPECT_STREQ("", frame_->ToolPath());

    ktray::CTaskbarIcon& icon = frame_->TaskbarIcon();
    EXPECT_TRUE(icon.IsVisible());
    EXPECT_STREQ(ktray::kTrayTip, icon.IconData().szTip);
    {
        testsupport::PopupCatcher catcher(window);
        SendMessageA(icon.NotifyWindow(), ktray::WM_TRAY_NOTIFY, 0, WM_RBUTTONUP);
        EXPECT_EQ(1, catcher.PopupsSeen());
    }

    EXPECT_FALSE(TimerRuns(ktray::kMonitorTimer));
    EXPECT_FALSE(TimerRuns(ktray::kFanScheduleTimer));
    EXPECT_FALSE(testsupport::KeyPresent(HKEY_CURRENT_USER, ktray::kTuningKey))
        << "no processor check";
    EXPECT_TRUE(HasValue(ktray::kKestrelKey, ktray::kCpuMultiValue));
    EXPECT_TRUE(boxes_.Messages().empty());
}

TEST_F(MainFrame, FormsTheBuildTitleFromTheToolsVersionOrFallsBack) {
    struct Case {
        const char* version;  // null: no "KR4Version" value
        const char* title;
    };
    const Case cases[] = {
        {"3/8/7", "Kestrel4 Build 3.08.07"},
        {"12/25/103", "Kestrel4 Build 12.25.103"},
        {"3.8.7", "Kestrel4 Build03.080701"},
        {nullptr, "Kestrel4 Build03.080701"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version ? c.version : "(none)");
        ClearSettings();
        testsupport::CreateEmptyKey(HKEY_LOCAL_MACHINE, ktray::kTuningKey);
        if (c.version)
            testsupport::SetTextValue(HKEY_LOCAL_MACHINE, ktray::kTuningKey,
                                      ktray::kTuningVersionValue, c.version);

        CreateFrame();
        EXPECT_STREQ(c.title, frame_->BuildTitle());
        EXPECT_EQ(ProgramDirectory() + "KR4\\KR4.EXE", frame_->ToolPath());
        // The tuning tool's jobs ran: the alarm watch, and the processor was recorded.
        EXPECT_TRUE(TimerRuns(ktray::kMonitorTimer));
        EXPECT_TRUE(HasValue(ktray::kTuningKey, "CPUid"));
        frame_.reset();
    }
    EXPECT_TRUE(boxes_.Messages().empty());
}

// --- The tray icon kept in the notification area -------------------------------------------------

// Every shell call of the icon code linked into this program passes through here: the first
// failAdds adds fail, as the shell fails them while it is not ready at an early logon; every
// other call reaches the shell.
struct ShellRecord {
    int failAdds = 0;
    std::vector<HWND> adds, deletes;  // the notification window of each call
};
ShellRecord g_shell;
decltype(&Shell_NotifyIconA) g_shellNotify;

BOOL WINAPI RecordingShellNotify(DWORD action, NOTIFYICONDATAA* data) {
    if (action == NIM_ADD) {
        g_shell.adds.push_back(data->hWnd);
        if (g_shell.failAdds > 0) {
            --g_shell.failAdds;
            return FALSE;
        }
    }
    if (action == NIM_DELETE) g_shell.deletes.push_back(data->hWnd);
    return g_shellNotify(action, data);
}

// Serves this thread's messages (the frame's timers among them) until the condition holds.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

class TrayIconKept : public MainFrame {
protected:
    void SetUp() override {
        MainFrame::SetUp();
        g_shell = ShellRecord();
        g_shellNotify = reinterpret_cast<decltype(&Shell_NotifyIconA)>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("shell32.dll"), "Shell_NotifyIconA")));
        ASSERT_NE(nullptr, g_shellNotify);
        ASSERT_TRUE(patch_.Active());
    }
    void TearDown() override {
        MainFrame::TearDown();
        // Whatever the shell was told, it forgets the test's icons.
        g_shell = ShellRecord();
    }
    // Whether the shell knows the icon: a change to it succeeds only then.
    bool ShellKnows() {
        ktray::TrayIconData data = frame_->TaskbarIcon().IconData();
        data.uFlags = NIF_TIP;
        return g_shellNotify(NIM_MODIFY, reinterpret_cast<NOTIFYICONDATAA*>(&data)) != 0;
    }
    testsupport::ImportPatch patch_{nullptr, "shell32.dll", "Shell_NotifyIconA",
                                    reinterpret_cast<void*>(&RecordingShellNotify)};
};

TEST_F(TrayIconKept, AddsThatFailAtStartUpAreRetriedUntilTheIconShows) {
    g_shell.failAdds = 2;
    CreateFrame();
    ktray::CTaskbarIcon& icon = frame_->TaskbarIcon();
    EXPECT_FALSE(icon.IsVisible());
    EXPECT_EQ(1u, g_shell.adds.size());

    EXPECT_TRUE(PumpUntil([&] { return icon.IsVisible(); }, 10000)) << "never retried";
    EXPECT_EQ(3u, g_shell.adds.size());
    EXPECT_TRUE(ShellKnows());
    // Once shown, nothing more is tried.
    PumpUntil([] { return false; }, 2500);
    EXPECT_EQ(3u, g_shell.adds.size());
}

TEST_F(TrayIconKept, RetriesEndAfterTheirLastAttempt) {
    g_shell.failAdds = 1000;
    CreateFrame();
    ktray::CTaskbarIcon& icon = frame_->TaskbarIcon();
    icon.SetRetry(50, 3);  // shortened: the next failure starts a round of three attempts
    SendMessageA(icon.NotifyWindow(), ktray::TaskbarCreatedMessage(), 0, 0);
    const size_t afterAnnouncement = g_shell.adds.size();
    PumpUntil([] { return false; }, 1500);
    EXPECT_EQ(afterAnnouncement + 3, g_shell.adds.size());
    EXPECT_FALSE(icon.IsVisible());
}

TEST_F(TrayIconKept, ARestartedShellGetsExactlyOneAdd) {
    CreateFrame();
    ktray::CTaskbarIcon& icon = frame_->TaskbarIcon();
    ASSERT_TRUE(icon.IsVisible());
    // The shell forgets the icon as a restarted one would, then announces its taskbar to every
    // top-level window (the frame and the notification window among them).
    ktray::TrayIconData data = icon.IconData();
    ASSERT_TRUE(g_shellNotify(NIM_DELETE, reinterpret_cast<NOTIFYICONDATAA*>(&data)));
    g_shell = ShellRecord();
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, ktray::TaskbarCreatedMessage(), 0, 0, SMTO_ABORTIFHUNG,
                        2000, &result);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(1u, g_shell.adds.size());
    EXPECT_TRUE(icon.IsVisible());
    EXPECT_TRUE(ShellKnows());
}

TEST_F(TrayIconKept, NotificationWindowDestroyedFromOutsideTakesTheIconAlongAndComesBack) {
    CreateFrame();
    ktray::CTaskbarIcon& icon = frame_->TaskbarIcon();
    ASSERT_TRUE(icon.IsVisible());
    const HWND window = icon.NotifyWindow();
    g_shell = ShellRecord();

    // Another program closes it (the class has no close box, but WM_CLOSE still destroys it).
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 2000));
    EXPECT_EQ(std::vector<HWND>{window}, g_shell.deletes) << "the icon was left to the shell";
    EXPECT_FALSE(ShellKnows());

    ASSERT_TRUE(PumpUntil([&] { return icon.IsVisible(); }, 10000)) << "the icon never came back";
    ASSERT_EQ(1u, g_shell.adds.size());
    EXPECT_NE(window, g_shell.adds[0]);
    EXPECT_EQ(icon.NotifyWindow(), g_shell.adds[0]);
    EXPECT_TRUE(ShellKnows());
}

}  // namespace
