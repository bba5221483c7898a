// Measuring and drawing the owner-drawn items: the button column with the command's image or a
// check mark, the text and its accelerator keys, separators, and the banner beside the popup.
#include <cstring>

#include "cool_menu_manager.h"
#include "resource.h"

namespace ktray {
namespace {

struct IconTraits : NullEmptyTraits<HICON> {
    static void Close(HICON h) { DestroyIcon(h); }
};
using Icon = UniqueHandle<IconTraits>;

// The legacy size of NONCLIENTMETRICSA, the one every Windows of the kit accepts.
constexpr UINT kNonClientMetricsSize = 340;
constexpr int kBannerWidth = 16;
constexpr int kBannerHeight = 339;
constexpr DWORD kRopBrushWhereSourceBlack = 0x00B8074A;
constexpr WORD kSystemCheckBitmap = 32760;  // OBM_CHECK, declared only with OEMRESOURCE

// Puts a DC's text colour, background colour and mode back on scope exit.
class DcColourScope {
public:
    explicit DcColourScope(HDC dc)
        : dc_(dc), text_(GetTextColor(dc)), background_(GetBkColor(dc)), mode_(GetBkMode(dc)) {}
    ~DcColourScope() {
        SetTextColor(dc_, text_);
        SetBkColor(dc_, background_);
        SetBkMode(dc_, mode_);
    }
    DcColourScope(const DcColourScope&) = delete;
    DcColourScope& operator=(const DcColourScope&) = delete;

private:
    HDC dc_;
    COLORREF text_;
    COLORREF background_;
    int mode_;
};

void FillWithSysColour(HDC dc, const RECT& area, int sysColour) {
    Brush brush(CreateSolidBrush(GetSysColor(sysColour)));
    if (brush) FillRect(dc, &area, brush.Get());
}

// A bold copy of font, or none when that font is bold already or unreadable. The copy is drawn
// unsmoothed: at menu sizes a smoothed bold face comes out as a one-pixel stroke with a grey
// edge, which reads as normal weight beside crisp items (a system may smooth the bold face of a
// menu font and not its plain one, as the face's own size table asks).
Font BoldFontOf(HGDIOBJ font) {
    LOGFONTA logFont;
    if (!font || GetObjectA(font, sizeof(logFont), &logFont) != sizeof(logFont)) return Font();
    if (logFont.lfWeight >= FW_BOLD) return Font();
    logFont.lfWeight = FW_BOLD;
    logFont.lfQuality = NONANTIALIASED_QUALITY;
    return Font(CreateFontIndirectA(&logFont));
}

}  // namespace

HFONT CCoolMenuManager::MenuFont() {
    if (!m_menuFont) {
        NONCLIENTMETRICSA metrics;
        memset(&metrics, 0, sizeof(metrics));
        metrics.cbSize = kNonClientMetricsSize;
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0))
            m_menuFont.Reset(CreateFontIndirectA(&metrics.lfMenuFont));
    }
    return m_menuFont.Get();
}

BOOL CCoolMenuManager::MeasureMenuItem(MEASUREITEMSTRUCT* item) {
    if (item->CtlType != ODT_MENU) return FALSE;
    const MenuItemRecord* record = OwnRecord(item->itemData);
    if (!record) return FALSE;

    if (record->type & MFT_SEPARATOR) {
        item->itemHeight = GetSystemMetrics(SM_CYMENU) / 2;
        item->itemWidth = 0;
        return TRUE;
    }
    RECT text = {0, 0, 0, 0};
    {
        WindowDc screen;
        SelectScope font(screen.Get(), MenuFont());
        DrawTextA(screen.Get(), record->text.c_str(), -1, &text,
                  DT_SINGLELINE | DT_VCENTER | DT_CALCRECT);
    }
    const int height = text.bottom - text.top;
    const int menuHeight = GetSystemMetrics(SM_CYMENU);
    item->itemHeight = height > menuHeight ? height : menuHeight;
    // The system adds the check-mark width itself; the button column takes its place.
    const int width = (text.right - text.left) + 2 * m_buttonSize.cx + 6 -
                      GetSystemMetrics(SM_CXMENUCHECK);
    item->itemWidth = width > 0 ? width : 0;
    return TRUE;
}

BOOL CCoolMenuManager::DrawMenuItem(DRAWITEMSTRUCT* item) {
    if (item->CtlType != ODT_MENU) return FALSE;
    const MenuItemRecord* record = OwnRecord(item->itemData);
    if (!record) return FALSE;

    const HDC dc = item->hDC;
    const RECT& r = item->rcItem;
    if (record->type & MFT_SEPARATOR) {
        if (item->itemID == ID_MENU_BANNER) {
            DrawBanner(dc);
        } else {
            RECT line = r;
            line.top += (r.bottom - r.top) / 2;
            DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        }
        return TRUE;
    }

    const bool selected = item->itemState & ODS_SELECTED;
    const bool grayed = item->itemState & ODS_GRAYED;
    const bool checked = item->itemState & ODS_CHECKED;
    DcColourScope colours(dc);

    RECT button = {r.left, r.top, r.left + m_buttonSize.cx, r.top + m_buttonSize.cy};
    OffsetRect(&button, 0, ((r.bottom - r.top) - m_buttonSize.cy) / 2);
    bool hasButton = false;
    MENUITEMINFOA info = OldMenuItemInfo(MIIM_CHECKMARKS | MIIM_STATE);
    const HMENU menu = reinterpret_cast<HMENU>(item->hwndItem);
    const bool haveInfo = GetMenuItemInfoA(menu, item->itemID, FALSE, &info) != FALSE;

    const int image = record->imageIndex;
    if (image < 0 || !m_images) {
        if (checked) {
            DrawCheckButton(dc, button, selected, haveInfo ? info.hbmpChecked : nullptr);
            hasButton = true;
        } else if (haveInfo && info.hbmpUnchecked) {
            DrawCheckButton(dc, button, selected, info.hbmpUnchecked);
            hasButton = true;
        }
    } else {
        hasButton = true;
        const int x = button.left + (m_buttonSize.cx - m_imageSize.cx) / 2;
        const int y = button.top + (m_buttonSize.cy - m_imageSize.cy) / 2;
        if (grayed) {
            if (SystemDisabledLook) {
                Icon icon(ImageList_GetIcon(m_images.Get(), image, ILD_NORMAL));
                if (icon)
                    DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon.Get()), 0, x,
                               y, 0, 0, DST_ICON | DSS_DISABLED);
            } else {
                DrawEmbossedImage(dc, m_images.Get(), image, x, y, ColorEmboss);
            }
        } else {
            FillWithSysColour(dc, button, checked && !selected ? COLOR_3DLIGHT : COLOR_MENU);
            if (selected || checked) {
                RECT edge = button;
                DrawEdge(dc, &edge, checked ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
            }
            ImageList_Draw(m_images.Get(), image, dc, x, y, ILD_TRANSPARENT);
        }
    }

    const int background = selected ? COLOR_HIGHLIGHT : COLOR_MENU;
    if (selected || (item->itemAction & ODA_SELECT)) {
        RECT fill = r;
        if (hasButton) fill.left += m_buttonSize.cx + 1;
        FillWithSysColour(dc, fill, background);
    }

    RECT text = r;
    text.left += m_buttonSize.cx + 3;
    text.right -= m_buttonSize.cx;
    SetBkMode(dc, TRANSPARENT);
    const COLORREF textColour = GetSysColor(grayed     ? COLOR_GRAYTEXT
                                            : selected ? COLOR_HIGHLIGHTTEXT
                                                       : COLOR_MENUTEXT);
    // The text in the font the item was measured with, whatever font the system left in the
    // item DC; the default item in a bold copy of it, as the system draws it in plain menus. Not
    // every Windows marks the default item in itemState (Wine never does), so the item's own
    // state and the menu's default item count as well.
    const HGDIOBJ textFont = MenuFont() ? MenuFont() : GetCurrentObject(dc, OBJ_FONT);
    const bool isDefault = (item->itemState & ODS_DEFAULT) ||
                           (haveInfo && (info.fState & MFS_DEFAULT)) ||
                           GetMenuDefaultItem(menu, FALSE, GMDI_USEDISABLED) == item->itemID;
    Font bold;
    if (isDefault) bold = BoldFontOf(textFont);
    SelectScope fontScope(dc, bold ? bold.Get() : textFont);
    if (grayed && (!selected || textColour == GetSysColor(background))) {
        RECT shadow = text;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        DrawItemText(dc, record->text, shadow);
    }
    SetTextColor(dc, textColour);
    DrawItemText(dc, record->text, text);
    return TRUE;
}

void CCoolMenuManager::DrawItemText(HDC dc, const std::string& text, RECT area) const {
    const size_t tab = text.find('\t');
    const int left = static_cast<int>(tab == std::string::npos ? text.size() : tab);
    DrawTextA(dc, text.c_str(), left, &area, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    if (tab != std::string::npos && tab > 0) {
        const std::string keys = text.substr(tab + 1);
        DrawTextA(dc, keys.c_str(), -1, &area, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
    }
}

void CCoolMenuManager::DrawCheckButton(HDC dc, RECT button, bool selected, HBITMAP check) const {
    Bitmap systemCheck;
    if (!check) {
        systemCheck.Reset(LoadBitmapA(nullptr, MAKEINTRESOURCEA(kSystemCheckBitmap)));
        check = systemCheck.Get();
    }
    BITMAP size;
    if (!check || GetObjectA(check, sizeof(size), &size) == 0) return;

    const int buttonWidth = button.right - button.left;
    const int buttonHeight = button.bottom - button.top;
    RECT target = button;
    POINT source = {0, 0};
    const bool narrower = size.bmWidth < buttonWidth;
    if (narrower) {
        target.left += (buttonWidth - size.bmWidth) / 2;
        target.top += (buttonHeight - size.bmHeight) / 2;
        target.right = target.left + size.bmWidth;
        target.bottom = target.top + size.bmHeight;
    } else {
        source.x = (size.bmWidth - buttonWidth) / 2;
        source.y = (size.bmHeight - buttonHeight) / 2;
    }

    MemoryDc memory(CreateCompatibleDC(dc));
    if (memory) {
        SelectScope selectCheck(memory.Get(), check);
        const COLORREF previous = SetBkColor(dc, GetSysColor(selected ? COLOR_MENU : COLOR_3DLIGHT));
        BitBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
               memory.Get(), source.x, source.y, SRCCOPY);
        SetBkColor(dc, previous);
    }
    if (narrower) InflateRect(&target, 1, 1);
    DrawEdge(dc, &target, BDR_SUNKENOUTER, BF_RECT);
}

void CCoolMenuManager::DrawEmbossedImage(HDC dc, HIMAGELIST images, int index, int x, int y,
                                         BOOL colour) const {
    const int width = m_imageSize.cx;
    const int height = m_imageSize.cy;
    MemoryDc memory(CreateCompatibleDC(dc));
    if (!memory) return;
    Bitmap mask(colour ? CreateCompatibleBitmap(dc, width, height)
                       : CreateBitmap(width, height, 1, 1, nullptr));
    if (!mask) return;
    {
        SelectScope selectMask(memory.Get(), mask.Get());
        PatBlt(memory.Get(), 0, 0, width, height, WHITENESS);
        ImageList_Draw(images, index, memory.Get(), 0, 0, ILD_TRANSPARENT);

        // White of the mask keeps the target; black takes the brush. The text colour is black so
        // that a monochrome mask's black stays black on the way to a colour target.
        const COLORREF previousBackground = SetBkColor(dc, RGB(255, 255, 255));
        const COLORREF previousText = SetTextColor(dc, RGB(0, 0, 0));
        Brush highlight(CreateSolidBrush(GetSysColor(COLOR_BTNHIGHLIGHT)));
        Brush shadow(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
        {
            SelectScope selectBrush(dc, highlight.Get());
            BitBlt(dc, x + 1, y + 1, width, height, memory.Get(), 0, 0, kRopBrushWhereSourceBlack);
        }
        {
            SelectScope selectBrush(dc, shadow.Get());
            BitBlt(dc, x, y, width, height, memory.Get(), 0, 0, kRopBrushWhereSourceBlack);
        }
        SetTextColor(dc, previousText);
        SetBkColor(dc, previousBackground);
    }
}

void CCoolMenuManager::DrawBanner(HDC dc) const {
    Bitmap banner(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_MENUBANNER)));
    if (!banner) return;
    MemoryDc memory(CreateCompatibleDC(dc));
    if (!memory) return;
    SelectScope selectBanner(memory.Get(), banner.Get());
    BitBlt(dc, 0, 0, kBannerWidth, kBannerHeight, memory.Get(), 0, 0, SRCCOPY);
}

void CCoolMenuManager::ShrinkRadioDot(HBITMAP radioBitmap) {
    BITMAP size;
    if (!radioBitmap || GetObjectA(radioBitmap, sizeof(size), &size) == 0) return;
    WindowDc screen;
    MemoryDc memory(CreateCompatibleDC(screen.Get()));
    if (!memory) return;
    SelectScope selectBitmap(memory.Get(), radioBitmap);
    PatBlt(memory.Get(), 0, 0, size.bmWidth, size.bmHeight, WHITENESS);
    RECT dot = {0, 0, size.bmWidth, size.bmHeight};
    InflateRect(&dot, -(size.bmWidth / 2 - 2), -(size.bmHeight / 2 - 2));
    SelectScope pen(memory.Get(), GetStockObject(BLACK_PEN));
    SelectScope brush(memory.Get(), GetStockObject(BLACK_BRUSH));
    Ellipse(memory.Get(), dot.left, dot.top, dot.right, dot.bottom);
}

}  // namespace ktray
