// kclktune: the kit's console tuner. Reads and changes the board through kclk.dll by way of the
// tuning core: values checked against the firmware's tables, clock changes probed and ramped,
// every step read back, rolled back on a failure, kept only when confirmed.
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "store_glue.h"
#include "tune_commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const kclktune::Args&);
};

constexpr Command kCommands[] = {
    {"status", kclktune::StatusCommand},     {"set", kclktune::SetCommand},
    {"revert", kclktune::RevertCommand},     {"journal", kclktune::JournalCommand},
    {"permanent", kclktune::PermanentCommand}, {"profile", kclktune::ProfileCommand},
    {"startup", kclktune::StartupCommand},   {"settings", kclktune::SettingsCommand},
    {"fan", kclktune::FanCommand},
};

int Run(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kclktune::kUsage, stderr);
        return kclktune::kExitUsage;
    }
    const char* word = argv[1];
    if (!std::strcmp(word, "--help") || !std::strcmp(word, "-h") || !std::strcmp(word, "/?") ||
        !std::strcmp(word, "help")) {
        std::fputs(kclktune::kUsage, stdout);
        return kclktune::kExitDone;
    }
    for (const Command& command : kCommands) {
        if (std::strcmp(word, command.name) != 0) continue;
        const kclktune::Args args(argv + 2, argv + argc);
        // A start-up that never finished is told once, whatever the user runs next; the
        // start-up commands show it themselves (and the hidden start tells nobody).
        if (std::strcmp(word, "startup") != 0) kclktune::TellUntoldStartupFailure();
        return command.run(args);
    }
    std::fputs("kclktune: unknown command '", stderr);
    std::fputs(word, stderr);
    std::fputs("' (see kclktune --help)\n", stderr);
    return kclktune::kExitUsage;
}

}  // namespace

// Built without exceptions: a program that cannot allocate ends (abort).
int main(int argc, char** argv) {
    const int status = Run(argc, argv);
    std::fflush(stdout);
    return status;
}
