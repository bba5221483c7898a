#include "boot_preset.h"

#include "kclk.h"
#include "text.h"
#include "tune_items.h"
#include "verified_apply.h"

namespace tune {

PresetOutcome StoreClocksAsPreset(const ClockWords& words, BoardPort& port, Journal* journal) {
    PresetOutcome outcome;
    const std::string text = WordText(Item::Fsb, words.fsb);
    auto note = [&](const char* action, const std::string& answer) {
        if (journal) journal->Append(action, "preset", "", text, answer);
    };
    const FirmwareAnswer probe = port.ProbeClock(words);
    if (!probe.Done()) {
        outcome.answer = Cat("probe ", DescribeAnswer(probe));
        note("permanent-refused", outcome.answer);
        return outcome;
    }
    const FirmwareAnswer set = port.SetClock(words, true);
    if (!set.Done()) {
        outcome.answer = Cat("set ", DescribeAnswer(set));
        note("permanent-refused", outcome.answer);
        return outcome;
    }
    uint16_t vco = 0, divider = 0, presetPci = 1, currentPci = 0;
    ClockWords preset;
    const bool read =
        ReturnPresetVCOValue(0, &vco, &preset.fsb, &divider, &preset.dram, &preset.agp) == 0 &&
        ReturnPresetPCIFreq(&presetPci) == 0 && ReturnCurrentPCIFreq(&currentPci) == 0;
    if (!read || preset.fsb != words.fsb || preset.dram != words.dram ||
        preset.agp != words.agp || presetPci != currentPci) {
        outcome.result = PresetOutcome::kVerifyFailed;
        outcome.readBack = preset;
        outcome.presetPci = presetPci;
        outcome.currentPci = currentPci;
        note("permanent-verify-failed", "the boot preset reads back otherwise");
        return outcome;
    }
    outcome.result = PresetOutcome::kStored;
    note("permanent", "done");
    return outcome;
}

}  // namespace tune
