// The limits of the clock generator's settings, passed through as the firmware gives them.
#include "export_forms.h"
#include "kclk.h"

using namespace kclk;

extern "C" uint16_t __cdecl ReturnLinearModeLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx) {
    return ReadLimits(RequestId::ReturnLinearModeLimit, ebxLow, ebxHigh, cx);
}
extern "C" uint16_t __cdecl ReturnDRAMLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx) {
    return ReadLimits(RequestId::ReturnDRAMLimit, ebxLow, ebxHigh, cx);
}
extern "C" uint16_t __cdecl ReturnAGPLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx) {
    return ReadLimits(RequestId::ReturnAGPLimit, ebxLow, ebxHigh, cx);
}
extern "C" uint16_t __cdecl ReturnPCILimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx) {
    return ReadLimits(RequestId::ReturnPCILimit, ebxLow, ebxHigh, cx);
}
extern "C" uint16_t __cdecl ReturnVCOLimit(uint16_t* ebxLow, uint16_t* ebxHigh) {
    return ReadLimits(RequestId::ReturnVCOLimit, ebxLow, ebxHigh, nullptr);
}
