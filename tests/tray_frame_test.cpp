// ktray's main frame created in this process, as the application creates it: its start-up
// with and without the tuning tool installed machine-wide, and the build title it forms.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "main_frame.h"
#include "message_box_catcher.h"
#include "popup_reader.h"
#include "scratch_registry.h"
#include "resource.h"
#include "settings_keys.h"
#include "tray_messages.h"
#include "program_directory.h"

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

}  // namespace
