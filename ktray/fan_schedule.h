// The north-bridge fan's daily schedule applied: the settings read, the decision taken
// (fan_decision.h), the library called.
#pragma once

#include "fan_decision.h"

namespace ktray {

// Where the local time comes from; tests replace it.
using LocalTimeSource = const std::tm* (*)();

// One application: re-reads the settings into schedule (creating the key with defaults when
// missing), decides and calls the library. Nothing when the user's tuning key is missing.
void ApplyFanSchedule(FanSchedule& schedule, LocalTimeSource now = nullptr);

}  // namespace ktray
