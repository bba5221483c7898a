// kclktune's commands beyond those of commands.h, and the help texts of all of them.
#pragma once

#include "commands.h"

namespace kclktune {

int PermanentCommand(const Args& args);  // permanent [--yes]

// True when args is exactly one help word (--help, -h or /?).
bool WantsHelp(const Args& args);

extern const char kUsage[];
extern const char kStatusHelp[];
extern const char kSetHelp[];
extern const char kRevertHelp[];
extern const char kJournalHelp[];
extern const char kPermanentHelp[];

}  // namespace kclktune
