// The in-process board for the Windows 9x path: a BIOS image at linear F0000h and a vectored
// exception handler that plays the firmware's SMI handler. The library's `out` instructions
// fault in user mode under Wine; the handler records each write, runs the firmware model on the
// trapped registers when the write is a trigger the board answers, and steps past it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "firmware_model.h"

namespace board {

struct PortWrite {
    uint16_t port;
    uint8_t width;        // 8, 16 or 32 bits
    CpuRegisters before;  // the registers at the write
    CpuRegisters after;   // as the handler left them (the same when nobody answered)
    bool answered;
};

constexpr uintptr_t kBiosAreaStart = 0xF0000;
constexpr size_t kBiosAreaSize = 0x10000;
// The page right after FFFFFh: kept unreadable, so that a read past the area faults.
constexpr uintptr_t kPastBiosArea = kBiosAreaStart + kBiosAreaSize;
constexpr size_t kPastBiosAreaSize = 0x1000;

class InProcessBoard {
public:
    static InProcessBoard& Instance();

    // Maps the BIOS area (filled with 0xFF), makes the page after it unreadable and installs the
    // handler. Idempotent.
    bool Install();

    // A board freshly powered on: the area cleared, the interface at its defaults, the firmware
    // model reset and the write log emptied.
    void PowerOn();

    // BIOS area contents.
    void ClearBios();
    void PlaceBytes(uintptr_t linear, const void* bytes, size_t count);
    void PlaceKrl4Table(uintptr_t linear, uint16_t port, uint8_t command);
    void PlaceClkTable(uintptr_t linear, uint16_t port, uint8_t command);
    void PlaceRxeTable(uintptr_t linear, uint16_t fanPort);
    // Makes the area unreadable (as on a system that does not map it) or readable again.
    void SetBiosReadable(bool readable);

    // Whether the firmware answers its triggers at all (a board without the handler).
    void SetFirmwareAnswers(bool answers);
    void SetInterface(const SmiInterface& smi);
    SmiInterface Interface() const;

    FirmwareModel& Firmware() { return firmware_; }

    // Plays the tuning handler instead of the firmware model, for tests that need exact
    // register answers; an empty function restores the model. PowerOn clears it.
    using TuningHandler = std::function<void(CpuRegisters&)>;
    void OverrideTuningHandler(TuningHandler handler);

    std::vector<PortWrite> Writes() const;
    void ClearWrites();
    // Reads of the BIOS area, or of the page after it, that faulted. The library makes none but
    // its readability probe's, which stops at the first fault.
    std::vector<uintptr_t> FaultedBiosReads() const;

private:
    InProcessBoard() = default;
    static LONG CALLBACK OnException(EXCEPTION_POINTERS* info);
    LONG HandlePortWrite(CONTEXT& context);

    mutable std::mutex mutex_;
    bool installed_ = false;
    bool answers_ = true;
    SmiInterface smi_{kDefaultTuningPort, kDefaultTuningCommand, kDefaultFanPort};
    FirmwareModel firmware_;
    TuningHandler override_;
    std::vector<PortWrite> writes_;
    std::vector<uintptr_t> faultedReads_;
};

}  // namespace board
