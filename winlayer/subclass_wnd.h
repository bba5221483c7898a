// Lets an object that is not a window see a window's messages before the window's own procedure
// does. Hooks on one window form a chain, newest first; the window's own procedure is put back
// when the last hook leaves, and every hook leaves when the window is destroyed.
#pragma once

#include <windows.h>

namespace winlayer {

class CSubclassWnd {
public:
    CSubclassWnd() = default;
    // A hook still attached leaves its window, so that no message reaches a destroyed object.
    virtual ~CSubclassWnd();
    CSubclassWnd(const CSubclassWnd&) = delete;
    CSubclassWnd& operator=(const CSubclassWnd&) = delete;

    // The name of the object's class, in place of run-time type information.
    virtual const char* GetRuntimeClassName() const { return "CSubclassWnd"; }

    // With a window: attaches this hook to it (leaving a window it was attached to first). With
    // null: detaches it. False only when the window's procedure cannot be replaced (no such
    // window, or one of another process); the hook is then left detached.
    bool HookWindow(HWND window);

    HWND HookedWindow() const { return m_hWnd; }
    bool IsHooked() const { return m_hWnd != nullptr; }

    // The window procedure installed on hooked windows.
    static LRESULT CALLBACK HookWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // A message of the hooked window. Handle it, or hand it on with PassOn.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // To the next older hook, or to the window's own procedure after the oldest one.
    LRESULT PassOn(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Detach();

    HWND m_hWnd = nullptr;              // the window hooked; null when detached
    WNDPROC m_previousProc = nullptr;   // the window's own procedure from before the first hook
    CSubclassWnd* m_nextHook = nullptr; // the hook attached to the same window before this one
};

}  // namespace winlayer
