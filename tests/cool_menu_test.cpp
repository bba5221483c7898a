// The menu manager without an open popup: toolbar images and their bindings, accelerator texts,
// mnemonics, measuring and drawing one item, and converting a popup and back.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "cool_menu_manager.h"
#include "import_patch.h"
#include "menus/canvas.h"
#include "menus/menu_test_ids.h"
#include "resource.h"

namespace {

using ktray::CCoolMenuManager;

TEST(CoolMenuImages, ToolbarsBindImagesInOrderAndTheFirstBindingWins) {
    CCoolMenuManager manager;
    ASSERT_TRUE(manager.AddToolbarImages(TB_FIRST));
    EXPECT_EQ(16, manager.ImageSize().cx);
    EXPECT_EQ(16, manager.ImageSize().cy);
    EXPECT_EQ(20, manager.ButtonSize().cx);
    EXPECT_EQ(20, manager.ButtonSize().cy);
    ASSERT_TRUE(manager.AddToolbarImages(TB_SECOND));

    const struct {
        UINT command;
        int image;
    } expected[] = {{0xE100, 0}, {0xE101, 1}, {0xE103, 2}, {0xE123, 3},
                    {0xE124, 5},  // 0xE101 repeated took image 4 and kept image 1
                    {0, -1}, {0xE102, -1}};
    const auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        for (const auto& e : expected) EXPECT_EQ(e.image, manager.ImageOfCommand(e.command)) << std::hex << e.command;
        EXPECT_EQ(7, ImageList_GetImageCount(manager.Images()));
        EXPECT_EQ((std::vector<UINT>{TB_FIRST, TB_SECOND}), manager.ToolbarIds());
    };
    check("loaded");
    manager.ReloadImages();
    check("reloaded");

    manager.ReleaseAll();
    EXPECT_EQ(nullptr, manager.Images());
    EXPECT_EQ(0, manager.ImageSize().cx);
    EXPECT_EQ(-1, manager.ImageOfCommand(0xE100));
    EXPECT_TRUE(manager.ToolbarIds().empty());
    EXPECT_TRUE(manager.AddToolbarImages(TB_LARGE)) << "the first toolbar after a release sets the size";
    EXPECT_EQ(28, manager.ButtonSize().cx);
}

TEST(CoolMenuImages, RefusedToolbarsAddNothing) {
    const struct {
        UINT id;
        const char* why;
    } refused[] = {{TB_LARGE, "another image size"},
                   {TB_TRUNCATED, "fewer items than its count"},
                   {TB_NO_BITMAP, "no bitmap"},
                   {999, "no such resource"}};
    CCoolMenuManager manager;
    ASSERT_TRUE(manager.AddToolbarImages(TB_FIRST));
    for (const auto& r : refused) {
        EXPECT_FALSE(manager.AddToolbarImages(r.id)) << r.why;
        EXPECT_EQ(4, ImageList_GetImageCount(manager.Images())) << r.why;
        EXPECT_EQ(1u, manager.ToolbarIds().size()) << r.why;
    }
    EXPECT_EQ(-1, manager.ImageOfCommand(0xE130));
    EXPECT_EQ(-1, manager.ImageOfCommand(0xE140));

    CCoolMenuManager empty;
    EXPECT_FALSE(empty.AddToolbarImages(TB_TRUNCATED));
    EXPECT_EQ(nullptr, empty.Images()) << "a refused first toolbar leaves no image list";
    EXPECT_EQ(0, empty.ImageSize().cx);
}

// The button colours of the bitmap become the system's; the face colour becomes transparent.
TEST(CoolMenuImages, ButtonColoursFollowTheSystemColours) {
    CCoolMenuManager manager;
    ASSERT_TRUE(manager.AddToolbarImages(TB_FIRST));
    const COLORREF background = RGB(255, 0, 255);
    menutest::Canvas canvas(16, 16, background);
    ImageList_Draw(manager.Images(), 0, canvas.Dc(), 0, 0, ILD_TRANSPARENT);
    const struct {
        int x, y;
        COLORREF colour;
        const char* what;
    } expected[] = {{0, 0, background, "face: transparent"},
                    {5, 5, RGB(255, 0, 0), "own colour"},
                    {15, 15, GetSysColor(COLOR_BTNTEXT), "black"},
                    {0, 15, GetSysColor(COLOR_BTNSHADOW), "dark grey"},
                    {15, 0, GetSysColor(COLOR_BTNHIGHLIGHT), "white"}};
    for (const auto& e : expected) EXPECT_EQ(e.colour, canvas.Pixel(e.x, e.y)) << e.what;
}

TEST(CoolMenuAccelerators, KeysOfEachCommandLastEntryFirst) {
    CCoolMenuManager manager;
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ACCEL_TEST));
    ASSERT_NE(nullptr, table);
    manager.CopyAccelerators(table);
    const struct {
        UINT command;
        const char* text;
        bool found;
        const char* expected;
    } cases[] = {
        {0xE100, "&New", true, "&New\tCtrl+Shift+N, Ctrl+N"},
        {0xE100, "&New\tCtrl+X", true, "&New\tCtrl+Shift+N, Ctrl+N"},  // earlier text replaced
        {0xE101, "Refresh", true, "Refresh\tF5"},                      // the key's name
        {0xE103, "Add", true, "Add\ta"},                               // a character key
        {0xE123, "Rename", true, "Rename\tAlt+F2"},
        {0xE124, "None\tkept", false, "None"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(c.found, manager.AppendAcceleratorText(text, c.command)) << c.text;
        EXPECT_EQ(c.expected, text);
    }
    manager.CopyAccelerators(nullptr);
    std::string text = "&New";
    EXPECT_FALSE(manager.AppendAcceleratorText(text, 0xE100));
    EXPECT_EQ("&New", text);
    DestroyAcceleratorTable(table);
}

// A popup with the items of each kind the manager meets, and what it looked like as built.
struct ItemState {
    UINT id, type, state;
    ULONG_PTR data;
    HMENU submenu;
    std::string text;
    bool operator==(const ItemState&) const = default;
};

std::vector<ItemState> Snapshot(HMENU menu) {
    std::vector<ItemState> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_TYPE | MIIM_STATE | MIIM_DATA | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        GetMenuItemInfoA(menu, i, TRUE, &info);
        items.push_back({info.wID, info.fType, info.fState, info.dwItemData, info.hSubMenu,
                         (info.fType & (MFT_OWNERDRAW | MFT_SEPARATOR)) ? "" : text});
    }
    return items;
}

void SetItemData(HMENU menu, int position, ULONG_PTR data) {
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    info.dwItemData = data;
    SetMenuItemInfoA(menu, position, TRUE, &info);
}

class CoolMenuPopup : public testing::Test {
protected:
    void SetUp() override {
        loaded_ = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
        ASSERT_NE(nullptr, loaded_);
        popup_ = GetSubMenu(loaded_, 0);
        submenu_ = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TUNINGMENU));
        InsertMenuA(popup_, ID_BIOS_FLASH, MF_BYCOMMAND | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu_), "&Tuning");
        EnableMenuItem(popup_, ID_DMI_TOOL, MF_BYCOMMAND | MF_GRAYED);
        CheckMenuItem(popup_, ID_CD_PLAYER, MF_BYCOMMAND | MF_CHECKED);
        SetMenuDefaultItem(popup_, ID_APP_EXIT, FALSE);
        // Data that belongs to someone else: not pointers at all, or owner-drawn by another.
        AppendMenuA(popup_, MF_STRING, 0xE201, "Foreign pointer-sized");
        SetItemData(popup_, GetMenuItemCount(popup_) - 1, 0x12345678);
        AppendMenuA(popup_, MF_STRING, 0xE202, "Foreign small");
        SetItemData(popup_, GetMenuItemCount(popup_) - 1, 1);
        AppendMenuA(popup_, MF_OWNERDRAW, 0xE203, reinterpret_cast<LPCSTR>(0xDEAD0000));
        AppendMenuA(popup_, MF_OWNERDRAW, 0xE204, nullptr);
        AppendMenuA(popup_, MF_STRING, 0xE100, "&New\tCtrl+N");
        AppendMenuA(popup_, MF_STRING, 0xE101, "&Open");
        AppendMenuA(popup_, MF_STRING, 0xE103, "&other");
        AppendMenuA(popup_, MF_STRING, 0xE123, "\tTab first");
    }
    void TearDown() override { DestroyMenu(loaded_); }
    int PositionOf(UINT id) const {
        for (int i = 0; i < GetMenuItemCount(popup_); ++i)
            if (GetMenuItemID(popup_, i) == id) return i;
        return -1;
    }
    ULONG_PTR DataOf(int position) const {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        GetMenuItemInfoA(popup_, position, TRUE, &info);
        return info.dwItemData;
    }

    HMENU loaded_ = nullptr;
    HMENU popup_ = nullptr;
    HMENU submenu_ = nullptr;
};

TEST_F(CoolMenuPopup, ConversionAndReversionLeaveThePopupAsBuiltAndForeignItemsAlone) {
    CCoolMenuManager manager;
    ASSERT_TRUE(manager.AddToolbarImages(IDR_MENUIMAGES));
    const std::vector<ItemState> built = Snapshot(popup_);
    const std::vector<UINT> foreign = {0xE201, 0xE202, 0xE203, 0xE204};

    manager.SetMenuOwnerDraw(popup_, 0, FALSE, TRUE);
    const std::vector<ItemState> converted = Snapshot(popup_);
    ASSERT_EQ(built.size(), converted.size());
    for (size_t i = 0; i < built.size(); ++i) {
        SCOPED_TRACE(built[i].id);
        const bool isForeign = std::find(foreign.begin(), foreign.end(), built[i].id) != foreign.end();
        if (isForeign) {
            EXPECT_EQ(built[i], converted[i]);
            continue;
        }
        EXPECT_TRUE(converted[i].type & MFT_OWNERDRAW);
        EXPECT_EQ(built[i].type | MFT_OWNERDRAW, converted[i].type);
        EXPECT_EQ(built[i].state, converted[i].state);
        EXPECT_EQ(built[i].submenu, converted[i].submenu);
        ASSERT_TRUE(manager.IsOwnRecord(converted[i].data));
        const auto* record = reinterpret_cast<const ktray::MenuItemRecord*>(converted[i].data);
        EXPECT_EQ(built[i].text, record->text);
        EXPECT_EQ(manager.ImageOfCommand(built[i].id), record->imageIndex);
    }
    EXPECT_EQ(0, manager.ImageOfCommand(ID_DISPLAY_PROPERTIES));
    EXPECT_EQ(1u, manager.ConvertedMenus().size());

    manager.OnMenuSelectEnd(0, 0xFFFF, nullptr);
    EXPECT_EQ(built, Snapshot(popup_));
    EXPECT_EQ(0u, manager.LiveRecordCount());
    EXPECT_TRUE(manager.ConvertedMenus().empty());
}

TEST(CoolMenuSystemMenu, SystemCommandsStayPlain) {
    CCoolMenuManager manager;
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 0xE100, "&New");
    AppendMenuA(menu, MF_STRING, SC_CLOSE, "&Close");
    manager.SetMenuOwnerDraw(menu, 0, TRUE, TRUE);
    EXPECT_EQ(UINT(MFT_OWNERDRAW), GetMenuState(menu, 0xE100, MF_BYCOMMAND) & MFT_OWNERDRAW);
    EXPECT_EQ(0u, GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & MFT_OWNERDRAW);
    manager.OnMenuSelectEnd(0, 0xFFFF, nullptr);
    DestroyMenu(menu);
}

TEST_F(CoolMenuPopup, MnemonicsIgnoreCaseAndEqualOnesTakeTurns) {
    CCoolMenuManager manager;
    manager.SetMenuOwnerDraw(popup_, 0, FALSE, TRUE);
    const int open = PositionOf(0xE101), other = PositionOf(0xE103);
    const int tuning = PositionOf(ID_BIOS_FLASH) - 1;  // the submenu inserted before it
    ASSERT_GE(open, 0);
    const auto highlight = [&](int position) {
        for (int i = 0; i < GetMenuItemCount(popup_); ++i) {
            MENUITEMINFOA info = {};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_STATE;
            GetMenuItemInfoA(popup_, i, TRUE, &info);
            info.fState = i == position ? (info.fState | MFS_HILITE) : (info.fState & ~MFS_HILITE);
            SetMenuItemInfoA(popup_, i, TRUE, &info);
        }
    };
    const struct {
        char key;
        int highlighted;
        LRESULT expected;
    } cases[] = {
        {'o', -1, MAKELRESULT(open, MNC_SELECT)},      // two matches, none highlighted: first
        {'O', open, MAKELRESULT(other, MNC_SELECT)},   // the next one after the highlighted
        {'o', other, MAKELRESULT(open, MNC_SELECT)},   // wraps from the last to the first
        {'t', -1, MAKELRESULT(tuning, MNC_EXECUTE)},   // one match: executed
        {'n', -1, MAKELRESULT(PositionOf(0xE100), MNC_EXECUTE)},
        {'x', -1, 0},
    };
    for (const auto& c : cases) {
        highlight(c.highlighted);
        EXPECT_EQ(c.expected, manager.FindMnemonicItem(c.key, MF_POPUP, popup_))
            << c.key << " with " << c.highlighted << " highlighted";
    }
    manager.OnMenuSelectEnd(0, 0xFFFF, nullptr);
}

TEST_F(CoolMenuPopup, MeasuresAndDrawsOnlyItsOwnItems) {
    CCoolMenuManager manager;
    ASSERT_TRUE(manager.AddToolbarImages(IDR_MENUIMAGES));
    manager.SetMenuOwnerDraw(popup_, 0, FALSE, TRUE);

    MEASUREITEMSTRUCT measure = {ODT_MENU, 0, 0, 77, 77, DataOf(2)};  // a separator
    EXPECT_TRUE(manager.MeasureMenuItem(&measure));
    EXPECT_EQ(UINT(GetSystemMetrics(SM_CYMENU) / 2), measure.itemHeight);
    EXPECT_EQ(0u, measure.itemWidth);
    for (UINT id : {0xE201u, 0xE202u, 0xE203u, 0xE204u}) {
        MEASUREITEMSTRUCT foreign = {ODT_MENU, 0, id, 77, 77, DataOf(PositionOf(id))};
        EXPECT_FALSE(manager.MeasureMenuItem(&foreign)) << std::hex << id;
        EXPECT_EQ(77u, foreign.itemHeight);
        DRAWITEMSTRUCT draw = {ODT_MENU, 0, id, ODA_DRAWENTIRE, 0, reinterpret_cast<HWND>(popup_),
                               nullptr, {0, 0, 10, 10}, DataOf(PositionOf(id))};
        EXPECT_FALSE(manager.DrawMenuItem(&draw)) << std::hex << id;
    }

    // Text drawn into a white strip: a text that starts with a tab leaves it white.
    menutest::Canvas strip(300, 24, RGB(255, 255, 255));
    const auto inkAfterDrawing = [&](UINT id) {
        strip.Fill(RGB(255, 255, 255));
        DRAWITEMSTRUCT draw = {ODT_MENU, 0, id, ODA_DRAWENTIRE, 0, reinterpret_cast<HWND>(popup_),
                               strip.Dc(), strip.Area(), DataOf(PositionOf(id))};
        EXPECT_TRUE(manager.DrawMenuItem(&draw));
        return strip.CountOtherThan(RGB(255, 255, 255));
    };
    EXPECT_EQ(0, inkAfterDrawing(0xE123)) << "text after a leading tab is not drawn";
    EXPECT_GT(inkAfterDrawing(0xE101), 0);
    manager.OnMenuSelectEnd(0, 0xFFFF, nullptr);
}

// The cbSize of every MENUITEMINFOA this program hands the menu functions, recorded through its
// own imports (the manager's objects are linked into it) while a recorder lives.
std::vector<UINT> g_itemInfoSizes;

template <typename Function>
Function RealUser32(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

BOOL WINAPI RecordGetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info) {
    g_itemInfoSizes.push_back(info ? info->cbSize : 0);
    return RealUser32<decltype(&GetMenuItemInfoA)>("GetMenuItemInfoA")(menu, item, byPosition, info);
}
BOOL WINAPI RecordSetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
    g_itemInfoSizes.push_back(info ? info->cbSize : 0);
    return RealUser32<decltype(&SetMenuItemInfoA)>("SetMenuItemInfoA")(menu, item, byPosition, info);
}
BOOL WINAPI RecordInsertMenuItem(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
    g_itemInfoSizes.push_back(info ? info->cbSize : 0);
    return RealUser32<decltype(&InsertMenuItemA)>("InsertMenuItemA")(menu, item, byPosition, info);
}

class ItemInfoRecorder {
public:
    ItemInfoRecorder() { g_itemInfoSizes.clear(); }
    bool Active() const { return get_.Active() && set_.Active(); }

private:
    testsupport::ImportPatch get_{nullptr, "USER32.dll", "GetMenuItemInfoA",
                                  reinterpret_cast<void*>(&RecordGetMenuItemInfo)};
    testsupport::ImportPatch set_{nullptr, "USER32.dll", "SetMenuItemInfoA",
                                  reinterpret_cast<void*>(&RecordSetMenuItemInfo)};
    // Not imported while nothing inserts items this way: then the patch stays inactive.
    testsupport::ImportPatch insert_{nullptr, "USER32.dll", "InsertMenuItemA",
                                     reinterpret_cast<void*>(&RecordInsertMenuItem)};
};

// Windows 95 and NT 4.0 refuse the later 48-byte MENUITEMINFOA and take only the 44 bytes up to
// hbmpItem: every call the manager makes, converting, finding a mnemonic, drawing and reverting,
// passes that size, and the conversion still works with it.
TEST_F(CoolMenuPopup, PassesTheItemInfoSizeOfWindows95AndNt4) {
    CCoolMenuManager manager;
    ASSERT_TRUE(manager.AddToolbarImages(IDR_MENUIMAGES));
    const int open = PositionOf(0xE101);
    std::vector<UINT> sizes;
    bool converted = false;
    {
        ItemInfoRecorder recorder;
        ASSERT_TRUE(recorder.Active()) << "the program imports both menu functions";
        manager.SetMenuOwnerDraw(popup_, 0, FALSE, TRUE);
        manager.FindMnemonicItem('o', MF_POPUP, popup_);
        menutest::Canvas strip(300, 24, RGB(255, 255, 255));
        DRAWITEMSTRUCT draw = {ODT_MENU, 0, 0xE101, ODA_DRAWENTIRE, 0,
                               reinterpret_cast<HWND>(popup_), strip.Dc(), strip.Area(), 0};
        // The test's own look, past the recorder.
        MENUITEMINFOA data = {};
        data.cbSize = sizeof(data);
        data.fMask = MIIM_DATA | MIIM_TYPE;
        RealUser32<decltype(&GetMenuItemInfoA)>("GetMenuItemInfoA")(popup_, open, TRUE, &data);
        converted = (data.fType & MFT_OWNERDRAW) && manager.IsOwnRecord(data.dwItemData);
        draw.itemData = data.dwItemData;
        EXPECT_TRUE(manager.DrawMenuItem(&draw));
        manager.OnMenuSelectEnd(0, 0xFFFF, nullptr);
        sizes = g_itemInfoSizes;
    }
    EXPECT_TRUE(converted) << "the items were converted with the smaller size";
    EXPECT_EQ(0u, GetMenuState(popup_, open, MF_BYPOSITION) & MFT_OWNERDRAW) << "and reverted";
    ASSERT_GE(sizes.size(), 3u * GetMenuItemCount(popup_)) << "every item read and written";
    for (size_t i = 0; i < sizes.size(); ++i) EXPECT_EQ(44u, sizes[i]) << "call " << i;
}

// The default item is drawn bold whatever font the system left in the item DC (the stock
// system font is bold already, so a bold copy of the DC's font would change nothing), and
// without ODS_DEFAULT in the item state (Wine never sets it) the item's own state says so.
TEST_F(CoolMenuPopup, TheDefaultItemIsBoldWhateverFontTheItemDcHolds) {
    CCoolMenuManager manager;
    manager.SetMenuOwnerDraw(popup_, 0, FALSE, TRUE);
    const int exit = PositionOf(ID_APP_EXIT);
    ASSERT_GE(exit, 0);
    menutest::Canvas strip(300, 24, RGB(255, 255, 255));
    const auto inkOfExit = [&](int stockFont, UINT itemState) {
        strip.Fill(RGB(255, 255, 255));
        const HGDIOBJ previous = SelectObject(strip.Dc(), GetStockObject(stockFont));
        DRAWITEMSTRUCT draw = {ODT_MENU, 0, ID_APP_EXIT, ODA_DRAWENTIRE, itemState,
                               reinterpret_cast<HWND>(popup_), strip.Dc(), strip.Area(),
                               DataOf(exit)};
        EXPECT_TRUE(manager.DrawMenuItem(&draw));
        SelectObject(strip.Dc(), previous);
        return strip.CountOtherThan(RGB(255, 255, 255));
    };
    for (const int font : {SYSTEM_FONT, DEFAULT_GUI_FONT, ANSI_VAR_FONT}) {
        SCOPED_TRACE(font);
        SetMenuDefaultItem(popup_, ID_APP_EXIT, FALSE);
        const int asDefault = inkOfExit(font, 0);
        const int markedDefault = inkOfExit(font, ODS_DEFAULT);
        SetMenuDefaultItem(popup_, UINT(-1), FALSE);
        const int plain = inkOfExit(font, 0);
        EXPECT_GT(plain, 0);
        EXPECT_GT(asDefault, plain + plain / 8) << "the default item is not bold";
        EXPECT_EQ(asDefault, markedDefault);
        // The DC's font does not decide: every stock font gives the same drawing.
        EXPECT_EQ(plain, inkOfExit(DEFAULT_GUI_FONT, 0));
    }
    manager.OnMenuSelectEnd(0, 0xFFFF, nullptr);
}

TEST(CoolMenuRadioDot, ShrinksToASmallCentredDot) {
    HBITMAP radio = CreateBitmap(13, 13, 1, 1, nullptr);
    CCoolMenuManager::ShrinkRadioDot(radio);
    {
        menutest::Canvas canvas(radio);
        EXPECT_EQ(RGB(0, 0, 0), canvas.Pixel(6, 6));
        for (POINT p : {POINT{0, 0}, POINT{12, 12}, POINT{3, 6}, POINT{6, 9}})
            EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(p.x, p.y)) << p.x << "," << p.y;
    }
    DeleteObject(radio);
    CCoolMenuManager::ShrinkRadioDot(nullptr);  // none to shrink: nothing happens
}

}  // namespace
