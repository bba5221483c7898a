// Drives the tray manager and the tuning tool for the demo, as a user would with the mouse:
//   open               waits for ktray and opens its popup (near the notification area)
//   tool TITLE         closes the popup, chooses "Execute Kestrel4" and waits for the tool's
//                      window TITLE
//   apply TITLE FSB    types FSB on the tool's Clocks page, presses Apply and waits for the
//                      "Keep these settings?" box
//   keep               presses Keep and waits until the box is gone and the page has read back
//   close TITLE        closes the tool
//   exit               closes the popup and chooses Exit
// Not part of the kit.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../../kr4/res/resource.h"

namespace {

constexpr UINT kTrayNotify = WM_USER + 1234;
constexpr UINT kExitCommand = 57665;
constexpr UINT kRunTuningTool = 32845;
constexpr char kKeepTitle[] = "Keep these settings?";

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

// The tool's main window: titled TITLE and holding the page tabs (its boxes share the title).
HWND Tool(const char* title) {
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, nullptr, title));)
        if (GetDlgItem(window, IDC_TABS)) return window;
    return nullptr;
}

int RunTool(const char* title) {
    const HWND frame = Frame();
    if (!frame) return 1;
    PostMessageA(frame, WM_CANCELMODE, 0, 0);
    WaitFor([] { return OpenPopup() == nullptr; }, 5000);
    PostMessageA(frame, WM_COMMAND, kRunTuningTool, 0);
    if (!WaitFor([title] { return Tool(title) != nullptr; }, 60000)) {
        std::fprintf(stderr, "traydemo: no window titled \"%s\"\n", title);
        return 1;
    }
    Sleep(1000);
    return 0;
}

// The Clocks page: the tool's shown page with an Apply button.
HWND ClocksPage(HWND tool) {
    for (HWND child = nullptr; (child = FindWindowExA(tool, child, "#32770", nullptr));)
        if (IsWindowVisible(child) && GetDlgItem(child, IDC_TUNING_APPLY)) return child;
    return nullptr;
}

int Apply(const char* title, const char* fsb) {
    const HWND tool = Tool(title);
    const HWND page = tool ? ClocksPage(tool) : nullptr;
    if (!page) {
        std::fprintf(stderr, "traydemo: the tool's Clocks page is not shown\n");
        return 1;
    }
    SetForegroundWindow(tool);
    SendMessageA(GetDlgItem(page, IDC_ROW_VALUE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fsb));
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_TUNING_APPLY, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_TUNING_APPLY)));
    if (!WaitFor([] { return FindWindowA(nullptr, kKeepTitle) != nullptr; }, 120000)) {
        char said[512] = {};
        GetWindowTextA(GetDlgItem(page, IDC_TUNING_MESSAGE), said, sizeof said);
        std::fprintf(stderr, "traydemo: no \"%s\" box; the page says: %s\n", kKeepTitle, said);
        return 1;
    }
    Sleep(1500);  // a second of the countdown shows in the picture
    return 0;
}

int Keep() {
    const HWND box = FindWindowA(nullptr, kKeepTitle);
    if (!box) return 1;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (!WaitFor([] { return FindWindowA(nullptr, kKeepTitle) == nullptr; }, 10000)) return 1;
    Sleep(1500);  // the page reads the board back
    return 0;
}

int Close(const char* title) {
    const HWND tool = Tool(title);
    if (!tool) return 1;
    PostMessageA(tool, WM_CLOSE, 0, 0);
    return WaitFor([title] { return Tool(title) == nullptr; }, 10000) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "tool") == 0) return RunTool(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "apply") == 0) return Apply(argv[2], argv[3]);
    if (argc == 2 && std::strcmp(argv[1], "keep") == 0) return Keep();
    if (argc == 3 && std::strcmp(argv[1], "close") == 0) return Close(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "open") == 0) return Open();
    if (argc == 2 && std::strcmp(argv[1], "exit") == 0) return Exit();
    std::fprintf(stderr, "usage: traydemo open | tool TITLE | apply TITLE FSB | keep | close TITLE | exit\n");
    return 2;
}
