// What the profile, start-up, settings and fan commands share, and what they take from the rest
// of kclktune: the board's identity and values in force, the verified apply, the journal.
#pragma once

#include <cstdio>
#include <string>

#include "apply_flow.h"
#include "commands.h"
#include "tune_items.h"

namespace kclktune {

// A help word anywhere among a command's arguments.
inline bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h" || arg == "/?"; }

// The board in this machine: its snapshot (usable) and identity text (tune::BoardIdentityText of
// its identity words). False after printing why (exit code 3: no tuning interface).
bool ReadBoard(const char* command, tune::BoardSnapshot& snapshot, std::string& identity);
// The hidden start's apply: ramped and verified like `set`, rolled back on a failure, with no
// confirmation and not recorded for revert. story says what happened; exitCode is set's.
bool ApplyUnattended(const tune::TargetSet& targets, std::string& story, int& exitCode);
// One journal line for a decision of these commands (nothing when the journal is unwritable).
void JournalNote(const std::string& action, const std::string& item, const std::string& before,
                 const std::string& after, const std::string& answer);

// A failed start-up the user has not been told of yet: printed once (stderr), then marked told.
// main runs it before every command but `startup`, whose subcommands show it themselves.
void TellUntoldStartupFailure();

}  // namespace kclktune
