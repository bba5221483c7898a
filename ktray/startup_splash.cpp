// The start-up splash window.
#include "startup_splash.h"

#include <new>

#include "resource.h"
#include "tray_messages.h"

namespace ktray {

namespace {
bool g_splashEnabled = false;
CStartupSplash* g_splash = nullptr;
constexpr char kSplashClass[] = "KtraySplash";

bool IsDismissingInput(UINT message) {
    switch (message) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN:
        return true;
    default:
        return false;
    }
}
}  // namespace

void CStartupSplash::EnableSplashScreen(bool enable) { g_splashEnabled = enable; }

HWND CStartupSplash::CurrentSplash() { return g_splash ? g_splash->GetSafeHwnd() : nullptr; }

void CStartupSplash::ShowSplashScreen(CWnd* owner) {
    if (!g_splashEnabled || g_splash) return;
    CStartupSplash* splash = new (std::nothrow) CStartupSplash;
    if (!splash) return;
    g_splash = splash;
    if (!splash->Create(owner)) {
        g_splash = nullptr;
        delete splash;
        return;
    }
    UpdateWindow(splash->m_hWnd);
}

bool CStartupSplash::PreTranslateAppMessage(const MSG& message) {
    if (!g_splash || !g_splash->m_hWnd || !IsDismissingInput(message.message)) return false;
    g_splash->HideSplashScreen();
    return true;
}

bool CStartupSplash::Create(CWnd* owner) {
    const HINSTANCE module = GetModuleHandleA(nullptr);
    // As a DIB section: a copy in the screen's format would be one more picture made (under Wine
    // its memory stays with the process after the splash is gone).
    m_bitmap.Reset(static_cast<HBITMAP>(
        LoadImageA(module, MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!m_bitmap) return false;
    BITMAP info = {};
    if (!GetObjectA(m_bitmap.Get(), sizeof(info), &info)) return false;
    m_size = {info.bmWidth, info.bmHeight};
    if (!RegisterClassOnce(kSplashClass, 0, LoadCursorA(nullptr, IDC_ARROW))) return false;

    // Centred on the work area: the owner is never shown, so there is nothing else to centre on.
    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const int x = area.left + (area.right - area.left - m_size.cx) / 2;
    const int y = area.top + (area.bottom - area.top - m_size.cy) / 2;
    m_owner = owner ? owner->GetSafeHwnd() : nullptr;
    if (!CreateEx(0, kSplashClass, "", WS_POPUP | WS_VISIBLE, x, y, m_size.cx, m_size.cy, m_owner,
                  nullptr))
        return false;
    m_ownsItself = true;
    return true;
}

void CStartupSplash::HideSplashScreen() {
    const HWND owner = m_owner;
    DestroyWindow();  // deletes this object
    if (owner) UpdateWindow(owner);
}

void CStartupSplash::Paint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(m_hWnd, &paint);
    if (dc) {
        MemoryDc memory(CreateCompatibleDC(dc));
        if (memory) {
            SelectScope select(memory.Get(), m_bitmap.Get());
            BitBlt(dc, 0, 0, m_size.cx, m_size.cy, memory.Get(), 0, 0, SRCCOPY);
        }
    }
    EndPaint(m_hWnd, &paint);
}

LRESULT CStartupSplash::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetTimer(m_hWnd, kSplashTimer, kSplashPeriodMs, nullptr);
        return 0;
    case WM_TIMER:
        if (wParam == kSplashTimer) {
            HideSplashScreen();
            return 0;
        }
        break;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_DESTROY:
        KillTimer(m_hWnd, kSplashTimer);
        break;
    }
    return Default(message, wParam, lParam);
}

void CStartupSplash::PostNcDestroy() {
    if (g_splash == this) g_splash = nullptr;
    if (m_ownsItself) delete this;
}

}  // namespace ktray
