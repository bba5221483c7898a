// The north-bridge fan switched at once, outside ktray's schedule: the library is asked whether
// the board has a smart-fan interface first, then told to put the stored on or off setting in
// force. kclktune's fan command and the tuning tool's fan page both switch it this way.
#pragma once

namespace tune {

enum class FanSwitch {
    kDone,          // the request reached the fan
    kNoInterface,   // the board has no smart-fan interface; nothing was sent
    kNotDelivered,  // the request did not reach the fan
};

FanSwitch SwitchFanNow(bool on);

}  // namespace tune
