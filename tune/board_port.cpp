#include "board_port.h"

#include <windows.h>

#include "kclk.h"

namespace tune {

namespace {

constexpr uint32_t kClockDevice = 0xB0;          // BL of SetClock's EBX
constexpr uint32_t kStoreAsPreset = 0x00000100;  // EBX bit 8: also the boot preset

}  // namespace

FirmwareAnswer KclkBoardPort::ProbeClock(const ClockWords& w) {
    FirmwareAnswer a;
    a.clock = true;
    a.status = SetClockProb(w.fsb, w.dram, w.agp, w.pci, &a.bx);
    return a;
}

FirmwareAnswer KclkBoardPort::SetClock(const ClockWords& w, bool storeAsPreset) {
    FirmwareAnswer a;
    a.clock = true;
    const uint32_t ebx = kClockDevice | (storeAsPreset ? kStoreAsPreset : 0);
    a.status = ::SetClock(ebx, w.fsb, w.dram, w.agp, w.pci, &a.bx);
    return a;
}

bool KclkBoardPort::ReadClock(ClockWords& w) {
    uint16_t vco = 0, ecxHigh = 0, edxHigh = 0, ediHigh = 0;
    ClockWords read;
    if (ReturnCurrentVCOValue(&vco, &read.fsb, &ecxHigh, &read.dram, &edxHigh, &read.pci,
                              &ediHigh) != 0)
        return false;
    read.agp = edxHigh;
    w = read;
    return true;
}

FirmwareAnswer KclkBoardPort::SetWord(Item item, uint16_t word) {
    FirmwareAnswer a;
    switch (item) {
    case Item::Vcore: a.status = SetNewVidVol(word, &a.bx); break;
    case Item::Vdimm: a.status = SetNewDIMMOverVol(word, &a.bx); break;
    case Item::Vagp: a.status = SetNewAGPOverVol(word, &a.bx); break;
    case Item::Ratio: a.status = SetNewCPURatio(word, &a.bx); break;
    case Item::Cia:
    case Item::Mib: {
        int32_t flag = 0;
        const int32_t yes = item == Item::Cia ? SetCIAControl(word, &flag) : SetMIBControl(word, &flag);
        a.yesNo = true;
        a.status = yes == 1 ? 0 : 1;
        a.bx = flag == 1 ? 1 : 0;
        break;
    }
    default: break;
    }
    return a;
}

bool KclkBoardPort::ReadWord(Item item, uint16_t& word) {
    uint16_t value = 0;
    switch (item) {
    case Item::Vcore: if (GetVidCurrentVol(&value) != 0) return false; break;
    case Item::Vdimm: if (GetDIMMCurrentVol(&value) != 0) return false; break;
    case Item::Vagp: if (GetAGPCurrentVol(&value) != 0) return false; break;
    case Item::Ratio: if (GetCurrentCPURatio(&value) != 0) return false; break;
    case Item::Cia: if (GetCIAStatus(&value) != 1) return false; break;
    default: return false;
    }
    word = value;
    return true;
}

}  // namespace tune
