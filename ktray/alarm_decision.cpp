// The alarm's decisions. A sound starts only when the state turns from no alarm to alarm, so a
// long alarm is one sound, and stops when it turns back.
#include "alarm_decision.h"

namespace ktray {

namespace {
constexpr int32_t kPlayFile = 1, kBeep = 2;
}  // namespace

bool LimitBroken(const MonitorLimits& limits, ReadSensor read, void* context) {
    if (!read) return false;
    for (int index = 1; index <= kTemperatureSensors; ++index) {
        const int32_t reading = read(Sensor::Temperature, index, context);
        if (reading == kNoReading) continue;
        if (reading > (index == 1 ? limits.sysTemp : limits.cpuTemp)) return true;
    }
    for (int index = 1; index <= kFanSensors; ++index) {
        const int32_t reading = read(Sensor::Fan, index, context);
        if (reading == kNoReading) continue;
        const int32_t limit =
            index <= 2 ? limits.cpuFan : index <= 4 ? limits.pwrFan : limits.sysFan;
        if (reading < limit) return true;
    }
    return false;
}

SoundCall StartCall(int32_t audioFlag) {
    if (audioFlag == kPlayFile) return SoundCall::PlayFile;
    if (audioFlag == kBeep) return SoundCall::PlayBeep;
    return SoundCall::None;
}

TickPlan DecideMonitorTick(AudioState& state, bool settingsPresent, bool limitBroken) {
    TickPlan plan;
    if (!settingsPresent) {
        // The tuning tool's settings are gone: silence for the rest of this run.
        state.audioOn = 0;
        plan.endWatch = true;
    }
    if (limitBroken) {
        if (state.audioOn == 1 && state.alarmActive == 0) plan.sound = StartCall(state.audioFlag);
        state.alarmActive = 1;
    } else {
        if (state.audioOn == 1 && state.alarmActive == 1) plan.sound = SoundCall::AllStop;
        state.alarmActive = 0;
    }
    // No later tick would end an alarm the last tick leaves active, and a reload during it would
    // start a sound that nothing stops.
    if (plan.endWatch) state.alarmActive = 0;
    return plan;
}

SoundCall DecideAfterReload(const AudioState& state) {
    if (state.audioOn == 1 && state.alarmActive == 1) return StartCall(state.audioFlag);
    return SoundCall::AllStop;
}

}  // namespace ktray
