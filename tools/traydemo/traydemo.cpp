// Drives the tray manager for the demo, as a user would with the mouse: "open" waits for ktray
// and opens its popup (near the notification area), "exit" closes the popup and chooses Exit.
// Not part of the kit.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr UINT kTrayNotify = WM_USER + 1234;
constexpr UINT kExitCommand = 57665;

template <typename Condition>
bool WaitFor(Condition condition, DWORD milliseconds) {
    for (DWORD waited = 0; waited < milliseconds; waited += 100) {
        if (condition()) return true;
        Sleep(100);
    }
    return condition();
}

HWND Frame() { return FindWindowA(nullptr, "CVXM20"); }

HWND OpenPopup() {
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32768", nullptr));)
        if (IsWindowVisible(window)) return window;
    return nullptr;
}

int Open() {
    if (!WaitFor([] { return Frame() != nullptr; }, 60000)) {
        std::fprintf(stderr, "traydemo: ktray's window did not appear\n");
        return 1;
    }
    DWORD process = 0;
    GetWindowThreadProcessId(Frame(), &process);
    HWND target = nullptr;
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "KtrayNotifyTarget", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process) target = window;
    }
    if (!target) {
        std::fprintf(stderr, "traydemo: ktray has no tray icon\n");
        return 1;
    }
    // Where a click on the icon would leave the mouse: the notification area's corner.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 12, GetSystemMetrics(SM_CYSCREEN) - 12);
    PostMessageA(target, kTrayNotify, 0, WM_RBUTTONUP);
    if (!WaitFor([] { return OpenPopup() != nullptr; }, 10000)) {
        std::fprintf(stderr, "traydemo: the popup did not open\n");
        return 1;
    }
    Sleep(500);  // let it paint
    return 0;
}

int Exit() {
    const HWND frame = Frame();
    if (!frame) return 1;
    PostMessageA(frame, WM_CANCELMODE, 0, 0);
    WaitFor([] { return OpenPopup() == nullptr; }, 5000);
    PostMessageA(frame, WM_COMMAND, kExitCommand, 0);
    return WaitFor([] { return Frame() == nullptr; }, 10000) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "open") == 0) return Open();
    if (argc == 2 && std::strcmp(argv[1], "exit") == 0) return Exit();
    std::fprintf(stderr, "usage: traydemo open|exit\n");
    return 2;
}
