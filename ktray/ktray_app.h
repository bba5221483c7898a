// ktray's application object: admits one instance per session, creates the hidden main frame
// (whose creation is the start-up), runs the message loop and lets go of the rule at the end.
#pragma once

#include <windows.h>

namespace ktray {

class CMainFrame;

class CKtrayApp {
public:
    CKtrayApp() = default;
    ~CKtrayApp();
    CKtrayApp(const CKtrayApp&) = delete;
    CKtrayApp& operator=(const CKtrayApp&) = delete;

    // False when the process is to end at once. A second instance succeeds without a frame.
    bool InitInstance(const char* commandLine);
    // The message loop; returns the exit code WM_QUIT carried.
    int Run();
    // Destroys the frame (removing the tray icon) and lets go of the one-instance rule.
    int ExitInstance(int exitCode);
    // Before a message is dispatched: the splash's dismissal, then the frame's accelerators.
    bool PreTranslateMessage(MSG& message);

    CMainFrame* MainFrame() const { return m_mainFrame; }

private:
    CMainFrame* m_mainFrame = nullptr;
    bool m_admitted = false;  // holds the one-instance rule
};

// A start as an embedded or automation server shows no splash (the framework's verdict on the
// command line; ktray has no options of its own).
bool CommandLineAllowsSplash(const char* commandLine);

// WinMain's body.
int RunKtray(const char* commandLine);

}  // namespace ktray
