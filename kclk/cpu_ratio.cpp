// The CPU ratio (the multiplier between FSB and core clock): support, attribute, current
// ratio, table entry, limits and setting.
#include "export_forms.h"
#include "kclk.h"

using namespace kclk;

extern "C" uint16_t __cdecl GetCPURatioChgSup(void) { return QueryStatus(RequestId::GetCPURatioChgSup); }
extern "C" uint16_t __cdecl GetCPURatioAttrib(uint16_t* attribute) {
    return ReadWord(RequestId::GetCPURatioAttrib, attribute);
}
extern "C" uint16_t __cdecl GetCurrentCPURatio(uint16_t* ratio) {
    return ReadWord(RequestId::GetCurrentCPURatio, ratio);
}
extern "C" uint16_t __cdecl GetCPURatioDiscTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::GetCPURatioDiscTable, index, entry);
}
extern "C" uint16_t __cdecl GetCPURatioLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx) {
    return ReadLimits(RequestId::GetCPURatioLimit, ebxLow, ebxHigh, cx);
}
extern "C" uint16_t __cdecl SetNewCPURatio(uint16_t ratio, uint16_t* result) {
    return WriteWord(RequestId::SetNewCPURatio, ratio, result);
}
