// The tray icon's notification window.
#include "notify_target_wnd.h"

#include "taskbar_icon.h"
#include "tray_messages.h"

namespace ktray {

namespace {
// Filled once the class is registered, so that it is registered once per process.
char g_notifyClassName[32] = "";
constexpr char kNotifyClass[] = "KtrayNotifyTarget";
}  // namespace

bool CNotifyTargetWnd::Create() {
    if (!g_notifyClassName[0]) {
        if (!RegisterClassOnce(kNotifyClass, CS_NOCLOSE)) return false;
        lstrcpynA(g_notifyClassName, kNotifyClass, sizeof(g_notifyClassName));
    }
    if (!CreateEx(WS_EX_NOPARENTNOTIFY, g_notifyClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50,
                  nullptr, nullptr))
        return false;
    m_ownsItself = true;
    return true;
}

LRESULT CNotifyTargetWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TRAY_NOTIFY) {
        if (m_icon) m_icon->DispatchMouseMessage(wParam, lParam);
        return 0;
    }
    if (message == TaskbarCreatedMessage() && message != 0) {
        if (m_icon) m_icon->OnTaskbarCreated();
        return 0;
    }
    if (message == WM_DESTROY && m_icon) m_icon->OnNotifyWindowDestroying();
    return Default(message, wParam, lParam);
}

void CNotifyTargetWnd::PostNcDestroy() {
    // The icon must not keep a pointer to a window that is gone, whoever destroyed it.
    if (m_icon) m_icon->OnNotifyWindowGone();
    // A window that failed during creation leaves the object to the caller.
    if (m_ownsItself) delete this;
}

}  // namespace ktray
