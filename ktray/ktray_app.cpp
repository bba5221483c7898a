// The application object's initialisation, message loop and exit.
#include "ktray_app.h"

#include <new>

#include "main_frame.h"
#include "resource.h"
#include "single_instance.h"
#include "startup_splash.h"

namespace ktray {

bool CommandLineAllowsSplash(const char* commandLine) {
    if (!commandLine) return true;
    const char* p = commandLine;
    while (*p) {
        while (*p == ' ' || *p == '\t') ++p;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t') ++p;
        if ((*start == '/' || *start == '-') && p - start > 1) {
            char flag[16] = "";
            const size_t length = static_cast<size_t>(p - start - 1);
            if (length < sizeof(flag)) {
                lstrcpynA(flag, start + 1, static_cast<int>(length) + 1);
                if (lstrcmpiA(flag, "Embedding") == 0 || lstrcmpiA(flag, "Automation") == 0)
                    return false;
            }
        }
    }
    return true;
}

CKtrayApp::~CKtrayApp() { delete m_mainFrame; }

bool CKtrayApp::InitInstance(const char* commandLine) {
    CStartupSplash::EnableSplashScreen(CommandLineAllowsSplash(commandLine));

    // Another instance of this session runs: end at once, showing and writing nothing.
    if (!EnterInstance()) return true;
    m_admitted = true;

    m_mainFrame = new (std::nothrow) CMainFrame;
    if (!m_mainFrame) return false;
    m_mainFrame->EndApplicationOnDestroy();
    if (!m_mainFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr)) return false;

    ShowWindow(m_mainFrame->GetSafeHwnd(), SW_HIDE);
    UpdateWindow(m_mainFrame->GetSafeHwnd());
    return true;
}

bool CKtrayApp::PreTranslateMessage(MSG& message) {
    if (CStartupSplash::PreTranslateAppMessage(message)) return true;
    if (!m_mainFrame) return false;
    const HACCEL accelerators = m_mainFrame->GetDefaultAccelerator();
    return accelerators &&
           TranslateAcceleratorA(m_mainFrame->GetSafeHwnd(), accelerators, &message) != 0;
}

int CKtrayApp::Run() {
    if (!m_mainFrame || !m_mainFrame->GetSafeHwnd()) return 0;
    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 0;
        if (PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int CKtrayApp::ExitInstance(int exitCode) {
    // The frame's members go with it: the tray icon leaves the notification area.
    delete m_mainFrame;
    m_mainFrame = nullptr;
    if (m_admitted) LeaveInstance();
    m_admitted = false;
    return exitCode;
}

int RunKtray(const char* commandLine) {
    CKtrayApp app;
    const int exitCode = app.InitInstance(commandLine) ? app.Run() : 0;
    return app.ExitInstance(exitCode);
}

}  // namespace ktray
