// kclktune fan: switches the north-bridge fan on or off at once, as ktray's schedule does.
#include <string>

#include "fan_switch.h"
#include "store_glue.h"

namespace kclktune {

namespace {

constexpr char kCommand[] = "fan";

constexpr char kUsage[] =
    "Usage: kclktune fan on|off\n"
    "\n"
    "Switches the north-bridge fan to its stored on or off setting. While ktray runs with the\n"
    "fan schedule active it sets the fan again within 10 seconds (kclktune settings set\n"
    "fanschedule=0 keeps it off; fanalways=1 keeps it on).\n"
    "Exit codes: 0 done, 1 the request did not reach the fan, 2 bad input, 3 no smart-fan\n"
    "interface.\n";

}  // namespace

int FanCommand(const Args& args) {
    if (args.size() == 1 && IsHelp(args[0])) {
        Print(kUsage);
        return kExitDone;
    }
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) {
        PrintError(kCommand, "fan takes on or off (see kclktune fan --help)");
        return kExitUsage;
    }
    const bool on = args[0] == "on";
    switch (tune::SwitchFanNow(on)) {
    case tune::FanSwitch::kDone: break;
    case tune::FanSwitch::kNoInterface:
        PrintError(kCommand, "the board has no smart-fan interface");
        return kExitNoInterface;
    case tune::FanSwitch::kNotDelivered:
        PrintError(kCommand, "the fan ", (on ? "on" : "off"), " request did not reach the fan");
        return kExitRefused;
    }
    JournalNote("fan", "fan", "", args[0], "done");
    Print("fan ", (on ? "on" : "off"), "\n");
    return kExitDone;
}

}  // namespace kclktune
