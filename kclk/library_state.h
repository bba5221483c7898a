// The one process-wide state record of the library. Zero at load and never reset: the exports
// fill it lazily, and one request block carries fields from one request to the next.
#pragma once

#include <windows.h>
#include <cstdint>

#include "smi_wire.h"

namespace kclk {

// Windows kinds as ScanOSInfo reports them.
enum OsKindValue : int32_t {
    kOsUnrecognised = 0, kOsWin9x = 1, kOsWinMe = 2, kOsNt351 = 3, kOsNt4 = 4, kOsWin2000 = 5,
    kOsWinXp = 6, kOsWin52Wow64 = 7, kOsWin52 = 8
};

// Which firmware interface Check_KRVer found.
enum InterfaceModeValue : uint8_t {
    kInterfaceNt = 0, kInterfaceNone = 2, kInterfaceClk = 3, kInterfaceKrl4 = 4
};

struct LibraryState {
    int32_t OsKind;
    uint8_t InterfaceMode;
    uint8_t SmiCommand;
    uint16_t SmiPort;
    const uint8_t* SignatureAddress;
    HANDLE DeviceHandle;
    uint32_t FsbDramAttributes;
    uint32_t AgpPciAttributes;
    SmiRegisterBlock Request;
    FanRequestBlock FanRequest;
};

LibraryState& State();

// True when the driver carries requests: the NT family, and also an NT-platform Windows that
// ScanOSInfo does not know (6.0 and later), where port I/O and the BIOS area would fault.
bool UsesDriverPath(int32_t osKind);

}  // namespace kclk
