// ktray's settings as the tuning tool changes them: the monitor's alarm limits, the alarm sound,
// the north-bridge fan's schedule and "auto overclock on next reboot". Values are stored exactly
// as ktray reads them (4-byte REG_BINARY integers, terminated strings within its buffers, every
// write flushed), are checked against sane ranges before anything is written, and ktray is told
// of a changed sound or schedule through the two messages it takes.
//
// Names and ranges on the command line:
//   cpufanlimit, sysfanlimit, pwrfanlimit   0..20000 (rpm; an alarm below)
//   cputemplimit, systemplimit              20..120 (degrees C; an alarm above)
//   audio                                   0|1 (alarm sound off/on; also off|on)
//   audioflag                               1|2 (1 plays audiofile, 2 beeps; also file|beep)
//   audiofile                               1..254 characters, no control characters
//   fanschedule                             0|1 (the daily schedule; 0 keeps the fan off)
//   fanon, fanoff                           HH:MM, 00:00..23:59
//   fanalways                               0|1 (on all day while the schedule is active)
//   autoover                                0|1 (auto overclock on next reboot)
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tune {

enum class TraySetting {
    CpuFanLimit, SysFanLimit, PwrFanLimit, CpuTempLimit, SysTempLimit,
    Audio, AudioFlag, AudioFile,
    FanSchedule, FanOn, FanOff, FanAlways,
    AutoOver,
};
constexpr int kTraySettingCount = 13;

const char* TraySettingName(TraySetting setting);

// What ktray takes now: stored values where they read whole, its defaults elsewhere (a fresh
// ktray's own values for a sound value missing from an existing key).
struct TraySettings {
    int32_t cpuFanLimit = 3000, sysFanLimit = 3000, pwrFanLimit = 1000;
    int32_t cpuTempLimit = 60, sysTempLimit = 60;
    int32_t audioOn = 0, audioFlag = 2;
    std::string audioFile = "Default.wav";
    int32_t timerSwitch = 1, timeOnHour = 9, timeOnMinute = 0, timeOffHour = 17,
            timeOffMinute = 0, alwaysOn = 0;
    bool autoOver = false;
    bool stored[kTraySettingCount] = {};  // read from the registry rather than defaulted
};

TraySettings ReadTraySettings(HKEY root = HKEY_CURRENT_USER);

// The value of one setting as the command line writes it ("09:00", "1", "Default.wav").
std::string TraySettingText(const TraySettings& settings, TraySetting setting);

// A set of changes, checked: each setting at most once.
struct TrayChanges {
    bool has[kTraySettingCount] = {};
    // Limits and switches as they are; FanOn and FanOff as hour * 100 + minute.
    int32_t number[kTraySettingCount] = {};
    std::string audioFile;

    bool Has(TraySetting s) const { return has[static_cast<int>(s)]; }
    bool Empty() const;
};

// Parses "name=value" into changes; false with a one-line reason (unknown name, repeated name,
// not a number, out of range, bad time).
bool ParseTrayAssignment(std::string_view assignment, TrayChanges& changes, std::string& error);

struct TrayWriteResult {
    bool toldSound = false;     // WM_USER + 11 posted to ktray
    bool toldSchedule = false;  // WM_USER + 14 posted to ktray
};

// Writes the changes (a missing sound or schedule key is created whole, with ktray's defaults
// for what is not changed) and tells a running ktray. False with a reason when a write failed.
bool WriteTraySettings(const TrayChanges& changes, TrayWriteResult& result, std::string& error,
                       HKEY root = HKEY_CURRENT_USER);

// ktray's main window, found by its title; null when ktray does not run.
HWND FindTrayWindow();

}  // namespace tune
