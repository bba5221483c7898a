// kclktune profile: named sets of targets kept per user, stamped with the board they were made
// on. Applying one goes through the same ramped, verified and confirmed apply as `set`.
#include <string>
#include <vector>

#include "boot_guard.h"
#include "profiles.h"
#include "store_glue.h"

namespace kclktune {

namespace {

constexpr char kUsage[] =
    "usage: kclktune profile list\n"
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
    PrintError(std::string(tune::NameProblemText(problem)) +
               (problem == tune::NameProblem::Empty ? "" : ": \"" + name + "\""));
    return false;
}

int Usage(const std::string& error) {
    PrintError(error + " (kclktune profile --help)");
    return kExitUsage;
}

// A word 0..65535, decimal or 0x-hexadecimal.
bool ParseWord(const std::string& text, uint16_t& word) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const size_t start = hex ? 2 : 0;
    if (text.size() == start || text.size() - start > (hex ? 4u : 5u)) return false;
    uint32_t value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        uint32_t digit;
        if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
        else return false;
        value = value * (hex ? 16 : 10) + digit;
    }
    if (value > 0xFFFF) return false;
    word = static_cast<uint16_t>(value);
    return true;
}

// "fsb=14000 vcore=1525": the targets on one line, for the journal.
std::string Summary(const tune::TargetSet& targets) {
    std::string text;
    for (int i = 0; i < tune::kItemCount; ++i) {
        const tune::Item item = static_cast<tune::Item>(i);
        if (!targets.Has(item)) continue;
        if (!text.empty()) text += ' ';
        text += std::string(tune::ItemName(item)) + "=" + std::to_string(targets.Get(item));
    }
    return text;
}

int Load(const tune::ProfileStore& store, const std::string& name, tune::Profile& profile) {
    if (!CheckName(name)) return kExitUsage;
    std::string error;
    if (store.Read(name, profile, error) != tune::ProfileStore::Load::Ok) {
        PrintError(error);
        return kExitUsage;
    }
    return kExitDone;
}

int List(const tune::ProfileStore& store) {
    std::string startup;
    tune::BootGuard().StartupProfile(startup);
    for (const std::string& name : store.List()) {
        const bool isStartup = !startup.empty() && lstrcmpiA(startup.c_str(), name.c_str()) == 0;
        PrintOut(name + (isStartup ? "  (start-up)" : "") + "\n");
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
    PrintOut(text.substr(first, end - first));
    return kExitDone;
}

int Save(tune::ProfileStore& store, const Args& args) {
    const std::string& name = args[1];
    if (!CheckName(name)) return kExitUsage;
    tune::Profile profile;
    profile.name = name;
    // Every item checked before the board is asked or anything is written.
    tune::TargetSet given;
    for (size_t i = 2; i < args.size(); ++i) {
        const size_t equals = args[i].find('=');
        if (equals == std::string::npos) return Usage("\"" + args[i] + "\" is not ITEM=VALUE");
        const std::optional<tune::Item> item = tune::ItemFromName(args[i].substr(0, equals));
        if (!item) return Usage("unknown item \"" + args[i].substr(0, equals) + "\"");
        if (given.Has(*item)) return Usage(args[i].substr(0, equals) + " is given twice");
        uint16_t word = 0;
        if (!ParseWord(args[i].substr(equals + 1), word))
            return Usage(args[i].substr(0, equals) + ": \"" + args[i].substr(equals + 1) +
                         "\" is not a word from 0 to 65535");
        given.Set(*item, word);
    }
    int exitCode = kExitDone;
    if (given.Empty()) {
        if (!CurrentAdjustableTargets(profile.targets, profile.identity, exitCode)) return exitCode;
        if (profile.targets.Empty()) {
            PrintError("the board has no adjustable items to save");
            return kExitRefused;
        }
    } else {
        if (!CurrentBoardIdentity(profile.identity, exitCode)) return exitCode;
        profile.targets = given;
    }
    std::string error;
    if (!store.Save(profile, error)) {
        PrintError(error);
        return kExitUsage;
    }
    JournalNote("profile save", name, "", Summary(profile.targets), "saved");
    PrintOut("profile \"" + name + "\" saved\n");
    return kExitDone;
}

int Apply(const tune::ProfileStore& store, const Args& args) {
    tune::Profile profile;
    if (const int status = Load(store, args[1], profile)) return status;
    std::string identity, error;
    int exitCode = kExitDone;
    if (!CurrentBoardIdentity(identity, exitCode)) return exitCode;
    if (!tune::MatchesBoard(profile, identity, error)) {
        PrintError(error);
        return kExitUsage;
    }
    return ApplyConfirmed(profile.targets, Args(args.begin() + 2, args.end()));
}

int Delete(tune::ProfileStore& store, const std::string& name) {
    if (!CheckName(name)) return kExitUsage;
    std::string error;
    if (!store.Delete(name, error)) {
        PrintError(error);
        return kExitUsage;
    }
    tune::BootGuard guard;
    std::string startup;
    if (guard.StartupProfile(startup) && lstrcmpiA(startup.c_str(), name.c_str()) == 0) {
        guard.ClearStartupProfile();
        PrintOut("profile \"" + name + "\" deleted; it was the start-up profile: start-up is off\n");
    } else {
        PrintOut("profile \"" + name + "\" deleted\n");
    }
    JournalNote("profile delete", name, "", "", "deleted");
    return kExitDone;
}

int Export(const tune::ProfileStore& store, const std::string& name, const std::string& file) {
    tune::Profile profile;
    if (const int status = Load(store, name, profile)) return status;
    std::string error;
    if (!tune::ExportProfileFile(profile, file, error)) {
        PrintError(error);
        return kExitUsage;
    }
    PrintOut("profile \"" + name + "\" exported to " + file + "\n");
    return kExitDone;
}

int Import(tune::ProfileStore& store, const Args& args) {
    const std::string& file = args[1];
    if (args.size() == 3 && !CheckName(args[2])) return kExitUsage;
    tune::Profile profile;
    std::string error;
    if (!tune::ReadProfileFile(file, profile, error)) {
        PrintError(error);
        return kExitUsage;
    }
    if (args.size() == 3) profile.name = args[2];
    if (store.Exists(profile.name)) {
        PrintError("a profile \"" + profile.name +
                   "\" exists already; delete it first or import under another name");
        return kExitUsage;
    }
    std::string identity;
    int exitCode = kExitDone;
    if (!CurrentBoardIdentity(identity, exitCode)) return exitCode;
    if (!tune::MatchesBoard(profile, identity, error)) {
        PrintError(file + ": " + error);
        return kExitUsage;
    }
    if (!store.Save(profile, error)) {
        PrintError(error);
        return kExitUsage;
    }
    JournalNote("profile import", profile.name, "", file, "imported");
    PrintOut("profile \"" + profile.name + "\" imported from " + file + "\n");
    return kExitDone;
}

}  // namespace

int ProfileCommand(const Args& args) {
    if (args.empty()) return Usage("profile needs a subcommand");
    for (const std::string& arg : args)
        if (IsHelp(arg)) {
            PrintOut(kUsage);
            return kExitDone;
        }
    TellUntoldStartupFailure();
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
    return Usage("profile " + verb + ": wrong subcommand or number of arguments");
}

}  // namespace kclktune
