// Stand-ins for the commands that are built elsewhere; removed when they arrive.
#include <cstdio>

#include "commands.h"

namespace kclktune {

namespace {
int NotYet(const char* command) {
    std::fprintf(stderr, "kclktune %s: not available yet\n", command);
    return kExitUsage;
}
}  // namespace

int ProfileCommand(const Args&) { return NotYet("profile"); }
int StartupCommand(const Args&) { return NotYet("startup"); }
int SettingsCommand(const Args&) { return NotYet("settings"); }
int FanCommand(const Args&) { return NotYet("fan"); }

}  // namespace kclktune
