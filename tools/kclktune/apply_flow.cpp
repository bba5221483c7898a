#include "apply_flow.h"

#include <cstdarg>
#include <cstdio>

#include "change_plan.h"
#include "confirm.h"
#include "journal.h"
#include "last_set.h"
#include "text.h"
#include "verified_apply.h"

namespace kclktune {

namespace {

// After a failed rollback: every item in force beside what it was before the run, on stderr.
void PrintStateLoudly(const char* command, const tune::BoardSnapshot& before,
                      const std::string& failure, const std::string& rollback) {
    const std::string head = tune::Cat("kclktune ", command, ": ");
    std::string report = tune::Cat(
        head, "ROLLBACK FAILED - THE BOARD IS NOT AS IT WAS BEFORE THIS RUN\n", head,
        "the run stopped at: ", failure, "\n", head, "the rollback stopped at: ", rollback, "\n",
        head, "item     in force    before the run\n");
    const tune::BoardSnapshot now = tune::ReadBoardSnapshot();
    for (int i = 0; i < tune::kItemCount; ++i) {
        const tune::Item item = static_cast<tune::Item>(i);
        const std::optional<uint16_t> was = before.Current(item);
        const std::optional<uint16_t> is = now.usable ? now.Current(item) : std::nullopt;
        const std::string isText = is ? tune::WordText(item, *is) : "unknown";
        const std::string wasText = was ? tune::WordText(item, *was) : "unknown";
        tune::Append(report, head, tune::Padded(tune::ItemText(item), 8), " ",
                     tune::Padded(isText, 11), " ", tune::Padded(wasText, 11),
                     (is && was && *is != *was ? "  DIFFERS" : ""), "\n");
    }
    tune::Append(report, head,
                 "check the board now; if it misbehaves, restart it: it starts with its boot "
                 "preset.\n");
    std::fputs(report.c_str(), stderr);
}

}  // namespace

void PrintErrorTexts(const char* command, const char* first, ...) {
    std::string line = tune::Cat("kclktune ", command, ": ");
    va_list more;
    va_start(more, first);
    tune::AppendTextList(line, first, more);
    va_end(more);
    line += '\n';
    std::fputs(line.c_str(), stderr);
}

void PrintTexts(const char* first, ...) {
    std::string text;
    va_list more;
    va_start(more, first);
    tune::AppendTextList(text, first, more);
    va_end(more);
    std::fwrite(text.data(), 1, text.size(), stdout);
}

bool OpenJournal(const char* command, std::string& path) {
    if (!tune::Journal::DefaultPath(path)) {
        PrintError(command, "no folder for the journal was found; nothing was changed");
        return false;
    }
    std::string error;
    if (!tune::Journal(path).CheckWritable(&error)) {
        PrintError(command, error, "; nothing was changed");
        return false;
    }
    return true;
}

bool ReadUsableSnapshot(const char* command, tune::BoardSnapshot& snapshot) {
    snapshot = tune::ReadBoardSnapshot();
    if (snapshot.usable) return true;
    const int32_t answer = snapshot.krVersion;
    PrintError(command, "no tuning interface (Check_KRVer answered ", answer < 0 ? "-" : "",
               tune::DecDigits(answer < 0 ? static_cast<uint32_t>(-answer)
                                          : static_cast<uint32_t>(answer)),
               ")");
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
        PrintError(command, plan.error, "; nothing was sent");
        return kExitUsage;
    }
    // MIB cannot be read back, so a change of it could not be put back when the time runs out.
    bool changesMib = false;
    for (const tune::Step& step : plan.steps) changesMib |= step.item == tune::Item::Mib;
    if (changesMib && o.confirm && !o.yes && !o.dryRun) {
        PrintError(command,
                   "mib: the firmware cannot report MIB's state, so a change of it cannot "
                   "be put back; give --yes to change it; nothing was sent");
        return kExitUsage;
    }
    if (plan.steps.empty()) {
        Print("Nothing to change: every value is already in force.\n");
        return kExitDone;
    }
    Print(std::string(o.dryRun ? "Dry run of the" : "The"), " plan, ",
          tune::DecDigits(static_cast<uint32_t>(plan.steps.size())), " step(s):\n");
    for (size_t i = 0; i < plan.steps.size(); ++i) Print("  ", tune::StepName(plan.steps, i), "\n");
    std::fflush(stdout);

    tune::KclkBoardPort port;
    if (o.dryRun) {
        tune::VerifiedApply probe(port, nullptr);
        std::string failure;
        if (!probe.ProbeOnly(plan.steps, failure)) {
            PrintError(command, failure, "; nothing was set");
            return kExitRefused;
        }
        Print("Dry run: the firmware accepted every probe; nothing was set.\n");
        return kExitDone;
    }

    tune::Journal journal(journalPath);
    tune::VerifiedApply apply(port, &journal);
    const tune::ApplyOutcome outcome = apply.Apply(plan.steps);
    switch (outcome.result) {
    case tune::ApplyOutcome::kDone:
        break;
    case tune::ApplyOutcome::kRefused:
        PrintError(command, outcome.failure, "; every step was put back");
        return kExitRefused;
    case tune::ApplyOutcome::kVerifyFailed:
        PrintError(command, outcome.failure, "; every step was put back");
        return kExitVerifyFailed;
    case tune::ApplyOutcome::kRollbackFailed:
        PrintStateLoudly(command, snapshot, outcome.failure, outcome.rollback);
        return kExitRollbackFailed;
    }
    Print("Applied and read back: every step.\n");
    std::fflush(stdout);

    if (o.confirm) {
        bool confirmed = o.yes;
        if (!confirmed) {
            if (tune::HasConsoleInput()) {
                tune::ConsoleConfirmIo io;
                confirmed = tune::AwaitConfirmation(io, o.confirmSeconds);
                Print("\n");
            } else {
                Print("No console to confirm on: the change is put back after ",
                      tune::DecDigits(o.confirmSeconds), " s (give --yes to keep it).\n");
                std::fflush(stdout);
                tune::UnattendedConfirmIo io;
                confirmed = tune::AwaitConfirmation(io, o.confirmSeconds);
            }
        }
        if (!confirmed) {
            const std::string answer =
                tune::Cat("not confirmed within ", tune::DecDigits(o.confirmSeconds), " s");
            journal.Append("revert", "*", "", "", answer);
            std::string failure;
            if (!apply.Rollback(plan.steps, plan.steps.size(), failure)) {
                PrintStateLoudly(command, snapshot, answer, failure);
                return kExitRollbackFailed;
            }
            PrintError(command, answer, "; every step was put back");
            return kExitNotConfirmed;
        }
        journal.Append("confirm", "*", "", "", o.yes ? "confirmed by --yes" : "confirmed by the user");
    }

    if (o.remember) {
        const tune::LastSet record = tune::LastSetFromRun(snapshot, plan.steps, targets);
        // A change of MIB alone leaves the record of the last change that revert can undo.
        if (!record.before.Empty() && !tune::SaveLastSet(record))
            PrintError(command, "the change is kept, but it could not be recorded for revert");
    }
    Print("Done: the new settings are kept.\n");
    return kExitDone;
}

}  // namespace kclktune
