// The menu manager's life, its message handling, and the conversion of a popup's items to
// owner-drawn items and back.
#include "cool_menu_manager.h"

#include <algorithm>
#include <cstring>

namespace ktray {
namespace {

constexpr UINT kFirstSystemCommand = 0xF000;
constexpr size_t kTextCapacity = 256;

// Menu mode ends: WM_MENUSELECT with these flags and no menu.
constexpr UINT kMenuClosedFlags = 0xFFFF;

}  // namespace

CCoolMenuManager::CCoolMenuManager() {
    // The framework's radio-check bitmap would be shrunk here; this window layer has none.
}

CCoolMenuManager::~CCoolMenuManager() {
    ReleaseAll();
    // Menus still converted (menu mode never ended) get their plain items back, and records of
    // menus destroyed meanwhile are freed with the manager.
    OnMenuSelectEnd(0, kMenuClosedFlags, nullptr);
    for (MenuItemRecord* record : m_records) delete record;
    m_records.clear();
}

bool CCoolMenuManager::AttachToFrame(CFrameWnd* frame) {
    if (!frame || !frame->GetSafeHwnd()) return false;
    m_frame = frame;
    return HookWindow(frame->GetSafeHwnd());
}

int CCoolMenuManager::ImageOfCommand(UINT command) const {
    const auto found = m_imageOfCommand.find(command);
    return found == m_imageOfCommand.end() ? -1 : found->second;
}

void CCoolMenuManager::ReleaseAll() {
    m_images.Reset();
    m_imageOfCommand.clear();
    m_imageSize = {0, 0};
    m_buttonSize = {0, 0};
    m_toolbarIds.clear();
    m_menuFont.Reset();
    m_accelOfCommand.clear();
    m_accelCopy.clear();
    m_accelCopy.shrink_to_fit();
    m_loadedAccelTable = nullptr;
}

LRESULT CCoolMenuManager::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        ReloadImages();
        break;
    case WM_MEASUREITEM:
        if (lParam && MeasureMenuItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_DRAWITEM:
        if (lParam && DrawMenuItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_INITMENUPOPUP:
        // The frame updates its items first; then they are converted as they now are.
        PassOn(message, wParam, lParam);
        OnPopupInit(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_MENUSELECT:
        OnMenuSelectEnd(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        break;
    case WM_MENUCHAR: {
        const LRESULT found = FindMnemonicItem(static_cast<char>(LOBYTE(LOWORD(wParam))),
                                               HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        if (found) return found;
        break;
    }
    default:
        break;
    }
    return PassOn(message, wParam, lParam);
}

void CCoolMenuManager::OnPopupInit(HMENU menu, UINT index, BOOL systemMenu) {
    if (AccelTextEnabled && m_frame) {
        const HACCEL table = m_frame->GetDefaultAccelerator();
        if (table != m_loadedAccelTable) CopyAccelerators(table);
    }
    SetMenuOwnerDraw(menu, index, systemMenu, OwnerDrawEnabled);
}

bool CCoolMenuManager::IsOwnRecord(ULONG_PTR data) const { return OwnRecord(data) != nullptr; }

MenuItemRecord* CCoolMenuManager::OwnRecord(ULONG_PTR data) const {
    // Item data set elsewhere may be any number: it is looked up, never dereferenced, unless it
    // is one of ours.
    auto* record = reinterpret_cast<MenuItemRecord*>(data);
    if (!data || m_records.find(record) == m_records.end()) return nullptr;
    return record->tag == MenuItemRecord::kTag ? record : nullptr;
}

MenuItemRecord* CCoolMenuManager::NewRecord() {
    auto* record = new MenuItemRecord;
    m_records.insert(record);
    return record;
}

void CCoolMenuManager::FreeRecord(MenuItemRecord* record) {
    m_records.erase(record);
    record->tag = 0;
    delete record;
}

void CCoolMenuManager::SetMenuOwnerDraw(HMENU menu, UINT /*index*/, BOOL systemMenu, BOOL convert) {
    const bool accelText = AccelTextEnabled && !m_accelCopy.empty();
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        char text[kTextCapacity] = {};
        MENUITEMINFOA info = OldMenuItemInfo(MIIM_ID | MIIM_SUBMENU | MIIM_TYPE | MIIM_DATA);
        info.dwTypeData = text;
        info.cch = sizeof(text);
        if (!GetMenuItemInfoA(menu, position, TRUE, &info)) continue;

        MenuItemRecord* record = OwnRecord(info.dwItemData);
        if (info.dwItemData && !record) continue;  // someone else's item
        if (systemMenu && info.wID >= kFirstSystemCommand) continue;
        // Foreign owner-drawn items, bitmap items (whose type data is a bitmap, not text), and a
        // text that may have been cut by the buffer are left as they are.
        if (!record && (info.fType & (MFT_OWNERDRAW | MFT_BITMAP))) continue;
        if (strlen(text) >= sizeof(text) - 1) continue;

        const UINT oldType = info.fType;
        const ULONG_PTR oldData = info.dwItemData;
        const std::string oldText = text;
        std::string newText = oldText;
        if (convert) {
            if (!(info.fType & MFT_OWNERDRAW)) {
                info.fType |= MFT_OWNERDRAW;
                if (!record) {
                    record = NewRecord();
                    record->type = info.fType;
                    record->imageIndex = ImageOfCommand(info.wID);
                    info.dwItemData = reinterpret_cast<ULONG_PTR>(record);
                }
                record->text = oldText;
            }
            if (record) {
                if (std::find(m_convertedMenus.begin(), m_convertedMenus.end(), menu) ==
                    m_convertedMenus.end())
                    m_convertedMenus.push_front(menu);
                if (accelText) AppendAcceleratorText(record->text, info.wID);
            }
        } else {
            if (record) {
                if (info.fType & MFT_OWNERDRAW) {
                    info.fType &= ~MFT_OWNERDRAW;
                    newText = record->text;
                }
                info.dwItemData = 0;
                FreeRecord(record);
                record = nullptr;
            }
            if (accelText) AppendAcceleratorText(newText, info.wID);
            if (newText.size() >= sizeof(text)) newText.resize(sizeof(text) - 1);
        }

        if (info.fType == oldType && info.dwItemData == oldData && newText == oldText) continue;
        // The type is written whole, and with it the text of a string item.
        memcpy(text, newText.c_str(), newText.size() + 1);
        MENUITEMINFOA write = OldMenuItemInfo(MIIM_TYPE | MIIM_DATA);
        write.fType = info.fType;
        write.dwItemData = info.dwItemData;
        write.dwTypeData = text;
        write.cch = static_cast<UINT>(newText.size());
        SetMenuItemInfoA(menu, position, TRUE, &write);
    }
}

void CCoolMenuManager::OnMenuSelectEnd(UINT /*item*/, UINT flags, HMENU menu) {
    if (flags != kMenuClosedFlags || menu) return;
    while (!m_convertedMenus.empty()) {
        const HMENU converted = m_convertedMenus.front();
        m_convertedMenus.pop_front();
        if (IsMenu(converted)) SetMenuOwnerDraw(converted, 0, FALSE, FALSE);
    }
}

LRESULT CCoolMenuManager::FindMnemonicItem(char character, UINT /*flags*/, HMENU menu) {
    const auto upper = [](char c) {
        return static_cast<char>(reinterpret_cast<UINT_PTR>(
            CharUpperA(reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<BYTE>(c))))));
    };
    const char pressed = upper(character);
    int matches[2] = {-1, -1};  // the first match, and the first after the highlighted item
    int matchCount = 0;
    int highlighted = -1;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOA info = OldMenuItemInfo(MIIM_TYPE | MIIM_STATE | MIIM_DATA);
        if (!GetMenuItemInfoA(menu, position, TRUE, &info)) continue;
        if (info.fState & MFS_HILITE) highlighted = position;
        const MenuItemRecord* record = OwnRecord(info.dwItemData);
        if (!(info.fType & MFT_OWNERDRAW) || !record) continue;
        const size_t amp = record->text.find('&');
        if (amp == std::string::npos || amp + 1 >= record->text.size()) continue;
        if (upper(record->text[amp + 1]) != pressed) continue;
        if (matchCount == 0) matches[0] = position;
        if (matches[1] < 0 && highlighted >= 0 && position > highlighted) matches[1] = position;
        ++matchCount;
    }
    if (matchCount == 0) return 0;
    if (matchCount == 1) return MAKELRESULT(matches[0], MNC_EXECUTE);
    return MAKELRESULT(matches[1] >= 0 ? matches[1] : matches[0], MNC_SELECT);
}

}  // namespace ktray
