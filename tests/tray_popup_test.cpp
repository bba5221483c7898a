// The tray icon and its popup, in this process (Wine keeps menus in the process that tracks
// them): which mouse reports open the popup, what the popup holds for each combination of
// installed tools, auto overclock and a fixed FSB on this copy's Windows version, and what the
// shell is told about the icon.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cool_menu_manager.h"
#include "popup_reader.h"
#include "scratch_registry.h"
#include "resource.h"
#include "settings_keys.h"
#include "taskbar_icon.h"
#include "tool_flags.h"
#include "tray_messages.h"

using testsupport::FindItem;
using testsupport::PopupCatcher;
using testsupport::PopupItem;

namespace {

std::string g_windows;  // --windows=<name>: the version this copy runs as

// A plain top-level window for the popup to be tracked for.
class OwnerWindow {
public:
    OwnerWindow() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TrayPopupTestOwner";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, wc.lpszClassName, "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                  100, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~OwnerWindow() { DestroyWindow(window_); }
    HWND Get() const { return window_; }
    // Whether the popup's closing message (WM_GETTEXTLENGTH) was posted; takes it.
    bool TakeClosingMessage() {
        MSG message;
        return PeekMessageA(&message, window_, WM_GETTEXTLENGTH, WM_GETTEXTLENGTH, PM_REMOVE) != 0;
    }

private:
    HWND window_;
};

void SetKey(const char* path, bool present) {
    if (present)
        testsupport::CreateEmptyKey(HKEY_CURRENT_USER, path);
    else
        testsupport::RemoveTree(HKEY_CURRENT_USER, path);
}

class TrayPopup : public testing::Test {
protected:
    void SetUp() override {
        testsupport::RemoveTree(HKEY_CURRENT_USER, "Software\\Corvane");
        icon_.SetOwner(owner_.Get());
        icon_.SetMenuId(IDR_TRAYMENU);
    }
    void TearDown() override { testsupport::RemoveTree(HKEY_CURRENT_USER, "Software\\Corvane"); }

    // Opens the popup as a click on the icon does and returns what it held.
    std::vector<PopupItem> OpenPopup() {
        PopupCatcher catcher(owner_.Get());
        EXPECT_TRUE(icon_.DispatchMouseMessage(0, WM_RBUTTONUP));
        EXPECT_EQ(1, catcher.PopupsSeen());
        EXPECT_TRUE(owner_.TakeClosingMessage());
        return catcher.LastPopup();
    }

    OwnerWindow owner_;
    ktray::CTaskbarIcon icon_;
};

struct ToolCase {
    const char* name;
    bool tuning, autoOver, logo, dmi, bios, fsbFixed;
};

const ToolCase kToolCases[] = {
    {"nothing installed", false, false, false, false, false, false},
    {"every tool, auto overclock set", true, true, true, true, true, false},
    {"tuning tool without auto overclock", true, false, false, true, false, false},
    {"tuning tool with a fixed FSB", true, true, false, false, true, true},
    {"logo tool alone", false, true, true, false, false, true},
};

TEST_F(TrayPopup, HoldsTheItemsOfTheInstalledToolsAndThisWindows) {
    const std::map<std::string, std::pair<bool, bool>> greyByWindows = {
        // System Information grey, CD Player grey
        {"nt40", {true, false}}, {"win2k", {false, false}},
        {"winxp", {false, true}}, {"win98", {false, false}}};
    ASSERT_TRUE(greyByWindows.count(g_windows)) << "run with --windows=<version>";
    const auto [systemInfoGrey, cdPlayerGrey] = greyByWindows.at(g_windows);

    for (const ToolCase& c : kToolCases) {
        SCOPED_TRACE(c.name);
        SetKey(ktray::kTuningKey, c.tuning);
        SetKey(ktray::kAutoOverKey, c.tuning && c.autoOver);
        SetKey(ktray::kLogoToolKey, c.logo);
        SetKey(ktray::kDmiToolKey, c.dmi);
        SetKey(ktray::kBiosToolKey, c.bios);
        // Flags left over from start-up must not count: the popup reads the keys afresh.
        ktray::Tools() = {1, 1, 1, 1, c.fsbFixed};

        const std::vector<PopupItem> items = OpenPopup();
        std::vector<std::string> expected = {"-", "Windows display properties..", "-",
                                             "Microsoft Media Player", "Microsoft CD Player", "-"};
        if (c.tuning) expected.insert(expected.end(), {"Corvane Kestrel4>", "-"});
        if (c.logo) expected.insert(expected.end(), {"Corvane LogoSmith", "-"});
        expected.insert(expected.end(),
                        {"Corvane BIOS Flash", "Corvane Mainboard DMI Tool",
                         "Microsoft System Information", "-", "Visit our web site..",
                         "About Corvane Manager...", "-", "Exit"});
        EXPECT_EQ(expected, testsupport::Outline(items));

        if (c.tuning) {
            const PopupItem& tuning = items[6];
            std::vector<std::string> inner = {"Execute Kestrel4"};
            if (!c.fsbFixed) inner.push_back("Auto over clock on next reboot");
            EXPECT_EQ(inner, testsupport::Outline(tuning.submenu));
            if (const PopupItem* autoOver = FindItem(items, ID_AUTO_OVERCLOCK)) {
                EXPECT_EQ(c.autoOver, autoOver->IsChecked());
            }
        }
        if (c.logo) {
            EXPECT_NE(nullptr, FindItem(items, ID_LOGO_TOOL));
        }

        const std::pair<UINT, bool> grey[] = {
            {ID_BIOS_FLASH, !c.bios}, {ID_DMI_TOOL, !c.dmi}, {ID_SYSTEM_INFO, systemInfoGrey},
            {ID_CD_PLAYER, cdPlayerGrey}, {ID_MEDIA_PLAYER, false}, {ID_APP_EXIT, false}};
        for (const auto& [id, isGrey] : grey) {
            const PopupItem* item = FindItem(items, id);
            ASSERT_NE(nullptr, item) << id;
            EXPECT_EQ(isGrey, item->IsGrey()) << id;
        }
        EXPECT_TRUE(FindItem(items, ID_APP_EXIT)->IsDefault());
        EXPECT_EQ(c.tuning, ktray::Tools().tuningTool);
        EXPECT_EQ(c.fsbFixed, ktray::Tools().fsbFixed) << "the popup leaves the FSB flag alone";
    }
}

// The owner as ktray's main frame is: the menu manager hooks it and binds the toolbar's images,
// so the popup is drawn as ktray draws it. A check runs once the popup is drawn and idle.
class ManagedOwner : public ktray::CFrameWnd {
public:
    std::function<void(HWND popupWindow)> whileOpen;

    bool Create() {
        return RegisterClassOnce("TrayPopupTestFrame", 0) &&
               CreateEx(0, "TrayPopupTestFrame", "frame", WS_POPUP, 0, 0, 10, 10, nullptr,
                        nullptr) &&
               manager_.AttachToFrame(this) && manager_.AddToolbarImages(IDR_MENUIMAGES);
    }
    HWND Get() const { return m_hWnd; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_ENTERIDLE && wParam == MSGF_MENU && !seen_) {
            seen_ = true;
            if (whileOpen) whileOpen(reinterpret_cast<HWND>(lParam));
            PostMessageA(m_hWnd, WM_CANCELMODE, 0, 0);
            return 0;
        }
        return CFrameWnd::HandleMessage(message, wParam, lParam);
    }

private:
    ktray::CCoolMenuManager manager_;
    bool seen_ = false;
};

// Pixels darker than mid-grey: the text's strokes on the menu's light background.
int DarkPixels(HDC dc, const RECT& area) {
    int dark = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            dark += c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128;
        }
    }
    return dark;
}

// "Exit" drawn as a plain item's text, in the menu font at the given weight and quality, on the
// menu's colours: the references the popup's default item is measured against.
int DarkPixelsOfExit(int width, int height, LONG weight, BYTE quality) {
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = 340;  // the size every Windows of the kit accepts
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    metrics.lfMenuFont.lfWeight = weight;
    metrics.lfMenuFont.lfQuality = quality;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HFONT font = CreateFontIndirectA(&metrics.lfMenuFont);
    HGDIOBJ oldFont = SelectObject(memory, font);
    RECT area = {0, 0, width, height};
    HBRUSH background = CreateSolidBrush(GetSysColor(COLOR_MENU));
    FillRect(memory, &area, background);
    DeleteObject(background);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, GetSysColor(COLOR_MENUTEXT));
    DrawTextA(memory, "Exit", -1, &area, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    const int dark = DarkPixels(memory, area);
    SelectObject(memory, oldFont);
    DeleteObject(font);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return dark;
}

// The popup's default item, Exit, is drawn bold by the menu manager in ktray's own popup (the
// system draws no bold owner-drawn item): its strokes are two pixels wide, so its text has a
// quarter more dark pixels than the same text at normal weight at least, and is nearer the
// crisp bold text than the plain one. A smoothed bold face (which Wine picks for the menu font's
// bold at this size) gives a one-pixel stroke with a grey edge: hardly more dark pixels.
TEST(TrayPopupDrawn, TheDefaultItemExitIsBold) {
    if (g_windows != "winxp") GTEST_SKIP() << "independent of the Windows version";
    testsupport::RemoveTree(HKEY_CURRENT_USER, "Software\\Corvane");
    ManagedOwner owner;
    ASSERT_TRUE(owner.Create());
    ktray::CTaskbarIcon icon;
    icon.SetOwner(owner.Get());
    icon.SetMenuId(IDR_TRAYMENU);
    SetCursorPos(0, 0);  // the popup opens away from its last item, which stays unselected

    int captured = -1, width = 0, height = 0;
    bool ownerDrawn = false;
    owner.whileOpen = [&](HWND popupWindow) {
        const HMENU popup = reinterpret_cast<HMENU>(SendMessageA(popupWindow, 0x01E1, 0, 0));
        const int last = GetMenuItemCount(popup) - 1;
        ASSERT_EQ(UINT(ID_APP_EXIT), GetMenuItemID(popup, last));
        ownerDrawn = (GetMenuState(popup, last, MF_BYPOSITION) & MFT_OWNERDRAW) != 0;
        RECT item = {}, window = {};
        GetMenuItemRect(nullptr, popup, last, &item);
        GetWindowRect(popupWindow, &window);
        // The text column: after the button column and its gap, short of the arrow column.
        RECT text = {item.left - window.left + 23, item.top - window.top,
                     item.right - window.left - 20, item.bottom - window.top};
        width = text.right - text.left;
        height = text.bottom - text.top;
        HDC windowDc = GetWindowDC(popupWindow);
        captured = DarkPixels(windowDc, text);
        ReleaseDC(popupWindow, windowDc);
    };
    ASSERT_TRUE(icon.DispatchMouseMessage(0, WM_RBUTTONUP));
    ASSERT_GT(width, 0) << "the popup was not seen drawn";
    EXPECT_TRUE(ownerDrawn);
    const int plain = DarkPixelsOfExit(width, height, FW_NORMAL, DEFAULT_QUALITY);
    const int bold = DarkPixelsOfExit(width, height, FW_BOLD, NONANTIALIASED_QUALITY);
    const int smoothedBold = DarkPixelsOfExit(width, height, FW_BOLD, ANTIALIASED_QUALITY);
    std::printf("figure: dark pixels of Exit: %d in the popup, %d plain, %d bold, %d smoothed "
                "bold\n", captured, plain, bold, smoothedBold);
    ASSERT_GT(bold, plain + plain / 4) << "the reference texts differ in weight";
    EXPECT_GE(captured, plain + plain / 4) << "Exit's strokes are no wider than plain text's";
    EXPECT_GT(captured * 2, plain + bold) << "Exit is nearer normal weight than bold";
    owner.DestroyWindow();
}

// Which operation each mouse report reaches.
class RecordingIcon : public ktray::CTaskbarIcon {
public:
    std::string called;
    void OnRButtonDblClk() override { called += "RDbl "; }
    void OnRButtonDown() override { called += "RDown "; }
    void OnRButtonUp() override { called += "RUp "; }
    void OnMButtonDblClk() override { called += "MDbl "; }
    void OnMButtonDown() override { called += "MDown "; }
    void OnMButtonUp() override { called += "MUp "; }
    void OnLButtonDblClk() override { called += "LDbl "; }
    void OnLButtonDown() override { called += "LDown "; }
    void OnLButtonUp() override { called += "LUp "; }
    void OnMouseMove() override { called += "Move "; }
};

const std::pair<LPARAM, const char*> kMouseReports[] = {
    {WM_MOUSEMOVE, "Move "},     {WM_LBUTTONDOWN, "LDown "}, {WM_LBUTTONUP, "LUp "},
    {WM_LBUTTONDBLCLK, "LDbl "}, {WM_RBUTTONDOWN, "RDown "}, {WM_RBUTTONUP, "RUp "},
    {WM_RBUTTONDBLCLK, "RDbl "}, {WM_MBUTTONDOWN, "MDown "}, {WM_MBUTTONUP, "MUp "},
    {WM_MBUTTONDBLCLK, "MDbl "},
};

TEST(TrayIconMouse, EachReportReachesItsOwnOperationAndOthersNone) {
    if (g_windows != "winxp") GTEST_SKIP() << "independent of the Windows version";
    for (const auto& [report, operation] : kMouseReports) {
        RecordingIcon icon;
        EXPECT_TRUE(icon.DispatchMouseMessage(0, report)) << report;
        EXPECT_EQ(operation, icon.called) << report;
    }
    for (LPARAM other : {LPARAM(0), LPARAM(WM_MOUSEMOVE - 1), LPARAM(WM_MBUTTONDBLCLK + 1),
                         LPARAM(ktray::WM_TRAY_NOTIFY), LPARAM(-1)}) {
        RecordingIcon icon;
        EXPECT_FALSE(icon.DispatchMouseMessage(0, other)) << other;
        EXPECT_EQ("", icon.called) << other;
    }
}

TEST_F(TrayPopup, OpensOnRightButtonReleaseAndLeftDoubleClickOnly) {
    if (g_windows != "winxp") GTEST_SKIP() << "independent of the Windows version";
    for (const auto& [report, operation] : kMouseReports) {
        const bool opens = report == WM_RBUTTONUP || report == WM_LBUTTONDBLCLK;
        PopupCatcher catcher(owner_.Get());
        icon_.DispatchMouseMessage(0, report);
        EXPECT_EQ(opens ? 1 : 0, catcher.PopupsSeen()) << operation;
        EXPECT_EQ(opens, owner_.TakeClosingMessage()) << operation;
    }
}

class TrayIconShell : public testing::Test {
protected:
    void SetUp() override {
        if (g_windows != "winxp") GTEST_SKIP() << "independent of the Windows version";
    }
    // Whether the shell still knows the icon: a change to it succeeds only then.
    static bool ShellKnows(const ktray::CTaskbarIcon& icon) {
        ktray::TrayIconData data = icon.IconData();
        data.uFlags = NIF_TIP;
        return Shell_NotifyIconA(NIM_MODIFY, reinterpret_cast<NOTIFYICONDATAA*>(&data)) != 0;
    }
    OwnerWindow owner_;
};

TEST_F(TrayIconShell, TipIsCutAt127CharactersBeforeAndAfterTheIconShows) {
    ktray::CTaskbarIcon icon;
    icon.SetOwner(owner_.Get());
    icon.SetIcon(static_cast<UINT>(IDR_TRAYICON));
    const std::string longTip(200, 'x');
    icon.SetTip(longTip.c_str());
    EXPECT_EQ(std::string(127, 'x'), icon.IconData().szTip);
    ASSERT_FALSE(icon.ShowIcon(true));
    ASSERT_TRUE(icon.IsVisible());
    EXPECT_EQ(488u, icon.IconData().cbSize);
    EXPECT_EQ(ktray::WM_TRAY_NOTIFY, icon.IconData().uCallbackMessage);
    EXPECT_NE(nullptr, icon.IconData().hWnd);

    const std::string exact(127, 'y'), longer(128, 'z');
    icon.SetTip(exact.c_str());
    EXPECT_EQ(exact, icon.IconData().szTip);
    icon.SetTip(longer.c_str());
    EXPECT_EQ(std::string(127, 'z'), icon.IconData().szTip);
    EXPECT_TRUE(ShellKnows(icon));
}

TEST_F(TrayIconShell, ANewTaskbarGetsTheIconAgain) {
    ktray::CTaskbarIcon icon;
    icon.SetOwner(owner_.Get());
    icon.SetIcon(static_cast<UINT>(IDR_TRAYICON));
    ASSERT_FALSE(icon.ShowIcon(true));
    // The shell forgets the icon as a restarted shell would, then announces its taskbar.
    ktray::TrayIconData data = icon.IconData();
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, reinterpret_cast<NOTIFYICONDATAA*>(&data)));
    ASSERT_FALSE(ShellKnows(icon));
    SendMessageA(icon.NotifyWindow(), ktray::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(ShellKnows(icon));
    EXPECT_TRUE(icon.IsVisible());
}

TEST_F(TrayIconShell, NullIconRemovesAVisibleIconAndDestructionClosesTheWindow) {
    HWND notifyWindow = nullptr;
    {
        ktray::CTaskbarIcon icon;
        icon.SetOwner(owner_.Get());
        icon.SetIcon(static_cast<UINT>(IDR_TRAYICON));
        icon.SetTip(ktray::kTrayTip);
        ASSERT_FALSE(icon.ShowIcon(true));
        ASSERT_TRUE(ShellKnows(icon));
        notifyWindow = icon.NotifyWindow();
        ASSERT_TRUE(IsWindow(notifyWindow));

        icon.SetIcon(static_cast<HICON>(nullptr));
        EXPECT_FALSE(icon.IsVisible());
        EXPECT_FALSE(ShellKnows(icon));
        // Without an icon there is nothing to show.
        EXPECT_FALSE(icon.ShowIcon(true));
        EXPECT_FALSE(icon.IsVisible());
    }
    EXPECT_FALSE(IsWindow(notifyWindow));
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--windows=", 0) == 0) g_windows = arg.substr(10);
    }
    return RUN_ALL_TESTS();
}
