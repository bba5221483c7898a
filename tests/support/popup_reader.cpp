// Reading and closing a tracked popup menu from a watcher thread.
#include "popup_reader.h"

namespace testsupport {

namespace {
constexpr UINT kGetMenuOfPopup = 0x01E1;  // MN_GETHMENU

HWND FindOpenPopup() {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "#32768", nullptr)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window)) return window;
    }
    return nullptr;
}
}  // namespace

std::vector<PopupItem> ReadMenu(HMENU menu) {
    std::vector<PopupItem> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_TYPE | MIIM_STATE | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        if (!GetMenuItemInfoA(menu, i, TRUE, &info)) continue;
        PopupItem item;
        item.id = info.wID;
        item.type = info.fType;
        item.state = info.fState;
        item.text = (info.fType & MFT_SEPARATOR) ? "" : text;
        if (info.hSubMenu) item.submenu = ReadMenu(info.hSubMenu);
        items.push_back(item);
    }
    return items;
}

std::vector<std::string> Outline(const std::vector<PopupItem>& items) {
    std::vector<std::string> lines;
    for (const PopupItem& item : items)
        lines.push_back(item.IsSeparator() ? "-" : item.text + (item.submenu.empty() ? "" : ">"));
    return lines;
}

const PopupItem* FindItem(const std::vector<PopupItem>& items, UINT id) {
    for (const PopupItem& item : items) {
        if (!item.IsSeparator() && item.submenu.empty() && item.id == id) return &item;
        if (const PopupItem* inner = FindItem(item.submenu, id)) return inner;
    }
    return nullptr;
}

PopupCatcher::PopupCatcher(HWND owner) : owner_(owner), thread_([this] { Watch(); }) {}

PopupCatcher::~PopupCatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<PopupItem> PopupCatcher::LastPopup() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
}

void PopupCatcher::Watch() {
    HWND answered = nullptr;
    while (!stop_) {
        const HWND popup = FindOpenPopup();
        if (popup && popup != answered) {
            HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, kGetMenuOfPopup, 0, 0));
            std::vector<PopupItem> items = menu ? ReadMenu(menu) : std::vector<PopupItem>();
            {
                std::lock_guard<std::mutex> lock(mutex_);
                last_ = items;
            }
            ++seen_;
            answered = popup;
            PostMessageA(owner_, WM_CANCELMODE, 0, 0);
        } else if (!popup) {
            answered = nullptr;
        }
        Sleep(20);
    }
}

}  // namespace testsupport
