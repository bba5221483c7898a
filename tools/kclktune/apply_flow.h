// The one road by which kclktune changes the board: journal checked, snapshot read, targets
// validated and planned, steps applied and verified (rolled back on a failure), then kept only
// when confirmed in time. set, revert and the profile commands all go this way.
#pragma once

#include <cstdint>
#include <string>

#include "board_snapshot.h"
#include "commands.h"
#include "text.h"
#include "tune_items.h"

namespace kclktune {

struct ApplyFlowOptions {
    const char* command = "set";  // names the command in messages
    uint16_t fsbStep = 0;
    uint32_t confirmSeconds = 15;
    bool yes = false;       // confirmed in advance
    bool dryRun = false;    // validation and probes only
    bool confirm = true;    // false: no confirmation window (revert returns to a known state)
    bool remember = true;   // keep the change as the last confirmed one (what revert undoes)
};

// Runs the flow and returns the exit code; prints the plan and outcome on stdout and every error
// as one line on stderr (a failed rollback prints the state, loudly).
int ApplyTargets(const tune::TargetSet& targets, const ApplyFlowOptions& options);

// Prints "kclktune <command>: <text>" on stderr, the text joined from its parts (tune::TextOf),
// given up to a null pointer to PrintErrorTexts.
void PrintErrorTexts(const char* command, const char* first, ...);
template <typename... Parts>
[[gnu::always_inline]] inline void PrintError(const char* command, const Parts&... parts) {
    PrintErrorTexts(command, tune::TextOf(parts)..., static_cast<const char*>(nullptr));
}

// Writes the parts to stdout as they are (no formatting).
void PrintTexts(const char* first, ...);
template <typename... Parts>
[[gnu::always_inline]] inline void Print(const Parts&... parts) {
    PrintTexts(tune::TextOf(parts)..., static_cast<const char*>(nullptr));
}

// Opens the journal and checks that it can be written; prints the error when it cannot.
bool OpenJournal(const char* command, std::string& path);

// Check_KRVer and the snapshot; prints the error and returns false when there is no interface.
bool ReadUsableSnapshot(const char* command, tune::BoardSnapshot& snapshot);

}  // namespace kclktune
