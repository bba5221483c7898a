// The hook chains: one process-wide map from a window to its newest hook, so that every message
// of a hooked window costs one lookup.
#include "subclass_wnd.h"

#include <unordered_map>

#include "window.h"

namespace winlayer {
namespace {

using HookChainMap = std::unordered_map<HWND, CSubclassWnd*>;

// Created on first use and never destroyed: a window may still be destroyed while the process
// runs its exit handlers, and its WM_NCDESTROY must find a live map.
HookChainMap& HookChains() {
    static HookChainMap* chains = new HookChainMap(10);
    return *chains;
}

CSubclassWnd* ChainHead(HWND window) {
    HookChainMap& chains = HookChains();
    const auto found = chains.find(window);
    return found == chains.end() ? nullptr : found->second;
}

}  // namespace

CSubclassWnd::~CSubclassWnd() {
    if (m_hWnd) Detach();
}

bool CSubclassWnd::HookWindow(HWND window) {
    if (m_hWnd) Detach();
    if (!window) return true;

    CSubclassWnd* head = ChainHead(window);
    WNDPROC previous;
    if (head) {
        previous = head->m_previousProc;
    } else {
        SetLastError(0);
        previous = reinterpret_cast<WNDPROC>(
            SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG>(&HookWindowProc)));
        if (!previous && GetLastError() != 0) return false;
    }
    m_nextHook = head;
    m_previousProc = previous;
    m_hWnd = window;
    HookChains()[window] = this;
    return true;
}

void CSubclassWnd::Detach() {
    HookChainMap& chains = HookChains();
    const auto found = chains.find(m_hWnd);
    if (found != chains.end()) {
        if (found->second == this) {
            if (m_nextHook) {
                found->second = m_nextHook;
            } else {
                chains.erase(found);
                SetWindowLongA(m_hWnd, GWL_WNDPROC, reinterpret_cast<LONG>(m_previousProc));
            }
        } else {
            CSubclassWnd* hook = found->second;
            while (hook->m_nextHook && hook->m_nextHook != this) hook = hook->m_nextHook;
            if (hook->m_nextHook == this) hook->m_nextHook = m_nextHook;
        }
    }
    m_hWnd = nullptr;
    m_previousProc = nullptr;
    m_nextHook = nullptr;
}

LRESULT CSubclassWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return PassOn(message, wParam, lParam);
}

LRESULT CSubclassWnd::PassOn(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_nextHook) return m_nextHook->HandleMessage(message, wParam, lParam);
    if (m_previousProc) return CallWindowProcA(m_previousProc, m_hWnd, message, wParam, lParam);
    return DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CSubclassWnd::HookWindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    // Code called from a hook asks for the current message; it must see this one.
    CurrentMessageScope current(window, message, wParam, lParam);
    CSubclassWnd* head = ChainHead(window);
    if (!head) {
        // Only reachable when someone else kept and called this procedure after the last hook
        // left; there is no procedure of the window's own to pass to.
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        // Every hook leaves before the window's own procedure sees its last message.
        const WNDPROC own = head->m_previousProc;
        while ((head = ChainHead(window)) != nullptr) head->Detach();
        return CallWindowProcA(own, window, message, wParam, lParam);
    }
    return head->HandleMessage(message, wParam, lParam);
}

}  // namespace winlayer
