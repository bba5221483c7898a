// The simulated board's firmware driven directly through its two handlers: where every table
// ends, what a clock setting changes and what a refused one leaves alone, which values the
// voltages, ratio and accelerators accept, the smart-fan items, and unknown functions.
#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

#include "firmware_model.h"

namespace {

using namespace board;

static_assert(std::is_trivially_copyable_v<FirmwareModel>,
              "the driver's control interface copies the model as bytes");

constexpr uint8_t kClock = 0xB0, kCore = 0xB1, kDimm = 0xB2, kAgpVolt = 0xB3, kRatio = 0xB4,
                  kCia = 0xB5, kMib = 0xB6;

// Every register starts with a sentinel so that a test sees which ones the handler wrote.
CpuRegisters Registers(uint8_t ah, uint8_t bl, uint8_t bh = 0) {
    return CpuRegisters{0xA5A50000u | ah << 8 | kDefaultTuningCommand,
                        0x5A5A0000u | static_cast<uint32_t>(bh) << 8 | bl,
                        0xC3C3C3C3u, 0x3C3C0000u | kDefaultTuningPort, 0xE1E1E1E1u,
                        0xD2D2D2D2u, 0xB4B4B4B4u};
}

uint16_t Status(const CpuRegisters& r) { return static_cast<uint16_t>(r.eax); }
uint16_t BX(const CpuRegisters& r) { return static_cast<uint16_t>(r.ebx); }
uint16_t CX(const CpuRegisters& r) { return static_cast<uint16_t>(r.ecx); }

// Settings only: the request counters are allowed to move.
bool SameSettings(const FirmwareModel& a, const FirmwareModel& b) {
#define KIT_SAME(member) (std::memcmp(&a.member, &b.member, sizeof a.member) == 0)
    return KIT_SAME(supportStatus) && KIT_SAME(fsbDramAttributes) &&
           KIT_SAME(agpPciAttributes) && KIT_SAME(clock) && KIT_SAME(voltages) &&
           KIT_SAME(ratio) && KIT_SAME(cia) && KIT_SAME(mib) &&
           a.fanInterfacePresent == b.fanInterfacePresent && KIT_SAME(fanItems);
#undef KIT_SAME
}

class Firmware : public testing::Test {
protected:
    CpuRegisters Tuning(CpuRegisters r) {
        model.HandleTuning(r);
        return r;
    }
    CpuRegisters Tuning(uint8_t ah, uint8_t bl, uint8_t bh = 0) {
        return Tuning(Registers(ah, bl, bh));
    }
    CpuRegisters WithSI(uint8_t ah, uint8_t bl, uint8_t bh, uint16_t si) {
        CpuRegisters r = Registers(ah, bl, bh);
        r.esi = (r.esi & 0xFFFF0000u) | si;
        return Tuning(r);
    }
    CpuRegisters WithCX(uint8_t ah, uint8_t bl, uint8_t bh, uint16_t cx) {
        CpuRegisters r = Registers(ah, bl, bh);
        r.ecx = (r.ecx & 0xFFFF0000u) | cx;
        return Tuning(r);
    }
    uint16_t Reader(uint8_t bh) { return BX(Tuning(0xB2, kClock, bh)); }

    FirmwareModel model;
};

// --- Tables ---------------------------------------------------------------------------------

TEST_F(Firmware, EveryTableEndsWithAStatusAndTheEndMarker) {
    const struct { const char* name; uint8_t ah, bl, bh; uint16_t count, first, last; } tables[] = {
        {"discrete FSB", 0xB3, kClock, 0xB0, 10, 10000, 20000},
        {"FSB divider", 0xB3, kClock, 0xB1, 4, 0x0401, 0x0601},
        {"DRAM divider", 0xB3, kClock, 0xB2, 5, 0x0101, 0x0203},
        {"AGP divider", 0xB3, kClock, 0xB3, 4, 0x0302, 0x0301},
        {"PCI divider", 0xB3, kClock, 0xB4, 4, 0x0301, 0x0601},
        {"FSB asynchronous", 0xB3, kClock, 0xB5, 4, 10000, 20000},
        {"DRAM asynchronous", 0xB3, kClock, 0xB6, 4, 10000, 20000},
        {"AGP asynchronous", 0xB3, kClock, 0xB7, 4, 6667, 8000},
        {"PCI asynchronous", 0xB3, kClock, 0xB8, 4, 3333, 4000},
        {"core voltage", 0xB3, kCore, 0, 31, 1100, 1850},
        {"DIMM voltage", 0xB3, kDimm, 0, 7, 2500, 2800},
        {"AGP voltage", 0xB3, kAgpVolt, 0, 4, 1500, 1800},
        {"CPU ratio", 0xB3, kRatio, 0, 15, 50, 120},
        {"CIA levels", 0xB3, kCia, 0, 4, 3, 10},
    };
    for (const auto& t : tables) {
        SCOPED_TRACE(t.name);
        uint16_t index = 0, last = 0;
        CpuRegisters r{};
        for (; index < 64; ++index) {
            r = WithSI(t.ah, t.bl, t.bh, index);
            if (Status(r) != kStatusDone) break;
            EXPECT_NE(kTableEnd, BX(r)) << "entry " << index;
            if (index == 0) {
                EXPECT_EQ(t.first, BX(r));
            }
            last = BX(r);
        }
        EXPECT_EQ(t.count, index);
        EXPECT_EQ(t.last, last);
        EXPECT_EQ(kStatusPastEnd, Status(r));
        EXPECT_EQ(kTableEnd, BX(r));
        EXPECT_EQ(0x5A5A0000u, r.ebx & 0xFFFF0000u) << "only BX is an answer";
        r = WithSI(t.ah, t.bl, t.bh, 0xFFFF);
        EXPECT_EQ(kStatusPastEnd, Status(r));
        EXPECT_EQ(kTableEnd, BX(r));
    }
}

TEST_F(Firmware, ALengthBeyondTheArrayReadsNoFurther) {
    model.clock.tables[kDiscreteFsbTable].length = 0xFFFF;
    CpuRegisters r = WithSI(0xB3, kClock, 0xB0, kMaxTableEntries - 1);
    EXPECT_EQ(kStatusDone, Status(r));
    r = WithSI(0xB3, kClock, 0xB0, kMaxTableEntries);
    EXPECT_EQ(kStatusPastEnd, Status(r));
}

// --- Readers and limits ---------------------------------------------------------------------

TEST_F(Firmware, LimitsAreRangesWithTheBootValueInCX) {
    const struct { uint8_t bl, ah, bh; uint16_t low, high; bool hasCx; uint16_t cx; } limits[] = {
        {kClock, 0xB4, 0xB0, 10000, 25000, true, 13333},
        {kClock, 0xB4, 0xB1, 10000, 23300, true, 16666},
        {kClock, 0xB4, 0xB2, 6000, 9000, true, 6666},
        {kClock, 0xB4, 0xB3, 3000, 4500, true, 3333},
        {kClock, 0xB4, 0xB4, 4000, 8000, false, 0},
        {kRatio, 0xB4, 0, 60, 110, true, 100},
    };
    for (const auto& l : limits) {
        SCOPED_TRACE(testing::Message() << std::hex << int(l.bl) << "/" << int(l.bh));
        const CpuRegisters r = Tuning(l.ah, l.bl, l.bh);
        EXPECT_EQ(kStatusDone, Status(r));
        EXPECT_EQ(l.low, r.ebx & 0xFFFF);
        EXPECT_EQ(l.high, r.ebx >> 16);
        if (l.hasCx)
            EXPECT_EQ(l.cx, CX(r));
        else
            EXPECT_EQ(0xC3C3C3C3u, r.ecx) << "the VCO limit has no third word";
    }
}

TEST_F(Firmware, VcoReadersGiveTheWholeGeneratorSetting) {
    CpuRegisters r = Tuning(0xB2, kClock, 0xB0);
    EXPECT_EQ(kStatusDone, Status(r));
    EXPECT_EQ(5333, BX(r)) << "133.33 MHz x 4 in MHz x 10";
    EXPECT_EQ(0x04013415u, r.ecx) << "FSB 13333, divider 4:1";
    EXPECT_EQ(0x02010405u, r.edx) << "DRAM 4:5, AGP 2:1";
    EXPECT_EQ(0x00000401u, r.edi) << "PCI 4:1, boot setting in force";

    const struct { uint16_t selector, vco; uint32_t ecx, edx; } presets[] = {
        {0, 5333, 0x04013415u, 0x02010405u},
        {1, 4000, 0x04012710u, 0x03020101u},
    };
    for (const auto& p : presets) {
        r = WithCX(0xB2, kClock, 0xB1, p.selector);
        EXPECT_EQ(kStatusDone, Status(r)) << p.selector;
        EXPECT_EQ(p.vco, BX(r)) << p.selector;
        EXPECT_EQ(p.ecx, r.ecx) << p.selector;
        EXPECT_EQ(p.edx, r.edx) << p.selector;
        EXPECT_EQ(0xD2D2D2D2u, r.edi) << "the preset reader answers no EDI";
    }
    r = WithCX(0xB2, kClock, 0xB1, 2);
    EXPECT_EQ(kStatusPastEnd, Status(r));
    EXPECT_EQ(0x5A5AB1B0u, r.ebx) << "an unknown preset answers nothing";
}

TEST_F(Firmware, AttributeQueryAnswersBothWords) {
    model.fsbDramAttributes = 0x00230003;
    model.agpPciAttributes = 0x00010002;
    const CpuRegisters r = Tuning(0xB1, kClock);
    EXPECT_EQ(kStatusDone, Status(r));
    EXPECT_EQ(0x00230003u, r.ebx);
    EXPECT_EQ(0x00010002u, r.ecx);
    model.supportStatus = kStatusNotSupported;
    EXPECT_EQ(kStatusNotSupported, Status(Tuning(0xB0, kClock)));
}

// --- Clock setting --------------------------------------------------------------------------

struct ClockCase {
    const char* name;
    uint32_t ebx, ecx, esi, edi, ebp;  // EBX: SetClock only
    uint16_t problems;                 // 0 = accepted
    uint32_t fsbDram = 0x001B000F, agpPci = 0x001B001B;
};

const ClockCase kClockCases[] = {
    {"new FSB, clocks follow", 0, 15000, 0, 0, 0, 0},
    {"discrete FSB 200 with slower dividers", 0, 20000, 0x0101, 0x0301, 0x0601, 0},
    {"asynchronous AGP from its table", 0, 0, 0, kClockAsynchronous | 7000, 0, 0},
    {"FSB below the linear range", 0, 9000, 0, 0, 0,
     kClockBadFsb | kClockAgpOutOfRange | kClockPciOutOfRange},
    {"FSB 200 with the boot dividers", 0, 20000, 0, 0, 0,
     kClockDramOutOfRange | kClockAgpOutOfRange | kClockPciOutOfRange},
    {"DRAM divider not in its table", 0, 0, 0x0304, 0, 0, kClockBadDram},
    {"asynchronous AGP not in its table", 0, 0, 0, kClockAsynchronous | 7100, 0, kClockBadAgp},
    {"PCI word that makes no clock", 0, 0, 0, 0, 0x0100, kClockBadPci | kClockPciOutOfRange},
    {"reserved high half", 0, 0, 0x00010000, 0, 0, kClockReservedBits},
    {"FSB not adjustable", 0, 15000, 0, 0, 0, kClockBadFsb, 0x001B000D},
    {"no linear mode: discrete FSB", 0, 15000, 0, 0, 0, 0, 0x001B000B},
    {"no linear mode: other FSB", 0, 14500, 0, 0, 0, kClockBadFsb, 0x001B000B},
    {"DRAM without divider mode", 0, 0, 0x0101, 0, 0, kClockBadDram, 0x0013000F},
    {"asynchronous PCI without that mode", 0, 0, 0, 0, kClockAsynchronous | 3500, kClockBadPci,
     0x001B000F, 0x000B001B},
    {"linear asynchronous DRAM", 0, 0, kClockAsynchronous | 15000, 0, 0, 0, 0x001F000F},
};

TEST_F(Firmware, ProbeAnswersLikeSetClockAndChangesNothing) {
    for (const ClockCase& c : kClockCases) {
        SCOPED_TRACE(c.name);
        model.Reset();
        model.fsbDramAttributes = c.fsbDram;
        model.agpPciAttributes = c.agpPci;
        const FirmwareModel before = model;
        CpuRegisters r = Registers(0xB5, kClock);
        r.ecx = c.ecx; r.esi = c.esi; r.edi = c.edi; r.ebp = c.ebp;
        r = Tuning(r);
        EXPECT_EQ(c.problems ? kStatusRejected : kStatusDone, Status(r));
        EXPECT_EQ(c.problems, BX(r));
        EXPECT_TRUE(SameSettings(before, model));
    }
}

TEST_F(Firmware, SetClockAppliesWhatItAcceptsAndOnlyThat) {
    for (const ClockCase& c : kClockCases) {
        SCOPED_TRACE(c.name);
        model.Reset();
        model.fsbDramAttributes = c.fsbDram;
        model.agpPciAttributes = c.agpPci;
        const FirmwareModel before = model;
        CpuRegisters r = Registers(0xB6, kClock);
        r.ebx = c.ebx | kClock; r.ecx = c.ecx; r.esi = c.esi; r.edi = c.edi; r.ebp = c.ebp;
        r = Tuning(r);
        EXPECT_EQ(c.problems ? kStatusRejected : kStatusDone, Status(r));
        EXPECT_EQ(c.problems, BX(r));
        if (c.problems) {
            EXPECT_TRUE(SameSettings(before, model));
        } else {
            EXPECT_EQ(c.ecx ? c.ecx : 13333u, Reader(0xB2));
            EXPECT_EQ(c.esi ? c.esi : 0x0405u, model.clock.current.dram);
        }
    }
}

TEST_F(Firmware, NewFsbMovesTheDerivedClocksButNotThePresets) {
    CpuRegisters r = Registers(0xB6, kClock);
    r.ebx = kClock; r.ecx = 15000; r.esi = r.edi = r.ebp = 0;
    ASSERT_EQ(kStatusDone, Status(Tuning(r)));
    const struct { uint8_t bh; uint16_t value; const char* name; } readers[] = {
        {0xB2, 15000, "FSB"}, {0xB3, 18750, "DRAM"}, {0xB4, 16666, "preset DRAM"},
        {0xB5, 7500, "AGP"}, {0xB6, 6666, "preset AGP"}, {0xB7, 3750, "PCI"},
        {0xB8, 3333, "preset PCI"},
    };
    for (const auto& rd : readers) EXPECT_EQ(rd.value, Reader(rd.bh)) << rd.name;
    r = Tuning(0xB2, kClock, 0xB0);
    EXPECT_EQ(6000, BX(r)) << "VCO follows the FSB";
    EXPECT_EQ(1u, r.edi >> 16) << "no longer the boot setting";
}

TEST_F(Firmware, SetClockCanStoreTheBootPreset) {
    CpuRegisters r = Registers(0xB6, kClock);
    r.ebx = kSetClockStoreAsPreset | kClock; r.ecx = 15000; r.esi = r.edi = r.ebp = 0;
    ASSERT_EQ(kStatusDone, Status(Tuning(r)));
    EXPECT_EQ(18750, Reader(0xB4));
    EXPECT_EQ(15000, CX(Tuning(0xB4, kClock, 0xB0))) << "the linear limit's boot FSB";
    EXPECT_EQ(0u, Tuning(0xB2, kClock, 0xB0).edi >> 16) << "in force = boot setting again";

    r = Registers(0xB6, kClock);
    r.ebx = 0x00020000u | kClock; r.ecx = 16000; r.esi = r.edi = r.ebp = 0;
    r = Tuning(r);
    EXPECT_EQ(kStatusRejected, Status(r));
    EXPECT_EQ(kClockReservedBits, BX(r)) << "EBX bits 9..31 are reserved";
}

TEST_F(Firmware, BoardWithoutOverclockingRefusesEverySetting) {
    model.supportStatus = kStatusNotSupported;
    const FirmwareModel before = model;
    for (uint8_t ah : {uint8_t(0xB5), uint8_t(0xB6)}) {
        CpuRegisters r = Registers(ah, kClock);
        r.ebx = kClock; r.ecx = 15000; r.esi = r.edi = r.ebp = 0;
        r = Tuning(r);
        EXPECT_EQ(kStatusNotSupported, Status(r));
        EXPECT_EQ(kClockNotAdjustable, BX(r));
    }
    EXPECT_TRUE(SameSettings(before, model));
}

// --- Voltages, ratio, accelerators ------------------------------------------------------------

TEST_F(Firmware, VoltagesTakeOnlyTheirTablesEntries) {
    const struct { uint8_t bl; uint16_t attribute, current, entry; } devices[] = {
        {kCore, 0x191F, 1500, 1750}, {kDimm, 0x3207, 2500, 2700}, {kAgpVolt, 0x6404, 1500, 1600}};
    for (const auto& d : devices) {
        SCOPED_TRACE(testing::Message() << "device " << std::hex << int(d.bl));
        EXPECT_EQ(kStatusDone, Status(Tuning(0xB0, d.bl)));
        EXPECT_EQ(d.attribute, BX(Tuning(0xB1, d.bl)));
        EXPECT_EQ(d.current, BX(Tuning(0xB2, d.bl)));

        CpuRegisters r = WithCX(0xB4, d.bl, 0, d.entry + 1);
        EXPECT_EQ(kStatusRejected, Status(r));
        EXPECT_EQ(d.current, BX(r)) << "answers the value still in force";
        EXPECT_EQ(d.current, BX(Tuning(0xB2, d.bl)));

        r = WithCX(0xB4, d.bl, 0, d.entry);
        EXPECT_EQ(kStatusDone, Status(r));
        EXPECT_EQ(d.entry, BX(r));
        EXPECT_EQ(d.entry, BX(Tuning(0xB2, d.bl)));

        model.voltages[d.bl - kCore].supportStatus = kStatusNotSupported;
        r = WithCX(0xB4, d.bl, 0, d.current);
        EXPECT_EQ(kStatusNotSupported, Status(r));
        EXPECT_EQ(d.entry, BX(Tuning(0xB2, d.bl)));
        EXPECT_EQ(kStatusNotSupported, Status(Tuning(0xB0, d.bl)));
    }
}

TEST_F(Firmware, RatioMustBeInTheTableAndInsideTheProcessorsLimits) {
    EXPECT_EQ(0x050F, BX(Tuning(0xB1, kRatio)));
    const struct { uint16_t ratio, status, after; } cases[] = {
        {110, kStatusDone, 110},       // highest the processor takes
        {115, kStatusRejected, 110},   // in the table, beyond the limit
        {103, kStatusRejected, 110},   // not a table entry
        {60, kStatusDone, 60},
        {55, kStatusRejected, 60},     // below the limit
    };
    for (const auto& c : cases) {
        const CpuRegisters r = WithCX(0xB5, kRatio, 0, c.ratio);
        EXPECT_EQ(c.status, Status(r)) << c.ratio;
        EXPECT_EQ(c.after, BX(r)) << c.ratio;
        EXPECT_EQ(c.after, BX(Tuning(0xB2, kRatio))) << c.ratio;
    }
    model.ratio.supportStatus = kStatusNotSupported;
    EXPECT_EQ(kStatusNotSupported, Status(WithCX(0xB5, kRatio, 0, 100)));
    EXPECT_EQ(60, BX(Tuning(0xB2, kRatio)));
}

TEST_F(Firmware, CiaControlWordsAndStatus) {
    EXPECT_EQ(0x0401, BX(Tuning(0xB1, kCia))) << "switchable, four levels";
    const struct { uint16_t control, status, bx, statusAfter; } cases[] = {
        {kCiaEngaged | 2, kStatusDone, 1, kCiaEngaged | 2},
        {kCiaEngaged | 4, kStatusRejected, 1, kCiaEngaged | 2},  // no level 4
        {0x0100, kStatusRejected, 1, kCiaEngaged | 2},          // reserved bit
        {1, kStatusDone, 0, 1},
    };
    for (const auto& c : cases) {
        const CpuRegisters r = WithSI(0xB4, kCia, 0, c.control);
        EXPECT_EQ(c.status, Status(r)) << std::hex << c.control;
        EXPECT_EQ(c.bx, BX(r)) << std::hex << c.control;
        const CpuRegisters s = Tuning(0xB2, kCia);
        EXPECT_EQ(kStatusDone, Status(s));
        EXPECT_EQ(c.statusAfter, s.esi & 0xFFFF) << std::hex << c.control;
    }
    model.cia.attribute = 0xFFFE;
    EXPECT_EQ(kStatusNotSupported, Status(WithSI(0xB4, kCia, 0, kCiaEngaged)));
    EXPECT_EQ(1u, Tuning(0xB2, kCia).esi & 0xFFFF);
}

TEST_F(Firmware, MibControlWord) {
    EXPECT_EQ(kStatusDone, Status(Tuning(0xB0, kMib)));
    EXPECT_EQ(1, BX(Tuning(0xB1, kMib)) & 1);
    const struct { uint16_t control, status, bx; } cases[] = {
        {1, kStatusDone, 1}, {2, kStatusRejected, 1}, {0, kStatusDone, 0}};
    for (const auto& c : cases) {
        const CpuRegisters r = WithCX(0xB2, kMib, 0, c.control);
        EXPECT_EQ(c.status, Status(r)) << c.control;
        EXPECT_EQ(c.bx, BX(r)) << c.control;
    }
    model.mib.supportStatus = kStatusNotSupported;
    EXPECT_EQ(kStatusNotSupported, Status(WithCX(0xB2, kMib, 0, 1)));
    EXPECT_EQ(0, model.mib.on);
}

TEST_F(Firmware, UnknownFunctionsChangeNothingButAX) {
    const struct { uint8_t ah, bl, bh; } unknown[] = {
        {0xB7, kClock, 0}, {0xB2, kClock, 0xB9}, {0xB2, kClock, 0xAF}, {0xB3, kClock, 0xB9},
        {0xB4, kClock, 0xB5}, {0xB5, kCore, 0}, {0xB6, kRatio, 0}, {0xB5, kCia, 0},
        {0xB3, kMib, 0}, {0xB0, 0xB7, 0}, {0x00, 0x00, 0}, {0x11, kClock, 0},
    };
    for (const auto& u : unknown) {
        SCOPED_TRACE(testing::Message() << std::hex << int(u.ah) << "/" << int(u.bl) << "/"
                                        << int(u.bh));
        const FirmwareModel before = model;
        const CpuRegisters in = Registers(u.ah, u.bl, u.bh);
        CpuRegisters out = in;
        model.HandleTuning(out);
        EXPECT_EQ(kStatusUnknownFunction, Status(out));
        EXPECT_EQ(in.eax & 0xFFFF0000u, out.eax & 0xFFFF0000u);
        EXPECT_EQ(0, std::memcmp(&in.ebx, &out.ebx, sizeof in - sizeof in.eax));
        EXPECT_TRUE(SameSettings(before, model));
        EXPECT_EQ(before.requestCount + 1, model.requestCount);
    }
}

TEST_F(Firmware, ByteCopyIsACompleteIndependentBoard) {
    model.clock.current.fsb = 15000;
    alignas(FirmwareModel) unsigned char bytes[sizeof(FirmwareModel)];
    std::memcpy(bytes, &model, sizeof model);
    model.Reset();
    model.clock.tables[kDiscreteFsbTable].entries[0] = 1;
    FirmwareModel copy;
    std::memcpy(&copy, bytes, sizeof copy);
    CpuRegisters r = Registers(0xB2, kClock, 0xB2);
    copy.HandleTuning(r);
    EXPECT_EQ(15000, BX(r));
    r = Registers(0xB3, kClock, 0xB0);
    r.esi = 0;
    copy.HandleTuning(r);
    EXPECT_EQ(10000, BX(r));
}

// --- Smart fan ------------------------------------------------------------------------------

CpuRegisters FanRegisters(uint8_t command, uint16_t bx, uint16_t item, uint32_t esi = 0xE1E1E1E1u) {
    return CpuRegisters{0xA5A51100u | command, bx, 0xC3C30000u | item, kDefaultFanPort, esi,
                        0xD2D2D2D2u, 0xB4B4B4B4u};
}

TEST_F(Firmware, FanPresenceAnswersInCL) {
    for (bool present : {true, false}) {
        model.fanInterfacePresent = present;
        CpuRegisters r = FanRegisters(kFanReadCommand, 0, 0x5555);
        model.HandleFan(r);
        EXPECT_EQ(present ? 0xC3C35501u : 0xC3C35500u, r.ecx);
        EXPECT_EQ(0xA5A5113Eu, r.eax) << "no status word";
        EXPECT_EQ(present, model.FanPresent());
    }
}

TEST_F(Firmware, FanItemsReadAndWrite) {
    const struct { uint16_t item; uint32_t value; } defaults[] = {
        {0, 0x09}, {1, kFanRunning | 100}, {3, kFanRunning | 100}, {4, 0}};
    for (const auto& d : defaults) {
        CpuRegisters r = FanRegisters(kFanReadCommand, 1, d.item);
        model.HandleFan(r);
        EXPECT_EQ(d.value, r.esi) << "item " << d.item;
    }
    model.fanItems[kFanControlFlags] = 0x0D;
    CpuRegisters r = FanRegisters(kFanReadCommand, 1, 0);
    model.HandleFan(r);
    EXPECT_EQ(0x0Du, r.esi) << "a test sets the control flags";

    r = FanRegisters(kFanWriteCommand, 1, 0, 0x0B);
    model.HandleFan(r);
    EXPECT_EQ(0x0Bu, model.fanItems[kFanControlFlags]);

    const FirmwareModel before = model;
    for (uint16_t item : {uint16_t(2), uint16_t(5), uint16_t(0xFFFF)}) {
        r = FanRegisters(kFanWriteCommand, 1, item, 0x1234);
        model.HandleFan(r);
        r = FanRegisters(kFanReadCommand, 1, item);
        model.HandleFan(r);
        EXPECT_EQ(0xE1E1E1E1u, r.esi) << "item " << item << " is not served";
    }
    for (uint32_t eax : {0xA5A5123Eu, 0xA5A51140u}) {
        r = FanRegisters(0, 1, 1, 0);
        r.eax = eax;
        model.HandleFan(r);
    }
    EXPECT_TRUE(SameSettings(before, model));
}

TEST_F(Firmware, FanSwitchCopiesTheStoredSettingIntoForce) {
    model.fanItems[kFanOnSetting] = 0x00C0FFEE;
    model.fanItems[kFanOffSetting] = 0x00000BAD;
    model.FanSwitchOff();
    EXPECT_EQ(0x0BADu, model.fanItems[kFanInForce]);
    model.FanSwitchOn();
    EXPECT_EQ(0x00C0FFEEu, model.fanItems[kFanInForce]);

    model.fanInterfacePresent = false;
    model.FanSwitchOff();
    CpuRegisters r = FanRegisters(kFanWriteCommand, 1, 1, 7);
    model.HandleFan(r);
    EXPECT_EQ(0x00C0FFEEu, model.fanItems[kFanInForce]) << "no fan, no change";
}

}  // namespace
