// The hardware-monitor alarm. Limits are re-read at every check (the tuning tool changes them
// at any time); a sound starts only when the state turns from no alarm to alarm, so a long
// alarm is one sound, and stops when it turns back.
#include "hardware_alarm.h"

#include <cstring>

#include "monitor_library.h"
#include "registry.h"
#include "settings_keys.h"
#include "sound_library.h"
#include "startup_probe.h"

namespace ktray {

namespace {

AudioState g_audio;

constexpr char kAudioOnValue[] = "iAudioON";
constexpr char kAudioFlagValue[] = "iAudioFlag";
constexpr char kAudioFileValue[] = "AudioFile";
constexpr char kDefaultAudioFile[] = "Default.wav";
constexpr DWORD kAudioFileReadBytes = 255;
constexpr int32_t kBeep = 2;  // iAudioFlag's default

MonitorLimits ReadLimits() {
    MonitorLimits limits;
    if (RegistryKey key = OpenKey(HKEY_CURRENT_USER, kTuningKey)) {
        ReadInt(key.Get(), "iCpuFanLimit", limits.cpuFan);
        ReadInt(key.Get(), "iSysFanLimit", limits.sysFan);
        ReadInt(key.Get(), "iPwrFanLimit", limits.pwrFan);
        ReadInt(key.Get(), "iCpuTempLimit", limits.cpuTemp);
        ReadInt(key.Get(), "iSysTempLimit", limits.sysTemp);
    }
    return limits;
}

int32_t ReadMonitor(Sensor sensor, int index, void*) {
    int reading = kNoReading;  // a library that leaves it alone has no reading
    if (sensor == Sensor::Temperature)
        W_Get_TempValue(index, &reading);
    else
        W_Get_FanCount(index, &reading);
    return reading;
}

void MakeSoundCall(CSound& sound, SoundCall call) {
    switch (call) {
    case SoundCall::PlayFile:
        sound.PlayFile(g_audio.audioFile, 0);
        return;
    case SoundCall::PlayBeep:
        sound.PlayBeep(0);
        return;
    case SoundCall::AllStop:
        sound.AllStop();
        return;
    case SoundCall::None:
        return;
    }
}

}  // namespace

AudioState& Audio() { return g_audio; }

bool CheckMonitorAlarm(const char* buildTitle) {
    // An empty title would match any untitled window.
    if (!buildTitle || !*buildTitle || !FindWindowA(nullptr, buildTitle)) return false;
    return LimitBroken(ReadLimits(), ReadMonitor, nullptr);
}

void LoadAudioSettings(CSound& sound) {
    AudioState& audio = g_audio;
    if (sound.IsPlay()) sound.AllStop();

    RegistryKey key = OpenKey(HKEY_CURRENT_USER, kAudioSettingKey);
    if (!key) {
        key = CreateKey(HKEY_CURRENT_USER, kAudioSettingKey);
        KTRAY_STARTUP_POINT("audio-key-created");
        WriteInt(key.Get(), kAudioOnValue, audio.audioOn);
        KTRAY_STARTUP_POINT("audio-on-written");
        audio.audioFlag = kBeep;
        WriteInt(key.Get(), kAudioFlagValue, audio.audioFlag);
        KTRAY_STARTUP_POINT("audio-flag-written");
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

    MakeSoundCall(sound, DecideAfterReload(audio));
}

void MonitorTick(CSound& sound, const char* buildTitle, HWND frame, UINT_PTR timerId) {
    const bool settingsPresent = KeyExists(HKEY_CURRENT_USER, kTuningKey);
    const TickPlan plan =
        DecideMonitorTick(g_audio, settingsPresent, CheckMonitorAlarm(buildTitle));
    if (plan.endWatch) {
        sound.AllStop();
        KillTimer(frame, timerId);
    }
    MakeSoundCall(sound, plan.sound);
}

}  // namespace ktray
