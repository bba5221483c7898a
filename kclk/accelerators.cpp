// The CPU (CIA) and memory (MIB) accelerators. Each answers yes when the firmware performed the
// request; attribute and control answers are reduced to bit 0 of BX.
#include "export_forms.h"
#include "kclk.h"

using namespace kclk;

namespace {
// A request that was not delivered is a plain no, like a nonzero status.
int32_t Answer(const FirmwareCall& call) { return call.Delivered() && call.AX() == 0 ? 1 : 0; }

int32_t AskSupport(RequestId id) {
    FirmwareCall call(id);
    call.Deliver();
    return Answer(call);
}

int32_t AskFlag(FirmwareCall& call, int32_t* flag) {
    if (call.Deliver()) *flag = (call.BX() & 1u) ? 1 : 0;
    return Answer(call);
}
}  // namespace

extern "C" int32_t __cdecl GetCIASup(void) { return AskSupport(RequestId::GetCIASup); }

extern "C" int32_t __cdecl GetCIAAttribute(int32_t* flag) {
    FirmwareCall call(RequestId::GetCIAAttribute);
    return AskFlag(call, flag);
}

extern "C" int32_t __cdecl GetCIAStatus(uint16_t* status) {
    FirmwareCall call(RequestId::GetCIAStatus);
    if (call.Deliver()) *status = call.SI();
    return Answer(call);
}

extern "C" int32_t __cdecl GetCIATable(uint16_t index, uint16_t* entry) {
    FirmwareCall call(RequestId::GetCIATable);
    call.SI(index);
    if (call.Deliver()) *entry = call.BX();
    return Answer(call);
}

extern "C" int32_t __cdecl SetCIAControl(uint16_t control, int32_t* flag) {
    FirmwareCall call(RequestId::SetCIAControl);
    call.SI(control);
    return AskFlag(call, flag);
}

extern "C" int32_t __cdecl GetMIBSup(void) { return AskSupport(RequestId::GetMIBSup); }

extern "C" int32_t __cdecl GetMIBAttribute(int32_t* flag) {
    FirmwareCall call(RequestId::GetMIBAttribute);
    return AskFlag(call, flag);
}

extern "C" int32_t __cdecl SetMIBControl(uint16_t control, int32_t* flag) {
    FirmwareCall call(RequestId::SetMIBControl);
    call.CX(control);
    return AskFlag(call, flag);
}
