// The firmware triggers of the host tests: each records the port writes the hardware routine
// would make (the trigger at DX, then the delay writes to port 0EBh) and the registers it was
// handed, and lets a test play the firmware's answer.
#pragma once

#include <cstdint>
#include <vector>

#include "dispatch_abi.h"

namespace hosttest {

struct PortWrite {
    uint16_t port;
    uint8_t width;  // 1 or 2 bytes
};

struct TriggerLog {
    std::vector<PortWrite> writes;
    std::vector<KrdrvRegisters> tuning;  // as loaded, before the answer
    std::vector<KrdrvRegisters> fan;
    void Clear() { *this = TriggerLog{}; }
};

TriggerLog& Log();

// What the firmware does with the registers; none by default (nobody answers).
using Answer = void (*)(KrdrvRegisters& registers);
void SetTuningAnswer(Answer answer);
void SetFanAnswer(Answer answer);

void RecordTuningTrigger(KrdrvRegisters* registers);
void RecordFanTrigger(KrdrvRegisters* registers);

}  // namespace hosttest
