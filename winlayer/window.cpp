// The thin window layer: binding objects to windows and the per-thread current message.
#include "window.h"

namespace winlayer {

MSG& CurrentMessage() {
    static thread_local MSG current;
    return current;
}

CWnd::~CWnd() {
    if (m_hWnd) {
        // Unbind first: the window's last messages must not reach a half-destroyed object.
        SetWindowLongA(m_hWnd, GWL_USERDATA, 0);
        HWND window = m_hWnd;
        m_hWnd = nullptr;
        ::DestroyWindow(window);
    }
}

bool CWnd::RegisterClassOnce(const char* className, UINT style, HCURSOR cursor, HBRUSH background,
                             HICON icon) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing;
    if (GetClassInfoA(instance, className, &existing)) return existing.lpfnWndProc == WindowProc;
    WNDCLASSA wc = {};
    wc.style = style;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = className;
    return RegisterClassA(&wc) != 0;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menu) {
    if (m_hWnd) return false;
    HWND window = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                  menu, GetModuleHandleA(nullptr), this);
    return window != nullptr && window == m_hWnd;
}

void CWnd::DestroyWindow() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::FromHandle(HWND window) {
    if (!window || !IsWindow(window)) return nullptr;
    // Only windows of this layer's classes carry an object in their user data.
    if (reinterpret_cast<WNDPROC>(GetClassLongA(window, GCL_WNDPROC)) != WindowProc) return nullptr;
    return reinterpret_cast<CWnd*>(GetWindowLongA(window, GWL_USERDATA));
}

LRESULT CWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) {
            self->m_hWnd = window;
            SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG>(self));
        }
    } else {
        self = reinterpret_cast<CWnd*>(GetWindowLongA(window, GWL_USERDATA));
    }
    // Messages before WM_NCCREATE, and after the object let go of its window.
    if (!self) return DefWindowProcA(window, message, wParam, lParam);

    LRESULT result;
    {
        CurrentMessageScope current(window, message, wParam, lParam);
        result = self->HandleMessage(message, wParam, lParam);
    }

    if (message == WM_NCDESTROY) {
        SetWindowLongA(window, GWL_USERDATA, 0);
        self->m_hWnd = nullptr;
        self->PostNcDestroy();
    }
    return result;
}

}  // namespace winlayer
