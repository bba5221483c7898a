// libFuzzer: any request on the shipped driver's core, with any site the scan may have found.
// Input: 4 bytes control code, 2 + 2 bytes in and out lengths (up to 4096), 6 bytes site, then
// the buffer's bytes. A refused request leaves the buffer as it came and writes no port, unless
// it was refused on the fan's presence answer (the query itself is a write at the fan port);
// every write goes to the site's ports or the delay port.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "real_backend.h"
#include "recording_trigger.h"

namespace {
uint32_t Take(const uint8_t*& data, size_t& size, size_t bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes && size; ++i, ++data, --size) value |= uint32_t(*data) << (8 * i);
    return value;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t code = Take(data, size, 4);
    // Steer most inputs into the table's device type so that the interesting paths are reached.
    if ((code & 0x80000000u) == 0) code = 0x9C400000u | (code & 0xFFFF);
    const uint32_t in = Take(data, size, 2) % 4097, out = Take(data, size, 2) % 4097;
    krdrv::FirmwareSite site{};
    const uint32_t flags = Take(data, size, 1);
    site.tuning = flags & 1;
    site.fan = (flags & 2) != 0;
    site.tuningPort = static_cast<uint16_t>(Take(data, size, 2));
    site.tuningCommand = static_cast<uint8_t>(Take(data, size, 1));
    site.fanPort = static_cast<uint16_t>(Take(data, size, 2));

    std::vector<uint8_t> buffer(in > out ? in : out);
    for (size_t i = 0; i < buffer.size() && i < size; ++i) buffer[i] = data[i];
    const std::vector<uint8_t> sent = buffer;

    hosttest::Log().Clear();
    krdrv::RealDevice device(site, hosttest::RecordTuningTrigger, hosttest::RecordFanTrigger);
    KrdrvIoRequest io{code, buffer.empty() ? nullptr : buffer.data(), in, out};
    uint32_t information = 0xFFFF;
    const int32_t status = device.Request(io, information);
    if (status != KRDRV_STATUS_SUCCESS) {
        if (information != 0 || buffer != sent) __builtin_trap();
        if (status != KRDRV_STATUS_NO_SUCH_DEVICE && !hosttest::Log().writes.empty()) __builtin_trap();
    }
    for (const hosttest::PortWrite& w : hosttest::Log().writes) {
        const bool tuning = w.width == 2 && site.tuning && w.port == site.tuningPort;
        const bool fan = w.width == 1 && site.fan && w.port == site.fanPort;
        if (!tuning && !fan && w.port != 0xEB) __builtin_trap();
    }
    return 0;
}
