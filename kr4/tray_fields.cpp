#include "tray_fields.h"

namespace kr4 {

bool AddTrayField(tune::TrayChanges& changes, tune::TraySetting setting, const std::string& text,
                  const char* label, std::string& error) {
    const std::string name = tune::TraySettingName(setting);
    if (tune::ParseTrayAssignment(name + "=" + text, changes, error)) return true;
    if (error.compare(0, name.size(), name) == 0) error = label + error.substr(name.size());
    return false;
}

std::string SaveTrayFields(const tune::TrayChanges& changes) {
    tune::TrayWriteResult result;
    std::string error;
    if (!tune::WriteTraySettings(changes, result, error)) return "Not all saved: " + error + ".";
    if (result.toldSound || result.toldSchedule) return "Saved; ktray was told and uses them now.";
    return "Saved; ktray is not running: it reads them when it starts.";
}

}  // namespace kr4
