// The simulated board's firmware: the tuning SMI handler and the smart-fan SMI handler as one
// model of a plausible mainboard. Freestanding C++ (no exceptions, no heap, no RTTI, no library
// calls) so that the in-process board and the driver stand-in run exactly the same code.
// The model holds no pointers and only fixed-size tables: the driver's control interface copies
// it whole as bytes. board/README.md ("Firmware model") documents every register and word.
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

// Status words left in AX by the tuning handler.
constexpr uint16_t kStatusDone = 0x0000;
constexpr uint16_t kStatusUnknownFunction = 0x8600;  // no such AH/BL/BH: nothing changed
constexpr uint16_t kStatusPastEnd = 0x8601;          // table index or preset selector too big
constexpr uint16_t kStatusRejected = 0x8602;         // value not offered or outside a limit
constexpr uint16_t kStatusNotSupported = 0x8603;     // the board cannot change this

// Every table answers this entry (with kStatusPastEnd) for an index past its end.
constexpr uint16_t kTableEnd = 0xFFFF;
constexpr uint16_t kMaxTableEntries = 32;

struct ValueTable {
    uint16_t length;  // entries in use; a larger value reads as kMaxTableEntries
    uint16_t entries[kMaxTableEntries];

    uint16_t Length() const { return length < kMaxTableEntries ? length : kMaxTableEntries; }
    bool Contains(uint16_t value) const;
};

struct Range {
    uint16_t low, high;
    bool Holds(uint16_t value) const { return value >= low && value <= high; }
};

// --- Clock generator (device B0h) -------------------------------------------------------------
// Frequencies are MHz x 100 (13333 = 133.33 MHz), the VCO MHz x 10. DRAM, AGP and PCI are each
// described by a clock word: with bit 15 set the clock runs asynchronously at bits 0..14 (MHz x
// 100); otherwise it is a divider code, high byte the FSB's part and low byte the clock's part,
// clock = FSB x low / high (0x0405: DRAM = 5/4 FSB).
constexpr uint16_t kClockAsynchronous = 0x8000;

struct ClockSetting {
    uint16_t fsb;             // MHz x 100
    uint16_t dram, agp, pci;  // clock words
};

// Indexes follow BH - B0h of the table and limit requests.
enum ClockTableId : uint8_t {
    kDiscreteFsbTable, kFsbDividerTable, kDramDividerTable, kAgpDividerTable, kPciDividerTable,
    kFsbAsyncTable, kDramAsyncTable, kAgpAsyncTable, kPciAsyncTable, kClockTableCount
};
enum ClockLimitId : uint8_t {
    kLinearFsbLimit, kDramLimit, kAgpLimit, kPciLimit, kVcoLimit, kClockLimitCount
};
enum ClockPresetId : uint8_t { kBootPreset, kFailSafePreset, kClockPresetCount };

struct ClockGenerator {
    ClockSetting current;
    ClockSetting presets[kClockPresetCount];  // selector CX of the preset VCO reader
    ValueTable tables[kClockTableCount];
    Range limits[kClockLimitCount];           // VCO in MHz x 10, the others MHz x 100
};

// SetClock and SetClockProb: BX names what is wrong with a setting (0 = acceptable).
constexpr uint16_t kClockBadFsb = 0x0001, kClockBadDram = 0x0002, kClockBadAgp = 0x0004,
                   kClockBadPci = 0x0008, kClockDramOutOfRange = 0x0010,
                   kClockAgpOutOfRange = 0x0020, kClockPciOutOfRange = 0x0040,
                   kClockVcoOutOfRange = 0x0080, kClockReservedBits = 0x0100,
                   kClockNotAdjustable = 0x0200;
// SetClock's EBX bit 8: the new setting also becomes the boot preset.
constexpr uint32_t kSetClockStoreAsPreset = 0x00000100;

// --- Voltages (B1h core, B2h DIMM, B3h AGP), CPU ratio (B4h), accelerators (B5h, B6h) ------------
struct VoltageControl {
    uint16_t supportStatus;  // answer of the support query; 0 = adjustable
    uint16_t attribute;      // high byte: step between entries in mV; low byte: entries
    uint16_t current;        // millivolts, one of the table's entries
    ValueTable table;        // millivolts, ascending
};

struct RatioControl {
    uint16_t supportStatus;     // 0 = the ratio can be changed
    uint16_t attribute;         // high byte: step (x 10); low byte: entries
    uint16_t current;           // multiplier x 10 (105 = 10.5)
    uint16_t processorDefault;  // the processor's own ratio, x 10
    Range limit;                // the processor accepts these, x 10
    ValueTable table;           // x 10, ascending
};

// CIA status and control word: bit 15 engaged, bits 0..7 the level (index into the table).
constexpr uint16_t kCiaEngaged = 0x8000;
struct CiaControl {
    uint16_t supportStatus;
    uint16_t attribute;  // bit 0: software may switch it; high byte: levels in the table
    uint16_t status;
    ValueTable levels;   // per level: FSB boost in percent
};

struct MibControl {
    uint16_t supportStatus;
    uint16_t attribute;  // bit 0: software may switch it
    uint16_t on;         // 1 = engaged
};

// --- Smart fan -----------------------------------------------------------------------------------
enum FanItem : uint8_t {
    kFanControlFlags = 0, kFanInForce = 1, kFanUnusedItem = 2, kFanOnSetting = 3,
    kFanOffSetting = 4, kFanItemCount = 5
};
// Control flags (item 0).
constexpr uint32_t kFanControlEnabled = 0x01, kFanSoftwareSwitch = 0x02,
                   kFanTemperatureMode = 0x04, kFanFitted = 0x08;
// Fan settings (items 1, 3, 4): bit 8 fan running, bits 0..7 duty cycle in percent.
constexpr uint32_t kFanRunning = 0x100;

class FirmwareModel {
public:
    FirmwareModel() { Reset(); }

    // A freshly powered board: every value, table, limit and fan item at its default. A driver
    // that holds the model in a global (no constructors run) calls this first.
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

    // --- State, for the test bench and tools (documented in board/README.md) -----------------
    uint16_t supportStatus;      // status word of the overclock support query (0 = supported)
    uint32_t fsbDramAttributes;  // EBX of the attribute query
    uint32_t agpPciAttributes;   // ECX of the attribute query
    ClockGenerator clock;
    VoltageControl voltages[3];  // core (VID), DIMM, AGP: index BL - B1h
    RatioControl ratio;
    CiaControl cia;
    MibControl mib;
    uint8_t fanInterfacePresent;  // 0 or 1; a byte, because the state also arrives as bytes
    uint32_t fanItems[kFanItemCount];
    uint32_t requestCount;       // tuning requests handled, unknown ones included
    uint32_t fanRequestCount;    // smart-fan triggers handled
    uint32_t lastFunction;       // AH << 16 | BL << 8 | BH of the last tuning request

private:
    uint16_t ClockGeneratorRequest(uint8_t ah, uint8_t bh, CpuRegisters& r);
    uint16_t VoltageRequest(VoltageControl& v, uint8_t ah, CpuRegisters& r);
    uint16_t RatioRequest(uint8_t ah, CpuRegisters& r);
    uint16_t CiaRequest(uint8_t ah, CpuRegisters& r);
    uint16_t MibRequest(uint8_t ah, CpuRegisters& r);
    uint16_t SetClockRequest(bool apply, CpuRegisters& r);
    uint16_t CheckSetting(const ClockSetting& s) const;
};

}  // namespace board
