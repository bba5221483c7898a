// The hardware-monitor alarm against the monitor and sound stand-ins: which readings break which
// limit, when readings are taken at all, when the sound starts and stops, the sound settings and
// their defaults, and the tick that ends itself when the tuning tool's settings are gone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bench_records.h"
#include "hardware_alarm.h"
#include "scratch_registry.h"
#include "sound_library.h"

namespace {

using namespace testsupport;

const std::string kTuning = "Software\\Corvane\\Kestrel4";
const std::string kAudio = kTuning + "\\AudioSetting";
const char kTitle[] = "Kestrel4 Build 3.08.07";

// Readings that break no limit, defaults or the limits set below.
void NormalReadings() {
    ClearMonitor();
    for (int i = 1; i <= 3; ++i) SetTemperature(i, 40);
    for (int i = 1; i <= 5; ++i) SetFanCount(i, 4000);
}

class Alarm : public testing::Test {
protected:
    void SetUp() override {
        RemoveTree(HKEY_CURRENT_USER, kTuning);
        CreateEmptyKey(HKEY_CURRENT_USER, kTuning);
        NormalReadings();
        ClearSoundJournal();
        ktray::Audio() = ktray::AudioState();
        tool_ = CreateWindowExA(0, "STATIC", kTitle, 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
        ASSERT_NE(nullptr, tool_);
    }
    void TearDown() override {
        if (tool_) DestroyWindow(tool_);
        RemoveTree(HKEY_CURRENT_USER, kTuning);
        ClearMonitor();
        ClearSoundJournal();
    }
    static void SetLimits(int32_t cpuTemp, int32_t sysTemp, int32_t cpuFan, int32_t pwrFan,
                          int32_t sysFan) {
        SetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit", cpuTemp);
        SetIntValue(HKEY_CURRENT_USER, kTuning, "iSysTempLimit", sysTemp);
        SetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuFanLimit", cpuFan);
        SetIntValue(HKEY_CURRENT_USER, kTuning, "iPwrFanLimit", pwrFan);
        SetIntValue(HKEY_CURRENT_USER, kTuning, "iSysFanLimit", sysFan);
    }
    // One reading changed from the normal ones.
    static bool CheckWith(bool fan, int index, int32_t reading) {
        NormalReadings();
        if (fan)
            SetFanCount(index, reading);
        else
            SetTemperature(index, reading);
        return ktray::CheckMonitorAlarm(kTitle);
    }
    HWND tool_ = nullptr;
    CSound sound_;
};

struct ReadingCase {
    bool fan;
    int index;
    int32_t reading;
    bool alarm;
};

TEST_F(Alarm, EachReadingAgainstItsOwnLimit) {
    SetLimits(/*cpuTemp*/ 60, /*sysTemp*/ 50, /*cpuFan*/ 3000, /*pwrFan*/ 1000, /*sysFan*/ 2000);
    const ReadingCase cases[] = {
        {false, 1, 50, false},   {false, 1, 51, true},   {false, 2, 60, false},
        {false, 2, 61, true},    {false, 3, 60, false},  {false, 3, 61, true},
        {false, 2, 55, false},   {true, 1, 3000, false}, {true, 1, 2999, true},
        {true, 2, 2999, true},   {true, 3, 1000, false}, {true, 3, 999, true},
        {true, 4, 999, true},    {true, 4, 1500, false}, {true, 5, 2000, false},
        {true, 5, 1999, true},   {false, 1, -1, false},  {true, 1, -1, false},
        {true, 5, 0, true},      {false, 2, -2, false},
    };
    for (const ReadingCase& c : cases)
        EXPECT_EQ(c.alarm, CheckWith(c.fan, c.index, c.reading))
            << (c.fan ? "fan " : "temperature ") << c.index << " reading " << c.reading;
}

TEST_F(Alarm, DefaultsForAMissingKeyOrValue) {
    RemoveTree(HKEY_CURRENT_USER, kTuning);
    const ReadingCase defaults[] = {
        {false, 1, 60, false}, {false, 1, 61, true}, {false, 3, 61, true}, {true, 2, 2999, true},
        {true, 4, 1000, false}, {true, 4, 999, true}, {true, 5, 2999, true},
    };
    for (const ReadingCase& c : defaults)
        EXPECT_EQ(c.alarm, CheckWith(c.fan, c.index, c.reading))
            << "no key: " << (c.fan ? "fan " : "temperature ") << c.index << " " << c.reading;

    SetLimits(/*cpuTemp*/ 10, /*sysTemp*/ 90, 100, 100, 100);
    const uint16_t shortLimit = 30;
    SetRawValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit", REG_BINARY, &shortLimit, 2);
    EXPECT_FALSE(CheckWith(false, 2, 60)) << "2-byte limit: its default 60";
    EXPECT_TRUE(CheckWith(false, 2, 61));
    EXPECT_FALSE(CheckWith(false, 1, 70)) << "the other limits are read";
}

TEST_F(Alarm, NoReadingWithoutTheToolWindow) {
    SetTemperature(1, 99);
    DestroyWindow(tool_);
    tool_ = nullptr;
    ClearMonitor();
    SetTemperature(1, 99);
    const DWORD before = MonitorReadCount();
    EXPECT_FALSE(ktray::CheckMonitorAlarm(kTitle));
    EXPECT_FALSE(ktray::CheckMonitorAlarm(""));
    EXPECT_FALSE(ktray::CheckMonitorAlarm(nullptr));
    EXPECT_EQ(before, MonitorReadCount());
}

TEST_F(Alarm, SoundStartsOnceAndStopsWhenTheAlarmEnds) {
    const struct {
        int32_t audioOn, audioFlag;
        const char* journal;  // of three alarm ticks and one quiet tick
    } cases[] = {
        {1, 2, "PlayBeep(0);AllStop;"},
        {1, 1, "PlayFile(C:\\alarm.wav,0);AllStop;"},
        {1, 3, "AllStop;"},  // a silent alarm still stops what may play
        {0, 2, ""},
        {2, 2, ""},
    };
    for (const auto& c : cases) {
        ktray::Audio() = ktray::AudioState();
        ktray::Audio().audioOn = c.audioOn;
        ktray::Audio().audioFlag = c.audioFlag;
        std::strcpy(ktray::Audio().audioFile, "C:\\alarm.wav");
        ClearSoundJournal();
        SetTemperature(1, 99);
        for (int i = 0; i < 3; ++i) ktray::MonitorTick(sound_, kTitle, nullptr, 2);
        EXPECT_EQ(1, ktray::Audio().alarmActive);
        NormalReadings();
        ktray::MonitorTick(sound_, kTitle, nullptr, 2);
        EXPECT_EQ(0, ktray::Audio().alarmActive);
        EXPECT_EQ(c.journal, SoundJournal()) << "iAudioON " << c.audioOn << " iAudioFlag "
                                             << c.audioFlag;
    }
}

TEST_F(Alarm, FirstReloadWritesTheDefaults) {
    ktray::LoadAudioSettings(sound_);
    EXPECT_EQ(0, GetIntValue(HKEY_CURRENT_USER, kAudio, "iAudioON"));
    EXPECT_EQ(2, GetIntValue(HKEY_CURRENT_USER, kAudio, "iAudioFlag"));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY),
              GetRawValue(HKEY_CURRENT_USER, kAudio, "iAudioON").type);
    const RawValue file = GetRawValue(HKEY_CURRENT_USER, kAudio, "AudioFile");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), file.type);
    EXPECT_EQ(std::string("Default.wav", 12), std::string(file.bytes.begin(), file.bytes.end()));
    EXPECT_STREQ("Default.wav", ktray::Audio().audioFile);
    EXPECT_EQ("IsPlay;AllStop;", SoundJournal());

    // What memory holds is what is written.
    RemoveTree(HKEY_CURRENT_USER, kAudio);
    ktray::Audio().audioOn = 1;
    ktray::Audio().audioFlag = 1;
    ktray::LoadAudioSettings(sound_);
    EXPECT_EQ(1, GetIntValue(HKEY_CURRENT_USER, kAudio, "iAudioON"));
    EXPECT_EQ(2, GetIntValue(HKEY_CURRENT_USER, kAudio, "iAudioFlag"));
    EXPECT_EQ(2, ktray::Audio().audioFlag);
}

TEST_F(Alarm, ReloadDuringAnAlarm) {
    SetIntValue(HKEY_CURRENT_USER, kAudio, "iAudioON", 0);
    SetIntValue(HKEY_CURRENT_USER, kAudio, "iAudioFlag", 2);
    SetTextValue(HKEY_CURRENT_USER, kAudio, "AudioFile", "C:\\siren.wav");
    ktray::LoadAudioSettings(sound_);
    SetTemperature(1, 99);
    ktray::MonitorTick(sound_, kTitle, nullptr, 2);
    ASSERT_EQ(1, ktray::Audio().alarmActive);
    ClearSoundJournal();

    // Switched on during the alarm: it sounds at once, with the new settings.
    SetIntValue(HKEY_CURRENT_USER, kAudio, "iAudioON", 1);
    SetIntValue(HKEY_CURRENT_USER, kAudio, "iAudioFlag", 1);
    ktray::LoadAudioSettings(sound_);
    EXPECT_EQ("IsPlay;PlayFile(C:\\siren.wav,0);", SoundJournal());
    ktray::MonitorTick(sound_, kTitle, nullptr, 2);
    EXPECT_EQ("IsPlay;PlayFile(C:\\siren.wav,0);", SoundJournal()) << "no second start";

    // Switched off: silenced at once.
    ClearSoundJournal();
    SetIntValue(HKEY_CURRENT_USER, kAudio, "iAudioON", 0);
    ktray::LoadAudioSettings(sound_);
    EXPECT_EQ("IsPlay;AllStop;AllStop;", SoundJournal());
}

TEST_F(Alarm, AudioFileThatDoesNotFitKeepsTheOneHeld) {
    const struct {
        const char* what;
        std::string bytes;
        DWORD type;
        const char* held;
    } cases[] = {
        {"fits", std::string("C:\\new.wav", 11), REG_SZ, "C:\\new.wav"},
        {"254 characters", std::string(254, 'a') + '\0', REG_SZ, nullptr},
        {"255 characters", std::string(255, 'b') + '\0', REG_SZ, "C:\\old.wav"},
        {"oversized", std::string(400, 'c') + '\0', REG_SZ, "C:\\old.wav"},
        {"unterminated, fills the buffer", std::string(255, 'd'), REG_BINARY, "C:\\old.wav"},
    };
    for (const auto& c : cases) {
        std::strcpy(ktray::Audio().audioFile, "C:\\old.wav");
        SetRawValue(HKEY_CURRENT_USER, kAudio, "AudioFile", c.type, c.bytes.data(),
                    static_cast<DWORD>(c.bytes.size()));
        ktray::LoadAudioSettings(sound_);
        EXPECT_STREQ(c.held ? c.held : c.bytes.c_str(), ktray::Audio().audioFile) << c.what;
    }
}

TEST_F(Alarm, TickEndsItsTimerWhenTheSettingsAreGone) {
    HWND frame = CreateWindowExA(0, "STATIC", "frame", 0, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(0u, SetTimer(frame, 2, 60000, nullptr));
    ASSERT_NE(0u, SetTimer(frame, 3, 60000, nullptr));
    ktray::Audio().audioOn = 1;
    SetTemperature(1, 99);
    ktray::MonitorTick(sound_, kTitle, frame, 2);
    EXPECT_EQ(1, ktray::Audio().alarmActive);
    ASSERT_NE(0, KillTimer(frame, 2)) << "the timer runs while the settings are there";
    ASSERT_NE(0u, SetTimer(frame, 2, 60000, nullptr));
    ClearSoundJournal();

    RemoveTree(HKEY_CURRENT_USER, kTuning);
    NormalReadings();
    ktray::MonitorTick(sound_, kTitle, frame, 2);
    EXPECT_EQ(0, KillTimer(frame, 2)) << "timer 2 was killed";
    EXPECT_NE(0, KillTimer(frame, 3)) << "and only timer 2";
    EXPECT_EQ(0, ktray::Audio().audioOn);
    EXPECT_EQ(0, ktray::Audio().alarmActive) << "the tick still checks once";
    EXPECT_EQ("AllStop;", SoundJournal());
    DestroyWindow(frame);
}

}  // namespace
