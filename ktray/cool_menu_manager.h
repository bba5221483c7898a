// Gives the popup menus of one frame window a flat look with images: while a popup is open its
// items are owner-drawn, with the command's toolbar image (or a check mark) in a button column,
// the text, and the command's accelerator keys written out on the right.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "window_layer.h"

namespace ktray {

// The item data of a converted item. Only records in the manager's own set are ever read.
struct MenuItemRecord {
    static constexpr uint32_t kTag = 0x3064696D;  // "mid0" in memory
    uint32_t tag = kTag;
    std::string text;      // the item's text, with the accelerator text appended
    UINT type = 0;         // menu type flags at conversion, owner-draw bit included
    int imageIndex = -1;   // into the image list, or -1
};

// A MENUITEMINFOA for mask, of the size Windows 95 and NT 4.0 know (up to hbmpItem): they refuse
// the later, larger one, and every mask the manager uses existed then.
inline MENUITEMINFOA OldMenuItemInfo(UINT mask) {
    MENUITEMINFOA info = {};
    info.cbSize = offsetof(MENUITEMINFOA, hbmpItem);
    info.fMask = mask;
    return info;
}

class CCoolMenuManager : public CSubclassWnd {
public:
    CCoolMenuManager();
    ~CCoolMenuManager() override;

    const char* GetRuntimeClassName() const override { return "CCoolMenuManager"; }

    // Stores the frame and hooks its window. False when the frame has no window yet.
    bool AttachToFrame(CFrameWnd* frame);
    // Adds the images of toolbar resource id (type 241) and its bitmap; false, adding nothing,
    // when either is missing or malformed, or its image size differs from the first toolbar's.
    bool AddToolbarImages(UINT id);

    virtual void ReleaseAll();
    virtual void ReloadImages();  // after a colour or setting change
    virtual void OnPopupInit(HMENU menu, UINT index, BOOL systemMenu);
    virtual BOOL MeasureMenuItem(MEASUREITEMSTRUCT* item);
    virtual BOOL DrawMenuItem(DRAWITEMSTRUCT* item);
    // The WM_MENUCHAR answer for the owner-drawn items of menu: 0 when no mnemonic matches.
    virtual LRESULT FindMnemonicItem(char character, UINT flags, HMENU menu);
    virtual void OnMenuSelectEnd(UINT item, UINT flags, HMENU menu);

    // Converts every item of menu to owner-drawn (convert) or back to plain items.
    void SetMenuOwnerDraw(HMENU menu, UINT index, BOOL systemMenu, BOOL convert);
    // Copies the frame's accelerator table, chaining each entry back to the command's previous one.
    void CopyAccelerators(HACCEL table);
    // Replaces what follows the first tab of text by the command's accelerator keys; false, text
    // untouched, when the command has none.
    bool AppendAcceleratorText(std::string& text, UINT command) const;

    // Paints a radio-check bitmap as a small centred dot. The window layer has no shared
    // radio-check bitmap of its own, so construction has nothing to shrink; a caller that keeps
    // one passes it here.
    static void ShrinkRadioDot(HBITMAP radioBitmap);

    // Whether data is the address of a record this manager allocated and still owns.
    bool IsOwnRecord(ULONG_PTR data) const;

    // The switches, at their initial values.
    BOOL OwnerDrawEnabled = TRUE;     // convert popups when they open
    BOOL AccelTextEnabled = TRUE;     // add accelerator texts to item texts
    BOOL SystemDisabledLook = FALSE;  // disabled images drawn by the system, not embossed
    BOOL ColorEmboss = FALSE;         // embossed drawing through a colour bitmap

    // For inspection.
    HIMAGELIST Images() const { return m_images.Get(); }
    SIZE ImageSize() const { return m_imageSize; }
    SIZE ButtonSize() const { return m_buttonSize; }
    int ImageOfCommand(UINT command) const;  // -1 when none
    const std::vector<UINT>& ToolbarIds() const { return m_toolbarIds; }
    const std::list<HMENU>& ConvertedMenus() const { return m_convertedMenus; }
    size_t LiveRecordCount() const { return m_records.size(); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    MenuItemRecord* OwnRecord(ULONG_PTR data) const;
    MenuItemRecord* NewRecord();
    void FreeRecord(MenuItemRecord* record);
    HFONT MenuFont();

    // Drawing parts.
    void DrawItemText(HDC dc, const std::string& text, RECT area) const;
    void DrawCheckButton(HDC dc, RECT button, bool selected, HBITMAP check) const;
    void DrawEmbossedImage(HDC dc, HIMAGELIST images, int index, int x, int y, BOOL colour) const;
    void DrawBanner(HDC dc) const;

    CFrameWnd* m_frame = nullptr;
    std::vector<UINT> m_toolbarIds;
    ImageList m_images;
    std::unordered_map<UINT, int> m_imageOfCommand{10};
    std::unordered_map<UINT, size_t> m_accelOfCommand{10};  // command -> its last entry's index
    HACCEL m_loadedAccelTable = nullptr;  // null whenever there is no copy
    std::vector<ACCEL> m_accelCopy;       // cmd of each entry: distance back to its predecessor
    std::list<HMENU> m_convertedMenus;    // newest first
    SIZE m_imageSize = {0, 0};
    SIZE m_buttonSize = {0, 0};
    Font m_menuFont;
    std::unordered_set<MenuItemRecord*> m_records;  // every record allocated and not yet freed
};

}  // namespace ktray
