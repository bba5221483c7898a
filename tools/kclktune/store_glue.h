// What the profile, start-up, settings and fan commands share, and what they take from the rest
// of kclktune: the board's identity and current values, the verified apply, the journal.
#pragma once

#include <cstdio>
#include <string>

#include "commands.h"
#include "tune_items.h"

namespace kclktune {

inline void PrintOut(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }
// One line on stderr, "kclktune: " first.
inline void PrintError(const std::string& line) {
    std::fprintf(stderr, "kclktune: %s\n", line.c_str());
}

// True when args is exactly one "--help" (or "-h", "/?") after the subcommand word(s) it is in.
inline bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h" || arg == "/?"; }

// The identity text of the board in this machine (tune::BoardIdentityText of its snapshot).
// False after printing why; exitCode then says what kind of failure it was.
bool CurrentBoardIdentity(std::string& identity, int& exitCode);
// The board's adjustable items with their values in force, and the board's identity.
bool CurrentAdjustableTargets(tune::TargetSet& targets, std::string& identity, int& exitCode);
// The ramped, verified apply with its confirmation, exactly as `set` does it with setOptions
// (--step, --confirm-within, --yes, --dry-run); returns set's exit code.
int ApplyConfirmed(const tune::TargetSet& targets, const Args& setOptions);
// The hidden start's apply: verified, no confirmation. story says what happened.
bool ApplyUnattended(const tune::TargetSet& targets, std::string& story, int& exitCode);
// One journal line for a decision of these commands.
void JournalNote(const std::string& action, const std::string& item, const std::string& before,
                 const std::string& after, const std::string& answer);

// A failed start-up the user has not been told of yet: printed once (stderr), then marked told.
// Every command but the start-up commands calls it first.
void TellUntoldStartupFailure();

}  // namespace kclktune
