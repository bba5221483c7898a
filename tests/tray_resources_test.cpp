// ktray's resources as the system loads them from the program: the popup and tuning menus, the
// strings, the menu images with their toolbar and colour table, banner, splash, about box, icon
// and version. The resources are linked into this program exactly as into ktray.exe.
#include <windows.h>

#include <cstdio>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "resource.h"
#include "program_directory.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

struct MenuItem {
    UINT id;
    UINT type;  // MFT_ bits
    const char* text;
};

struct ItemRead {
    UINT id = 0, type = 0, state = 0;
    std::string text;
};

ItemRead ReadItem(HMENU menu, UINT position) {
    char text[256] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_TYPE | MIIM_STATE;
    info.dwTypeData = text;
    info.cch = sizeof text;
    EXPECT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &info)) << "item " << position;
    ItemRead read;
    read.id = info.wID;
    read.type = info.fType;
    read.state = info.fState;
    read.text = (info.fType & MFT_SEPARATOR) ? "" : text;
    return read;
}

void ExpectItems(HMENU menu, const MenuItem* expected, int count) {
    ASSERT_EQ(count, GetMenuItemCount(menu));
    for (int i = 0; i < count; ++i) {
        ItemRead item = ReadItem(menu, i);
        EXPECT_EQ(expected[i].id, item.id) << "item " << i;
        EXPECT_EQ(expected[i].type, item.type) << "item " << i;
        EXPECT_EQ(expected[i].text, item.text) << "item " << i;
    }
}

struct LoadedMenu {
    explicit LoadedMenu(UINT id) : handle(LoadMenuA(Module(), MAKEINTRESOURCEA(id))) {}
    ~LoadedMenu() { if (handle) DestroyMenu(handle); }
    HMENU handle;
};

struct LoadedBitmap {
    explicit LoadedBitmap(UINT id) : handle(LoadBitmapA(Module(), MAKEINTRESOURCEA(id))) {}
    ~LoadedBitmap() { if (handle) DeleteObject(handle); }
    SIZE Size() const {
        BITMAP info = {};
        GetObjectA(handle, sizeof info, &info);
        return {info.bmWidth, info.bmHeight};
    }
    HBITMAP handle;
};

// The bytes of a resource, or null with size 0.
const BYTE* ResourceBytes(LPCSTR name, LPCSTR type, DWORD* size) {
    *size = 0;
    HRSRC found = FindResourceA(Module(), name, type);
    if (!found) return nullptr;
    *size = SizeofResource(Module(), found);
    return static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
}

TEST(TrayMenu, PopupHoldsTheBannerAloneThenTheCommandsInTheirOrder) {
    // The banner's empty text makes the loader treat it as a separator; it keeps its id.
    const MenuItem expected[] = {
        {ID_MENU_BANNER, MFT_SEPARATOR, ""},
        {ID_DISPLAY_PROPERTIES, MFT_STRING | MFT_MENUBREAK, "Windows display properties.."},
        {0, MFT_SEPARATOR, ""},
        {ID_MEDIA_PLAYER, MFT_STRING, "Microsoft Media Player"},
        {ID_CD_PLAYER, MFT_STRING, "Microsoft CD Player"},
        {0, MFT_SEPARATOR, ""},
        {ID_BIOS_FLASH, MFT_STRING, "Corvane BIOS Flash"},
        {ID_DMI_TOOL, MFT_STRING, "Corvane Mainboard DMI Tool"},
        {ID_SYSTEM_INFO, MFT_STRING, "Microsoft System Information"},
        {0, MFT_SEPARATOR, ""},
        {ID_VISIT_WEB_SITE, MFT_STRING, "Visit our web site.."},
        {ID_APP_ABOUT, MFT_STRING, "About Corvane Manager..."},
        {0, MFT_SEPARATOR, ""},
        {ID_APP_EXIT, MFT_STRING, "Exit"},
    };
    LoadedMenu menu(IDR_TRAYMENU);
    ASSERT_NE(nullptr, menu.handle);
    ASSERT_EQ(1, GetMenuItemCount(menu.handle));
    char name[32] = {};
    GetMenuStringA(menu.handle, 0, name, sizeof name, MF_BYPOSITION);
    EXPECT_STREQ("Popup", name);
    HMENU popup = GetSubMenu(menu.handle, 0);
    ASSERT_NE(nullptr, popup);
    ExpectItems(popup, expected, sizeof expected / sizeof expected[0]);
}

TEST(TrayMenu, TuningMenuHasItsTwoCommandsWithAutoOverclockChecked) {
    const MenuItem expected[] = {
        {ID_RUN_TUNING_TOOL, MFT_STRING, "Execute Kestrel4"},
        {ID_AUTO_OVERCLOCK, MFT_STRING, "Auto over clock on next reboot"},
    };
    LoadedMenu menu(IDR_TUNINGMENU);
    ASSERT_NE(nullptr, menu.handle);
    ExpectItems(menu.handle, expected, 2);
    EXPECT_EQ(0u, ReadItem(menu.handle, 0).state & MFS_CHECKED);
    EXPECT_EQ(UINT(MFS_CHECKED), ReadItem(menu.handle, 1).state & MFS_CHECKED);
}

TEST(TrayStrings, HoldTheFrameTitleBuildFallbackAndSubmenuText) {
    const struct { UINT id; const char* text; } expected[] = {
        {IDR_MAINFRAME, "ktray"},
        {IDS_BUILD_FALLBACK, "Kestrel4 Build03.080701"},
        {IDS_TUNING_SUBMENU, "Corvane Kestrel4"},
    };
    for (const auto& string : expected) {
        char text[128] = {};
        EXPECT_LT(0, LoadStringA(Module(), string.id, text, sizeof text)) << string.id;
        EXPECT_STREQ(string.text, text) << string.id;
    }
}

TEST(MenuImages, ToolbarNamesTwelveSixteenPixelImagesInOrder) {
    const WORD expected[] = {1, 16, 16, 12,
                             ID_DISPLAY_PROPERTIES, ID_APP_ABOUT, ID_APP_EXIT, ID_VISIT_WEB_SITE,
                             ID_BIOS_FLASH, ID_DMI_TOOL, ID_SYSTEM_INFO, ID_TUNING_TOOL_IMAGE,
                             ID_MEDIA_PLAYER, ID_CD_PLAYER, ID_RUN_TUNING_TOOL, ID_LOGO_TOOL};
    DWORD size = 0;
    const BYTE* bytes = ResourceBytes(MAKEINTRESOURCEA(IDR_MENUIMAGES),
                                      MAKEINTRESOURCEA(RT_TOOLBAR_RESOURCE), &size);
    ASSERT_NE(nullptr, bytes);
    ASSERT_EQ(sizeof expected, size);
    for (size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i) {
        WORD word;
        memcpy(&word, bytes + 2 * i, 2);
        EXPECT_EQ(expected[i], word) << "word " << i;
    }
}

// The system-colour mapping of button bitmaps rewrites colour-table entries: the strip has to
// be a palette bitmap holding exactly those four colours, with light grey behind every image.
TEST(MenuImages, StripIsAPaletteBitmapWhoseBackgroundIsLightGrey) {
    DWORD size = 0;
    const BYTE* bytes = ResourceBytes(MAKEINTRESOURCEA(IDR_MENUIMAGES), RT_BITMAP, &size);
    ASSERT_NE(nullptr, bytes);
    ASSERT_GE(size, sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD) + 192 / 2 * 16);
    BITMAPINFOHEADER header;
    memcpy(&header, bytes, sizeof header);
    EXPECT_EQ(192, header.biWidth);
    EXPECT_EQ(16, header.biHeight);
    ASSERT_EQ(4, header.biBitCount);
    ASSERT_EQ(DWORD(BI_RGB), header.biCompression);
    const DWORD colours = header.biClrUsed ? header.biClrUsed : 16;
    ASSERT_LE(colours, 16u);
    const BYTE* table = bytes + header.biSize;
    auto colour_of = [&](int index) {
        return RGB(table[4 * index + 2], table[4 * index + 1], table[4 * index]);
    };
    int light_grey = -1;
    for (COLORREF wanted : {RGB(0, 0, 0), RGB(0x80, 0x80, 0x80), RGB(0xC0, 0xC0, 0xC0),
                            RGB(0xFF, 0xFF, 0xFF)}) {
        int found = -1;
        for (DWORD i = 0; i < colours; ++i)
            if (colour_of(i) == wanted) found = int(i);
        EXPECT_NE(-1, found) << std::hex << "colour " << wanted;
        if (wanted == RGB(0xC0, 0xC0, 0xC0)) light_grey = found;
    }
    ASSERT_NE(-1, light_grey);
    // Rows are bottom-up, 96 bytes each; two pixels a byte, the left one in the high nibble.
    const BYTE* pixels = table + 4 * colours;
    auto index_at = [&](int x, int y) {
        BYTE byte = pixels[(15 - y) * 96 + x / 2];
        return x % 2 ? byte & 0x0F : byte >> 4;
    };
    for (int image = 0; image < 12; ++image) {
        EXPECT_EQ(light_grey, index_at(16 * image, 0)) << "image " << image;
        EXPECT_EQ(light_grey, index_at(16 * image + 15, 15)) << "image " << image;
    }
}

TEST(MenuImages, MappedStripShowsTheButtonFaceColourBehindTheImages) {
    HBITMAP mapped = CreateMappedBitmap(Module(), IDR_MENUIMAGES, 0, nullptr, 0);
    ASSERT_NE(nullptr, mapped);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, mapped);
    COLORREF face = GetNearestColor(dc, GetSysColor(COLOR_BTNFACE));
    for (int image = 0; image < 12; ++image)
        EXPECT_EQ(face, GetPixel(dc, 16 * image, 0)) << "image " << image;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(mapped);
}

TEST(TrayBitmaps, BannerAndSplashLoadInTheirSizes) {
    LoadedBitmap banner(IDB_MENUBANNER);
    ASSERT_NE(nullptr, banner.handle);
    EXPECT_EQ(16, banner.Size().cx);
    EXPECT_EQ(339, banner.Size().cy);
    LoadedBitmap splash(IDB_SPLASH);
    EXPECT_NE(nullptr, splash.handle);
}

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The picture control takes the splash's own size, so the splash has to fit inside the box.
TEST(AboutBox, CarriesItsTitleOkButtonAndTheWholeSplash) {
    HWND dialog = CreateDialogParamA(Module(), MAKEINTRESOURCEA(IDD_ABOUTBOX), nullptr,
                                     QuietDialog, 0);
    ASSERT_NE(nullptr, dialog);
    char text[64] = {};
    GetWindowTextA(dialog, text, sizeof text);
    EXPECT_STREQ("About Corvane Utility Manager", text);
    HWND ok = GetDlgItem(dialog, IDOK);
    ASSERT_NE(nullptr, ok);
    GetWindowTextA(ok, text, sizeof text);
    EXPECT_STREQ("OK", text);
    EXPECT_EQ(LONG(BS_DEFPUSHBUTTON), GetWindowLongA(ok, GWL_STYLE) & 0x0F);
    HWND picture = GetWindow(dialog, GW_CHILD);
    ASSERT_NE(nullptr, picture);
    EXPECT_NE(nullptr, reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE,
                                                              IMAGE_BITMAP, 0)));
    RECT client, shown;
    GetClientRect(dialog, &client);
    GetWindowRect(picture, &shown);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&shown), 2);
    EXPECT_LE(shown.right, client.right);
    EXPECT_LE(shown.bottom, client.bottom);
    DestroyWindow(dialog);
}

TEST(TrayIcon, HasSixteenAndThirtyTwoPixelImages) {
    for (int edge : {16, 32}) {
        HICON icon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(IDR_TRAYICON),
                                                   IMAGE_ICON, edge, edge, 0));
        ASSERT_NE(nullptr, icon) << edge;
        DestroyIcon(icon);
    }
    // The group lists exactly those two, in colours every Windows shows.
    DWORD size = 0;
    const BYTE* group = ResourceBytes(MAKEINTRESOURCEA(IDR_TRAYICON), RT_GROUP_ICON, &size);
    ASSERT_NE(nullptr, group);
    ASSERT_EQ(6u + 2 * 14, size);
    for (int entry = 0; entry < 2; ++entry) {
        const BYTE* e = group + 6 + 14 * entry;
        EXPECT_EQ(entry ? 16 : 32, e[0]);
        EXPECT_EQ(entry ? 16 : 32, e[1]);
        EXPECT_GE(8, e[6] | e[7] << 8) << "bits per pixel";
    }
}

// ktray's resources as linked into this program, and the tuning tool's own file.
TEST(TrayVersion, NamesTheCompanyAndProduct) {
    char own[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, own, sizeof own);
    for (const std::string& path : {std::string(own), testsupport::ProgramDirectory() + "KR4.exe"}) {
        SCOPED_TRACE(path);
        DWORD ignored = 0, size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_LT(0u, size);
        std::string block(size, '\0');
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
        // The string block named by the file's first translation.
        const WORD* translation = nullptr;
        UINT translationSize = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                                   reinterpret_cast<void**>(const_cast<WORD**>(&translation)),
                                   &translationSize) && translationSize >= 4);
        char language[16];
        std::snprintf(language, sizeof language, "%04x%04x", translation[0], translation[1]);
        for (auto [name, value] : {std::pair{"CompanyName", "Corvane"},
                                   std::pair{"ProductName", "Corvane Utility Manager"}}) {
            char* text = nullptr;
            UINT length = 0;
            std::string query =
                std::string("\\StringFileInfo\\") + language + "\\" + name;
            ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text),
                                       &length)) << name;
            EXPECT_STREQ(value, text);
        }
    }
}

}  // namespace
