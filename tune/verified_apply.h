// Applies a change plan step by step, reading every item back after its step. A refusal, a
// failed request or a value that does not read back stops the run, and every step taken so far
// (the failed one included) is rolled back in reverse order, each verified in turn. Clock steps
// always go as SetClockProb first and SetClock with the very same words only when the probe
// answered status 0 and no problem bits; rollback steps too.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "board_port.h"
#include "change_plan.h"
#include "journal.h"

namespace tune {

// An item's word as the tool prints it: clock words of DRAM, AGP, PCI and the CIA control word
// in hex (0x0405), the others in decimal.
std::string WordText(Item item, uint16_t word);

// "step 3/7 (fsb 13533 -> 13633)"
std::string StepName(const std::vector<Step>& steps, size_t index);

struct ApplyOutcome {
    enum Result { kDone, kRefused, kVerifyFailed, kRollbackFailed };
    Result result = kDone;
    size_t applied = 0;    // steps applied and verified before the run stopped
    std::string failure;   // one line: the step and what the firmware answered or read back
    std::string rollback;  // one line when the rollback failed: the rollback step that did
};

class VerifiedApply {
public:
    // journal may be null (nothing is recorded then).
    VerifiedApply(BoardPort& board, JournalSink* journal) : board_(board), journal_(journal) {}

    // Applies the steps; on a failure rolls back and says which result it came to.
    ApplyOutcome Apply(const std::vector<Step>& steps);

    // Puts back what was in force before steps[0..count) (in reverse order, each verified);
    // false with failure set when a rollback step failed (the rollback stops there, so that a
    // voltage raised for a clock that could not be lowered stays raised).
    bool Rollback(const std::vector<Step>& steps, size_t count, std::string& failure);

    // Dry run: probes every clock step's words, sets nothing. False with failure set at the
    // first probe the firmware refused.
    bool ProbeOnly(const std::vector<Step>& steps, std::string& failure);

private:
    FirmwareAnswer SendClock(const ClockWords& words, FirmwareAnswer& probe);
    void Record(const char* action, const Step& step, uint16_t before, uint16_t after,
                const std::string& answer);

    BoardPort& board_;
    JournalSink* journal_;
};

}  // namespace tune
