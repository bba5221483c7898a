// set, revert and permanent: the commands that change the board.
#include <cstdio>

#include "apply_flow.h"
#include "command_args.h"
#include "confirm.h"
#include "journal.h"
#include "kclk.h"
#include "last_set.h"
#include "board_port.h"
#include "boot_preset.h"
#include "text.h"
#include "tune_commands.h"
#include "verified_apply.h"

namespace kclktune {

namespace {

// The last confirmed change, if it was made on this board; prints why not otherwise.
bool LoadRecordFor(const char* command, const tune::BoardSnapshot& snapshot, tune::LastSet& record) {
    switch (tune::LoadLastSet(record)) {
    case tune::LastSetRead::kMissing:
        PrintError(command, "there is no confirmed change to work from; nothing was changed");
        return false;
    case tune::LastSetRead::kMalformed:
        PrintError(command, "the record of the last change (HKCU\\", tune::kTuneKey, " ",
                   tune::kLastSetValue, ") is malformed; nothing was changed");
        return false;
    case tune::LastSetRead::kFound:
        break;
    }
    if (record.identity != tune::IdentityHash(snapshot.IdentityWords())) {
        PrintError(command,
                   "the last change was made on a board whose firmware reports other "
                   "tables or limits; nothing was changed");
        return false;
    }
    return true;
}

}  // namespace

int SetCommand(const Args& args) {
    SetArguments parsed;
    std::string error;
    if (!ParseSetArguments(args, parsed, error)) {
        PrintError("set", error);
        return kExitUsage;
    }
    if (parsed.help) {
        std::fputs(kSetHelp, stdout);
        return kExitDone;
    }
    ApplyFlowOptions options;
    options.command = "set";
    options.fsbStep = parsed.fsbStep;
    options.confirmSeconds = parsed.confirmSeconds;
    options.yes = parsed.yes;
    options.dryRun = parsed.dryRun;
    return ApplyTargets(parsed.targets, options);
}

int RevertCommand(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kRevertHelp, stdout);
        return kExitDone;
    }
    if (!args.empty()) {
        PrintError("revert", "takes no arguments (see kclktune revert --help)");
        return kExitUsage;
    }
    std::string journalPath;
    if (!OpenJournal("revert", journalPath)) return kExitUsage;
    tune::BoardSnapshot snapshot;
    if (!ReadUsableSnapshot("revert", snapshot)) return kExitNoInterface;
    tune::LastSet record;
    if (!LoadRecordFor("revert", snapshot, record)) return kExitUsage;

    tune::Journal(journalPath).Append("revert", "*", "", "", "putting back the last confirmed change");
    ApplyFlowOptions options;
    options.command = "revert";
    options.confirm = false;  // back to values that were in force and confirmed before
    options.remember = false;
    const int status = ApplyTargets(record.before, options);
    if (status == kExitDone && !tune::DeleteLastSet())
        PrintError("revert", "put back, but the record of the change could not be removed");
    return status;
}

int PermanentCommand(const Args& args) {
    const char* command = "permanent";
    if (WantsHelp(args)) {
        std::fputs(kPermanentHelp, stdout);
        return kExitDone;
    }
    bool yes = false;
    for (const std::string& arg : args) {
        if (arg == "--yes" && !yes) {
            yes = true;
            continue;
        }
        PrintError(command, "unexpected argument '", arg, "' (see kclktune permanent --help)");
        return kExitUsage;
    }
    std::string journalPath;
    if (!OpenJournal(command, journalPath)) return kExitUsage;
    tune::BoardSnapshot snapshot;
    if (!ReadUsableSnapshot(command, snapshot)) return kExitNoInterface;
    tune::LastSet record;
    if (!LoadRecordFor(command, snapshot, record)) return kExitUsage;

    // Only what a confirmed set left in force may become the boot preset.
    const tune::ClockWords words = snapshot.clock.current;
    bool anyClock = false;
    for (tune::Item clock : {tune::Item::Fsb, tune::Item::Dram, tune::Item::Agp, tune::Item::Pci}) {
        if (!record.after.Has(clock)) continue;
        anyClock = true;
        if (words.Get(clock) != record.after.Get(clock)) {
            PrintError(command, tune::ItemText(clock),
                       " in force is not what the last confirmed set left; nothing "
                       "was stored");
            return kExitUsage;
        }
    }
    if (!anyClock) {
        PrintError(command, "the last confirmed set changed no clock; nothing was stored");
        return kExitUsage;
    }
    if (!snapshot.Adjustable(tune::Item::Fsb) && !snapshot.Adjustable(tune::Item::Dram) &&
        !snapshot.Adjustable(tune::Item::Agp) && !snapshot.Adjustable(tune::Item::Pci)) {
        PrintError(command, "the firmware says no clock can be adjusted; nothing was stored");
        return kExitUsage;
    }

    Print("WARNING: this stores the clock setting in force (fsb ", tune::DecDigits(words.fsb),
          ", dram 0x", tune::HexDigits(words.dram, 4), ", agp 0x", tune::HexDigits(words.agp, 4),
          ", pci 0x", tune::HexDigits(words.pci, 4),
          ")\nas the board's boot preset. The board will start with it from now on, before "
          "Windows or\nthis tool can check anything. If the board then fails to start, only the "
          "firmware's own\nrecovery (clearing its settings) brings the old preset back.\n");
    std::fflush(stdout);
    bool confirmed = yes;
    if (!confirmed && tune::HasConsoleInput()) {
        tune::ConsoleConfirmIo io;
        confirmed = tune::AwaitConfirmation(io, tune::kDefaultConfirmSeconds);
        Print("\n");
    }
    if (!confirmed) {
        PrintError(command,
                   "not confirmed (press Enter in time, or give --yes); the boot preset "
                   "is unchanged");
        return kExitNotConfirmed;
    }

    tune::Journal journal(journalPath);
    tune::KclkBoardPort port;
    const tune::PresetOutcome stored = tune::StoreClocksAsPreset(words, port, &journal);
    switch (stored.result) {
    case tune::PresetOutcome::kStored:
        break;
    case tune::PresetOutcome::kRefused:
        PrintError(command, "refused by the firmware: ", stored.answer,
                   "; the boot preset is unchanged");
        return kExitRefused;
    case tune::PresetOutcome::kVerifyFailed: {
        const tune::ClockWords& back = stored.readBack;
        PrintError(command,
                   "VERIFY FAILED - the firmware answered done, but its boot preset "
                   "reads back as fsb ",
                   tune::DecDigits(back.fsb), ", dram 0x", tune::HexDigits(back.dram, 4),
                   ", agp 0x", tune::HexDigits(back.agp, 4), " (PCI ",
                   tune::DecDigits(stored.presetPci), ", in force ",
                   tune::DecDigits(stored.currentPci), "); check the board's setup before restarting it");
        return kExitRollbackFailed;
    }
    }
    Print("Stored: the board now starts with this clock setting.\n");
    return kExitDone;
}

}  // namespace kclktune
