// kclktune startup: the profile the hidden start at logon applies, and that hidden start itself
// (`startup run`, what the kit's tuning tool runs when ktray starts it for "auto overclock on
// next reboot"), guarded so that a start-up that hangs the machine is never repeated unasked.
#include <string>

#include "board_snapshot.h"
#include "boot_guard.h"
#include "profiles.h"
#include "store_glue.h"
#include "tray_settings.h"

namespace kclktune {

namespace {

constexpr char kCommand[] = "startup";

constexpr char kUsage[] =
    "Usage: kclktune startup show\n"
    "       kclktune startup set NAME\n"
    "       kclktune startup off\n"
    "       kclktune startup run [--delay S] [--window S]\n"
    "\n"
    "  show  the start-up profile, whether ktray starts the tuning tool at logon (settings\n"
    "        autoover), and the last start-up that did not finish.\n"
    "  set   the profile the hidden start applies (it must exist; its board is checked at\n"
    "        every start). off: none.\n"
    "  run   the hidden start: waits S seconds (--delay, default 15, 0..600; holding Shift\n"
    "        during it skips the apply), marks the start-up pending, applies the profile with\n"
    "        the verified apply and clears the mark once the program stayed up for the\n"
    "        stability window (--window, default 120, 0..3600 seconds). A mark still there at\n"
    "        the next run means that start-up never finished: that run applies nothing,\n"
    "        switches the start-up profile off and the next kclktune command tells you once.\n"
    "Exit codes: 0 done (or nothing to do), 1 refused (a previous start-up did not finish, or\n"
    "the firmware refused), 2 bad input or a missing or foreign profile, 3 no tuning\n"
    "interface, 4 verify failed (rolled back).\n";

// A usage error, joined from its parts: exit code 2.
template <typename... Parts>
int Usage(const Parts&... error) {
    PrintError(kCommand, error..., " (see kclktune startup --help)");
    return kExitUsage;
}

// Whole seconds low..high, decimal.
bool ParseSeconds(const std::string& text, unsigned high, DWORD& ms) {
    if (text.empty() || text.size() > 5) return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > high) return false;
    ms = value * 1000u;
    return true;
}

void ShowFailure(tune::BootGuard& guard) {
    std::string message;
    guard.TakeUntoldFailure(message);  // seen here: not told again elsewhere
    tune::StartupRecord failure;
    if (guard.LastFailure(failure))
        Print("last failed start-up: ", tune::DescribeFailure(failure), "\n");
}

int Show() {
    tune::BootGuard guard;
    std::string name;
    Print("start-up profile: ", (guard.StartupProfile(name) ? "\"" + name + "\"" : "none"), "\n");
    Print("ktray starts the tuning tool at logon (autoover): ",
          (tune::ReadTraySettings().autoOver ? "yes" : "no"), "\n");
    tune::StartupRecord pending;
    if (guard.Pending(pending))
        Print("start-up pending since ", pending.when, " (profile \"", pending.profile, "\", step ",
              pending.step, ")\n");
    ShowFailure(guard);
    return kExitDone;
}

int Set(const std::string& name) {
    const tune::NameProblem problem = tune::CheckProfileName(name);
    if (problem != tune::NameProblem::None) {
        PrintError(kCommand, tune::NameProblemText(problem));
        return kExitUsage;
    }
    tune::BootGuard guard;
    std::string error, before;
    guard.StartupProfile(before);
    if (!guard.SetStartupProfile(name, tune::ProfileStore(), error)) {
        PrintError(kCommand, error);
        return kExitUsage;
    }
    JournalNote("startup set", name, before, name, "set");
    Print("start-up profile: \"", name, "\"\n");
    return kExitDone;
}

int Off() {
    tune::BootGuard guard;
    std::string before;
    guard.StartupProfile(before);
    guard.ClearStartupProfile();
    JournalNote("startup off", before, before, "", "off");
    Print("start-up profile: none\n");
    return kExitDone;
}

int Run(const Args& args) {
    tune::StartupOptions options;
    for (size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return Usage(args[i], " needs a number of seconds");
        if (args[i] == "--delay") {
            if (!ParseSeconds(args[i + 1], 600, options.delayMs))
                return Usage("--delay: \"", args[i + 1], "\" is not 0..600 seconds");
        } else if (args[i] == "--window") {
            if (!ParseSeconds(args[i + 1], 3600, options.windowMs))
                return Usage("--window: \"", args[i + 1], "\" is not 0..3600 seconds");
        } else {
            return Usage("startup run: unknown option \"", args[i], "\"");
        }
    }
    tune::BootGuard guard;
    bool identityFailed = false;
    auto identity = [&]() {
        tune::BoardSnapshot snapshot;
        std::string text;
        if (!ReadBoard("startup run", snapshot, text)) identityFailed = true;
        return text;
    };
    int applyCode = kExitDone;
    auto apply = [&](const tune::TargetSet& targets, std::string& story) {
        return ApplyUnattended(targets, story, applyCode);
    };
    tune::StartupSeams seams;
    seams.note = [](const std::string& note) { JournalNote("startup run", "", "", "", note); };
    const tune::StartupResult result =
        tune::RunStartup(guard, tune::ProfileStore(), identity, apply, options, seams);
    switch (result.outcome) {
        case tune::StartupOutcome::NothingSet:
        case tune::StartupOutcome::Skipped:
        case tune::StartupOutcome::Applied:
            Print(result.message, "\n");
            return kExitDone;
        case tune::StartupOutcome::PreviousUnfinished:
            PrintError(kCommand, result.message);
            return kExitRefused;
        case tune::StartupOutcome::ProfileMissing:
            PrintError(kCommand, result.message);
            return kExitUsage;
        case tune::StartupOutcome::ProfileUnusable:
            if (!identityFailed) PrintError(kCommand, result.message);
            return identityFailed ? kExitNoInterface : kExitUsage;
        case tune::StartupOutcome::ApplyFailed:
            PrintError(kCommand, result.message);
            return applyCode != kExitDone ? applyCode : kExitRefused;
    }
    return kExitRefused;
}

}  // namespace

void TellUntoldStartupFailure() {
    std::string message;
    if (tune::BootGuard().TakeUntoldFailure(message))
        std::fputs(tune::Cat("kclktune: ", message, "\n").c_str(), stderr);
}

int StartupCommand(const Args& args) {
    if (args.empty()) return Usage("startup needs a subcommand");
    for (const std::string& arg : args)
        if (IsHelp(arg)) {
            Print(kUsage);
            return kExitDone;
        }
    const std::string& verb = args[0];
    if (verb == "run") return Run(args);  // hidden: nobody to tell
    if (verb == "show" && args.size() == 1) return Show();
    TellUntoldStartupFailure();
    if (verb == "set" && args.size() == 2) return Set(args[1]);
    if (verb == "off" && args.size() == 1) return Off();
    return Usage("startup ", verb, ": wrong subcommand or number of arguments");
}

}  // namespace kclktune
