// The north-bridge smart fan. Its firmware interface is separate from the tuning interface:
// its own "$RXE" table, its own port, function 11h and a byte-wide trigger whose value says
// read (3Eh) or write (3Fh) an item.
#include "discovery.h"
#include "firmware_gateway.h"
#include "kclk.h"

using namespace kclk;

namespace {

constexpr uint8_t kReadItem = 0x3E;
constexpr uint8_t kWriteItem = 0x3F;
constexpr size_t kFanTableLength = 10;  // signature .. port word at offset 8
enum FanItem : uint32_t { kControlFlags = 0, kSettingInForce = 1, kStoredOn = 3, kStoredOff = 4 };

SmiRegisters FanTrigger(uint8_t command, uint32_t bx, uint32_t cx, uint32_t esi = 0) {
    SmiRegisters regs{};
    regs.eax = (static_cast<uint32_t>(kSmartFanFunction) << 8) | command;
    regs.ebx = bx;
    regs.ecx = cx;
    regs.edx = State().FanRequest.FanSmiPort;
    regs.esi = esi;
    kclk_TriggerFanSmi(&regs);
    return regs;
}

bool SendFanRequest(RequestId id) {
    return SendToDriver(Describe(id).controlCode, &State().FanRequest, sizeof(FanRequestBlock));
}

// Puts a stored setting (item 3 or 4) in force (item 1).
int32_t SwitchFan(RequestId id, FanItem stored) {
    LibraryState& state = State();
    state.OsKind = ScanOSInfo();
    if (UsesDriverPath(state.OsKind)) return SendFanRequest(id) ? 1 : 0;
    // Without a port from Check_SmartFan there is nobody to ask; port 0 is no fan interface.
    if (state.FanRequest.FanSmiPort == 0) return 0;
    const SmiRegisters read = FanTrigger(kReadItem, 1, stored);
    FanTrigger(kWriteItem, 1, kSettingInForce, read.esi);
    return 1;
}

}  // namespace

extern "C" int32_t __cdecl Check_SmartFan(void) {
    LibraryState& state = State();
    state.OsKind = ScanOSInfo();
    if (UsesDriverPath(state.OsKind)) {
        InitDrv();
        OpenDriver();
        return SendFanRequest(RequestId::CheckSmartFan) ? 1 : 0;
    }
    if (!SignatureScan("$RXE")) return 0;
    const uint8_t* table = TableAtSignature(kFanTableLength);
    if (!table) return 0;  // the port word would lie past the end of the BIOS area
    state.FanRequest.FanSmiPort = static_cast<uint16_t>(table[8] | table[9] << 8);

    if ((FanTrigger(kReadItem, 0, 0).ecx & 0xFF) != 1) return 1;  // no fan answered
    const uint16_t flags = static_cast<uint16_t>(FanTrigger(kReadItem, 1, kControlFlags).esi);
    // Flags with bits 0 and 3 set and bit 1 clear are written back as exactly 0Bh; any other
    // value is left as the firmware has it.
    if ((flags & 0x01) && (flags & 0x08) && !(flags & 0x02))
        FanTrigger(kWriteItem, 1, kControlFlags, 0x0B);
    return 1;
}

extern "C" int32_t __cdecl SF_NB_ON(void) { return SwitchFan(RequestId::SmartFanOn, kStoredOn); }
extern "C" int32_t __cdecl SF_NB_OFF(void) { return SwitchFan(RequestId::SmartFanOff, kStoredOff); }
