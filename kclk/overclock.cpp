// Whether the board supports clock tuning, and which clocks may be shown and adjusted in which
// modes: the attribute query caches two capability words that 21 flags answer from.
#include "export_forms.h"
#include "kclk.h"

using namespace kclk;

extern "C" uint16_t __cdecl SupOverClock(void) {
    LibraryState& state = State();
    state.OsKind = ScanOSInfo();
    FirmwareCall call(RequestId::SupOverClock);
    if (!UsesDriverPath(state.OsKind)) {
        call.Deliver();
        return call.Status();
    }
    if (InitDrv() == 0) return 1;
    OpenDriver();
    // The interface query: the block goes out unchanged and brings port and command back.
    if (!call.Deliver()) return 1;
    state.SmiPort = state.Request.SmiPort;
    state.SmiCommand = state.Request.SmiCommand;
    return call.AX();
}

extern "C" uint16_t __cdecl GetOverClockAttribute(void) {
    LibraryState& state = State();
    state.OsKind = ScanOSInfo();
    FirmwareCall call(RequestId::GetOverClockAttribute);
    if (call.Deliver()) {
        state.FsbDramAttributes = call.EBX();
        state.AgpPciAttributes = call.ECX();
    }
    return call.Status();
}

namespace {
// 2 while no firmware export has run since discovery: the words may not be this interface's.
int32_t CapabilityFlag(uint32_t LibraryState::*word, unsigned bit) {
    const LibraryState& state = State();
    if (state.InterfaceMode != kInterfaceKrl4) return 2;
    return static_cast<int32_t>((state.*word >> bit) & 1u);
}
constexpr auto kFsbDram = &LibraryState::FsbDramAttributes;
constexpr auto kAgpPci = &LibraryState::AgpPciAttributes;
}  // namespace

extern "C" int32_t __cdecl SupFSBShow(void) { return CapabilityFlag(kFsbDram, 0); }
extern "C" int32_t __cdecl FSBCanAdj(void) { return CapabilityFlag(kFsbDram, 1); }
extern "C" int32_t __cdecl FSBLinear(void) { return CapabilityFlag(kFsbDram, 2); }
extern "C" int32_t __cdecl FSBSupDivMode(void) { return CapabilityFlag(kFsbDram, 3); }
extern "C" int32_t __cdecl FSBSupAsyMode(void) { return CapabilityFlag(kFsbDram, 4); }
extern "C" int32_t __cdecl SupDRAMClkShow(void) { return CapabilityFlag(kFsbDram, 16); }
extern "C" int32_t __cdecl DRAMClkCanAdj(void) { return CapabilityFlag(kFsbDram, 17); }
extern "C" int32_t __cdecl DRAMSupLinear(void) { return CapabilityFlag(kFsbDram, 18); }
extern "C" int32_t __cdecl DRAMSupDivMode(void) { return CapabilityFlag(kFsbDram, 19); }
extern "C" int32_t __cdecl DRAMSupAsyMode(void) { return CapabilityFlag(kFsbDram, 20); }
extern "C" int32_t __cdecl DRAMSupRelDivMode(void) { return CapabilityFlag(kFsbDram, 21); }
extern "C" int32_t __cdecl SupAGPClkShow(void) { return CapabilityFlag(kAgpPci, 0); }
extern "C" int32_t __cdecl AGPClkCanAdj(void) { return CapabilityFlag(kAgpPci, 1); }
extern "C" int32_t __cdecl AGPSupLinear(void) { return CapabilityFlag(kAgpPci, 2); }
extern "C" int32_t __cdecl AGPSupDivMode(void) { return CapabilityFlag(kAgpPci, 3); }
extern "C" int32_t __cdecl AGPSupAsyMode(void) { return CapabilityFlag(kAgpPci, 4); }
extern "C" int32_t __cdecl SupPCIClkShow(void) { return CapabilityFlag(kAgpPci, 16); }
extern "C" int32_t __cdecl PCIClkCanAdj(void) { return CapabilityFlag(kAgpPci, 17); }
extern "C" int32_t __cdecl PCISupLinear(void) { return CapabilityFlag(kAgpPci, 18); }
extern "C" int32_t __cdecl PCISupDivMode(void) { return CapabilityFlag(kAgpPci, 19); }
extern "C" int32_t __cdecl PCISupAsyMode(void) { return CapabilityFlag(kAgpPci, 20); }
