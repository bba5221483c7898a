#include "firmware_model.h"

namespace board {

namespace {
constexpr uint16_t kStatusOk = 0;
constexpr uint16_t kStatusUnknownFunction = 0x8600;

void SetStatus(CpuRegisters& r, uint16_t status) { r.eax = (r.eax & 0xFFFF0000u) | status; }
void SetBX(CpuRegisters& r, uint16_t value) { r.ebx = (r.ebx & 0xFFFF0000u) | value; }
}  // namespace

void FirmwareModel::Reset() {
    supportStatus = 0;
    fsbDramAttributes = 0x00230003;
    agpPciAttributes = 0x00010001;
    clocks = Clocks{13300, 13300, 6650, 3325, 13300, 6600, 3300, 0, 0, 0, 0, 0};
    for (auto& v : voltages) v = Voltage{0, 0, 0, nullptr, 0};
    cpuRatio = 0;
    ciaStatus = ciaAttribute = mibAttribute = mibControl = 0;
    fanInterfacePresent = true;
    for (auto& item : fanItems) item = 0;
    requestCount = 0;
}

void FirmwareModel::HandleTuning(CpuRegisters& r) {
    ++requestCount;
    const uint8_t ah = static_cast<uint8_t>(r.eax >> 8);
    const uint8_t bl = static_cast<uint8_t>(r.ebx);
    const uint8_t bh = static_cast<uint8_t>(r.ebx >> 8);
    if (bl == 0xB0 && ah == 0xB2 && bh == 0xB2) {
        SetBX(r, clocks.fsb);
        SetStatus(r, kStatusOk);
        return;
    }
    SetStatus(r, kStatusUnknownFunction);
}

void FirmwareModel::HandleFan(CpuRegisters& r) { (void)r; }
bool FirmwareModel::FanPresent() const { return fanInterfacePresent; }
void FirmwareModel::FanSwitchOn() { fanItems[1] = fanItems[3]; }
void FirmwareModel::FanSwitchOff() { fanItems[1] = fanItems[4]; }

}  // namespace board
