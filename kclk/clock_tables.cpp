// The clock generator's tables, one entry per request: discrete FSB values, and the divider and
// asynchronous tables of the four clocks. The library keeps no copy and knows no length.
#include "export_forms.h"
#include "kclk.h"

using namespace kclk;

extern "C" uint16_t __cdecl ReturnDiscFSBTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::ReturnDiscFSBTable, index, entry);
}
extern "C" uint16_t __cdecl ReturnFSBDivTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::ReturnFSBDivTable, index, entry);
}
extern "C" uint16_t __cdecl ReturnDRAMDivTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::ReturnDRAMDivTable, index, entry);
}
extern "C" uint16_t __cdecl ReturnAGPDivTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::ReturnAGPDivTable, index, entry);
}
extern "C" uint16_t __cdecl ReturnPCIDivTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::ReturnPCIDivTable, index, entry);
}
extern "C" uint16_t __cdecl ReturnFSBAsyTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::ReturnFSBAsyTable, index, entry);
}
extern "C" uint16_t __cdecl ReturnDRAMAsyTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::ReturnDRAMAsyTable, index, entry);
}
extern "C" uint16_t __cdecl ReturnAGPAsyTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::ReturnAGPAsyTable, index, entry);
}
extern "C" uint16_t __cdecl ReturnPCIAsyTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::ReturnPCIAsyTable, index, entry);
}
