#include "message_box_catcher.h"

#include <algorithm>

namespace testsupport {

namespace {
constexpr int kMessageTextId = 0xFFFF;  // the static control that holds a message box's text
constexpr int kMessageIconId = 0x0440;  // and the one that holds its icon (hidden when none)

std::string WindowText(HWND window) {
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof(buffer));
    return buffer;
}
}  // namespace

MessageBoxCatcher::MessageBoxCatcher() : thread_([this] { Watch(); }) {}

MessageBoxCatcher::~MessageBoxCatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<CaughtMessage> MessageBoxCatcher::Messages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

void MessageBoxCatcher::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.clear();
}

void MessageBoxCatcher::Watch() {
    while (!stop_) {
        EnumWindows(&MessageBoxCatcher::OnWindow, reinterpret_cast<LPARAM>(this));
        Sleep(20);
    }
}

BOOL CALLBACK MessageBoxCatcher::OnWindow(HWND window, LPARAM param) {
    auto* self = reinterpret_cast<MessageBoxCatcher*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId()) return TRUE;
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    if (std::string(className) != "#32770") return TRUE;
    HWND textControl = GetDlgItem(window, kMessageTextId);
    if (!textControl) return TRUE;
    {
        std::lock_guard<std::mutex> lock(self->mutex_);
        if (std::find(self->answered_.begin(), self->answered_.end(), window) !=
            self->answered_.end())
            return TRUE;
        HWND icon = GetDlgItem(window, kMessageIconId);
        self->messages_.push_back(
            {WindowText(window), WindowText(textControl),
             icon && SendMessageA(icon, STM_GETICON, 0, 0) != 0});
        self->answered_.push_back(window);
    }
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
}

}  // namespace testsupport
