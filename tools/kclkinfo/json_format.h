// The report as JSON for scripts: the same tree, words as plain numbers.
#pragma once

#include <string>

#include "collect_report.h"

namespace kclkinfo {

std::string FormatJson(const Report& report);

}  // namespace kclkinfo
