// The tuning tool's one road to the board, on the tuning core: journal checked, snapshot read,
// targets planned, every step applied and read back (rolled back on a failure), then kept only
// when the user says so in the "Keep these settings?" box; the confirmed change is recorded for
// revert. The hidden start uses the same road without the box.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "tune_items.h"

namespace kr4 {

struct ApplyRequest {
    HWND owner = nullptr;      // owner of the keep box
    HWND progress = nullptr;   // a progress bar: the steps done of all (may be null)
    bool confirm = true;       // false: no box (the hidden start; the boot guard watches)
    uint32_t keepSeconds = 15;
    bool remember = true;      // record the confirmed change for revert
};

struct ApplyResult {
    enum Kind {
        kDone, kNothingToDo, kBadInput, kNoInterface, kNoJournal,
        kRefused, kVerifyFailed, kRollbackFailed, kNotKept,
    };
    Kind kind = kDone;
    std::string text;  // one line for the page: what was done, or which item and why not
    bool Kept() const { return kind == kDone || kind == kNothingToDo; }
};

ApplyResult ApplyTargets(const tune::TargetSet& targets, const ApplyRequest& request);

// Stores the clock setting in force as the firmware's boot preset (SetClock's store bit), after
// the firmware accepted it in a probe. Only ever asked for explicitly, after a confirmed apply.
ApplyResult MakeClockPermanent();

// One line in the journal; nothing when it cannot be written.
void JournalNote(const std::string& action, const std::string& item, const std::string& before,
                 const std::string& after, const std::string& answer);

}  // namespace kr4
