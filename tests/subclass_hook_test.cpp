// The hook chain on a plain window: order of hooks, detaching in any order, the window's own
// procedure put back exactly, WM_NCDESTROY, and the current message as a hook sees it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "subclass_wnd.h"
#include "window.h"

namespace {

constexpr UINT kProbe = WM_APP + 1;
std::vector<std::string> g_seen;  // who saw kProbe and WM_NCDESTROY, in order

LRESULT CALLBACK OwnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbe) {
        g_seen.push_back("own");
        return 100;
    }
    if (message == WM_NCDESTROY) {
        const bool ownProcBack = reinterpret_cast<WNDPROC>(GetWindowLongA(window, GWL_WNDPROC)) == OwnProc;
        g_seen.push_back(ownProcBack ? "own-ncdestroy-unhooked" : "own-ncdestroy-still-hooked");
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class NamedHook : public winlayer::CSubclassWnd {
public:
    explicit NamedHook(std::string name) : name_(std::move(name)) {}
    MSG seenCurrent = {};
    HWND windowAtNcDestroy = reinterpret_cast<HWND>(1);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kProbe) {
            g_seen.push_back(name_);
            seenCurrent = winlayer::CurrentMessage();
            return PassOn(message, wParam, lParam) + 1;
        }
        return PassOn(message, wParam, lParam);
    }

private:
    std::string name_;
};

class HookChain : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "HookChainTestWindow";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, wc.hInstance, nullptr);
        ASSERT_NE(nullptr, window_);
        g_seen.clear();
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
    }
    // Who sees a probe, and what the chain returns (each hook adds 1 to the own 100).
    std::vector<std::string> Probe(LRESULT* result = nullptr) {
        g_seen.clear();
        const LRESULT r = SendMessageA(window_, kProbe, 0, 0);
        if (result) *result = r;
        return g_seen;
    }
    WNDPROC CurrentProc() const {
        return reinterpret_cast<WNDPROC>(GetWindowLongA(window_, GWL_WNDPROC));
    }

    HWND window_ = nullptr;
    using Seen = std::vector<std::string>;
};

TEST_F(HookChain, NewerHookFirstAndEitherCanLeaveFirst) {
    struct Case {
        const char* leavesFirst;
        Seen afterwards;
    };
    for (const Case& c : {Case{"newer", Seen{"older", "own"}}, Case{"older", Seen{"newer", "own"}}}) {
        SCOPED_TRACE(c.leavesFirst);
        NamedHook older("older"), newer("newer");
        ASSERT_TRUE(older.HookWindow(window_));
        ASSERT_TRUE(newer.HookWindow(window_));
        LRESULT result = 0;
        EXPECT_EQ((Seen{"newer", "older", "own"}), Probe(&result));
        EXPECT_EQ(102, result);

        NamedHook& leaving = std::string(c.leavesFirst) == "newer" ? newer : older;
        NamedHook& staying = &leaving == &newer ? older : newer;
        leaving.HookWindow(nullptr);
        EXPECT_FALSE(leaving.IsHooked());
        EXPECT_TRUE(staying.IsHooked());
        EXPECT_EQ(c.afterwards, Probe(&result));
        EXPECT_EQ(101, result);
        EXPECT_EQ(reinterpret_cast<WNDPROC>(&winlayer::CSubclassWnd::HookWindowProc), CurrentProc());

        staying.HookWindow(nullptr);
        EXPECT_EQ(OwnProc, CurrentProc()) << "the last hook puts the own procedure back";
        EXPECT_EQ((Seen{"own"}), Probe());
        staying.HookWindow(nullptr);  // detaching a detached hook changes nothing
        EXPECT_EQ(OwnProc, CurrentProc());
    }
}

TEST_F(HookChain, DestroyedWindowDetachesEveryHookBeforeItsOwnProcedureSeesIt) {
    NamedHook first("first"), second("second"), third("third");
    for (NamedHook* hook : {&first, &second, &third}) ASSERT_TRUE(hook->HookWindow(window_));
    g_seen.clear();
    DestroyWindow(window_);
    EXPECT_EQ((Seen{"own-ncdestroy-unhooked"}), g_seen);
    for (NamedHook* hook : {&first, &second, &third}) EXPECT_FALSE(hook->IsHooked());
}

TEST_F(HookChain, HookSeesTheCurrentMessageAndTheRecordIsRestoredAfterwards) {
    NamedHook hook("hook");
    ASSERT_TRUE(hook.HookWindow(window_));
    MSG& current = winlayer::CurrentMessage();
    const MSG before = {reinterpret_cast<HWND>(0x1234), 0x77, 0x88, 0x99, 0xAA, {0xBB, 0xCC}};
    current = before;
    SendMessageA(window_, kProbe, 0x5678, 0x9ABC);
    EXPECT_EQ(window_, hook.seenCurrent.hwnd);
    EXPECT_EQ(kProbe, hook.seenCurrent.message);
    EXPECT_EQ(0x5678u, hook.seenCurrent.wParam);
    EXPECT_EQ(0x9ABC, hook.seenCurrent.lParam);
    EXPECT_EQ(0, memcmp(&before, &current, sizeof(MSG))) << "record restored after the hook";
    hook.HookWindow(nullptr);
}

TEST_F(HookChain, HookDestroyedWhileAttachedLeavesItsWindow) {
    NamedHook older("older");
    ASSERT_TRUE(older.HookWindow(window_));
    {
        NamedHook newer("newer");
        ASSERT_TRUE(newer.HookWindow(window_));
    }
    EXPECT_EQ((Seen{"older", "own"}), Probe());
    {
        NamedHook& gone = *new NamedHook("gone");
        ASSERT_TRUE(gone.HookWindow(window_));
        older.HookWindow(nullptr);
        delete &gone;
    }
    EXPECT_EQ(OwnProc, CurrentProc());
    EXPECT_EQ((Seen{"own"}), Probe());
}

TEST_F(HookChain, HookMovingToAnotherWindowLeavesTheFirstOne) {
    NamedHook hook("hook");
    HWND other = CreateWindowExA(0, "HookChainTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(hook.HookWindow(window_));
    ASSERT_TRUE(hook.HookWindow(other));
    EXPECT_EQ(OwnProc, CurrentProc());
    EXPECT_EQ(other, hook.HookedWindow());
    DestroyWindow(other);
    EXPECT_FALSE(hook.IsHooked());
}

TEST_F(HookChain, RefusesAWindowThatDoesNotExist) {
    NamedHook hook("hook");
    HWND gone = CreateWindowExA(0, "HookChainTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    DestroyWindow(gone);
    EXPECT_FALSE(hook.HookWindow(gone));
    EXPECT_FALSE(hook.IsHooked());
}

}  // namespace
