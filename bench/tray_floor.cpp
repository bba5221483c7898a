// The floor under ktray's idle memory: the least a tray program of the kit holds (one hidden
// window, one tray icon, a popup menu, the common controls) with the libraries ktray loads
// (kclk.dll, asked Check_KRVer, and the monitor and sound libraries). make bench runs it from
// ktray's program folder beside ktray and weighs both. Not part of the kit.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "kclk.h"

namespace {

constexpr char kClass[] = "KitBenchTrayFloor";
constexpr UINT kTrayNotify = WM_APP + 1;
constexpr UINT kExitCommand = 1;

HMENU g_popup = nullptr;

NOTIFYICONDATAA IconData(HWND window) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayNotify;
    data.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
    lstrcpynA(data.szTip, "tray floor", sizeof data.szTip);
    return data;
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kTrayNotify:
        if (lParam == WM_RBUTTONUP) {
            POINT cursor;
            GetCursorPos(&cursor);
            SetForegroundWindow(window);
            TrackPopupMenu(g_popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
            PostMessageA(window, WM_NULL, 0, 0);
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kExitCommand) DestroyWindow(window);
        return 0;
    case WM_DESTROY: {
        NOTIFYICONDATAA data = IconData(window);
        Shell_NotifyIconA(NIM_DELETE, &data);
        PostQuitMessage(0);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    Check_KRVer();
    const HMODULE monitor = LoadLibraryA("w83781d.dll");
    const HMODULE sound = LoadLibraryA("Sound.dll");

    WNDCLASSA wc = {};
    wc.lpfnWndProc = Procedure;
    wc.hInstance = instance;
    wc.lpszClassName = kClass;
    if (!RegisterClassA(&wc)) return 1;
    const HWND window = CreateWindowExA(0, kClass, kClass, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                        nullptr, instance, nullptr);
    if (!window) return 1;
    g_popup = CreatePopupMenu();
    AppendMenuA(g_popup, MF_STRING, kExitCommand, "Exit");
    SetMenuDefaultItem(g_popup, kExitCommand, FALSE);
    NOTIFYICONDATAA data = IconData(window);
    Shell_NotifyIconA(NIM_ADD, &data);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DestroyMenu(g_popup);
    if (sound) FreeLibrary(sound);
    if (monitor) FreeLibrary(monitor);
    return 0;
}
