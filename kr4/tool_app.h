// The tuning tool as a process: one per logon session, seen by the others through a hidden
// window of its own class. Started normally it opens its main window (a second start brings
// that window forward); started hidden (ktray's launch for "auto overclock on next reboot") it
// applies the start-up profile under the boot guard, stays through the stability window and
// ends, opening its window only when the user starts the tool meanwhile. A hidden start while
// an instance runs does nothing.
#pragma once

#include <windows.h>

#include <memory>

#include "main_window.h"
#include "session_instance.h"
#include "tool_options.h"
#include "window.h"

namespace kr4 {

constexpr char kInstanceName[] = "Corvane.Kestrel4.Tool";
constexpr char kInstanceWindowClass[] = "Kestrel4ToolInstance";

class ToolApp : public winlayer::CWnd {
public:
    explicit ToolApp(const char* buildTitle) : buildTitle_(buildTitle) {}
    ~ToolApp() override;
    int Run(bool hidden);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static void MainClosed(void* self);
    bool OpenMain();
    void ServeFor(DWORD ms);  // the message loop for ms, for the hidden start's waits
    int RunLoop();            // until the main window is gone
    void RunHiddenStart();

    const char* buildTitle_;
    ToolOptions options_;
    winlayer::SessionInstance instance_;
    std::unique_ptr<MainWindow> main_;
    bool mainOpen_ = false;
    bool openedDuringStart_ = false;
    bool quit_ = false;
};

}  // namespace kr4
