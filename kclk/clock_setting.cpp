// Handing a new clock setting to the firmware: SetClockProb tries it (operation B5h), SetClock
// applies it (B6h). The words are the firmware's; nothing is checked or remembered here.
#include "export_forms.h"
#include "kclk.h"

using namespace kclk;

extern "C" uint16_t __cdecl SetClockProb(uint32_t ecx, uint32_t esi, uint32_t edi, uint32_t fourth,
                                         uint16_t* result) {
    FirmwareCall call(RequestId::SetClockProb);
    call.ECX(ecx).ESI(esi).EDI(edi).EBPOrEDX(fourth);
    if (call.Deliver()) *result = call.BX();
    return call.Status();
}

extern "C" uint16_t __cdecl SetClock(uint32_t ebx, uint32_t ecx, uint32_t esi, uint32_t edi,
                                     uint32_t ebp, uint16_t* result) {
    FirmwareCall call(RequestId::SetClock);
    call.EBX(ebx).ECX(ecx).ESI(esi).EDI(edi).EBP(ebp);
    if (call.Deliver()) *result = call.BX();
    return call.Status();
}
