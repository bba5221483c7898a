// The tool's main window: a dialog titled with the build title ktray looks for, its pages in a
// tab control (Ctrl+Tab and Ctrl+Shift+Tab move between them) and a line for the boot guard's
// story. Modeless, so that the message loop serves it with IsDialogMessage.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "page.h"
#include "tool_options.h"

namespace kr4 {

class MainWindow {
public:
    // onClosed: called once when the window is gone.
    MainWindow(const ToolOptions& options, void (*onClosed)(void*), void* context);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    bool Create(const char* title);
    HWND Handle() const { return window_; }
    void BringForward();
    // The loop's share of a message: page keys and dialog navigation. True when used.
    bool PreTranslate(MSG& message);
    void Select(int page);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Init();
    void Layout();

    const ToolOptions& options_;
    void (*onClosed_)(void*);
    void* context_;
    HWND window_ = nullptr;
    HWND tabs_ = nullptr;
    std::vector<std::unique_ptr<Page>> pages_;
    int current_ = -1;
};

}  // namespace kr4
