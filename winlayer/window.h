// The thin window layer of the kit's window programs: a window object owns its HWND, one static
// procedure finds the object and calls its HandleMessage. The message being handled is kept per
// thread, so that a hook on the window's procedure can set it for the code it calls and put it
// back afterwards.
#pragma once

#include <windows.h>

namespace winlayer {

// The message this thread is handling now: window, message, wParam, lParam, time and point.
MSG& CurrentMessage();

// Makes a message the current one for the code a window procedure calls, and puts the previous
// record back (time and point included) when the procedure is done with it.
class CurrentMessageScope {
public:
    CurrentMessageScope(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
        : saved_(CurrentMessage()) {
        MSG& current = CurrentMessage();
        current.hwnd = window;
        current.message = message;
        current.wParam = wParam;
        current.lParam = lParam;
    }
    ~CurrentMessageScope() { CurrentMessage() = saved_; }
    CurrentMessageScope(const CurrentMessageScope&) = delete;
    CurrentMessageScope& operator=(const CurrentMessageScope&) = delete;

private:
    const MSG saved_;
};

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();  // destroys a window that is still there, without calling back into it
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Registers a class whose windows this layer serves; false when registration fails. A class
    // that exists already counts as registered.
    static bool RegisterClassOnce(const char* className, UINT style, HCURSOR cursor = nullptr,
                                  HBRUSH background = nullptr, HICON icon = nullptr);

    // Creates the window and binds it to this object (from WM_NCCREATE on).
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                  int y, int width, int height, HWND parent, HMENU menu);
    void DestroyWindow();

    // The object bound to a window of this layer's classes, or null for any other window.
    static CWnd* FromHandle(HWND window);

protected:
    // Every message of the window. The default hands it to DefWindowProcA.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // After WM_NCDESTROY, once the object is no longer bound: objects that own themselves delete
    // themselves here.
    virtual void PostNcDestroy() {}

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// A top-level frame: the accelerator table it translates with (none unless a frame loads one).
class CFrameWnd : public CWnd {
public:
    virtual HACCEL GetDefaultAccelerator() const { return m_hAccelTable; }

protected:
    HACCEL m_hAccelTable = nullptr;
};

}  // namespace winlayer
