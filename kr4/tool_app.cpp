#include "tool_app.h"

#include "apply_session.h"
#include "board_snapshot.h"
#include "boot_guard.h"
#include "profiles.h"

namespace kr4 {

namespace {

// What a second start asks of the first.
const UINT kShowRequest = WM_APP + 1;

}  // namespace

ToolApp::~ToolApp() { main_.reset(); }

int ToolApp::Run(bool hidden) {
    if (!instance_.Enter(kInstanceName)) {
        // One instance per session: a normal start shows the running one; a hidden one leaves it.
        if (!hidden)
            if (const HWND other = FindWindowA(kInstanceWindowClass, nullptr))
                PostMessageA(other, kShowRequest, 0, 0);
        return 0;
    }
    options_ = ReadToolOptions();
    if (!RegisterClassOnce(kInstanceWindowClass, 0) ||
        !CreateEx(0, kInstanceWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr))
        return 1;
    if (hidden) {
        RunHiddenStart();
        if (!mainOpen_) return 0;
    } else if (!OpenMain()) {
        return 1;
    }
    return RunLoop();
}

LRESULT ToolApp::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kShowRequest) {
        if (mainOpen_)
            main_->BringForward();
        else
            OpenMain();
        return 0;
    }
    return Default(message, wParam, lParam);
}

bool ToolApp::OpenMain() {
    main_ = std::make_unique<MainWindow>(options_, &ToolApp::MainClosed, this);
    mainOpen_ = main_->Create(buildTitle_);
    if (mainOpen_) openedDuringStart_ = true;
    return mainOpen_;
}

void ToolApp::MainClosed(void* self) { static_cast<ToolApp*>(self)->mainOpen_ = false; }

int ToolApp::RunLoop() {
    MSG message;
    while (mainOpen_ && !quit_) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) break;
        if (main_ && main_->PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    main_.reset();
    return 0;
}

void ToolApp::ServeFor(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit_ = true;
                continue;
            }
            if (main_ && main_->PreTranslate(message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const DWORD waited = GetTickCount() - start;
        if (waited >= ms) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - waited, QS_ALLINPUT);
    }
}

void ToolApp::RunHiddenStart() {
    tune::BootGuard guard;
    tune::StartupOptions startup;
    startup.delayMs = options_.startupDelayMs;
    startup.windowMs = options_.startupWindowMs;

    tune::StartupSeams seams;
    // The user is here: Shift, or the tool opened during the delay, leaves the board alone.
    seams.shiftHeld = [this] {
        return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0 || openedDuringStart_;
    };
    seams.sleep = [this](DWORD ms) { ServeFor(ms); };
    seams.note = [](const std::string& note) { JournalNote("kr4 startup", "", "", "", note); };
    auto identity = [] {
        const tune::BoardSnapshot snapshot = tune::ReadBoardSnapshot();
        return snapshot.usable ? tune::BoardIdentityText(snapshot.IdentityWords()) : std::string();
    };
    auto apply = [](const tune::TargetSet& targets, std::string& story) {
        ApplyRequest request;
        request.confirm = false;   // nobody to confirm; the boot guard watches instead
        request.remember = false;  // revert keeps undoing the user's own last change
        const ApplyResult result = ApplyTargets(targets, request);
        story = result.text;
        return result.Kept();
    };
    tune::RunStartup(guard, tune::ProfileStore(), identity, apply, startup, seams);
}

}  // namespace kr4
