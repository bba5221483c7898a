// Everything the firmware lets a client adjust, with its current value, the boot preset, the
// tables and limits a new value must come from, and what the firmware says may be changed. Plain
// data: the change plan works on it without a board, and the tests build one by hand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tune_items.h"

namespace tune {

constexpr int32_t kInterfaceUsable = 4;    // Check_KRVer's answer for a usable interface
constexpr uint16_t kTableReadCap = 64;     // entries read from one table at most
constexpr uint16_t kStatusUndelivered = 1;  // the library's "request not delivered"

// The four words of a clock setting, as SetClock takes them and ReturnCurrentVCOValue reports.
struct ClockWords {
    uint16_t fsb = 0, dram = 0, agp = 0, pci = 0;
    uint16_t Get(Item item) const;
    void Set(Item item, uint16_t word);
    bool operator==(const ClockWords&) const = default;
};

// One firmware table as read: entries up to the first nonzero status (or the cap).
struct WordTable {
    std::vector<uint16_t> entries;
    uint16_t endStatus = 0;  // the status that ended it; 0 when the cap did
    bool Contains(uint16_t value) const;
};

// A limit reader's answer: lowest, highest, and (where the firmware gives one) CX.
struct WordLimit {
    uint16_t status = kStatusUndelivered;
    uint16_t low = 0, high = 0, cx = 0;
    bool Known() const { return status == 0; }
    bool Holds(uint16_t value) const { return Known() && value >= low && value <= high; }
};

// Attribute bits of one clock (the same five in each clock's group of the attribute words).
enum ClockAttribute : uint32_t {
    kAttrShow = 1u << 0, kAttrCanAdjust = 1u << 1, kAttrLinear = 1u << 2,
    kAttrDivider = 1u << 3, kAttrAsync = 1u << 4,
};

// Indexes of the clock tables and limits, in the order of the library's readers.
enum ClockTable : int {
    kDiscreteFsbTable, kFsbDividerTable, kDramDividerTable, kAgpDividerTable, kPciDividerTable,
    kFsbAsyncTable, kDramAsyncTable, kAgpAsyncTable, kPciAsyncTable, kClockTableCount
};
enum ClockLimit : int { kLinearFsbLimit, kDramLimit, kAgpLimit, kPciLimit, kVcoLimit, kClockLimitCount };

struct ClockState {
    uint16_t supportStatus = kStatusUndelivered;    // SupOverClock
    uint16_t attributeStatus = kStatusUndelivered;  // GetOverClockAttribute
    uint32_t fsbDramAttributes = 0, agpPciAttributes = 0;  // from the 21 capability flags

    uint16_t currentStatus = kStatusUndelivered;  // ReturnCurrentVCOValue
    uint16_t vco = 0, fsbDivider = 0, flags = 0;
    ClockWords current;

    uint16_t presetStatus = kStatusUndelivered;  // ReturnPresetVCOValue, selector 0
    uint16_t presetVco = 0;
    ClockWords preset;  // the firmware does not report the preset's PCI word: pci stays 0

    // Frequencies from the readers (MHz x 100 on the simulated board); status 0 = valid.
    uint16_t fsbFrequencyStatus = kStatusUndelivered, fsbFrequency = 0;
    uint16_t frequencyStatus[3] = {kStatusUndelivered, kStatusUndelivered, kStatusUndelivered};
    uint16_t frequency[3] = {};  // DRAM, AGP, PCI in force
    uint16_t presetFrequencyStatus[3] = {kStatusUndelivered, kStatusUndelivered, kStatusUndelivered};
    uint16_t presetFrequency[3] = {};

    WordTable tables[kClockTableCount];
    WordLimit limits[kClockLimitCount];

    // The attribute group of a clock item (FSB, DRAM, AGP or PCI).
    uint32_t Attributes(Item clock) const;
};

// A voltage or the CPU ratio: a support status (0 = adjustable), an attribute word, the word in
// force and the table of words the firmware offers (and, for the ratio, its limits).
struct LevelState {
    uint16_t supportStatus = kStatusUndelivered;
    uint16_t attributeStatus = kStatusUndelivered, attribute = 0;
    uint16_t currentStatus = kStatusUndelivered, current = 0;
    WordTable table;
    WordLimit limit;  // the ratio only: lowest, highest, CX = the processor's default
};

struct CiaState {
    int32_t supported = 0;                   // GetCIASup: 1 = yes
    int32_t attributeAnswer = 0, switchable = 0;  // GetCIAAttribute and its flag
    int32_t statusAnswer = 0;
    uint16_t status = 0;                     // bit 15 engaged, bits 0..7 the level
    WordTable levels;                        // GetCIATable until the first "no"
};

// The firmware has no reader for MIB: its state is unknown to every client.
struct MibState {
    int32_t supported = 0;
    int32_t attributeAnswer = 0, switchable = 0;
};

struct BoardSnapshot {
    int32_t krVersion = 0;  // Check_KRVer
    bool usable = false;    // krVersion == 4; nothing else is read otherwise

    ClockState clock;
    LevelState voltages[3];  // core, DIMM, AGP
    LevelState ratio;
    bool fanChecked = false;  // not asked on Windows 9x, where the check rewrites fan flags
    int32_t fanPresent = 0;
    CiaState cia;
    MibState mib;

    // Made and freed out of line: a snapshot is a few hundred fields and thirteen tables, and
    // every function holding one would otherwise carry all of it in line.
    BoardSnapshot();
    BoardSnapshot(const BoardSnapshot&);
    BoardSnapshot(BoardSnapshot&&) noexcept;
    BoardSnapshot& operator=(const BoardSnapshot&);
    BoardSnapshot& operator=(BoardSnapshot&&) noexcept;
    ~BoardSnapshot();

    // The level state of a voltage item or the ratio; null for the others.
    const LevelState* Level(Item item) const;
    // The word in force; none for MIB (unreadable) or when the reader failed.
    std::optional<uint16_t> Current(Item item) const;
    // Whether the firmware says the item may be changed; why not, when it may not.
    bool Adjustable(Item item, std::string* whyNot = nullptr) const;
    // The board as the firmware describes itself, without any value in force: attribute words,
    // every table and limit, voltage attributes and tables, ratio table and limits.
    std::vector<uint16_t> IdentityWords() const;
    // The adjustable items with their words in force (MIB, which cannot be read, never): what
    // a profile saves.
    TargetSet ValuesInForce() const;
};

// Reads everything through kclk.dll. Check_KRVer first: when it does not answer 4, only
// krVersion is filled and usable stays false.
BoardSnapshot ReadBoardSnapshot();

}  // namespace tune
