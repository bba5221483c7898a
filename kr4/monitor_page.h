// Monitor and alarms (placeholder until the page is built).
#pragma once

#include "page.h"
#include "resource.h"

namespace kr4 {

class MonitorPage : public Page {
public:
    const char* Title() const override { return "Monitor and alarms"; }
    int TemplateId() const override { return IDD_MONITOR; }
};

}  // namespace kr4
