// The fan schedule's decision: times compare as (hour, minute) pairs, and the two cases of the
// schedule (ON before OFF, or the ON period over midnight) place their boundaries differently.
#include "fan_decision.h"

namespace ktray {

namespace {

// Hour first, then minute; no arithmetic, so values out of their range still order sanely.
int CompareTimes(int32_t hourA, int32_t minuteA, int32_t hourB, int32_t minuteB) {
    if (hourA != hourB) return hourA < hourB ? -1 : 1;
    if (minuteA != minuteB) return minuteA < minuteB ? -1 : 1;
    return 0;
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

}  // namespace ktray
