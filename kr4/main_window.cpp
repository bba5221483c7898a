#include "main_window.h"

#include <commctrl.h>

#include "boot_guard.h"
#include "fan_page.h"
#include "monitor_page.h"
#include "profiles_page.h"
#include "resource.h"
#include "tuning_page.h"

namespace kr4 {

MainWindow::MainWindow(const ToolOptions& options, void (*onClosed)(void*), void* context)
    : options_(options), onClosed_(onClosed), context_(context) {}

MainWindow::~MainWindow() {
    pages_.clear();
    if (window_) {
        SetWindowLongPtrA(window_, DWLP_USER, 0);
        DestroyWindow(window_);
    }
}

bool MainWindow::Create(const char* title) {
    window_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                 DialogProc, reinterpret_cast<LPARAM>(this));
    if (!window_) return false;
    SetWindowTextA(window_, title);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    // Told once, wherever the user looks first: a start-up apply that did not finish.
    std::string story;
    if (tune::BootGuard().TakeUntoldFailure(story))
        MessageBoxA(window_, ("The last start-up apply did not finish, so nothing was applied "
                              "this time and the start-up profile was switched off:\n\n" +
                              story)
                                 .c_str(),
                    title, MB_OK | MB_ICONWARNING);
    return true;
}

void MainWindow::BringForward() {
    if (!window_) return;
    if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
}

void MainWindow::Init() {
    tabs_ = GetDlgItem(window_, IDC_TABS);
    const HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_KR4));
    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    pages_.push_back(std::make_unique<TuningPage>(TuningPage::Kind::Clocks, options_));
    pages_.push_back(std::make_unique<TuningPage>(TuningPage::Kind::Voltages, options_));
    pages_.push_back(std::make_unique<MonitorPage>(KitOutsideLibraries()));
    pages_.push_back(std::make_unique<FanPage>());
    pages_.push_back(std::make_unique<ProfilesPage>(options_));
    for (size_t i = 0; i < pages_.size(); ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(pages_[i]->Title());
        SendMessageA(tabs_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
        pages_[i]->Create(window_);
    }
    Layout();
    Select(0);
}

// Every page fills the tab control's display area, above the tab control in the Z order and
// after it in the Tab order.
void MainWindow::Layout() {
    RECT area;
    GetWindowRect(tabs_, &area);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
    SendMessageA(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (const auto& page : pages_)
        SetWindowPos(page->Handle(), tabs_, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOACTIVATE);
}

void MainWindow::Select(int page) {
    if (page < 0 || page >= static_cast<int>(pages_.size()) || page == current_) return;
    if (current_ >= 0) ShowWindow(pages_[current_]->Handle(), SW_HIDE);
    current_ = page;
    SendMessageA(tabs_, TCM_SETCURSEL, page, 0);
    pages_[page]->Shown();
    ShowWindow(pages_[page]->Handle(), SW_SHOW);
}

bool MainWindow::PreTranslate(MSG& message) {
    if (!window_) return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
        (GetKeyState(VK_CONTROL) & 0x8000) && IsChild(window_, message.hwnd)) {
        const int count = static_cast<int>(pages_.size());
        const int step = (GetKeyState(VK_SHIFT) & 0x8000) ? count - 1 : 1;
        Select((current_ + step) % count);
        return true;
    }
    return IsDialogMessageA(window_, &message) != FALSE;
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        MainWindow* self = reinterpret_cast<MainWindow*>(lParam);
        self->window_ = window;
        self->Init();
        return TRUE;
    }
    MainWindow* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == self->tabs_ && header->code == TCN_SELCHANGE)
            self->Select(static_cast<int>(SendMessageA(self->tabs_, TCM_GETCURSEL, 0, 0)));
        return TRUE;
    }
    case WM_COMMAND:
    case WM_CLOSE:
        if (message == WM_COMMAND && LOWORD(wParam) != IDCANCEL) return TRUE;
        // Disabled, a page is waiting on its countdown box further up this thread's stack:
        // closing now would destroy that page under it. The box ends within its countdown.
        if (IsWindowEnabled(window)) DestroyWindow(window);
        return TRUE;
    case WM_DESTROY:
        self->pages_.clear();
        return TRUE;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, DWLP_USER, 0);
        self->window_ = nullptr;
        if (self->onClosed_) self->onClosed_(self->context_);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace kr4
