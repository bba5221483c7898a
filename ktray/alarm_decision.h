// The hardware-monitor alarm as decisions: which reading breaks which limit, and at each tick or
// reload of the sound settings which call the sound player gets. Plain code, checked on the
// build host as well; hardware_alarm.cpp reads the registry and the libraries and makes the calls.
#pragma once

#include <cstdint>

namespace ktray {

// Process-wide sound settings and alarm state.
struct AudioState {
    int32_t audioOn = 0;     // iAudioON: 1 = sound the alarm
    int32_t audioFlag = 2;   // iAudioFlag: 1 = play AudioFile, 2 = beep, else silent
    char audioFile[256] = "";
    int32_t alarmActive = 0;  // the previous check found a limit broken
};

// The user's limits; a missing key or a single value missing or malformed gives the default.
struct MonitorLimits {
    int32_t cpuFan = 3000;  // fans 1 and 2
    int32_t sysFan = 3000;  // fan 5
    int32_t pwrFan = 1000;  // fans 3 and 4
    int32_t cpuTemp = 60;   // temperatures 2 and 3
    int32_t sysTemp = 60;   // temperature 1
};

enum class Sensor { Temperature, Fan };
constexpr int kTemperatureSensors = 3;
constexpr int kFanSensors = 5;
constexpr int32_t kNoReading = -1;

// One reading of sensor (index from 1), or kNoReading.
using ReadSensor = int32_t (*)(Sensor sensor, int index, void* context);

// Temperatures 1 to 3 (above their limit), then fans 1 to 5 (below theirs), read in that order
// up to the first broken limit; kNoReading is skipped.
bool LimitBroken(const MonitorLimits& limits, ReadSensor read, void* context);

enum class SoundCall { None, PlayFile, PlayBeep, AllStop };

// The call that starts the alarm sound for iAudioFlag (None: a silent alarm).
SoundCall StartCall(int32_t audioFlag);

struct TickPlan {
    bool endWatch = false;  // the settings are gone: stop every sound, kill the tick's timer
    SoundCall sound = SoundCall::None;  // then this
};

// One tick of the watch: settingsPresent is the user's tuning key, limitBroken the check (false
// when the tool's window is not open). Updates state.
TickPlan DecideMonitorTick(AudioState& state, bool settingsPresent, bool limitBroken);

// After the sound settings were (re)loaded into state: start the sound during an alarm with the
// sound on, stop every sound otherwise.
SoundCall DecideAfterReload(const AudioState& state);

}  // namespace ktray
