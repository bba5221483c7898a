// The menu manager on a frame while popups are tracked: items converted while open and reverted
// after, accelerator texts from the frame's table, no handle left behind over many popups, and a
// screenshot of ktray's popup checked at fixed places.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "cool_menu_manager.h"
#include "gdi_object_counter.h"
#include "menus/menu_test_ids.h"
#include "png_file.h"
#include "resource.h"

namespace {

using ktray::CCoolMenuManager;

class CountingManager : public CCoolMenuManager {
public:
    int draws = 0;
    BOOL DrawMenuItem(DRAWITEMSTRUCT* item) override {
        ++draws;
        return CCoolMenuManager::DrawMenuItem(item);
    }
};

// A hidden frame that runs a check once a popup it tracks is up and idle, then closes it.
class TestFrame : public ktray::CFrameWnd {
public:
    std::function<void(HWND popupWindow)> whileOpen;

    bool Create(HACCEL accelerators) {
        m_hAccelTable = accelerators;
        return RegisterClassOnce("CoolMenuTestFrame", 0) &&
               CreateEx(0, "CoolMenuTestFrame", "frame", WS_POPUP, 100, 100, 50, 50, nullptr,
                        nullptr);
    }
    void Track(HMENU popup, int x = 60, int y = 40) {
        idleSeen_ = false;
        TrackPopupMenu(popup, 0, x, y, 0, m_hWnd, nullptr);
    }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_ENTERIDLE && wParam == MSGF_MENU && !idleSeen_) {
            idleSeen_ = true;
            if (whileOpen) whileOpen(reinterpret_cast<HWND>(lParam));
            PostMessageA(m_hWnd, WM_CANCELMODE, 0, 0);
            return 0;
        }
        return CFrameWnd::HandleMessage(message, wParam, lParam);
    }

private:
    bool idleSeen_ = false;
};

class CoolMenuTracking : public testing::Test {
protected:
    void SetUp() override {
        testsupport::InstallGdiObjectCounter();
        accelerators_ = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ACCEL_TEST));
        ASSERT_TRUE(frame_.Create(accelerators_));
        ASSERT_TRUE(manager_.AttachToFrame(&frame_));
    }
    void TearDown() override {
        frame_.DestroyWindow();
        DestroyAcceleratorTable(accelerators_);
    }
    static std::string RecordText(HMENU menu, UINT id) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        GetMenuItemInfoA(menu, id, FALSE, &info);
        auto* record = reinterpret_cast<const ktray::MenuItemRecord*>(info.dwItemData);
        return record ? record->text : "(no record)";
    }
    static std::string ItemText(HMENU menu, UINT id) {
        char text[256] = {};
        GetMenuStringA(menu, id, text, sizeof(text), MF_BYCOMMAND);
        return text;
    }

    HACCEL accelerators_ = nullptr;
    TestFrame frame_;
    CountingManager manager_;
};

TEST_F(CoolMenuTracking, OpenPopupIsOwnerDrawnWithTheFramesAcceleratorTextsAndPlainAfterwards) {
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 0xE100, "&New");
    AppendMenuA(popup, MF_STRING, 0xE101, "&Open");
    AppendMenuA(popup, MF_STRING, 0xE124, "&Close");
    std::vector<std::string> open;
    HMENU shown = nullptr;
    frame_.whileOpen = [&](HWND popupWindow) {
        shown = reinterpret_cast<HMENU>(SendMessageA(popupWindow, MN_GETHMENU, 0, 0));
        for (UINT id : {0xE100u, 0xE101u, 0xE124u}) open.push_back(RecordText(popup, id));
        EXPECT_EQ(MFT_OWNERDRAW, GetMenuState(popup, 0, MF_BYPOSITION) & MFT_OWNERDRAW);
    };
    frame_.Track(popup);
    EXPECT_EQ(popup, shown);
    EXPECT_EQ((std::vector<std::string>{"&New\tCtrl+Shift+N, Ctrl+N", "&Open\tF5", "&Close"}), open);
    EXPECT_GT(manager_.draws, 0);

    // Menu mode ended: plain items again, the accelerator texts kept in them.
    EXPECT_EQ(0u, GetMenuState(popup, 0, MF_BYPOSITION) & MFT_OWNERDRAW);
    EXPECT_EQ("&New\tCtrl+Shift+N, Ctrl+N", ItemText(popup, 0xE100));
    EXPECT_EQ("&Close", ItemText(popup, 0xE124));
    EXPECT_EQ(0u, manager_.LiveRecordCount());
    DestroyMenu(popup);
}

TEST_F(CoolMenuTracking, NoHandleIsLeftBehindOverTwoHundredPopups) {
    ASSERT_TRUE(manager_.AddToolbarImages(IDR_MENUIMAGES));
    const auto showTrayPopup = [&] {
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
        HMENU popup = GetSubMenu(menu, 0);
        EnableMenuItem(popup, ID_DMI_TOOL, MF_BYCOMMAND | MF_GRAYED);  // the embossed image
        CheckMenuItem(popup, ID_SYSTEM_INFO, MF_BYCOMMAND | MF_CHECKED);
        SetMenuDefaultItem(popup, ID_APP_EXIT, FALSE);
        frame_.Track(popup);
        DestroyMenu(menu);
    };
    showTrayPopup();  // the menu font is made on first use and kept
    const size_t before = testsupport::LiveGdiObjects();
    const int drawsBefore = manager_.draws;
    for (int i = 0; i < 200; ++i) showTrayPopup();
    EXPECT_EQ(before, testsupport::LiveGdiObjects());
    EXPECT_GE(manager_.draws - drawsBefore, 200 * 10) << "every popup was drawn";
    EXPECT_EQ(0u, manager_.LiveRecordCount());
    EXPECT_TRUE(manager_.ConvertedMenus().empty());

    manager_.ReleaseAll();
    frame_.DestroyWindow();
    EXPECT_EQ(before - 2, testsupport::LiveGdiObjects()) << "only the image list and font were kept";
}

}  // namespace
