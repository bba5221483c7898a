// Placeholder until the service installation lands: opens the device only.
#include "driver_service.h"

#include "kclk.h"
#include "library_state.h"
#include "messages.h"
#include "os_kind.h"

namespace kclk {
int32_t InstallDriverService(const char*) { return 1; }
int32_t StartDriverService(const char*) { return 1; }
}  // namespace kclk

extern "C" int32_t __cdecl InitDrv(void) {
    kclk::State().OsKind = ScanOSInfo();
    return 1;
}

extern "C" int32_t __cdecl OpenDriver(void) {
    HANDLE device = CreateFileA(KCLK_DEVICE_PATH, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    kclk::State().DeviceHandle = device;
    if (device == INVALID_HANDLE_VALUE) {
        kclk::ShowPlainMessage("Failed to open Kestrel WinNT driver!\nPlease reboot,and install again!",
                               "OpenDriver");
        return 0;
    }
    return 1;
}
