// The hardware-monitor alarm: while the tuning tool's window is open, temperatures and fan speeds
// are compared with the user's limits every tick, and the alarm sound starts when a limit is
// first broken and stops when none is.
#pragma once

#include <windows.h>

#include <cstdint>

#include "alarm_decision.h"

class CSound;

namespace ktray {

AudioState& Audio();

// True when the window titled buildTitle exists and a reading breaks its limit.
bool CheckMonitorAlarm(const char* buildTitle);
// Re-reads (or creates with defaults) the sound settings, then restarts or stops the sound.
void LoadAudioSettings(CSound& sound);
// Timer tick: kills timerId on frame when the user's tuning key is gone, then checks.
void MonitorTick(CSound& sound, const char* buildTitle, HWND frame, UINT_PTR timerId);

}  // namespace ktray
