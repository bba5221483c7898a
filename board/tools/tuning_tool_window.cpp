// The tuning tool is known to ktray only by its window's exact title, formed from the build date
// in HKLM; the stand-in forms it the same way so that alarm tests can open and close "the tool".
#include "tuning_tool_window.h"

#include <windows.h>

#include <cstdio>

#include "bench_keys.h"

namespace tools {
namespace {

constexpr char kTuningKey[] = "Software\\Corvane\\Kestrel4";
constexpr char kVersionValue[] = "KR4Version";
constexpr DWORD kVersionBytes = 100;
constexpr char kFallbackTitle[] = "Kestrel4 Build03.080701";
constexpr char kWindowClass[] = "KitBenchTuningTool";
constexpr UINT_PTR kLifetimeTimer = 1;

// One decimal number of at most five digits; advances text past it.
bool ScanNumber(const char*& text, int& number) {
    int digits = 0;
    number = 0;
    while (*text >= '0' && *text <= '9' && digits < 5) {
        number = number * 10 + (*text++ - '0');
        ++digits;
    }
    return digits > 0 && !(*text >= '0' && *text <= '9');
}

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
    int a = 0, b = 0, c = 0;
    const char* p = version;
    if (!ScanNumber(p, a) || *p++ != '/' || !ScanNumber(p, b) || *p++ != '/' ||
        !ScanNumber(p, c) || *p != '\0')
        return false;
    const int length = std::snprintf(title, capacity, "Kestrel4 Build %d.%02d.%02d", a, b, c);
    return length > 0 && static_cast<size_t>(length) < capacity;
}

void InstalledBuildTitle(char* title, size_t capacity) {
    char version[kVersionBytes + 1] = {};
    DWORD size = kVersionBytes;
    bench::Key key;
    const bool read =
        key.Open(HKEY_LOCAL_MACHINE, kTuningKey) &&
        RegQueryValueExA(key.Get(), kVersionValue, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(version), &size) == ERROR_SUCCESS;
    version[read ? size : 0] = '\0';  // a value stored without its zero is terminated here
    if (!read || !FormatBuildTitle(version, title, capacity))
        std::snprintf(title, capacity, "%s", kFallbackTitle);
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
