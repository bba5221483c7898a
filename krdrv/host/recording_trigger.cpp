#include "recording_trigger.h"

namespace hosttest {

namespace {
TriggerLog g_log;
Answer g_tuningAnswer;
Answer g_fanAnswer;
}  // namespace

TriggerLog& Log() { return g_log; }
void SetTuningAnswer(Answer answer) { g_tuningAnswer = answer; }
void SetFanAnswer(Answer answer) { g_fanAnswer = answer; }

// out dx, ax; four out 0EBh, ax.
void RecordTuningTrigger(KrdrvRegisters* registers) {
    g_log.tuning.push_back(*registers);
    g_log.writes.push_back({static_cast<uint16_t>(registers->edx), 2});
    if (g_tuningAnswer) g_tuningAnswer(*registers);
    for (int i = 0; i < 4; ++i) g_log.writes.push_back({0xEB, 2});
}

// out dx, al; three out 0EBh, al.
void RecordFanTrigger(KrdrvRegisters* registers) {
    g_log.fan.push_back(*registers);
    g_log.writes.push_back({static_cast<uint16_t>(registers->edx), 1});
    if (g_fanAnswer) g_fanAnswer(*registers);
    for (int i = 0; i < 3; ++i) g_log.writes.push_back({0xEB, 1});
}

}  // namespace hosttest
