// The hidden window the shell sends the tray icon's mouse reports to. It hands each one back to
// its icon and deletes itself when its window is destroyed.
#pragma once

#include "window_layer.h"

namespace ktray {

class CTaskbarIcon;

class CNotifyTargetWnd : public CWnd {
public:
    explicit CNotifyTargetWnd(CTaskbarIcon* icon) : m_icon(icon) {}
    // Registers the window class once per process (CS_NOCLOSE, nothing else) and creates the
    // never-shown window. False when either fails; the object is then still the caller's.
    bool Create();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    friend class CTaskbarIcon;
    CTaskbarIcon* m_icon;
    bool m_ownsItself = false;  // from the moment its window exists
};

}  // namespace ktray
