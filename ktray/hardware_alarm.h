// The hardware-monitor alarm: while the tuning tool's window is open, temperatures and fan speeds
// are compared with the user's limits every tick, and the alarm sound starts when a limit is
// first broken and stops when none is.
#pragma once

#include <windows.h>

#include <cstdint>

class CSound;

namespace ktray {

// Process-wide sound settings and alarm state.
struct AudioState {
    int32_t audioOn = 0;     // iAudioON: 1 = sound the alarm
    int32_t audioFlag = 2;   // iAudioFlag: 1 = play AudioFile, 2 = beep, else silent
    char audioFile[256] = "";
    int32_t alarmActive = 0;  // the previous check found a limit broken
};
AudioState& Audio();

// True when the window titled buildTitle exists and a reading breaks its limit.
bool CheckMonitorAlarm(const char* buildTitle);
// Re-reads (or creates with defaults) the sound settings, then restarts or stops the sound.
void LoadAudioSettings(CSound& sound);
// Timer tick: kills timerId on frame when the user's tuning key is gone, then checks.
void MonitorTick(CSound& sound, const char* buildTitle, HWND frame, UINT_PTR timerId);

}  // namespace ktray
