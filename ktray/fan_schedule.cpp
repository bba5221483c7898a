// The north-bridge fan's daily schedule: the settings are re-read at every application (the
// tuning tool may have changed them), the wanted state is decided from the local time, and the
// library is told every time, whether or not the state changed.
#include "fan_schedule.h"

#include "kclk.h"
#include "registry.h"
#include "settings_keys.h"

namespace ktray {

namespace {

// The six values in the order they are written and read.
struct FanValue {
    const char* name;
    int32_t FanSchedule::*field;
};
constexpr FanValue kFanValues[] = {
    {"iTimerSwitch", &FanSchedule::timerSwitch}, {"iTimeONh", &FanSchedule::timeOnHour},
    {"iTimeONm", &FanSchedule::timeOnMinute},    {"iTimeOFFh", &FanSchedule::timeOffHour},
    {"iTimeOFFm", &FanSchedule::timeOffMinute},  {"iAlwaysON", &FanSchedule::alwaysOn},
};

const std::tm* SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) return nullptr;
    return std::localtime(&now);
}

}  // namespace

void ApplyFanSchedule(FanSchedule& schedule, LocalTimeSource now) {
    if (!KeyExists(HKEY_CURRENT_USER, kTuningKey)) return;

    if (RegistryKey key = OpenKey(HKEY_CURRENT_USER, kSmartFanKey)) {
        // A value missing or malformed leaves its field as the last run found it.
        for (const FanValue& v : kFanValues) ReadInt(key.Get(), v.name, schedule.*v.field);
    } else {
        schedule = FanSchedule();
        RegistryKey created = CreateKey(HKEY_CURRENT_USER, kSmartFanKey);
        for (const FanValue& v : kFanValues) WriteInt(created.Get(), v.name, schedule.*v.field);
    }

    const FanDecision decision = DecideFanCalls(schedule, (now ? now : SystemLocalTime)());
    for (int i = 0; i < decision.count; ++i) {
        if (decision.calls[i] == FanCall::On)
            SF_NB_ON();
        else
            SF_NB_OFF();
    }
}

}  // namespace ktray
