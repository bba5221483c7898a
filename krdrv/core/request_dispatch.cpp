// The dispatch core. Freestanding (no heap, no exceptions, no library calls): it runs inside
// kernel drivers as well as on the host.
#include "request_dispatch.h"

namespace krdrv {

using kclk::FirmwareRequest;
using kclk::RequestId;

namespace {

constexpr uint8_t kFanRead = 0x3E;
constexpr uint8_t kFanWrite = 0x3F;
constexpr uint32_t kFanInForce = 1, kFanStoredOn = 3, kFanStoredOff = 4;

// AH, BL and BH from the row, AL and DX from the block, and the inputs the shape takes.
// Registers the call does not take start at 0.
KrdrvRegisters Load(const FirmwareRequest& function, Shape shape, const SmiRegisterBlock& block) {
    KrdrvRegisters regs{};
    regs.eax = static_cast<uint32_t>(function.ah) << 8 | block.SmiCommand;
    regs.ebx = function.bl;
    if (function.bh != kclk::kNoItem) regs.ebx |= static_cast<uint32_t>(function.bh) << 8;
    regs.edx = block.SmiPort;
    switch (shape) {
    case Shape::WordInCX:
        regs.ecx = block.RegCX;
        break;
    case Shape::WordInSI:
        regs.esi = block.RegSI;
        break;
    case Shape::ClockSetting:
        regs.ecx = block.RegECX;
        regs.esi = block.RegESI;
        regs.edi = block.RegEDI;
        if (function.id == RequestId::SetClock) {
            // As the direct path delivers it: BL replaces the word's low byte.
            regs.ebx = (block.RegEBX & 0xFFFFFF00u) | function.bl;
            regs.ebp = block.RegEBP;
        } else {
            // The direct path carries the probe's fourth word in EBP.
            regs.ebp = block.RegEDX;
        }
        break;
    default:
        break;
    }
    return regs;
}

bool NamesSite(const SmiRegisterBlock& block, const FirmwareSite& site) {
    return site.tuning && block.SmiPort == site.tuningPort &&
           block.SmiCommand == site.tuningCommand;
}

KrdrvRegisters FanRegisters(uint8_t command, uint32_t bx, uint32_t cx, uint32_t esi,
                            uint16_t port) {
    KrdrvRegisters regs{};
    regs.eax = static_cast<uint32_t>(kclk::kSmartFanFunction) << 8 | command;
    regs.ebx = bx;
    regs.ecx = cx;
    regs.edx = port;
    regs.esi = esi;
    return regs;
}

}  // namespace

Shape ShapeOf(RequestId id) {
    switch (id) {
    case RequestId::InterfaceQuery:
    case RequestId::SupOverClock:
        return Shape::InterfaceQuery;
    case RequestId::ReturnPresetVCOValue:
    case RequestId::SetNewVidVol:
    case RequestId::SetNewDIMMOverVol:
    case RequestId::SetNewAGPOverVol:
    case RequestId::SetNewCPURatio:
    case RequestId::SetMIBControl:
        return Shape::WordInCX;
    case RequestId::ReturnDiscFSBTable:
    case RequestId::ReturnFSBDivTable:
    case RequestId::ReturnDRAMDivTable:
    case RequestId::ReturnAGPDivTable:
    case RequestId::ReturnPCIDivTable:
    case RequestId::ReturnFSBAsyTable:
    case RequestId::ReturnDRAMAsyTable:
    case RequestId::ReturnAGPAsyTable:
    case RequestId::ReturnPCIAsyTable:
    case RequestId::GetVidDiscTable:
    case RequestId::GetDIMMDiscTable:
    case RequestId::GetAGPDiscTable:
    case RequestId::GetCPURatioDiscTable:
    case RequestId::GetCIATable:
    case RequestId::SetCIAControl:
        return Shape::WordInSI;
    case RequestId::SetClockProb:
    case RequestId::SetClock:
        return Shape::ClockSetting;
    case RequestId::CheckSmartFan:
    case RequestId::SmartFanOn:
    case RequestId::SmartFanOff:
        return Shape::Fan;
    default:
        return Shape::None;
    }
}

const FirmwareRequest* FindRequest(uint32_t controlCode) {
    for (const FirmwareRequest& row : kclk::kFirmwareRequests)
        if (row.controlCode == controlCode) return &row;
    return nullptr;
}

int32_t CheckRequest(const KrdrvIoRequest& io, Route& route) {
    const FirmwareRequest* row = FindRequest(io.ControlCode);
    if (!row) return KRDRV_STATUS_INVALID_DEVICE_REQUEST;
    const Shape shape = ShapeOf(row->id);
    const uint32_t size = shape == Shape::Fan ? sizeof(FanRequestBlock) : sizeof(SmiRegisterBlock);
    if (!io.Buffer || io.InputLength != size || io.OutputLength != size)
        return KRDRV_STATUS_INVALID_PARAMETER;
    route = Route{row, shape, size};
    return KRDRV_STATUS_SUCCESS;
}

bool IsSetClock(const SmiRegisterBlock& block) {
    return block.RegEBP != block.Reserved20 && block.RegEDX == block.Reserved4;
}

int32_t RequestDispatcher::Dispatch(const KrdrvIoRequest& io, uint32_t& information) {
    information = 0;
    Route route{};
    const int32_t status = CheckRequest(io, route);
    if (status != KRDRV_STATUS_SUCCESS) return status;
    return Perform(route, io.Buffer, information);
}

int32_t RequestDispatcher::Perform(const Route& route, void* buffer, uint32_t& information) {
    information = 0;
    if (route.shape == Shape::Fan) return Fan(route.row->id, information);
    return Tuning(route, buffer, information);
}

// The block comes in and goes out whole; the work is done on a copy so that a request that
// fails leaves the buffer as it came.
int32_t RequestDispatcher::Tuning(const Route& route, void* buffer, uint32_t& information) {
    SmiRegisterBlock block;
    __builtin_memcpy(&block, buffer, sizeof(block));
    const FirmwareSite site = backend_.Site();
    const bool foundSiteOnly = backend_.Rule() == SiteRule::FoundSiteOnly;
    if (!site.tuning && (route.shape == Shape::InterfaceQuery || foundSiteOnly))
        return KRDRV_STATUS_NO_SUCH_DEVICE;
    const bool atSite = NamesSite(block, site);
    // The interface query is how a client learns the site, so it is answered whatever the
    // block names; its support query runs only at the site.
    if (!atSite && foundSiteOnly && route.shape != Shape::InterfaceQuery)
        return KRDRV_STATUS_INVALID_PARAMETER;

    const FirmwareRequest* function = route.row;
    if (route.shape == Shape::InterfaceQuery)
        function = &kclk::Describe(RequestId::SupOverClock);
    else if (route.shape == Shape::ClockSetting)
        function = &kclk::Describe(IsSetClock(block) ? RequestId::SetClock
                                                     : RequestId::SetClockProb);

    // Not raised, the registers stay as loaded: AX keeps the trigger word, which never reads
    // as a firmware's 0 = done.
    KrdrvRegisters regs = Load(*function, route.shape, block);
    if (atSite || !foundSiteOnly) backend_.TuningTrigger(regs);
    StoreReply(regs, block);
    if (route.shape == Shape::InterfaceQuery) {
        block.SmiPort = site.tuningPort;
        block.SmiCommand = site.tuningCommand;
    }
    __builtin_memcpy(buffer, &block, sizeof(block));
    information = sizeof(block);
    return KRDRV_STATUS_SUCCESS;
}

void RequestDispatcher::StoreReply(const KrdrvRegisters& regs, SmiRegisterBlock& block) {
    block.RegAX = static_cast<uint16_t>(regs.eax);
    block.RegBX = static_cast<uint16_t>(regs.ebx);
    block.RegCX = static_cast<uint16_t>(regs.ecx);
    block.RegSI = static_cast<uint16_t>(regs.esi);
    block.RegEBX = regs.ebx;
    block.RegECX = regs.ecx;
    block.RegEDX = regs.edx;
    block.RegEDI = regs.edi;
    // The marks IsSetClock reads on the next SET_CLOCK of this block. A multiplicative
    // sequence, so that consecutive marks differ and no caller's value is likely to match.
    block.RegEBP = ++replies_ * 0x9E3779B1u ^ 0x4B52C10Cu;
    block.Reserved20 = block.RegEBP;
    block.Reserved4 = block.RegEDX;
}

// The driver's own smart-fan operations, at the fan port it found (the block names no port):
// the presence query, and for on and off the stored setting copied into the one in force.
// The block goes back as it came.
int32_t RequestDispatcher::Fan(RequestId id, uint32_t& information) {
    const FirmwareSite site = backend_.Site();
    if (!site.fan) return KRDRV_STATUS_NO_SUCH_DEVICE;
    KrdrvRegisters presence = FanRegisters(kFanRead, 0, 0, 0, site.fanPort);
    backend_.FanTrigger(presence);
    if ((presence.ecx & 0xFF) != 1) return KRDRV_STATUS_NO_SUCH_DEVICE;
    if (id != RequestId::CheckSmartFan) {
        const uint32_t stored = id == RequestId::SmartFanOn ? kFanStoredOn : kFanStoredOff;
        KrdrvRegisters read = FanRegisters(kFanRead, 1, stored, 0, site.fanPort);
        backend_.FanTrigger(read);
        KrdrvRegisters write = FanRegisters(kFanWrite, 1, kFanInForce, read.esi, site.fanPort);
        backend_.FanTrigger(write);
    }
    information = sizeof(FanRequestBlock);
    return KRDRV_STATUS_SUCCESS;
}

}  // namespace krdrv
