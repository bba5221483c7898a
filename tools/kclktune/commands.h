// kclktune's commands and its documented exit codes. main.cpp parses the command word and hands
// the rest of the arguments to one of these; each prints its own one-line errors to stderr.
#pragma once

#include <string>
#include <vector>

namespace kclktune {

enum Exit : int {
    kExitDone = 0,             // done
    kExitRefused = 1,          // refused by the firmware; nothing changed
    kExitUsage = 2,            // bad input or usage; nothing changed
    kExitNoInterface = 3,      // no tuning interface
    kExitVerifyFailed = 4,     // verify failed, rolled back
    kExitNotConfirmed = 5,     // not confirmed, reverted
    kExitRollbackFailed = 6,   // rollback failed: the state is printed, loudly
};

using Args = std::vector<std::string>;  // the arguments after the command word

int StatusCommand(const Args& args);    // status [--json]
int SetCommand(const Args& args);       // set ITEM=VALUE... [--step N] [--confirm-within S | --yes] [--dry-run]
int RevertCommand(const Args& args);    // revert
int JournalCommand(const Args& args);   // journal
int ProfileCommand(const Args& args);   // profile list|show|save|apply|delete|export|import
int StartupCommand(const Args& args);   // startup show|set NAME|off (and the hidden start's run)
int SettingsCommand(const Args& args);  // settings show|set NAME=VALUE...
int FanCommand(const Args& args);       // fan on|off

}  // namespace kclktune
