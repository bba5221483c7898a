// What the monitor and fan pages share: their fields are ktray's settings, each checked by the
// tuning core (the same ranges as kclktune's), and saved together or not at all.
#pragma once

#include <string>

#include "tray_settings.h"

namespace kr4 {

// Adds one field's text to changes. False with the core's reason, told with the field's label
// instead of the setting's command-line name.
bool AddTrayField(tune::TrayChanges& changes, tune::TraySetting setting, const std::string& text,
                  const char* label, std::string& error);

// Writes checked changes and tells ktray; the page's line for what happened.
std::string SaveTrayFields(const tune::TrayChanges& changes);

}  // namespace kr4
