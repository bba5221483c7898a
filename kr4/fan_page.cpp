#include "fan_page.h"

#include "apply_session.h"
#include "fan_switch.h"
#include "tray_fields.h"

namespace kr4 {

namespace {

constexpr int kTimeChars = 5;  // HH:MM

}  // namespace

void FanPage::Init() {
    const tune::TraySettings settings = tune::ReadTraySettings();
    // ktray keeps the fan off for any value but 1.
    Check(IDC_FAN_SCHEDULE, settings.timerSwitch == 1);
    Check(IDC_FAN_ALWAYS, settings.alwaysOn == 1);
    SetControlText(IDC_FAN_ON_TIME, tune::TraySettingText(settings, tune::TraySetting::FanOn));
    SetControlText(IDC_FAN_OFF_TIME, tune::TraySettingText(settings, tune::TraySetting::FanOff));
    SendDlgItemMessageA(dialog_, IDC_FAN_ON_TIME, EM_LIMITTEXT, kTimeChars, 0);
    SendDlgItemMessageA(dialog_, IDC_FAN_OFF_TIME, EM_LIMITTEXT, kTimeChars, 0);
}

void FanPage::Command(int id, int code) {
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDC_FAN_SAVE: Save(); break;
    case IDC_FAN_NOW_ON: SwitchNow(true); break;
    case IDC_FAN_NOW_OFF: SwitchNow(false); break;
    default: break;
    }
}

void FanPage::Save() {
    tune::TrayChanges changes;
    std::string error;
    AddTrayField(changes, tune::TraySetting::FanSchedule, Checked(IDC_FAN_SCHEDULE) ? "1" : "0",
                 "Schedule", error);
    AddTrayField(changes, tune::TraySetting::FanAlways, Checked(IDC_FAN_ALWAYS) ? "1" : "0",
                 "Always on", error);
    if (!AddTrayField(changes, tune::TraySetting::FanOn, ControlText(IDC_FAN_ON_TIME), "ON time",
                      error)) {
        Say(IDC_FAN_MESSAGE, error + "; nothing was saved", IDC_FAN_ON_TIME);
        return;
    }
    if (!AddTrayField(changes, tune::TraySetting::FanOff, ControlText(IDC_FAN_OFF_TIME),
                      "OFF time", error)) {
        Say(IDC_FAN_MESSAGE, error + "; nothing was saved", IDC_FAN_OFF_TIME);
        return;
    }
    Say(IDC_FAN_MESSAGE, SaveTrayFields(changes));
}

void FanPage::SwitchNow(bool on) {
    const char* const state = on ? "on" : "off";
    switch (tune::SwitchFanNow(on)) {
    case tune::FanSwitch::kDone:
        JournalNote("kr4 fan", "fan", "", state, "done");
        Say(IDC_FAN_MESSAGE, std::string("The fan is switched ") + state +
                                 ". While ktray follows the schedule, it sets the fan again "
                                 "within 10 seconds.");
        break;
    case tune::FanSwitch::kNoInterface:
        Say(IDC_FAN_MESSAGE, "This board has no smart-fan interface; nothing was switched.");
        break;
    case tune::FanSwitch::kNotDelivered:
        Say(IDC_FAN_MESSAGE, std::string("The fan ") + state + " request did not reach the fan.");
        break;
    }
}

}  // namespace kr4
