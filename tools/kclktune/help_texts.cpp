#include "tune_commands.h"

namespace kclktune {

bool WantsHelp(const Args& args) {
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h" || arg == "/?") return true;
    return false;
}

const char kUsage[] =
    "Usage: kclktune COMMAND [ARGUMENTS]\n"
    "Reads and changes the mainboard's clocks, voltages, CPU ratio and accelerators through\n"
    "kclk.dll, safely: every value is checked against the firmware's own tables first, clock\n"
    "changes are probed before they are made, every step is read back, and a change is kept only\n"
    "when confirmed.\n"
    "\n"
    "Commands:\n"
    "  status [--json]        everything adjustable: in force, boot preset, tables and limits\n"
    "  set ITEM=VALUE...      change values (see kclktune set --help)\n"
    "  revert                 put back what was in force before the last confirmed set\n"
    "  journal                print the journal of changes\n"
    "  permanent [--yes]      store the clock setting in force as the board's boot preset\n"
    "  profile list|show|save|apply|delete|export|import   named sets of values per board\n"
    "  startup show|set NAME|off|run   the profile applied, guarded, when ktray starts the tool\n"
    "  settings show|set NAME=VALUE... ktray's alarm limits, alarm sound, fan schedule, autoover\n"
    "  fan on|off             switch the north-bridge fan now\n"
    "\n"
    "Items: fsb dram agp pci vcore vdimm vagp ratio cia mib. Values are the firmware's own words,\n"
    "decimal or hex with 0x. On the simulated board, FSB, DRAM, AGP and PCI frequencies are\n"
    "MHz x 100 (a convention of that board: 13333 is shown as 133.33 MHz), voltages millivolts,\n"
    "the ratio the multiplier x 10; DRAM/AGP/PCI are clock words (bit 15 set: asynchronous at\n"
    "bits 0..14; else a divider, high byte the FSB's part and low byte the clock's part).\n"
    "\n"
    "Exit codes: 0 done; 1 refused by the firmware, nothing changed; 2 bad input or usage, nothing\n"
    "changed; 3 no tuning interface; 4 verify failed, rolled back; 5 not confirmed, reverted;\n"
    "6 rollback failed (the state is printed).\n"
    "Every command answers --help.\n";

const char kStatusHelp[] =
    "Usage: kclktune status [--json]\n"
    "Prints every adjustable item: the word in force, the boot preset, whether the firmware lets\n"
    "it be changed, and the tables and limits a new value must come from. MHz beside FSB and clock\n"
    "frequencies follow the simulated board's convention (word / 100). MIB has no reader: its\n"
    "state is shown as unknown. Changes nothing.\n";

const char kSetHelp[] =
    "Usage: kclktune set ITEM=VALUE... [--step N] [--confirm-within S | --yes] [--dry-run]\n"
    "Changes the items given (fsb dram agp pci vcore vdimm vagp ratio cia mib; values decimal or\n"
    "0x hex). Every value must be one the firmware offers; otherwise nothing is sent.\n"
    "Voltages go up before clocks rise and down after clocks fall; the FSB moves in steps of at\n"
    "most N words (--step; default one table entry, or 100 words when the FSB is linear). Each\n"
    "clock step is probed (SetClockProb) and made (SetClock) only when the probe accepts it; every\n"
    "step is read back, and a failure puts every step back.\n"
    "  --confirm-within S  keep the change only when Enter is pressed within S seconds (default\n"
    "                      15, 1..3600); without a console the change is put back after S seconds\n"
    "  --yes               keep the change without asking (needed to change mib, whose state the\n"
    "                      firmware cannot report)\n"
    "  --dry-run           validate and probe only; nothing is set\n";

const char kRevertHelp[] =
    "Usage: kclktune revert\n"
    "Puts back the values that were in force before the last confirmed set, through the same\n"
    "checked, ramped and verified steps. MIB is not put back (its state cannot be read).\n";

const char kJournalHelp[] =
    "Usage: kclktune journal\n"
    "Prints the journal: one CSV line per step, failure, rollback, confirmation and revert (UTC\n"
    "time, action, item, before, after, the firmware's answer). It lives in\n"
    "<application data>\\Corvane\\Kestrel4\\journal.csv (KCLKTUNE_JOURNAL names another file);\n"
    "past 256 KiB it moves to journal.1.csv.\n";

const char kPermanentHelp[] =
    "Usage: kclktune permanent [--yes]\n"
    "After a confirmed set, stores the clock setting in force as the board's boot preset: the\n"
    "board then starts with it, before Windows or this tool can check anything. Asks for Enter\n"
    "within 15 seconds unless --yes is given; without a console and without --yes nothing is\n"
    "stored.\n";

}  // namespace kclktune
