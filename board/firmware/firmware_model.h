// The simulated board's firmware: the tuning SMI handler and the smart-fan SMI handler as one
// model of a plausible mainboard. Freestanding C++ (no exceptions, no heap, no RTTI, no library
// calls) so that the in-process board and the driver stand-in run exactly the same code.
#pragma once

#include <stdint.h>

namespace board {

// The processor registers an SMI handler sees and changes.
struct CpuRegisters {
    uint32_t eax, ebx, ecx, edx, esi, edi, ebp;
};

// Where the board's firmware listens.
struct SmiInterface {
    uint16_t tuningPort;     // "$KRL4" table: port the tuning trigger goes to
    uint8_t tuningCommand;   // value in AL that makes it a tuning request
    uint16_t fanPort;        // "$RXE" table: port of the smart-fan trigger
};

constexpr uint16_t kDefaultTuningPort = 0x00B2;
constexpr uint8_t kDefaultTuningCommand = 0xEF;
constexpr uint16_t kDefaultFanPort = 0x00B0;
constexpr uint8_t kFanReadCommand = 0x3E;
constexpr uint8_t kFanWriteCommand = 0x3F;

class FirmwareModel {
public:
    FirmwareModel() { Reset(); }

    // A freshly powered board: every value, table, limit and fan item at its default.
    void Reset();

    // The tuning handler, run when AL = the tuning command was written to the tuning port.
    // AH = operation, BL = device, BH = clock item; arguments and results in the registers.
    // AX receives the status word (0 = performed).
    void HandleTuning(CpuRegisters& regs);

    // The smart-fan handler, run when AL = 0x3E (read) or 0x3F (write) was written to the fan
    // port with AH = 0x11. BX = 0: presence (answer in CL); BX = 1: item CX, value in ESI.
    void HandleFan(CpuRegisters& regs);

    // The driver's own smart-fan operations (it passes no values): presence check, and copying
    // the stored on (item 3) or off (item 4) setting into the setting in force (item 1).
    bool FanPresent() const;
    void FanSwitchOn();
    void FanSwitchOff();

    // --- State, for the test bench and tools -------------------------------------------------
    struct Clocks {
        uint16_t fsb, dram, agp, pci;                 // current, MHz x 100 / 100 (see README)
        uint16_t presetDram, presetAgp, presetPci;
        uint32_t vcoEcx, vcoEdx, vcoEdi;              // current VCO registers
        uint32_t presetVcoEcx, presetVcoEdx;
    };
    struct Voltage {
        uint16_t supportStatus;  // 0 = adjustable
        uint16_t attribute;
        uint16_t current;        // one of the table's entries
        const uint16_t* table;
        uint16_t tableLength;
    };

    uint32_t supportStatus;      // status word of the support query (0 = supported)
    uint32_t fsbDramAttributes;  // EBX of the attribute query
    uint32_t agpPciAttributes;   // ECX of the attribute query
    Clocks clocks;
    Voltage voltages[3];         // core (VID), DIMM, AGP
    uint16_t cpuRatio;
    uint16_t ciaStatus, ciaAttribute, mibAttribute, mibControl;
    bool fanInterfacePresent;
    uint32_t fanItems[5];        // 0 control flags, 1 in force, 2 unused, 3 on, 4 off
    uint32_t requestCount;       // every tuning request handled, for tests and tools
};

}  // namespace board
