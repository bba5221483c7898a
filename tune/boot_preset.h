// The clocks in force stored as the firmware's boot preset (SetClock's store bit): the one
// request that outlives a restart, so it is probed first, and the preset is read back after.
// kclktune's permanent command and the tuning tool's "Make permanent" both store it here.
#pragma once

#include <cstdint>
#include <string>

#include "board_port.h"
#include "board_snapshot.h"
#include "journal.h"

namespace tune {

struct PresetOutcome {
    enum Result { kStored, kRefused, kVerifyFailed } result = kRefused;
    std::string answer;          // kRefused: "probe ..." or "set ..." and the firmware's answer
    ClockWords readBack;         // kVerifyFailed: the preset's FSB, DRAM and AGP as read back
    uint16_t presetPci = 0, currentPci = 0;  // kVerifyFailed: the PCI frequencies they make
};

// Probes words, sets them with the store bit and reads the preset back (the firmware reports
// no preset PCI word, so the PCI frequency it makes is compared with the one in force). Each
// outcome is journalled as item "preset".
PresetOutcome StoreClocksAsPreset(const ClockWords& words, BoardPort& port, Journal* journal);

}  // namespace tune
