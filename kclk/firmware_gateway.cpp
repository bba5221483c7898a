#include "firmware_gateway.h"

#include "messages.h"

namespace kclk {

bool SendToDriver(uint32_t controlCode, void* block, DWORD size) {
    DWORD returned = 0;  // not examined: the driver answers in place
    return DeviceIoControl(State().DeviceHandle, controlCode, block, size, block, size, &returned,
                           nullptr) != FALSE;
}

FirmwareCall::FirmwareCall(RequestId id)
    : request_(Describe(id)), driverPath_(UsesDriverPath(State().OsKind)) {
    if (id != RequestId::InterfaceQuery) State().InterfaceMode = kInterfaceKrl4;
}

FirmwareCall& FirmwareCall::CX(uint16_t value) {
    written_ |= kCX;
    pending_.RegCX = value;
    regs_.ecx = (regs_.ecx & 0xFFFF0000u) | value;
    return *this;
}
FirmwareCall& FirmwareCall::SI(uint16_t value) {
    written_ |= kSI;
    pending_.RegSI = value;
    regs_.esi = (regs_.esi & 0xFFFF0000u) | value;
    return *this;
}
FirmwareCall& FirmwareCall::EBX(uint32_t value) {
    written_ |= kEBX;
    pending_.RegEBX = regs_.ebx = value;
    return *this;
}
FirmwareCall& FirmwareCall::ECX(uint32_t value) {
    written_ |= kECX;
    pending_.RegECX = regs_.ecx = value;
    return *this;
}
FirmwareCall& FirmwareCall::ESI(uint32_t value) {
    written_ |= kESI;
    pending_.RegESI = regs_.esi = value;
    return *this;
}
FirmwareCall& FirmwareCall::EDI(uint32_t value) {
    written_ |= kEDI;
    pending_.RegEDI = regs_.edi = value;
    return *this;
}
FirmwareCall& FirmwareCall::EBP(uint32_t value) {
    written_ |= kEBP;
    pending_.RegEBP = regs_.ebp = value;
    return *this;
}
FirmwareCall& FirmwareCall::EBPOrEDX(uint32_t value) {
    written_ |= kEDX;
    pending_.RegEDX = regs_.ebp = value;
    return *this;
}

bool FirmwareCall::Deliver() {
    if (driverPath_)
        DeliverToDriver();
    else
        DeliverDirect();
    return delivered_;
}

void FirmwareCall::DeliverToDriver() {
    LibraryState& state = State();
    SmiRegisterBlock& block = state.Request;
    if (request_.copiesInterface) {
        block.SmiPort = state.SmiPort;
        block.SmiCommand = state.SmiCommand;
    }
    if (written_ & kCX) block.RegCX = pending_.RegCX;
    if (written_ & kSI) block.RegSI = pending_.RegSI;
    if (written_ & kEBX) block.RegEBX = pending_.RegEBX;
    if (written_ & kECX) block.RegECX = pending_.RegECX;
    if (written_ & kEDX) block.RegEDX = pending_.RegEDX;
    if (written_ & kESI) block.RegESI = pending_.RegESI;
    if (written_ & kEDI) block.RegEDI = pending_.RegEDI;
    if (written_ & kEBP) block.RegEBP = pending_.RegEBP;

    delivered_ = SendToDriver(request_.controlCode, &block, sizeof(block));
    if (!delivered_ && request_.failureTag) {
        FixedText<96> text("DeviceIOControl Fail(");
        text.Append(request_.failureTag).Append(")\n");
        ShowPlainMessage(text.c_str(), "GetCgtable");
    }
}

void FirmwareCall::DeliverDirect() {
    const LibraryState& state = State();
    // BL replaces the low byte of whatever EBX argument was loaded; BH only where the
    // request names a clock item.
    regs_.ebx = (regs_.ebx & 0xFFFFFF00u) | request_.bl;
    if (request_.bh != kNoItem)
        regs_.ebx = (regs_.ebx & 0xFFFF00FFu) | (static_cast<uint32_t>(request_.bh) << 8);
    regs_.eax = (static_cast<uint32_t>(request_.ah) << 8) | state.SmiCommand;
    regs_.edx = state.SmiPort;
    kclk_TriggerSmi(&regs_);
    delivered_ = true;  // the direct path cannot tell that nobody answered
}

uint16_t FirmwareCall::AX() const {
    return driverPath_ ? State().Request.RegAX : static_cast<uint16_t>(regs_.eax);
}
uint16_t FirmwareCall::BX() const {
    return driverPath_ ? State().Request.RegBX : static_cast<uint16_t>(regs_.ebx);
}
uint16_t FirmwareCall::CX() const {
    return driverPath_ ? State().Request.RegCX : static_cast<uint16_t>(regs_.ecx);
}
uint16_t FirmwareCall::SI() const {
    return driverPath_ ? State().Request.RegSI : static_cast<uint16_t>(regs_.esi);
}
uint32_t FirmwareCall::EBX() const { return driverPath_ ? State().Request.RegEBX : regs_.ebx; }
uint32_t FirmwareCall::ECX() const { return driverPath_ ? State().Request.RegECX : regs_.ecx; }
uint32_t FirmwareCall::EDX() const { return driverPath_ ? State().Request.RegEDX : regs_.edx; }
uint32_t FirmwareCall::EDI() const { return driverPath_ ? State().Request.RegEDI : regs_.edi; }

}  // namespace kclk
