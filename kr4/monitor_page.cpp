#include "monitor_page.h"

#include "file_dialog.h"
#include "text.h"
#include "tray_fields.h"

namespace kr4 {

namespace {

struct LimitField {
    int id;
    tune::TraySetting setting;
    const char* label;
};

constexpr LimitField kLimitFields[] = {
    {IDC_MON_CPUFAN, tune::TraySetting::CpuFanLimit, "CPU fans limit"},
    {IDC_MON_PWRFAN, tune::TraySetting::PwrFanLimit, "Power fans limit"},
    {IDC_MON_SYSFAN, tune::TraySetting::SysFanLimit, "System fan limit"},
    {IDC_MON_CPUTEMP, tune::TraySetting::CpuTempLimit, "CPU temperature limit"},
    {IDC_MON_SYSTEMP, tune::TraySetting::SysTempLimit, "System temperature limit"},
};

constexpr char kSoundFilter[] = "Sound files (*.wav)\0*.wav\0All files (*.*)\0*.*\0";
constexpr UINT kSoundPollMs = 500;

std::string ReadingText(int32_t value, const char* unit) {
    if (value == kNoReading) return "none";
    const std::string digits = tune::Dec(value < 0 ? 0u - static_cast<uint32_t>(value)
                                                   : static_cast<uint32_t>(value));
    return (value < 0 ? "-" : "") + digits + unit;
}

}  // namespace

MonitorPage::MonitorPage(const OutsideLibraryFiles& files)
    : monitorFile_(files.monitor), sound_(files.sound) {}

void MonitorPage::Init() {
    // The graph takes the place the template keeps for it.
    const HWND placeholder = GetDlgItem(dialog_, IDC_MON_GRAPH);
    RECT area{};
    GetWindowRect(placeholder, &area);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&area), 2);
    DestroyWindow(placeholder);
    graph_.Create(dialog_, area, IDC_MON_GRAPH);

    SendDlgItemMessageA(dialog_, IDC_MON_FILE_PATH, EM_LIMITTEXT, MAX_PATH - 1, 0);
    monitorLoaded_ = monitor_.Load(monitorFile_.c_str());
    LoadSettings();
    Sample();
    SetTimer(dialog_, kSampleTimer, kSamplePeriodMs, nullptr);
}

void MonitorPage::LoadSettings() {
    const tune::TraySettings settings = tune::ReadTraySettings();
    for (const LimitField& field : kLimitFields)
        SetControlText(field.id, tune::TraySettingText(settings, field.setting));
    Check(IDC_MON_SOUND_ON, settings.audioOn == 1);
    // Another flag (ktray's silent alarm) leaves both unchecked.
    Check(IDC_MON_BEEP, settings.audioFlag == 2);
    Check(IDC_MON_FILE, settings.audioFlag == 1);
    SetControlText(IDC_MON_FILE_PATH, settings.audioFile);
    ShowFileChoice();
}

void MonitorPage::Sample() {
    SensorSample sample;
    bool anyReading = false;
    if (monitorLoaded_) {
        for (int i = 0; i < kTemperatureCount; ++i) {
            monitor_.TempValue(i + 1, &sample.temperature[i]);
            anyReading = anyReading || sample.temperature[i] != kNoReading;
        }
        for (int i = 0; i < kFanCount; ++i) {
            monitor_.FanCount(i + 1, &sample.fan[i]);
            anyReading = anyReading || sample.fan[i] != kNoReading;
        }
    }
    history_.Add(sample);
    ShowReadings(sample, anyReading);
    graph_.Redraw();
}

void MonitorPage::ShowReadings(const SensorSample& sample, bool anyReading) {
    for (int i = 0; i < kTemperatureCount; ++i)
        SetControlText(IDC_MON_TEMP_VALUE + i, ReadingText(sample.temperature[i], " \260C"));
    for (int i = 0; i < kFanCount; ++i)
        SetControlText(IDC_MON_FAN_VALUE + i, ReadingText(sample.fan[i], " rpm"));
    if (!monitorLoaded_)
        SetControlText(IDC_MON_READINGS,
                       std::string("No readings: the monitor library ") +
                           ktray::kMonitorLibraryFile +
                           " is not there. Limits and sound can still be set.");
    else if (!anyReading)
        SetControlText(IDC_MON_READINGS,
                       "No readings: the monitor library answers none for every sensor.");
    else
        SetControlText(IDC_MON_READINGS, "The last 10 minutes, a sample every " +
                                             tune::Dec(kSamplePeriodMs / 1000) + " seconds.");
}

void MonitorPage::ShowFileChoice() {
    const bool file = Checked(IDC_MON_FILE);
    EnableWindow(GetDlgItem(dialog_, IDC_MON_FILE_PATH), file);
    EnableWindow(GetDlgItem(dialog_, IDC_MON_BROWSE), file);
}

void MonitorPage::Command(int id, int code) {
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDC_MON_BEEP:
    case IDC_MON_FILE: ShowFileChoice(); break;
    case IDC_MON_BROWSE: Browse(); break;
    case IDC_MON_TEST: TestOrStop(); break;
    case IDC_MON_SAVE: Save(); break;
    default: break;
    }
}

bool MonitorPage::Message(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_TIMER && wParam == kSampleTimer) {
        Sample();
        return true;
    }
    if (message == WM_TIMER && wParam == kSoundTimer) {
        if (!sound_.Playing()) ShowTestButton(false);
        return true;
    }
    if (message == WM_CTLCOLORSTATIC) {
        // Each reading in its line's colour: the readings are the graph's legend.
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        COLORREF color;
        if (id >= IDC_MON_TEMP_VALUE && id < IDC_MON_TEMP_VALUE + kTemperatureCount)
            color = TemperatureLineColor(id - IDC_MON_TEMP_VALUE);
        else if (id >= IDC_MON_FAN_VALUE && id < IDC_MON_FAN_VALUE + kFanCount)
            color = FanLineColor(id - IDC_MON_FAN_VALUE);
        else
            return false;
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, color);
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    return false;
}

void MonitorPage::Browse() {
    FileQuestion question;
    question.filter = kSoundFilter;
    question.title = "Alarm sound file";
    std::string file = ControlText(IDC_MON_FILE_PATH);
    if (!AskFileName(Owner(), question, file)) return;
    SetControlText(IDC_MON_FILE_PATH, file);
    Check(IDC_MON_BEEP, false);
    Check(IDC_MON_FILE, true);
    ShowFileChoice();
}

void MonitorPage::TestOrStop() {
    if (sound_.Playing()) {
        sound_.Stop();
        ShowTestButton(false);
        Say(IDC_MON_MESSAGE, "Stopped.");
        return;
    }
    if (Checked(IDC_MON_FILE)) {
        const std::string path = ControlText(IDC_MON_FILE_PATH);
        if (path.empty()) {
            Say(IDC_MON_MESSAGE, "Sound file: choose a file to test.", IDC_MON_FILE_PATH);
            return;
        }
        sound_.PlayFile(path);
    } else if (Checked(IDC_MON_BEEP)) {
        sound_.PlayBeep();
    } else {
        Say(IDC_MON_MESSAGE, "Choose Beep or a sound file to test.", IDC_MON_BEEP);
        return;
    }
    Say(IDC_MON_MESSAGE, "Testing the alarm sound.");
    if (sound_.Playing()) ShowTestButton(true);
}

void MonitorPage::ShowTestButton(bool playing) {
    SetControlText(IDC_MON_TEST, playing ? "S&top" : "&Test");
    if (playing)
        SetTimer(dialog_, kSoundTimer, kSoundPollMs, nullptr);
    else
        KillTimer(dialog_, kSoundTimer);
}

void MonitorPage::Save() {
    tune::TrayChanges changes;
    std::string error;
    for (const LimitField& field : kLimitFields)
        if (!AddTrayField(changes, field.setting, ControlText(field.id), field.label, error)) {
            Say(IDC_MON_MESSAGE, error + "; nothing was saved", field.id);
            return;
        }
    AddTrayField(changes, tune::TraySetting::Audio, Checked(IDC_MON_SOUND_ON) ? "1" : "0",
                 "Sound", error);
    if (Checked(IDC_MON_BEEP) || Checked(IDC_MON_FILE))
        AddTrayField(changes, tune::TraySetting::AudioFlag, Checked(IDC_MON_FILE) ? "1" : "2",
                     "Sound", error);
    // A beep needs no file: an empty path then keeps the stored one.
    const std::string path = ControlText(IDC_MON_FILE_PATH);
    if ((Checked(IDC_MON_FILE) || !path.empty()) &&
        !AddTrayField(changes, tune::TraySetting::AudioFile, path, "Sound file", error)) {
        Say(IDC_MON_MESSAGE, error + "; nothing was saved", IDC_MON_FILE_PATH);
        return;
    }
    Say(IDC_MON_MESSAGE, SaveTrayFields(changes));
}

}  // namespace kr4
