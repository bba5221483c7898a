#include "apply_session.h"

#include <commctrl.h>

#include "board_port.h"
#include "board_snapshot.h"
#include "boot_preset.h"
#include "change_plan.h"
#include "journal.h"
#include "keep_box.h"
#include "last_set.h"
#include "text.h"
#include "verified_apply.h"

namespace kr4 {

namespace {

// The board as the apply sees it, moving the progress bar one step for every set it sends.
class ProgressPort : public tune::BoardPort {
public:
    ProgressPort(tune::BoardPort& board, HWND bar, size_t steps) : board_(board), bar_(bar) {
        if (!bar_) return;
        SendMessageA(bar_, PBM_SETRANGE, 0, MAKELPARAM(0, steps > 0xFFFF ? 0xFFFF : steps));
        SendMessageA(bar_, PBM_SETPOS, 0, 0);
    }
    tune::FirmwareAnswer ProbeClock(const tune::ClockWords& words) override {
        return board_.ProbeClock(words);
    }
    tune::FirmwareAnswer SetClock(const tune::ClockWords& words, bool storeAsPreset) override {
        Advance();
        return board_.SetClock(words, storeAsPreset);
    }
    bool ReadClock(tune::ClockWords& words) override { return board_.ReadClock(words); }
    tune::FirmwareAnswer SetWord(tune::Item item, uint16_t word) override {
        Advance();
        return board_.SetWord(item, word);
    }
    bool ReadWord(tune::Item item, uint16_t& word) override { return board_.ReadWord(item, word); }

private:
    void Advance() {
        if (!bar_) return;
        SendMessageA(bar_, PBM_SETPOS, ++sent_, 0);  // a rollback's sets walk past the end
        UpdateWindow(bar_);
    }
    tune::BoardPort& board_;
    HWND bar_;
    WPARAM sent_ = 0;
};

ApplyResult Result(ApplyResult::Kind kind, std::string text) {
    ApplyResult result;
    result.kind = kind;
    result.text = std::move(text);
    return result;
}

bool OpenJournal(std::string& path, std::string& error) {
    if (!tune::Journal::DefaultPath(path)) {
        error = "no folder for the journal was found; nothing was changed";
        return false;
    }
    if (!tune::Journal(path).CheckWritable(&error)) {
        error += "; nothing was changed";
        return false;
    }
    return true;
}

std::string NoInterfaceText(int32_t answer) {
    return "no tuning interface (Check_KRVer answered " +
           (answer < 0 ? "-" + tune::Dec(static_cast<uint32_t>(-answer))
                       : tune::Dec(static_cast<uint32_t>(answer))) +
           "); nothing was changed";
}

}  // namespace

ApplyResult ApplyTargets(const tune::TargetSet& targets, const ApplyRequest& request) {
    std::string journalPath, error;
    if (!OpenJournal(journalPath, error)) return Result(ApplyResult::kNoJournal, error);
    const tune::BoardSnapshot snapshot = tune::ReadBoardSnapshot();
    if (!snapshot.usable)
        return Result(ApplyResult::kNoInterface, NoInterfaceText(snapshot.krVersion));

    const tune::ChangePlan plan = tune::MakeChangePlan(snapshot, targets);
    if (!plan.ok) return Result(ApplyResult::kBadInput, plan.error + "; nothing was sent");
    if (plan.steps.empty())
        return Result(ApplyResult::kNothingToDo, "Nothing to change: every value is in force.");

    tune::Journal journal(journalPath);
    tune::KclkBoardPort kclk;
    ProgressPort port(kclk, request.progress, plan.steps.size());
    tune::VerifiedApply apply(port, &journal);
    const tune::ApplyOutcome outcome = apply.Apply(plan.steps);
    switch (outcome.result) {
    case tune::ApplyOutcome::kDone:
        break;
    case tune::ApplyOutcome::kRefused:
        return Result(ApplyResult::kRefused, outcome.failure + "; every step was put back");
    case tune::ApplyOutcome::kVerifyFailed:
        return Result(ApplyResult::kVerifyFailed, outcome.failure + "; every step was put back");
    case tune::ApplyOutcome::kRollbackFailed:
        return Result(ApplyResult::kRollbackFailed,
                      "ROLLBACK FAILED, the board is not as it was: " + outcome.failure +
                          "; the rollback stopped at " + outcome.rollback +
                          ". Restart the computer: it starts with its boot preset.");
    }

    if (request.confirm) {
        bool kept = false;
        {
            KeepBoxIo io(request.owner);
            kept = tune::AwaitConfirmation(io, request.keepSeconds);
        }
        if (!kept) {
            const std::string answer =
                "not kept within " + tune::Dec(request.keepSeconds) + " s";
            journal.Append("revert", "*", "", "", answer);
            std::string failure;
            if (!apply.Rollback(plan.steps, plan.steps.size(), failure))
                return Result(ApplyResult::kRollbackFailed,
                              "ROLLBACK FAILED, the board is not as it was: " + failure +
                                  ". Restart the computer: it starts with its boot preset.");
            return Result(ApplyResult::kNotKept,
                          "Not kept: every setting was put back as it was.");
        }
        journal.Append("confirm", "*", "", "", "kept by the user");
    }
    if (request.remember) {
        const tune::LastSet record = tune::LastSetFromRun(snapshot, plan.steps, targets);
        if (!record.before.Empty() && !tune::SaveLastSet(record))
            return Result(ApplyResult::kDone,
                          "Applied and kept, but it could not be recorded for revert.");
    }
    return Result(ApplyResult::kDone, "Applied, read back and kept (" +
                                          tune::Dec(static_cast<uint32_t>(plan.steps.size())) +
                                          " step(s)).");
}

ApplyResult MakeClockPermanent() {
    std::string journalPath, error;
    if (!OpenJournal(journalPath, error)) return Result(ApplyResult::kNoJournal, error);
    const tune::BoardSnapshot snapshot = tune::ReadBoardSnapshot();
    if (!snapshot.usable)
        return Result(ApplyResult::kNoInterface, NoInterfaceText(snapshot.krVersion));
    tune::KclkBoardPort port;
    tune::ClockWords words;
    if (!port.ReadClock(words))
        return Result(ApplyResult::kRefused, "the clock setting in force cannot be read");
    tune::Journal journal(journalPath);
    const tune::PresetOutcome stored = tune::StoreClocksAsPreset(words, port, &journal);
    if (stored.result == tune::PresetOutcome::kRefused)
        return Result(ApplyResult::kRefused, "the firmware refused the setting: " + stored.answer +
                                                 "; the boot preset is unchanged");
    if (stored.result == tune::PresetOutcome::kVerifyFailed)
        return Result(ApplyResult::kVerifyFailed,
                      "VERIFY FAILED: the firmware answered done, but its boot preset reads back "
                      "as FSB " + tune::Dec(stored.readBack.fsb) +
                          "; check the board's setup before restarting it");
    return Result(ApplyResult::kDone, "Stored as the firmware's boot preset.");
}

void JournalNote(const std::string& action, const std::string& item, const std::string& before,
                 const std::string& after, const std::string& answer) {
    std::string path;
    if (!tune::Journal::DefaultPath(path)) return;
    tune::Journal journal(path);
    if (journal.CheckWritable(nullptr)) journal.Append(action, item, before, after, answer);
}

}  // namespace kr4
