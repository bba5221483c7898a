// The clock generator's current and preset values: VCO, FSB, DRAM, AGP and PCI.
#include "export_forms.h"
#include "kclk.h"

using namespace kclk;

extern "C" uint16_t __cdecl ReturnCurrentVCOValue(uint16_t* bx, uint16_t* ecxLow, uint16_t* ecxHigh,
                                                  uint16_t* edxLow, uint16_t* edxHigh,
                                                  uint16_t* ediLow, uint16_t* ediHigh) {
    State().InterfaceMode = kInterfaceKrl4;
    InitDrv();  // refreshes the OS kind and (re)starts the driver service; it does not open it
    FirmwareCall call(RequestId::ReturnCurrentVCOValue);
    if (call.Deliver()) {
        *bx = call.BX();
        SplitHalves(call.ECX(), ecxLow, ecxHigh);
        SplitHalves(call.EDX(), edxLow, edxHigh);
        SplitHalves(call.EDI(), ediLow, ediHigh);
    }
    return call.Status();
}

extern "C" uint16_t __cdecl ReturnPresetVCOValue(uint16_t cx, uint16_t* bx, uint16_t* ecxLow,
                                                 uint16_t* ecxHigh, uint16_t* edxLow,
                                                 uint16_t* edxHigh) {
    FirmwareCall call(RequestId::ReturnPresetVCOValue);
    call.CX(cx);
    if (call.Deliver()) {
        *bx = call.BX();
        SplitHalves(call.ECX(), ecxLow, ecxHigh);
        SplitHalves(call.EDX(), edxLow, edxHigh);
    }
    return call.Status();
}

extern "C" uint16_t __cdecl ReturnCurrentCPUFSB(uint16_t* value) {
    return ReadWord(RequestId::ReturnCurrentCPUFSB, value);
}
extern "C" uint16_t __cdecl ReturnCurrentDRAMFreq(uint16_t* value) {
    return ReadWord(RequestId::ReturnCurrentDRAMFreq, value);
}
extern "C" uint16_t __cdecl ReturnPresetDRAMFreq(uint16_t* value) {
    return ReadWord(RequestId::ReturnPresetDRAMFreq, value);
}
extern "C" uint16_t __cdecl ReturnCurrentAGPFreq(uint16_t* value) {
    return ReadWord(RequestId::ReturnCurrentAGPFreq, value);
}
extern "C" uint16_t __cdecl ReturnPresetAGPFreq(uint16_t* value) {
    return ReadWord(RequestId::ReturnPresetAGPFreq, value);
}
extern "C" uint16_t __cdecl ReturnCurrentPCIFreq(uint16_t* value) {
    return ReadWord(RequestId::ReturnCurrentPCIFreq, value);
}
extern "C" uint16_t __cdecl ReturnPresetPCIFreq(uint16_t* value) {
    return ReadWord(RequestId::ReturnPresetPCIFreq, value);
}
