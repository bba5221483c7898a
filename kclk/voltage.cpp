// CPU core (VID), DIMM and AGP voltages: support, attribute, current value, table entry and
// setting, each one request whose words the library passes through unchanged.
#include "export_forms.h"
#include "kclk.h"

using namespace kclk;

extern "C" uint16_t __cdecl GetOverVidSup(void) { return QueryStatus(RequestId::GetOverVidSup); }
extern "C" uint16_t __cdecl GetOverVidAttrib(uint16_t* attribute) {
    return ReadWord(RequestId::GetOverVidAttrib, attribute);
}
extern "C" uint16_t __cdecl GetVidCurrentVol(uint16_t* value) {
    return ReadWord(RequestId::GetVidCurrentVol, value);
}
extern "C" uint16_t __cdecl GetVidDiscTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::GetVidDiscTable, index, entry);
}
extern "C" uint16_t __cdecl SetNewVidVol(uint16_t value, uint16_t* result) {
    return WriteWord(RequestId::SetNewVidVol, value, result);
}

extern "C" uint16_t __cdecl GetOverDIMMVolSup(void) { return QueryStatus(RequestId::GetOverDIMMVolSup); }
extern "C" uint16_t __cdecl GetDIMMOverVolAttrib(uint16_t* attribute) {
    return ReadWord(RequestId::GetDIMMOverVolAttrib, attribute);
}
extern "C" uint16_t __cdecl GetDIMMCurrentVol(uint16_t* value) {
    return ReadWord(RequestId::GetDIMMCurrentVol, value);
}
extern "C" uint16_t __cdecl GetDIMMDiscTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::GetDIMMDiscTable, index, entry);
}
extern "C" uint16_t __cdecl SetNewDIMMOverVol(uint16_t value, uint16_t* result) {
    return WriteWord(RequestId::SetNewDIMMOverVol, value, result);
}

extern "C" uint16_t __cdecl GetOverAGPVolAGPSup(void) {
    return QueryStatus(RequestId::GetOverAGPVolAGPSup);
}
extern "C" uint16_t __cdecl GetAGPOverVolAGPAttrib(uint16_t* attribute) {
    return ReadWord(RequestId::GetAGPOverVolAGPAttrib, attribute);
}
extern "C" uint16_t __cdecl GetAGPCurrentVol(uint16_t* value) {
    return ReadWord(RequestId::GetAGPCurrentVol, value);
}
extern "C" uint16_t __cdecl GetAGPDiscTable(uint16_t index, uint16_t* entry) {
    return ReadEntry(RequestId::GetAGPDiscTable, index, entry);
}
extern "C" uint16_t __cdecl SetNewAGPOverVol(uint16_t value, uint16_t* result) {
    return WriteWord(RequestId::SetNewAGPOverVol, value, result);
}
