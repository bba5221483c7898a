// Adapting the tray popup before it is tracked.
#include "tray_popup.h"

#include "os_kind.h"
#include "registry.h"
#include "resource.h"
#include "settings_keys.h"

namespace ktray {

namespace {
constexpr char kLogoToolText[] = "Corvane LogoSmith";
}

void TrayPopup::Adapt(const ToolFlags& tools, int osKind) {
    if (tools.tuningTool) InsertTuningMenu(tools);
    if (tools.logoTool) {
        InsertMenuA(m_popup, ID_BIOS_FLASH, MF_BYCOMMAND | MF_STRING, ID_LOGO_TOOL, kLogoToolText);
        InsertSeparatorBeforeBiosFlash();
    }
    if (!tools.dmiTool) EnableMenuItem(m_popup, ID_DMI_TOOL, MF_BYCOMMAND | MF_GRAYED);
    if (!tools.biosTool) EnableMenuItem(m_popup, ID_BIOS_FLASH, MF_BYCOMMAND | MF_GRAYED);
    if (osKind == kOsNt4OrOlder)
        EnableMenuItem(m_popup, ID_SYSTEM_INFO, MF_BYCOMMAND | MF_GRAYED);
    else if (osKind == kOsNt5Later)
        EnableMenuItem(m_popup, ID_CD_PLAYER, MF_BYCOMMAND | MF_GRAYED);
}

void TrayPopup::InsertTuningMenu(const ToolFlags& tools) {
    const HINSTANCE module = GetModuleHandleA(nullptr);
    m_tuningMenu.Reset(LoadMenuA(module, MAKEINTRESOURCEA(IDR_TUNINGMENU)));
    if (!m_tuningMenu) return;
    // By command, these reach the items wherever the resource nests them.
    if (!KeyExists(HKEY_CURRENT_USER, kAutoOverKey))
        CheckMenuItem(m_tuningMenu.Get(), ID_AUTO_OVERCLOCK, MF_BYCOMMAND | MF_UNCHECKED);
    if (tools.fsbFixed) DeleteMenu(m_tuningMenu.Get(), ID_AUTO_OVERCLOCK, MF_BYCOMMAND);

    char text[64] = "";  // a missing string leaves the submenu without text
    LoadStringA(module, IDS_TUNING_SUBMENU, text, sizeof(text));
    if (!InsertMenuA(m_popup, ID_BIOS_FLASH, MF_BYCOMMAND | MF_POPUP | MF_STRING,
                     reinterpret_cast<UINT_PTR>(m_tuningMenu.Get()), text))
        return;
    m_insertedMenu = m_tuningMenu.Get();
    InsertSeparatorBeforeBiosFlash();
}

void TrayPopup::InsertSeparatorBeforeBiosFlash() {
    InsertMenuA(m_popup, ID_BIOS_FLASH, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
}

void TrayPopup::DestroyTuningMenu() {
    if (m_insertedMenu) {
        // Detached first, so that destroying the popup later does not destroy it a second time.
        for (int i = GetMenuItemCount(m_popup) - 1; i >= 0; --i) {
            if (GetSubMenu(m_popup, i) == m_insertedMenu) RemoveMenu(m_popup, i, MF_BYPOSITION);
        }
        m_insertedMenu = nullptr;
    }
    m_tuningMenu.Close();
}

}  // namespace ktray
