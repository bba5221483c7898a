// journal: prints the journal of changes, the older (rotated) part first.
#include <cstdio>

#include "apply_flow.h"
#include "journal.h"
#include "tune_commands.h"

namespace kclktune {

int JournalCommand(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kJournalHelp, stdout);
        return kExitDone;
    }
    if (!args.empty()) {
        PrintError("journal", "takes no arguments (see kclktune journal --help)");
        return kExitUsage;
    }
    std::string path;
    if (!tune::Journal::DefaultPath(path)) {
        PrintError("journal", "no folder for the journal was found");
        return kExitUsage;
    }
    std::string text;
    if (!tune::Journal(path).ReadAll(text)) {
        Print("The journal is empty (", path, ").\n");
        return kExitDone;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitDone;
}

}  // namespace kclktune
