// Check_KRVer: whether the firmware offers the tuning interface, at which SMI port and with
// which command value. Windows 9x reads the BIOS area; the NT family asks the port driver.
#include "discovery.h"

#include <cstring>

#include "firmware_gateway.h"
#include "kclk.h"
#include "library_state.h"

namespace kclk {

namespace {

// Windows 9x maps the area into every process, inside the shared DOS arena, where VirtualQuery
// is no reliable witness; elsewhere it may be absent. So the area is simply tried: IsBadReadPtr
// reads each of its pages under an exception handler, and the scan runs only when all are there.
bool BiosAreaReadable() {
    return !IsBadReadPtr(reinterpret_cast<const void*>(kBiosAreaStart), kBiosAreaSize);
}

struct InterfaceTable {
    const char* signature;
    size_t length;      // bytes of the table that are read
    size_t portOffset;  // little-endian port word
    size_t commandOffset;
    InterfaceModeValue mode;
};
constexpr InterfaceTable kKrl4Table{"$KRL4", 10, 7, 9, kInterfaceKrl4};
constexpr InterfaceTable kClkTable{"$CLK", 7, 4, 6, kInterfaceClk};

bool TakeInterface(const InterfaceTable& table) {
    if (!SignatureScan(table.signature)) return false;
    const uint8_t* bytes = TableAtSignature(table.length);
    if (!bytes) return false;  // cut off by the end of the area: no usable table
    LibraryState& state = State();
    state.SmiPort = static_cast<uint16_t>(bytes[table.portOffset] | bytes[table.portOffset + 1] << 8);
    state.SmiCommand = bytes[table.commandOffset];
    state.InterfaceMode = table.mode;
    return true;
}

}  // namespace

bool SignatureScan(const char* signature) {
    const size_t length = std::strlen(signature);
    if (length == 0 || !BiosAreaReadable()) return false;
    const uint8_t* area = reinterpret_cast<const uint8_t*>(kBiosAreaStart);
    for (size_t offset = 0; offset < 0xFFFF; ++offset) {
        if (offset + length > kBiosAreaSize) break;  // would run past FFFFFh
        if (std::memcmp(area + offset, signature, length) == 0) {
            State().SignatureAddress = area + offset;
            return true;
        }
    }
    return false;
}

const uint8_t* TableAtSignature(size_t length) {
    const uintptr_t start = reinterpret_cast<uintptr_t>(State().SignatureAddress);
    if (start < kBiosAreaStart || start + length > kBiosAreaStart + kBiosAreaSize) return nullptr;
    return State().SignatureAddress;
}

}  // namespace kclk

extern "C" int32_t __cdecl Check_KRVer(void) {
    using namespace kclk;
    LibraryState& state = State();
    state.OsKind = ScanOSInfo();
    if (UsesDriverPath(state.OsKind)) {
        state.InterfaceMode = kInterfaceNt;
        InitDrv();     // failures show their own messages; the query below tells
        OpenDriver();
        FirmwareCall query(RequestId::InterfaceQuery);  // the block goes out as it is
        if (!query.Deliver()) return 3;
        state.SmiPort = state.Request.SmiPort;
        state.SmiCommand = state.Request.SmiCommand;
        return 4;
    }
    if (TakeInterface(kKrl4Table)) return 4;
    if (TakeInterface(kClkTable)) return 3;
    state.InterfaceMode = kInterfaceNone;
    return 2;
}
