// Smart fan: the north-bridge fan's daily schedule that ktray follows (the switch, the ON and
// OFF times, always on), saved through the tuning core's checks and handed to ktray at once; and
// the fan switched now, as kclktune's fan command switches it.
#pragma once

#include "page.h"
#include "resource.h"

namespace kr4 {

class FanPage : public Page {
public:
    const char* Title() const override { return "Smart fan"; }
    int TemplateId() const override { return IDD_FAN; }

protected:
    void Init() override;
    void Command(int id, int code) override;

private:
    void Save();
    void SwitchNow(bool on);
};

}  // namespace kr4
