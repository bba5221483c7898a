// The tray popup adapted to what is installed and to the Windows version: the tuning submenu
// with its auto-overclock check mark, the logo tool's item, and the grey items.
#pragma once

#include <windows.h>

#include "window_layer.h"
#include "tool_flags.h"

namespace ktray {

class TrayPopup {
public:
    explicit TrayPopup(HMENU popup) : m_popup(popup) {}
    ~TrayPopup() { DestroyTuningMenu(); }
    TrayPopup(const TrayPopup&) = delete;
    TrayPopup& operator=(const TrayPopup&) = delete;

    // Every adaptation, in order; the popup's owner keeps owning the popup itself.
    void Adapt(const ToolFlags& tools, int osKind);
    // Takes the tuning submenu out of the popup again and destroys it.
    void DestroyTuningMenu();

private:
    void InsertTuningMenu(const ToolFlags& tools);
    void InsertSeparatorBeforeBiosFlash();

    HMENU m_popup;
    Menu m_tuningMenu;               // as loaded
    HMENU m_insertedMenu = nullptr;  // the menu inserted into the popup (null: none)
};

}  // namespace ktray
