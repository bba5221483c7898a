#include "apply_flow.h"

#include <cstdio>

#include "change_plan.h"
#include "confirm.h"
#include "journal.h"
#include "last_set.h"
#include "verified_apply.h"

namespace kclktune {

namespace {

// After a failed rollback: every item in force beside what it was before the run, on stderr.
void PrintStateLoudly(const char* command, const tune::BoardSnapshot& before,
                      const std::string& failure, const std::string& rollback) {
    std::fprintf(stderr,
                 "kclktune %s: ROLLBACK FAILED - THE BOARD IS NOT AS IT WAS BEFORE THIS RUN\n"
                 "kclktune %s: the run stopped at: %s\n"
                 "kclktune %s: the rollback stopped at: %s\n"
                 "kclktune %s: item     in force    before the run\n",
                 command, command, failure.c_str(), command, rollback.c_str(), command);
    const tune::BoardSnapshot now = tune::ReadBoardSnapshot();
    for (int i = 0; i < tune::kItemCount; ++i) {
        const tune::Item item = static_cast<tune::Item>(i);
        const std::optional<uint16_t> was = before.Current(item);
        const std::optional<uint16_t> is = now.usable ? now.Current(item) : std::nullopt;
        const std::string isText = is ? tune::WordText(item, *is) : "unknown";
        const std::string wasText = was ? tune::WordText(item, *was) : "unknown";
        std::fprintf(stderr, "kclktune %s: %-8s %-11s %-11s%s\n", command,
                     std::string(tune::ItemName(item)).c_str(), isText.c_str(), wasText.c_str(),
                     is && was && *is != *was ? "  DIFFERS" : "");
    }
    std::fprintf(stderr,
                 "kclktune %s: check the board now; if it misbehaves, restart it: it starts with "
                 "its boot preset.\n",
                 command);
}

}  // namespace

void PrintError(const char* command, const std::string& text) {
    std::fprintf(stderr, "kclktune %s: %s\n", command, text.c_str());
}

bool OpenJournal(const char* command, std::string& path) {
    if (!tune::Journal::DefaultPath(path)) {
        PrintError(command, "no folder for the journal was found; nothing was changed");
        return false;
    }
    std::string error;
    if (!tune::Journal(path).CheckWritable(&error)) {
        PrintError(command, error + "; nothing was changed");
        return false;
    }
    return true;
}

bool ReadUsableSnapshot(const char* command, tune::BoardSnapshot& snapshot) {
    snapshot = tune::ReadBoardSnapshot();
    if (snapshot.usable) return true;
    char text[96];
    std::snprintf(text, sizeof text, "no tuning interface (Check_KRVer answered %d)",
                  static_cast<int>(snapshot.krVersion));
    PrintError(command, text);
    return false;
}

int ApplyTargets(const tune::TargetSet& targets, const ApplyFlowOptions& o) {
    const char* command = o.command;
    std::string journalPath;
    if (!o.dryRun && !OpenJournal(command, journalPath)) return kExitUsage;

    tune::BoardSnapshot snapshot;
    if (!ReadUsableSnapshot(command, snapshot)) return kExitNoInterface;

    tune::PlanOptions planOptions;
    planOptions.fsbStep = o.fsbStep;
    const tune::ChangePlan plan = tune::MakeChangePlan(snapshot, targets, planOptions);
    if (!plan.ok) {
        PrintError(command, plan.error + "; nothing was sent");
        return kExitUsage;
    }
    // MIB cannot be read back, so a change of it could not be put back when the time runs out.
    bool changesMib = false;
    for (const tune::Step& step : plan.steps) changesMib |= step.item == tune::Item::Mib;
    if (changesMib && o.confirm && !o.yes && !o.dryRun) {
        PrintError(command, "mib: the firmware cannot report MIB's state, so a change of it cannot "
                            "be put back; give --yes to change it; nothing was sent");
        return kExitUsage;
    }
    if (plan.steps.empty()) {
        std::printf("Nothing to change: every value is already in force.\n");
        return kExitDone;
    }
    std::printf("%s plan, %u step(s):\n", o.dryRun ? "Dry run of the" : "The",
                static_cast<unsigned>(plan.steps.size()));
    for (size_t i = 0; i < plan.steps.size(); ++i)
        std::printf("  %s\n", tune::StepName(plan.steps, i).c_str());
    std::fflush(stdout);

    tune::KclkBoardPort port;
    if (o.dryRun) {
        tune::VerifiedApply probe(port, nullptr);
        std::string failure;
        if (!probe.ProbeOnly(plan.steps, failure)) {
            PrintError(command, failure + "; nothing was set");
            return kExitRefused;
        }
        std::printf("Dry run: the firmware accepted every probe; nothing was set.\n");
        return kExitDone;
    }

    tune::Journal journal(journalPath);
    tune::VerifiedApply apply(port, &journal);
    const tune::ApplyOutcome outcome = apply.Apply(plan.steps);
    switch (outcome.result) {
    case tune::ApplyOutcome::kDone:
        break;
    case tune::ApplyOutcome::kRefused:
        PrintError(command, outcome.failure + "; every step was put back");
        return kExitRefused;
    case tune::ApplyOutcome::kVerifyFailed:
        PrintError(command, outcome.failure + "; every step was put back");
        return kExitVerifyFailed;
    case tune::ApplyOutcome::kRollbackFailed:
        PrintStateLoudly(command, snapshot, outcome.failure, outcome.rollback);
        return kExitRollbackFailed;
    }
    std::printf("Applied and read back: every step.\n");
    std::fflush(stdout);

    if (o.confirm) {
        bool confirmed = o.yes;
        if (!confirmed) {
            if (tune::HasConsoleInput()) {
                tune::ConsoleConfirmIo io;
                confirmed = tune::AwaitConfirmation(io, o.confirmSeconds);
                std::printf("\n");
            } else {
                std::printf("No console to confirm on: the change is put back after %u s "
                            "(give --yes to keep it).\n",
                            static_cast<unsigned>(o.confirmSeconds));
                std::fflush(stdout);
                tune::UnattendedConfirmIo io;
                confirmed = tune::AwaitConfirmation(io, o.confirmSeconds);
            }
        }
        if (!confirmed) {
            char answer[64];
            std::snprintf(answer, sizeof answer, "not confirmed within %u s",
                          static_cast<unsigned>(o.confirmSeconds));
            journal.Append("revert", "*", "", "", answer);
            std::string failure;
            if (!apply.Rollback(plan.steps, plan.steps.size(), failure)) {
                PrintStateLoudly(command, snapshot, answer, failure);
                return kExitRollbackFailed;
            }
            PrintError(command, std::string(answer) + "; every step was put back");
            return kExitNotConfirmed;
        }
        journal.Append("confirm", "*", "", "", o.yes ? "confirmed by --yes" : "confirmed by the user");
    }

    if (o.remember) {
        tune::LastSet record;
        record.identity = tune::IdentityHash(snapshot.IdentityWords());
        for (const tune::Step& step : plan.steps) {
            if (step.item == tune::Item::Mib) continue;  // unreadable: nothing to put back
            const std::optional<uint16_t> was = snapshot.Current(step.item);
            if (!was) continue;
            record.before.Set(step.item, *was);
            record.after.Set(step.item, targets.Get(step.item));
        }
        if (!tune::SaveLastSet(record))
            PrintError(command, "the change is kept, but it could not be recorded for revert");
    }
    std::printf("Done: the new settings are kept.\n");
    return kExitDone;
}

}  // namespace kclktune
