// kclktune profile: named sets of targets kept per user, stamped with the board they were made
// on. Applying one goes through the same ramped, verified and confirmed apply as `set`.
#include <string>
#include <vector>

#include "board_snapshot.h"
#include "boot_guard.h"
#include "change_plan.h"
#include "command_args.h"
#include "profiles.h"
#include "store_glue.h"
#include "text.h"

namespace kclktune {

namespace {

constexpr char kCommand[] = "profile";

constexpr char kUsage[] =
    "Usage: kclktune profile list\n"
    "       kclktune profile show NAME\n"
    "       kclktune profile save NAME [ITEM=VALUE...]\n"
    "       kclktune profile apply NAME [--step N] [--confirm-within S | --yes] [--dry-run]\n"
    "       kclktune profile delete NAME\n"
    "       kclktune profile export NAME FILE\n"
    "       kclktune profile import FILE [NAME]\n"
    "\n"
    "Profiles are kept per user below HKCU\\Software\\Corvane\\Kestrel4\\Profiles and belong to\n"
    "the board they were saved on: another board refuses them. A processor change (ktray's\n"
    "reset) deletes them.\n"
    "  save     without items: the board's adjustable values in force now; with items\n"
    "           (fsb dram agp pci vcore vdimm vagp ratio cia mib, firmware words 0..65535):\n"
    "           exactly those. An existing profile of that name is replaced whole.\n"
    "  apply    the profile's targets through the same apply as `set` (same options).\n"
    "  delete   also switches the start-up off when it was the start-up profile.\n"
    "  export   a text file of key=value lines; import takes such a file from this board\n"
    "           (at most 4096 bytes), under its own name or NAME; it never replaces a profile.\n"
    "Names: 1 to 64 characters, no backslash, no control characters, no blank at either end;\n"
    "case does not tell two names apart.\n"
    "Exit codes: 0 done, 1 refused by the firmware, 2 bad input (nothing changed), 3 no\n"
    "tuning interface, 4 verify failed (rolled back), 5 not confirmed (reverted), 6 rollback\n"
    "failed.\n";

bool CheckName(const std::string& name) {
    const tune::NameProblem problem = tune::CheckProfileName(name);
    if (problem == tune::NameProblem::None) return true;
    if (problem == tune::NameProblem::Empty)
        PrintError(kCommand, tune::NameProblemText(problem));
    else
        PrintError(kCommand, tune::NameProblemText(problem), ": \"", name, "\"");
    return false;
}

// A usage error, joined from its parts: exit code 2.
template <typename... Parts>
int Usage(const Parts&... error) {
    PrintError(kCommand, error..., " (see kclktune profile --help)");
    return kExitUsage;
}

// "fsb=14000 vcore=1525": the targets on one line, for the journal.
std::string Summary(const tune::TargetSet& targets) {
    std::string text;
    for (int i = 0; i < tune::kItemCount; ++i) {
        const tune::Item item = static_cast<tune::Item>(i);
        if (!targets.Has(item)) continue;
        if (!text.empty()) text += ' ';
        tune::Append(text, tune::ItemText(item), "=", tune::DecDigits(targets.Get(item)));
    }
    return text;
}

int Load(const tune::ProfileStore& store, const std::string& name, tune::Profile& profile) {
    if (!CheckName(name)) return kExitUsage;
    std::string error;
    if (store.Read(name, profile, error) != tune::ProfileStore::Load::Ok) {
        PrintError(kCommand, error);
        return kExitUsage;
    }
    return kExitDone;
}

int List(const tune::ProfileStore& store) {
    std::string startup;
    tune::BootGuard().StartupProfile(startup);
    for (const std::string& name : store.List()) {
        const bool isStartup = !startup.empty() && lstrcmpiA(startup.c_str(), name.c_str()) == 0;
        Print(name, (isStartup ? "  (start-up)" : ""), "\n");
    }
    return kExitDone;
}

int Show(const tune::ProfileStore& store, const std::string& name) {
    tune::Profile profile;
    if (const int status = Load(store, name, profile)) return status;
    const std::string text = tune::ProfileText(profile);
    // The stored form without its header and end line.
    const size_t first = text.find('\n') + 1;
    const size_t end = text.rfind("end\n");
    Print(text.substr(first, end - first));
    return kExitDone;
}

int Save(tune::ProfileStore& store, const Args& args) {
    const std::string& name = args[1];
    if (!CheckName(name)) return kExitUsage;
    tune::Profile profile;
    profile.name = name;
    // Every item checked before the board is asked or anything is written.
    tune::TargetSet given;
    if (args.size() > 2) {
        SetArguments parsed;
        std::string error;
        if (!ParseSetArguments(Args(args.begin() + 2, args.end()), parsed, error))
            return Usage(error);
        if (parsed.fsbStep || parsed.confirmGiven || parsed.yes || parsed.dryRun)
            return Usage("profile save takes items, not options");
        given = parsed.targets;
    }
    tune::BoardSnapshot snapshot;
    if (!ReadBoard(kCommand, snapshot, profile.identity)) return kExitNoInterface;
    if (given.Empty()) {
        profile.targets = snapshot.ValuesInForce();
        if (profile.targets.Empty()) {
            PrintError(kCommand, "the board has no adjustable item to save");
            return kExitRefused;
        }
    } else {
        // Values the board would never take are refused now, not at the apply.
        const tune::ChangePlan plan = tune::MakeChangePlan(snapshot, given, tune::PlanOptions());
        if (!plan.ok) {
            PrintError(kCommand, plan.error, "; nothing was saved");
            return kExitUsage;
        }
        profile.targets = given;
    }
    std::string error;
    if (!store.Save(profile, error)) {
        PrintError(kCommand, error);
        return kExitUsage;
    }
    JournalNote("profile save", name, "", Summary(profile.targets), "saved");
    Print("profile \"", name, "\" saved: ", Summary(profile.targets), "\n");
    return kExitDone;
}

// set's options for the apply: [--step N] [--confirm-within S | --yes] [--dry-run].
bool ParseApplyOptions(const Args& args, ApplyFlowOptions& options, std::string& error) {
    bool confirmGiven = false, stepGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--yes") {
            options.yes = true;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--step" || arg == "--confirm-within") {
            uint16_t word = 0;
            std::string why;
            const bool step = arg == "--step";
            if ((step && stepGiven) || (!step && confirmGiven)) {
                error = tune::Cat(arg, " is given twice");
                return false;
            }
            if (i + 1 >= args.size() || !ParseWord(args[i + 1], word, why) || word == 0 ||
                (!step && word > kMaxConfirmSeconds)) {
                error = step ? "--step needs a number of words from 1 to 65535"
                             : "--confirm-within needs seconds from 1 to 3600";
                return false;
            }
            ++i;
            if (step) {
                options.fsbStep = word;
                stepGiven = true;
            } else {
                options.confirmSeconds = word;
                confirmGiven = true;
            }
        } else {
            error = tune::Cat("profile apply: unknown option ", arg);
            return false;
        }
    }
    if (options.yes && confirmGiven) {
        error = "--yes and --confirm-within exclude each other";
        return false;
    }
    return true;
}

int Apply(const tune::ProfileStore& store, const Args& args) {
    ApplyFlowOptions options;
    options.command = "profile apply";
    std::string error;
    if (!ParseApplyOptions(Args(args.begin() + 2, args.end()), options, error)) return Usage(error);
    tune::Profile profile;
    if (const int status = Load(store, args[1], profile)) return status;
    tune::BoardSnapshot snapshot;
    std::string identity;
    if (!ReadBoard(kCommand, snapshot, identity)) return kExitNoInterface;
    if (!tune::MatchesBoard(profile, identity, error)) {
        PrintError(kCommand, error, "; nothing was sent");
        return kExitUsage;
    }
    // The same road as set: planned, ramped, verified, kept only when confirmed.
    return ApplyTargets(profile.targets, options);
}

int Delete(tune::ProfileStore& store, const std::string& name) {
    if (!CheckName(name)) return kExitUsage;
    std::string error;
    if (!store.Delete(name, error)) {
        PrintError(kCommand, error);
        return kExitUsage;
    }
    tune::BootGuard guard;
    std::string startup;
    if (guard.StartupProfile(startup) && lstrcmpiA(startup.c_str(), name.c_str()) == 0) {
        guard.ClearStartupProfile();
        Print("profile \"", name, "\" deleted; it was the start-up profile: start-up is off\n");
    } else {
        Print("profile \"", name, "\" deleted\n");
    }
    JournalNote("profile delete", name, "", "", "deleted");
    return kExitDone;
}

int Export(const tune::ProfileStore& store, const std::string& name, const std::string& file) {
    tune::Profile profile;
    if (const int status = Load(store, name, profile)) return status;
    std::string error;
    if (!tune::ExportProfileFile(profile, file, error)) {
        PrintError(kCommand, error);
        return kExitUsage;
    }
    Print("profile \"", name, "\" exported to ", file, "\n");
    return kExitDone;
}

int Import(tune::ProfileStore& store, const Args& args) {
    const std::string& file = args[1];
    if (args.size() == 3 && !CheckName(args[2])) return kExitUsage;
    tune::Profile profile;
    std::string error;
    if (!tune::ReadProfileFile(file, profile, error)) {
        PrintError(kCommand, error);
        return kExitUsage;
    }
    if (args.size() == 3) profile.name = args[2];
    if (store.Exists(profile.name)) {
        PrintError(kCommand, "a profile \"", profile.name,
                   "\" exists already; delete it first or import under another name");
        return kExitUsage;
    }
    tune::BoardSnapshot snapshot;
    std::string identity;
    if (!ReadBoard(kCommand, snapshot, identity)) return kExitNoInterface;
    if (!tune::MatchesBoard(profile, identity, error)) {
        PrintError(kCommand, file, ": ", error);
        return kExitUsage;
    }
    if (!store.Save(profile, error)) {
        PrintError(kCommand, error);
        return kExitUsage;
    }
    JournalNote("profile import", profile.name, "", file, "imported");
    Print("profile \"", profile.name, "\" imported from ", file, "\n");
    return kExitDone;
}

}  // namespace

int ProfileCommand(const Args& args) {
    if (args.empty()) return Usage("profile needs a subcommand");
    for (const std::string& arg : args)
        if (IsHelp(arg)) {
            Print(kUsage);
            return kExitDone;
        }
    tune::ProfileStore store;
    const std::string& verb = args[0];
    auto count = [&](size_t low, size_t high) { return args.size() >= low && args.size() <= high; };
    if (verb == "list" && count(1, 1)) return List(store);
    if (verb == "show" && count(2, 2)) return Show(store, args[1]);
    if (verb == "save" && args.size() >= 2) return Save(store, args);
    if (verb == "apply" && args.size() >= 2) return Apply(store, args);
    if (verb == "delete" && count(2, 2)) return Delete(store, args[1]);
    if (verb == "export" && count(3, 3)) return Export(store, args[1], args[2]);
    if (verb == "import" && count(2, 3)) return Import(store, args);
    return Usage("profile ", verb, ": wrong subcommand or number of arguments");
}

}  // namespace kclktune
