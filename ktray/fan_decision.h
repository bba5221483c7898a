// The north-bridge fan's daily schedule as a decision: which of SF_NB_ON / SF_NB_OFF one
// application calls, from the six settings and the local time. Plain code, checked on the build
// host as well.
#pragma once

#include <cstdint>
#include <ctime>

namespace ktray {

// In the order the main frame holds them; defaults as written when the key is created.
struct FanSchedule {
    int32_t timerSwitch = 1;  // iTimerSwitch: 1 = schedule active
    int32_t timeOffMinute = 0;
    int32_t timeOffHour = 17;
    int32_t timeOnMinute = 0;
    int32_t timeOnHour = 9;
    int32_t alwaysOn = 0;     // iAlwaysON
};

enum class FanCall { On, Off };
struct FanDecision {
    int count = 0;
    FanCall calls[2] = {};
};

// The calls for local time now; a null now (time unreadable) switches the fan on.
FanDecision DecideFanCalls(const FanSchedule& schedule, const std::tm* now);

}  // namespace ktray
