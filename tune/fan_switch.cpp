#include "fan_switch.h"

#include "kclk.h"

namespace tune {

FanSwitch SwitchFanNow(bool on) {
    // The check finds the fan's port (on the NT family it opens the driver): the switch needs it.
    if (Check_SmartFan() == 0) return FanSwitch::kNoInterface;
    return (on ? SF_NB_ON() : SF_NB_OFF()) != 0 ? FanSwitch::kDone : FanSwitch::kNotDelivered;
}

}  // namespace tune
