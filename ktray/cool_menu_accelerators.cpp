// Accelerator texts of menu items: a copy of the frame's accelerator table in which each entry
// links back to the previous entry of the same command, and the keys written out as text.
#include "cool_menu_manager.h"

namespace ktray {

void CCoolMenuManager::CopyAccelerators(HACCEL table) {
    m_accelOfCommand.clear();
    m_accelCopy.clear();
    m_loadedAccelTable = nullptr;
    if (!table) return;
    const int count = CopyAcceleratorTableA(table, nullptr, 0);
    if (count <= 0) return;
    m_accelCopy.resize(count);
    const int copied = CopyAcceleratorTableA(table, m_accelCopy.data(), count);
    if (copied <= 0) {
        m_accelCopy.clear();
        return;
    }
    m_accelCopy.resize(copied);
    for (size_t i = 0; i < m_accelCopy.size(); ++i) {
        const UINT command = m_accelCopy[i].cmd;
        const auto previous = m_accelOfCommand.find(command);
        m_accelCopy[i].cmd = previous == m_accelOfCommand.end() ? 0 : static_cast<WORD>(i - previous->second);
        m_accelOfCommand[command] = i;
    }
    m_loadedAccelTable = table;
}

bool CCoolMenuManager::AppendAcceleratorText(std::string& text, UINT command) const {
    const size_t tab = text.find('\t');
    if (tab != std::string::npos && tab > 0) text.resize(tab);
    const auto found = m_accelOfCommand.find(command);
    if (found == m_accelOfCommand.end()) return false;

    size_t index = found->second;
    for (bool first = true;; first = false) {
        const ACCEL& entry = m_accelCopy[index];
        text += first ? "\t" : ", ";
        if (entry.fVirt & FALT) text += "Alt+";
        if (entry.fVirt & FCONTROL) text += "Ctrl+";
        if (entry.fVirt & FSHIFT) text += "Shift+";
        if (entry.fVirt & FVIRTKEY) {
            char name[64] = {};
            const LONG scanCode = static_cast<LONG>(MapVirtualKeyA(entry.key, 0)) << 16;
            GetKeyNameTextA(scanCode, name, sizeof(name));
            text += name;
        } else {
            text += static_cast<char>(entry.key & 0xFF);
        }
        if (entry.cmd == 0 || entry.cmd > index) break;
        index -= entry.cmd;
    }
    return true;
}

}  // namespace ktray
