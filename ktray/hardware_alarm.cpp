// The hardware-monitor alarm. Limits are re-read at every check (the tuning tool changes them
// at any time); a sound starts only when the state turns from no alarm to alarm, so a long
// alarm is one sound, and stops when it turns back.
#include "hardware_alarm.h"

#include <cstring>

#include "monitor_library.h"
#include "registry.h"
#include "settings_keys.h"
#include "sound_library.h"

namespace ktray {

namespace {

AudioState g_audio;

constexpr char kAudioOnValue[] = "iAudioON";
constexpr char kAudioFlagValue[] = "iAudioFlag";
constexpr char kAudioFileValue[] = "AudioFile";
constexpr char kDefaultAudioFile[] = "Default.wav";
constexpr DWORD kAudioFileReadBytes = 255;
constexpr int32_t kPlayFile = 1, kBeep = 2;
constexpr int kNoReading = -1;

// A missing key or a single value missing or malformed gives that limit's default.
struct Limits {
    int32_t cpuFan = 3000;   // fans 1 and 2
    int32_t sysFan = 3000;   // fan 5
    int32_t pwrFan = 1000;   // fans 3 and 4
    int32_t cpuTemp = 60;    // temperatures 2 and 3
    int32_t sysTemp = 60;    // temperature 1
};

Limits ReadLimits() {
    Limits limits;
    if (RegistryKey key = OpenKey(HKEY_CURRENT_USER, kTuningKey)) {
        ReadInt(key.Get(), "iCpuFanLimit", limits.cpuFan);
        ReadInt(key.Get(), "iSysFanLimit", limits.sysFan);
        ReadInt(key.Get(), "iPwrFanLimit", limits.pwrFan);
        ReadInt(key.Get(), "iCpuTempLimit", limits.cpuTemp);
        ReadInt(key.Get(), "iSysTempLimit", limits.sysTemp);
    }
    return limits;
}

void StartSound(CSound& sound) {
    const AudioState& audio = g_audio;
    if (audio.audioFlag == kPlayFile)
        sound.PlayFile(audio.audioFile, 0);
    else if (audio.audioFlag == kBeep)
        sound.PlayBeep(0);
}

}  // namespace

AudioState& Audio() { return g_audio; }

bool CheckMonitorAlarm(const char* buildTitle) {
    // An empty title would match any untitled window.
    if (!buildTitle || !*buildTitle || !FindWindowA(nullptr, buildTitle)) return false;
    const Limits limits = ReadLimits();

    for (int index = 1; index <= 3; ++index) {
        int reading = kNoReading;  // a library that leaves it alone has no reading
        W_Get_TempValue(index, &reading);
        if (reading == kNoReading) continue;
        if (reading > (index == 1 ? limits.sysTemp : limits.cpuTemp)) return true;
    }
    for (int index = 1; index <= 5; ++index) {
        int reading = kNoReading;
        W_Get_FanCount(index, &reading);
        if (reading == kNoReading) continue;
        const int32_t limit =
            index <= 2 ? limits.cpuFan : index <= 4 ? limits.pwrFan : limits.sysFan;
        if (reading < limit) return true;
    }
    return false;
}

void LoadAudioSettings(CSound& sound) {
    AudioState& audio = g_audio;
    if (sound.IsPlay()) sound.AllStop();

    RegistryKey key = OpenKey(HKEY_CURRENT_USER, kAudioSettingKey);
    if (!key) {
        key = CreateKey(HKEY_CURRENT_USER, kAudioSettingKey);
        WriteInt(key.Get(), kAudioOnValue, audio.audioOn);
        audio.audioFlag = kBeep;
        WriteInt(key.Get(), kAudioFlagValue, audio.audioFlag);
        std::memcpy(audio.audioFile, kDefaultAudioFile, sizeof kDefaultAudioFile);
        WriteString(key.Get(), kAudioFileValue, audio.audioFile);
    } else {
        ReadInt(key.Get(), kAudioOnValue, audio.audioOn);
        ReadInt(key.Get(), kAudioFlagValue, audio.audioFlag);
        // A file name that is too long or unterminated counts as missing: the one held stays.
        char file[kAudioFileReadBytes];
        if (ReadString(key.Get(), kAudioFileValue, file, sizeof file))
            std::memcpy(audio.audioFile, file, std::strlen(file) + 1);
    }
    if (key) RegFlushKey(key.Get());
    key.Close();

    if (audio.audioOn == 1 && audio.alarmActive == 1)
        StartSound(sound);
    else
        sound.AllStop();
}

void MonitorTick(CSound& sound, const char* buildTitle, HWND frame, UINT_PTR timerId) {
    AudioState& audio = g_audio;
    if (!KeyExists(HKEY_CURRENT_USER, kTuningKey)) {
        // The tuning tool's settings are gone: silence for the rest of this run.
        audio.audioOn = 0;
        sound.AllStop();
        KillTimer(frame, timerId);
    }
    if (CheckMonitorAlarm(buildTitle)) {
        if (audio.audioOn == 1 && audio.alarmActive == 0) StartSound(sound);
        audio.alarmActive = 1;
    } else {
        if (audio.audioOn == 1 && audio.alarmActive == 1) sound.AllStop();
        audio.alarmActive = 0;
    }
}

}  // namespace ktray
