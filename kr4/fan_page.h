// Smart fan (placeholder until the page is built).
#pragma once

#include "page.h"
#include "resource.h"

namespace kr4 {

class FanPage : public Page {
public:
    const char* Title() const override { return "Smart fan"; }
    int TemplateId() const override { return IDD_FAN; }
};

}  // namespace kr4
