// The store commands' ties to the rest of kclktune: the snapshot, the apply flow, the journal.
#include "store_glue.h"

#include "board_snapshot.h"
#include "journal.h"
#include "profiles.h"

namespace kclktune {

bool ReadBoard(const char* command, tune::BoardSnapshot& snapshot, std::string& identity) {
    if (!ReadUsableSnapshot(command, snapshot)) return false;
    identity = tune::BoardIdentityText(snapshot.IdentityWords());
    return true;
}

bool ApplyUnattended(const tune::TargetSet& targets, std::string& story, int& exitCode) {
    ApplyFlowOptions options;
    options.command = "startup run";
    options.confirm = false;   // nobody is there to confirm; the boot guard watches instead
    options.remember = false;  // revert keeps undoing the user's own last change
    exitCode = ApplyTargets(targets, options);
    if (exitCode == kExitDone) {
        story = "applied and read back";
        return true;
    }
    switch (exitCode) {
        case kExitRefused: story = "refused by the firmware; every step was put back"; break;
        case kExitVerifyFailed: story = "a value did not read back; every step was put back"; break;
        case kExitRollbackFailed: story = "ROLLBACK FAILED: the board is not as it was"; break;
        case kExitNoInterface: story = "no tuning interface"; break;
        default:
            story = "nothing was sent (the journal cannot be written, or the profile's values do "
                    "not fit the board)";
            break;
    }
    return false;
}

void JournalNote(const std::string& action, const std::string& item, const std::string& before,
                 const std::string& after, const std::string& answer) {
    std::string path;
    if (!tune::Journal::DefaultPath(path)) return;
    tune::Journal journal(path);
    if (journal.CheckWritable(nullptr)) journal.Append(action, item, before, after, answer);
}

}  // namespace kclktune
