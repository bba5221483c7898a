#include "verified_apply.h"

#include "text.h"

namespace tune {

namespace {

std::string ClockText(const ClockWords& w) {
    return Cat("fsb ", DecDigits(w.fsb), " dram 0x", HexDigits(w.dram, 4), " agp 0x",
               HexDigits(w.agp, 4), " pci 0x", HexDigits(w.pci, 4));
}

}  // namespace

std::string WordText(Item item, uint16_t word) {
    const bool hex = item == Item::Dram || item == Item::Agp || item == Item::Pci ||
                     item == Item::Cia;
    return hex ? Cat("0x", HexDigits(word, 4)) : Dec(word);
}

std::string StepName(const std::vector<Step>& steps, size_t index) {
    const Step& s = steps[index];
    std::string name = Cat("step ", DecDigits(static_cast<uint32_t>(index + 1)), "/",
                           DecDigits(static_cast<uint32_t>(steps.size())), " (", ItemText(s.item),
                           " ", (s.fromKnown ? WordText(s.item, s.from) : std::string("unknown")),
                           " -> ", WordText(s.item, s.to));
    // Words an FSB step carries along.
    if (IsClock(s.item))
        for (Item other : {Item::Dram, Item::Agp, Item::Pci})
            if (other != s.item && s.clockBefore.Get(other) != s.clockAfter.Get(other))
                Append(name, ", ", ItemText(other), " ", WordText(other, s.clockBefore.Get(other)),
                       " -> ", WordText(other, s.clockAfter.Get(other)));
    return Cat(name, ")");
}

void VerifiedApply::Record(const char* action, const Step& step, uint16_t before,
                           uint16_t after, const std::string& answer) {
    if (!journal_) return;
    std::string items(ItemName(step.item));
    if (IsClock(step.item))
        for (Item other : {Item::Dram, Item::Agp, Item::Pci})
            if (other != step.item && step.clockBefore.Get(other) != step.clockAfter.Get(other))
                Append(items, "+", ItemText(other));
    journal_->Append(action, items,
                     step.fromKnown || before != step.from ? WordText(step.item, before) : "unknown",
                     WordText(step.item, after), answer);
}

// The probe, and the set only when the probe accepted exactly these words.
FirmwareAnswer VerifiedApply::SendClock(const ClockWords& words, FirmwareAnswer& probe) {
    probe = board_.ProbeClock(words);
    if (!probe.Done()) return probe;
    return board_.SetClock(words, false);
}

ApplyOutcome VerifiedApply::Apply(const std::vector<Step>& steps) {
    ApplyOutcome outcome;
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        const std::string name = StepName(steps, i);
        std::string answerText, readBack;
        bool refused = false, verified = false;
        if (IsClock(step.item)) {
            FirmwareAnswer probe;
            const FirmwareAnswer set = SendClock(step.clockAfter, probe);
            if (!probe.Done()) {
                refused = true;
                answerText = Cat("probe ", DescribeAnswer(probe));
            } else if (!set.Done()) {
                refused = true;
                answerText = Cat("set ", DescribeAnswer(set));
            } else {
                answerText = "done";
                ClockWords now;
                if (!board_.ReadClock(now)) {
                    readBack = "the clock setting could not be read back";
                } else if (!(now == step.clockAfter)) {
                    readBack = Cat("read back ", ClockText(now), ", expected ",
                                   ClockText(step.clockAfter));
                } else {
                    verified = true;
                }
            }
        } else {
            const FirmwareAnswer set = board_.SetWord(step.item, step.to);
            if (!set.Done()) {
                refused = true;
                answerText = Cat("set ", DescribeAnswer(set));
            } else {
                answerText = "done";
                uint16_t now = 0;
                if (step.item == Item::Mib) {
                    // No reader: the control's answer says whether MIB is on afterwards.
                    if ((set.bx & 1) == (step.to & 1))
                        verified = true;
                    else
                        readBack = Cat("the firmware answered MIB ", ((set.bx & 1) ? "on" : "off"));
                } else if (!board_.ReadWord(step.item, now)) {
                    readBack = "the value could not be read back";
                } else if (now != step.to) {
                    readBack = Cat("read back ", WordText(step.item, now));
                } else {
                    verified = true;
                }
            }
        }
        const std::string number = Cat("step ", DecDigits(static_cast<uint32_t>(i + 1)), "/",
                                       DecDigits(static_cast<uint32_t>(steps.size())), ": ");
        if (verified) {
            Record("apply", step, step.from, step.to, number + answerText);
            ++outcome.applied;
            continue;
        }
        if (refused) {
            outcome.result = ApplyOutcome::kRefused;
            outcome.failure = Cat(name, ": refused by the firmware: ", answerText);
            Record("refused", step, step.from, step.to, number + answerText);
        } else {
            outcome.result = ApplyOutcome::kVerifyFailed;
            outcome.failure = Cat(name, ": verify failed: ", readBack);
            Record("verify-failed", step, step.from, step.to, number + readBack);
        }
        // The failed step is rolled back too: a refusal should have changed nothing, but the
        // board's own word is checked rather than trusted. MIB cannot be read, so a failed MIB
        // step (always the last) is left as the firmware answered.
        const size_t undo = step.fromKnown ? i + 1 : i;
        if (!Rollback(steps, undo, outcome.rollback)) outcome.result = ApplyOutcome::kRollbackFailed;
        return outcome;
    }
    return outcome;
}

bool VerifiedApply::Rollback(const std::vector<Step>& steps, size_t count, std::string& failure) {
    for (size_t i = count; i-- > 0;) {
        const Step& step = steps[i];
        const std::string number = Cat("step ", DecDigits(static_cast<uint32_t>(i + 1)), "/",
                                       DecDigits(static_cast<uint32_t>(steps.size())), ": ");
        const std::string name = Cat("rollback of ", StepName(steps, i));
        if (IsClock(step.item)) {
            ClockWords now;
            const bool read = board_.ReadClock(now);
            if (read && now == step.clockBefore) continue;  // nothing of this step is in force
            FirmwareAnswer probe;
            const FirmwareAnswer set = SendClock(step.clockBefore, probe);
            std::string problem;
            if (!probe.Done())
                problem = Cat("probe ", DescribeAnswer(probe));
            else if (!set.Done())
                problem = Cat("set ", DescribeAnswer(set));
            else if (!board_.ReadClock(now))
                problem = "the clock setting could not be read back";
            else if (!(now == step.clockBefore))
                problem =
                    Cat("read back ", ClockText(now), ", expected ", ClockText(step.clockBefore));
            if (!problem.empty()) {
                failure = Cat(name, ": ", problem);
                Record("rollback-failed", step, step.to, step.from, number + problem);
                return false;
            }
            Record("rollback", step, step.to, step.from, Cat(number, "done"));
            continue;
        }
        if (!step.fromKnown) {
            failure = Cat(name, ": the firmware cannot report ", ItemText(step.item),
                          "'s earlier state, so it cannot be put back");
            Record("rollback-failed", step, step.to, step.from,
                   Cat(number, "earlier state unknown"));
            return false;
        }
        uint16_t now = 0;
        if (board_.ReadWord(step.item, now) && now == step.from) continue;
        const FirmwareAnswer set = board_.SetWord(step.item, step.from);
        std::string problem;
        if (!set.Done())
            problem = Cat("set ", DescribeAnswer(set));
        else if (!board_.ReadWord(step.item, now))
            problem = "the value could not be read back";
        else if (now != step.from)
            problem = Cat("read back ", WordText(step.item, now));
        if (!problem.empty()) {
            failure = Cat(name, ": ", problem);
            Record("rollback-failed", step, step.to, step.from, number + problem);
            return false;
        }
        Record("rollback", step, step.to, step.from, Cat(number, "done"));
    }
    return true;
}

bool VerifiedApply::ProbeOnly(const std::vector<Step>& steps, std::string& failure) {
    for (size_t i = 0; i < steps.size(); ++i) {
        if (!IsClock(steps[i].item)) continue;
        const FirmwareAnswer probe = board_.ProbeClock(steps[i].clockAfter);
        if (!probe.Done()) {
            failure = Cat(StepName(steps, i), ": the probe was refused: ", DescribeAnswer(probe));
            return false;
        }
    }
    return true;
}

}  // namespace tune
