// The tuning tool is known to ktray only by its window's exact title, formed from the build date
// in HKLM; the stand-in reads and forms it with ktray's own rules, so that alarm tests can open
// and close "the tool".
#include "tuning_tool_window.h"

#include <windows.h>

#include <cstdio>

#include "build_title.h"
#include "installed_title.h"

namespace tools {
namespace {

constexpr char kWindowClass[] = "KitBenchTuningTool";
constexpr UINT_PTR kLifetimeTimer = 1;

LRESULT CALLBACK ToolWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kLifetimeTimer) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

bool FormatBuildTitle(const char* version, char* title, size_t capacity) {
    return ktray::FormatBuildTitle(version, title, capacity);
}

void InstalledBuildTitle(char* title, size_t capacity) {
    ktray::InstalledBuildTitle(title, capacity);
}

int RunTuningToolWindow(const char* title, int showCommand, unsigned lifetimeMs) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ToolWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassA(&windowClass)) return 1;

    const HWND window = CreateWindowExA(0, kWindowClass, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetTimer(window, kLifetimeTimer, lifetimeMs, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

}  // namespace tools
