// The north-bridge fan's daily schedule: the settings are re-read at every application (the
// tuning tool may have changed them), the wanted state is decided from the local time, and the
// library is told every time, whether or not the state changed.
#include "fan_schedule.h"

#include "kclk.h"
#include "registry.h"
#include "settings_keys.h"

namespace ktray {

namespace {

// Hour first, then minute; no arithmetic, so values out of their range still order sanely.
int CompareTimes(int32_t hourA, int32_t minuteA, int32_t hourB, int32_t minuteB) {
    if (hourA != hourB) return hourA < hourB ? -1 : 1;
    if (minuteA != minuteB) return minuteA < minuteB ? -1 : 1;
    return 0;
}

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

FanDecision DecideFanCalls(const FanSchedule& s, const std::tm* now) {
    FanDecision decision;
    auto call = [&decision](FanCall c) { decision.calls[decision.count++] = c; };
    if (s.timerSwitch != 1) {
        call(FanCall::Off);
        return decision;
    }
    const int onToOff = CompareTimes(s.timeOnHour, s.timeOnMinute, s.timeOffHour, s.timeOffMinute);
    if (!now) {
        call(FanCall::On);  // the time is unknown: cooling is the safe side
    } else {
        const int nowToOn = CompareTimes(now->tm_hour, now->tm_min, s.timeOnHour, s.timeOnMinute);
        const int nowToOff =
            CompareTimes(now->tm_hour, now->tm_min, s.timeOffHour, s.timeOffMinute);
        if (onToOff < 0) {
            // On from the ON minute up to, not including, the OFF minute.
            call(nowToOn >= 0 && nowToOff < 0 ? FanCall::On : FanCall::Off);
        } else {
            // The ON period runs over midnight: off from the minute after OFF up to and
            // including the ON minute.
            call(nowToOff > 0 && nowToOn <= 0 ? FanCall::Off : FanCall::On);
        }
    }
    if (onToOff == 0 || s.alwaysOn == 1) call(FanCall::On);
    return decision;
}

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
