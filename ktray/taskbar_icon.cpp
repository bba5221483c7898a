// The tray icon: adding, changing and removing it through the shell, and turning the shell's
// mouse reports into the popup.
#include "taskbar_icon.h"

#include <shellapi.h>

#include <cstring>
#include <new>

#include "window_layer.h"
#include "notify_target_wnd.h"
#include "os_kind.h"
#include "resource.h"
#include "tool_flags.h"
#include "tray_messages.h"
#include "tray_popup.h"

namespace ktray {

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

namespace {

BOOL NotifyShell(DWORD action, TrayIconData& data) {
    return Shell_NotifyIconA(action, reinterpret_cast<NOTIFYICONDATAA*>(&data));
}

}  // namespace

CTaskbarIcon::CTaskbarIcon() {
    std::memset(&m_data, 0, sizeof(m_data));
    m_data.cbSize = sizeof(m_data);
    m_data.uID = reinterpret_cast<UINT>(this);
    m_data.uCallbackMessage = WM_TRAY_NOTIFY;
    m_retryPeriodMs = kTrayIconRetryPeriodMs;
    m_retryAttempts = kTrayIconRetryAttempts;
}

CTaskbarIcon::~CTaskbarIcon() {
    ShowIcon(false);  // no longer wanted: no retry either
    if (m_notifyWindow) {
        HWND window = m_notifyWindow->GetSafeHwnd();
        m_notifyWindow->m_icon = nullptr;  // no report may reach an icon being destroyed
        m_notifyWindow = nullptr;
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
}

HWND CTaskbarIcon::NotifyWindow() const {
    return m_notifyWindow ? m_notifyWindow->GetSafeHwnd() : nullptr;
}

void CTaskbarIcon::OnRButtonUp() { ShowPopupMenu(); }
void CTaskbarIcon::OnLButtonDblClk() { ShowPopupMenu(); }

void CTaskbarIcon::CustomizeMenu(HMENU popup) { SetMenuDefaultItem(popup, ID_APP_EXIT, FALSE); }

void CTaskbarIcon::SetIcon(UINT resourceId) {
    SetIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId)));
}

void CTaskbarIcon::SetIcon(HICON icon) {
    if (icon && m_visible) {
        m_data.uFlags = NIF_ICON;
        m_data.hIcon = icon;
        NotifyShell(NIM_MODIFY, m_data);
        return;
    }
    ShowIcon(false);
    m_data.hIcon = icon;
}

void CTaskbarIcon::SetTip(const char* text) {
    const bool noText = !text || !text[0];
    if (!m_data.szTip[0] && noText) return;
    lstrcpynA(m_data.szTip, noText ? "" : text, kMaxTipChars + 1);
    if (m_visible) {
        m_data.uFlags = NIF_TIP;
        NotifyShell(NIM_MODIFY, m_data);
    }
}

bool CTaskbarIcon::CreateNotifyWindow() {
    CNotifyTargetWnd* window = new (std::nothrow) CNotifyTargetWnd(this);
    if (!window) return false;
    if (!window->Create()) {
        delete window;
        return false;
    }
    m_notifyWindow = window;
    m_data.hWnd = window->GetSafeHwnd();
    return true;
}

bool CTaskbarIcon::AddToShell() {
    if (!m_notifyWindow && !CreateNotifyWindow()) return false;
    if (!m_data.hIcon) return false;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | (m_data.szTip[0] ? NIF_TIP : 0);
    if (!NotifyShell(NIM_ADD, m_data)) return false;
    m_visible = 1;
    return true;
}

bool CTaskbarIcon::ShowIcon(bool show) {
    const bool wasVisible = m_visible != 0;
    if (!show) {
        m_wanted = false;
        StopRetry();
    }
    if (show == wasVisible) return wasVisible;
    if (show) {
        if (!m_data.hIcon) {
            // Nothing to show, and nothing to retry; the window is made all the same.
            if (!m_notifyWindow) CreateNotifyWindow();
            return wasVisible;
        }
        m_wanted = true;
        if (!AddToShell()) StartRetry();
    } else {
        m_data.uFlags = 0;
        if (NotifyShell(NIM_DELETE, m_data)) m_visible = 0;
    }
    return wasVisible;
}

void CTaskbarIcon::StartRetry() {
    if (!m_owner || m_retryAttempts <= 0) return;
    m_attemptsLeft = m_retryAttempts;
    if (!SetTimer(m_owner, kTrayIconRetryTimer, m_retryPeriodMs, nullptr)) m_attemptsLeft = 0;
}

void CTaskbarIcon::StopRetry() {
    if (m_attemptsLeft > 0 && m_owner) KillTimer(m_owner, kTrayIconRetryTimer);
    m_attemptsLeft = 0;
}

void CTaskbarIcon::OnRetryTimer() {
    if (!m_wanted || m_visible || m_attemptsLeft <= 0) {
        StopRetry();
        return;
    }
    --m_attemptsLeft;
    if (AddToShell() || m_attemptsLeft == 0) StopRetry();
}

void CTaskbarIcon::OnTaskbarCreated() {
    if (!m_wanted) return;
    if (AddToShell()) {
        StopRetry();
        return;
    }
    // A taskbar that still has the icon refuses the add and takes a change.
    if (m_visible && NotifyShell(NIM_MODIFY, m_data)) return;
    m_visible = 0;
    StartRetry();
}

void CTaskbarIcon::OnNotifyWindowDestroying() {
    if (!m_visible) return;
    m_data.uFlags = 0;
    NotifyShell(NIM_DELETE, m_data);
    m_visible = 0;  // whatever the shell answered, the window it would report to is going
}

void CTaskbarIcon::OnNotifyWindowGone() {
    m_notifyWindow = nullptr;
    m_data.hWnd = nullptr;
    if (m_wanted) StartRetry();
}

bool CTaskbarIcon::DispatchMouseMessage(WPARAM, LPARAM lParam) {
    // Indexed by the mouse message less WM_MOUSEMOVE.
    static void (CTaskbarIcon::*const kHandlers[])() = {
        &CTaskbarIcon::OnMouseMove,     &CTaskbarIcon::OnLButtonDown,
        &CTaskbarIcon::OnLButtonUp,     &CTaskbarIcon::OnLButtonDblClk,
        &CTaskbarIcon::OnRButtonDown,   &CTaskbarIcon::OnRButtonUp,
        &CTaskbarIcon::OnRButtonDblClk, &CTaskbarIcon::OnMButtonDown,
        &CTaskbarIcon::OnMButtonUp,     &CTaskbarIcon::OnMButtonDblClk,
    };
    static_assert(sizeof(kHandlers) / sizeof(kHandlers[0]) == WM_MBUTTONDBLCLK - WM_MOUSEMOVE + 1);
    if (lParam < WM_MOUSEMOVE || lParam > WM_MBUTTONDBLCLK) return false;
    (this->*kHandlers[lParam - WM_MOUSEMOVE])();
    return true;
}

void CTaskbarIcon::ShowPopupMenu() {
    ToolFlags& tools = Tools();
    ReadUserToolKeys(tools);
    if (!m_owner || m_menuId == 0) return;

    const HINSTANCE module = GetModuleHandleA(nullptr);
    Menu menu(LoadMenuA(module, MAKEINTRESOURCEA(m_menuId)));
    if (!menu) return;
    const HMENU popup = GetSubMenu(menu.Get(), 0);
    if (!popup) return;
    CustomizeMenu(popup);

    TrayPopup adapted(popup);
    adapted.Adapt(tools, GetOsKind());

    POINT cursor = {};
    GetCursorPos(&cursor);
    SetForegroundWindow(m_owner);
    TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, m_owner, nullptr);
    PostMessageA(m_owner, WM_GETTEXTLENGTH, 0, 0);
    // The tuning menu goes first (TrayPopup detaches and destroys it), then the loaded menu.
    adapted.DestroyTuningMenu();
}

}  // namespace ktray
