// Reads a popup menu while this process tracks it: a watcher thread finds the menu window
// (class #32768), asks it for its menu, copies the items (submenus included) and ends the
// tracking by posting WM_CANCELMODE to the menu's owner. Wine keeps menus in the process, so
// this only works in-process.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct PopupItem {
    UINT id = 0;
    UINT type = 0;   // MFT_ bits
    UINT state = 0;  // MFS_ bits
    std::string text;
    std::vector<PopupItem> submenu;

    bool IsSeparator() const { return (type & MFT_SEPARATOR) != 0; }
    bool IsGrey() const { return (state & MFS_GRAYED) != 0; }
    bool IsChecked() const { return (state & MFS_CHECKED) != 0; }
    bool IsDefault() const { return (state & MFS_DEFAULT) != 0; }
};

std::vector<PopupItem> ReadMenu(HMENU menu);
// The texts of the items, separators as "-" and submenus as "text>".
std::vector<std::string> Outline(const std::vector<PopupItem>& items);
const PopupItem* FindItem(const std::vector<PopupItem>& items, UINT id);  // at any depth

class PopupCatcher {
public:
    // owner: the window the popup is tracked for (it receives the WM_CANCELMODE).
    explicit PopupCatcher(HWND owner);
    ~PopupCatcher();
    PopupCatcher(const PopupCatcher&) = delete;
    PopupCatcher& operator=(const PopupCatcher&) = delete;

    int PopupsSeen() const { return seen_; }
    std::vector<PopupItem> LastPopup() const;

private:
    void Watch();

    HWND owner_;
    mutable std::mutex mutex_;
    std::vector<PopupItem> last_;
    std::atomic<int> seen_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace testsupport
