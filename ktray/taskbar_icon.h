// The icon in the taskbar notification area: its image and tip, its hidden notification window
// that the shell reports mouse activity to, and the popup menu that a click opens. The icon is
// the program's only face, so once it is wanted it is kept there: an add the shell refuses (not
// ready yet at an early logon) is retried on a timer for a while, a restarted shell gets it
// again, and a notification window destroyed from outside takes the icon along and is made
// anew.
#pragma once

#include <windows.h>

namespace ktray {

class CNotifyTargetWnd;

// The shell's icon record in the layout with a 128-character tip (488 bytes), which every shell
// from version 5 reads in full; older shells read the part they know.
struct TrayIconData {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    UINT uTimeoutOrVersion;
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
};
static_assert(sizeof(TrayIconData) == 488, "the shell's 488-byte layout");

constexpr size_t kMaxTipChars = 127;

class CTaskbarIcon {
public:
    CTaskbarIcon();
    // Removes the icon and closes the notification window.
    virtual ~CTaskbarIcon();
    CTaskbarIcon(const CTaskbarIcon&) = delete;
    CTaskbarIcon& operator=(const CTaskbarIcon&) = delete;

    // What the mouse did on the icon, one operation per message (kept in this order).
    virtual void OnRButtonDblClk() {}
    virtual void OnRButtonDown() {}
    virtual void OnRButtonUp();
    virtual void OnMButtonDblClk() {}
    virtual void OnMButtonDown() {}
    virtual void OnMButtonUp() {}
    virtual void OnLButtonDblClk();
    virtual void OnLButtonDown() {}
    virtual void OnLButtonUp() {}
    virtual void OnMouseMove() {}
    // Last touches to a freshly loaded popup: "Exit" is its default item.
    virtual void CustomizeMenu(HMENU popup);

    void SetIcon(UINT resourceId);  // from the application's own resources
    void SetIcon(HICON icon);       // a null icon removes a visible icon
    void SetTip(const char* text);  // cut to 127 characters
    // Adds or removes the icon; returns whether it was visible before. Showing makes the icon
    // wanted: an add that fails is retried (below) until it succeeds; hiding ends that.
    bool ShowIcon(bool show);
    void SetMenuId(UINT menuId) { m_menuId = menuId; }
    // The popup is tracked for the owner, its commands go to it, and it carries the retry
    // timer: it hands WM_TIMER kTrayIconRetryTimer to OnRetryTimer. Without an owner a failed
    // add is not retried.
    void SetOwner(HWND owner) { m_owner = owner; }
    // Retries of a failed add: every periodMs, at most attempts times, from each failure that
    // starts them (at showing, after a new taskbar, after the notification window was lost).
    void SetRetry(UINT periodMs, int attempts) {
        m_retryPeriodMs = periodMs;
        m_retryAttempts = attempts;
    }
    void OnRetryTimer();

    // The shell's report (lParam: the mouse message). True for a mouse message, false else.
    bool DispatchMouseMessage(WPARAM wParam, LPARAM lParam);
    // Builds the popup afresh, adapted to the installed tools and the Windows version, and
    // tracks it for the owner.
    void ShowPopupMenu();
    // The shell (re)created its taskbar, which knows no icon yet: add a wanted one again. Only
    // the notification window answers the announcement, so each new taskbar gets one add.
    void OnTaskbarCreated();

    bool IsVisible() const { return m_visible != 0; }
    const TrayIconData& IconData() const { return m_data; }
    HWND NotifyWindow() const;

private:
    friend class CNotifyTargetWnd;
    // The notification window is being destroyed (by anyone): the icon leaves the shell while
    // the window it names still exists.
    void OnNotifyWindowDestroying();
    // It is gone: forgotten, and made anew by the retry while the icon is wanted.
    void OnNotifyWindowGone();
    bool CreateNotifyWindow();
    // Creates the notification window when there is none, then adds the icon; true when the
    // shell took it.
    bool AddToShell();
    void StartRetry();
    void StopRetry();

    CNotifyTargetWnd* m_notifyWindow = nullptr;
    UINT m_menuId = 0;
    TrayIconData m_data;
    int m_visible = 0;
    HWND m_owner = nullptr;
    bool m_wanted = false;  // shown and not hidden since: kept in the notification area
    UINT m_retryPeriodMs;
    int m_retryAttempts;
    int m_attemptsLeft = 0;  // of the retries running now
};

// The message the shell broadcasts to top-level windows when the taskbar is (re)created.
UINT TaskbarCreatedMessage();

}  // namespace ktray
