// kclktune settings: ktray's alarm limits, alarm sound, fan schedule and auto overclock on next
// reboot, checked before anything is written; a running ktray is told at once.
#include <string>

#include "store_glue.h"
#include "tray_settings.h"

namespace kclktune {

namespace {

constexpr char kCommand[] = "settings";

constexpr char kUsage[] =
    "Usage: kclktune settings show\n"
    "       kclktune settings set NAME=VALUE...\n"
    "\n"
    "ktray's settings (HKCU\\Software\\Corvane\\Kestrel4), every value checked before any is\n"
    "written:\n"
    "  cpufanlimit=N    alarm below N rpm on fans 1 and 2       0..20000 (default 3000)\n"
    "  sysfanlimit=N    alarm below N rpm on fan 5              0..20000 (default 3000)\n"
    "  pwrfanlimit=N    alarm below N rpm on fans 3 and 4       0..20000 (default 1000)\n"
    "  cputemplimit=N   alarm above N degrees C, sensors 2, 3   20..120 (default 60)\n"
    "  systemplimit=N   alarm above N degrees C, sensor 1       20..120 (default 60)\n"
    "  audio=0|1        sound the alarm (also off|on)                     (default 0)\n"
    "  audioflag=1|2    1 plays audiofile, 2 beeps (also file|beep)       (default 2)\n"
    "  audiofile=PATH   the sound file, 1..254 characters      (default Default.wav)\n"
    "  fanschedule=0|1  the north-bridge fan's daily schedule; 0 keeps it off (default 1)\n"
    "  fanon=HH:MM      the fan's ON time, 00:00..23:59                  (default 09:00)\n"
    "  fanoff=HH:MM     the fan's OFF time, 00:00..23:59                 (default 17:00)\n"
    "  fanalways=0|1    the fan on all day while the schedule is active   (default 0)\n"
    "  autoover=0|1     ktray starts the tuning tool hidden at logon (the start-up profile)\n"
    "The limits are read by ktray every two seconds; a changed sound or schedule is posted to a\n"
    "running ktray (window \"CVXM20\") at once. show marks values ktray takes by default.\n"
    "Exit codes: 0 done, 2 bad input (nothing written).\n";

// A usage error, joined from its parts: exit code 2.
template <typename... Parts>
int Usage(const Parts&... error) {
    PrintError(kCommand, error..., " (see kclktune settings --help)");
    return kExitUsage;
}

int Show() {
    const tune::TraySettings settings = tune::ReadTraySettings();
    for (int i = 0; i < tune::kTraySettingCount; ++i) {
        const tune::TraySetting setting = static_cast<tune::TraySetting>(i);
        Print(std::string(tune::TraySettingName(setting)), "=",
              tune::TraySettingText(settings, setting),
              (settings.stored[i] ? "" : "  (ktray's default)"), "\n");
    }
    return kExitDone;
}

int Set(const Args& args) {
    if (args.size() < 2) return Usage("settings set needs NAME=VALUE");
    tune::TrayChanges changes;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string error;
        if (!tune::ParseTrayAssignment(args[i], changes, error)) return Usage(error);
    }
    const tune::TraySettings before = tune::ReadTraySettings();
    tune::TrayWriteResult result;
    std::string error;
    const bool written = tune::WriteTraySettings(changes, result, error);
    const tune::TraySettings after = tune::ReadTraySettings();
    for (int i = 0; i < tune::kTraySettingCount; ++i) {
        if (!changes.has[i]) continue;
        const tune::TraySetting setting = static_cast<tune::TraySetting>(i);
        const std::string name = tune::TraySettingName(setting);
        const std::string value = tune::TraySettingText(after, setting);
        JournalNote("settings set", name, tune::TraySettingText(before, setting), value,
                    written ? "written" : "failed");
        Print(name, "=", value, "\n");
    }
    if (result.toldSound || result.toldSchedule) Print("ktray told\n");
    if (!written) {
        PrintError(kCommand, error);
        return kExitRefused;
    }
    return kExitDone;
}

}  // namespace

int SettingsCommand(const Args& args) {
    if (args.empty()) return Usage("settings needs show or set");
    for (const std::string& arg : args)
        if (IsHelp(arg)) {
            Print(kUsage);
            return kExitDone;
        }
    if (args[0] == "show" && args.size() == 1) return Show();
    if (args[0] == "set") return Set(args);
    return Usage("settings ", args[0], ": wrong subcommand or number of arguments");
}

}  // namespace kclktune
