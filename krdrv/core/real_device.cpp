// The shipped driver's one device, in the image's static storage: it lives exactly as long as
// the code that serves it, so that no request can outlive it.
#include "real_device.h"

#include <new>

#include "bios_scan.h"
#include "real_backend.h"

namespace {

alignas(16) unsigned char g_storage[sizeof(krdrv::RealDevice)];
krdrv::RealDevice* g_device;  // null until started

}  // namespace

extern "C" void RealDeviceStart(const uint8_t* biosArea, size_t size, KrdrvTrigger tuning,
                                KrdrvTrigger fan) {
    g_device = new (g_storage) krdrv::RealDevice(krdrv::ScanBiosArea(biosArea, size), tuning, fan);
}

extern "C" void RealDeviceStop(void) { g_device = nullptr; }

extern "C" int RealDeviceHasInterface(void) { return g_device && g_device->Site().tuning; }

extern "C" int32_t RealDeviceRequest(const KrdrvIoRequest* request, uint32_t* information) {
    *information = 0;
    if (!g_device) return KRDRV_STATUS_NO_SUCH_DEVICE;
    return g_device->Request(*request, *information);
}
