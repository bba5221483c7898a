// The one road of every firmware request: the driver path (DeviceIoControl with the 48-byte
// block) on the NT family, the direct path (registers and the SMI trigger port) on Windows 9x.
#pragma once

#include <cstdint>
#include <windows.h>

#include "firmware_requests.h"
#include "library_state.h"

// Register image of the direct path, in the order the trigger routine loads it.
struct SmiRegisters {
    uint32_t eax, ebx, ecx, edx, esi, edi, ebp;
};
static_assert(sizeof(SmiRegisters) == 28, "the trigger routine's image layout");

extern "C" void __cdecl kclk_TriggerSmi(SmiRegisters* image);
extern "C" void __cdecl kclk_TriggerFanSmi(SmiRegisters* image);

namespace kclk {

// Sends a block to the port driver on DeviceHandle, the same buffer in and out.
bool SendToDriver(uint32_t controlCode, void* block, DWORD size);

// One firmware request. Arguments name the register they travel in on the direct path and the
// block field of the same name on the driver path; the block fields a request does not write go
// out as the previous request left them.
class FirmwareCall {
public:
    // Stores 4 in InterfaceMode, as every firmware export but discovery and the fan does.
    explicit FirmwareCall(RequestId id);

    FirmwareCall& CX(uint16_t value);   // CX / RegCX
    FirmwareCall& SI(uint16_t value);   // SI / RegSI
    FirmwareCall& EBX(uint32_t value);  // EBX, whose low byte BL then replaces / RegEBX whole
    FirmwareCall& ECX(uint32_t value);  // ECX / RegECX
    FirmwareCall& ESI(uint32_t value);  // ESI / RegESI
    FirmwareCall& EDI(uint32_t value);  // EDI / RegEDI
    FirmwareCall& EBP(uint32_t value);  // EBP / RegEBP
    FirmwareCall& EBPOrEDX(uint32_t value);  // EBP / RegEDX: the fourth word of SetClockProb

    // Delivers the request. False only on the driver path, after the failure message.
    bool Deliver();

    // The firmware's status word, or 1 when the request was not delivered.
    uint16_t Status() const { return delivered_ ? AX() : 1; }
    bool Delivered() const { return delivered_; }

    uint16_t AX() const;
    uint16_t BX() const;
    uint16_t CX() const;
    uint16_t SI() const;
    uint32_t EBX() const;
    uint32_t ECX() const;
    uint32_t EDX() const;
    uint32_t EDI() const;

private:
    enum Field : uint16_t {
        kCX = 1, kSI = 2, kEBX = 4, kECX = 8, kEDX = 16, kESI = 32, kEDI = 64, kEBP = 128
    };
    void DeliverToDriver();
    void DeliverDirect();

    const FirmwareRequest& request_;
    bool driverPath_;
    bool delivered_ = false;
    uint16_t written_ = 0;        // block fields this request writes
    SmiRegisterBlock pending_{};  // their values
    SmiRegisters regs_{};         // direct path image, results afterwards
};

}  // namespace kclk
