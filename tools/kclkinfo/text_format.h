// The report as readable text: one section per family, one line per export, every firmware
// word in hex and decimal (the tool does not know the firmware's units).
#pragma once

#include <string>

#include "collect_report.h"

namespace kclkinfo {

std::string FormatText(const Report& report);

}  // namespace kclkinfo
