// The simulated board's firmware driven directly through its two handlers: where every table
// ends, what a clock setting changes and what a refused one leaves alone, which values the
// voltages, ratio and accelerators accept, the smart-fan items, and unknown functions.
#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

#include "firmware_settings.h"
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

class Firmware : public testing::Test {
protected:
    CpuRegisters Tuning(CpuRegisters r) {
        model.HandleTuning(r);
        return r;
    }
    CpuRegisters Tuning(uint8_t ah, uint8_t bl, uint8_t bh = 0) {
        return Tuning(Registers(ah, bl, bh));
    }
    // A request with one argument word in the low half of SI or CX.
    CpuRegisters WithSI(uint8_t ah, uint8_t bl, uint8_t bh, uint16_t si) {
        return With(Registers(ah, bl, bh), &CpuRegisters::esi, si);
    }
    CpuRegisters WithCX(uint8_t ah, uint8_t bl, uint8_t bh, uint16_t cx) {
        return With(Registers(ah, bl, bh), &CpuRegisters::ecx, cx);
    }
    CpuRegisters With(CpuRegisters r, uint32_t CpuRegisters::*reg, uint16_t word) {
        r.*reg = (r.*reg & 0xFFFF0000u) | word;
        return Tuning(r);
    }
    uint16_t Reader(uint8_t bh) { return BX(Tuning(0xB2, kClock, bh)); }

    FirmwareModel model;
};

// --- Tables ---------------------------------------------------------------------------------

TEST_F(Firmware, EveryTableEndsWithAStatusAndTheEndMarker) {
    const struct { const char* name; uint8_t bl, bh; uint16_t count, last; } tables[] = {
        {"discrete FSB", kClock, 0xB0, 10, 20000},     {"FSB divider", kClock, 0xB1, 4, 0x0601},
        {"DRAM divider", kClock, 0xB2, 5, 0x0203},     {"AGP divider", kClock, 0xB3, 4, 0x0301},
        {"PCI divider", kClock, 0xB4, 4, 0x0601},      {"FSB asynchronous", kClock, 0xB5, 4, 20000},
        {"DRAM asynchronous", kClock, 0xB6, 4, 20000}, {"AGP asynchronous", kClock, 0xB7, 4, 8000},
        {"PCI asynchronous", kClock, 0xB8, 4, 4000},   {"core voltage", kCore, 0, 31, 1850},
        {"DIMM voltage", kDimm, 0, 7, 2800},           {"AGP voltage", kAgpVolt, 0, 4, 1800},
        {"CPU ratio", kRatio, 0, 15, 120},             {"CIA levels", kCia, 0, 4, 10},
    };
    for (const auto& t : tables) {
        SCOPED_TRACE(t.name);
        uint16_t index = 0, last = 0;
        CpuRegisters r{};
        for (; index < 64; ++index) {
            r = WithSI(0xB3, t.bl, t.bh, index);
            if (Status(r) != kStatusDone) break;
            EXPECT_NE(kTableEnd, BX(r)) << "entry " << index;
            last = BX(r);
        }
        EXPECT_EQ(t.count, index);
        EXPECT_EQ(t.last, last);
        EXPECT_EQ(kStatusPastEnd, Status(r));
        EXPECT_EQ(0x5A5A0000u | kTableEnd, r.ebx) << "the end marker, and only in BX";
        r = WithSI(0xB3, t.bl, t.bh, 0xFFFF);
        EXPECT_EQ(kStatusPastEnd, Status(r));
        EXPECT_EQ(kTableEnd, BX(r));
    }
}

TEST_F(Firmware, ALengthBeyondTheArrayReadsNoFurther) {
    model.clock.tables[kDiscreteFsbTable].length = 0xFFFF;
    EXPECT_EQ(kStatusDone, Status(WithSI(0xB3, kClock, 0xB0, kMaxTableEntries - 1)));
    EXPECT_EQ(kStatusPastEnd, Status(WithSI(0xB3, kClock, 0xB0, kMaxTableEntries)));
}

// --- Readers and limits ---------------------------------------------------------------------

TEST_F(Firmware, LimitsAreRangesWithTheBootValueInCX) {
    const struct { uint8_t bl, bh; uint16_t low, high, cx; } limits[] = {
        {kClock, 0xB0, 10000, 25000, 13333}, {kClock, 0xB1, 10000, 23300, 16666},
        {kClock, 0xB2, 6000, 9000, 6666},    {kClock, 0xB3, 3000, 4500, 3333},
        {kClock, 0xB4, 4000, 8000, 0xC3C3},  {kRatio, 0, 60, 110, 100},
    };
    for (const auto& l : limits) {
        const CpuRegisters r = Tuning(0xB4, l.bl, l.bh);
        EXPECT_EQ(kStatusDone, Status(r)) << std::hex << int(l.bl) << "/" << int(l.bh);
        EXPECT_EQ(uint32_t(l.high) << 16 | l.low, r.ebx) << std::hex << int(l.bh);
        EXPECT_EQ(l.cx, CX(r)) << std::hex << int(l.bh) << " (the VCO limit leaves CX)";
    }
}

TEST_F(Firmware, VcoReadersGiveTheWholeGeneratorSetting) {
    CpuRegisters r = Tuning(0xB2, kClock, 0xB0);
    EXPECT_EQ(5333, BX(r)) << "133.33 MHz x 4 in MHz x 10";
    EXPECT_EQ(0x04013415u, r.ecx) << "FSB 13333, divider 4:1";
    EXPECT_EQ(0x02010405u, r.edx) << "DRAM 4:5, AGP 2:1";
    EXPECT_EQ(0x00000401u, r.edi) << "PCI 4:1, boot setting in force";

    const struct { uint16_t selector, status, vco; uint32_t ecx, edx; } presets[] = {
        {0, kStatusDone, 5333, 0x04013415u, 0x02010405u},
        {1, kStatusDone, 4000, 0x04012710u, 0x03020101u},
        {2, kStatusPastEnd, 0xB1B0, 0xC3C30002u, 0x3C3C0000u | kDefaultTuningPort},
    };
    for (const auto& p : presets) {
        r = WithCX(0xB2, kClock, 0xB1, p.selector);
        EXPECT_EQ(p.status, Status(r)) << p.selector;
        EXPECT_EQ(p.vco, BX(r)) << p.selector;
        EXPECT_EQ(p.ecx, r.ecx) << p.selector;
        EXPECT_EQ(p.edx, r.edx) << p.selector;
        EXPECT_EQ(0xD2D2D2D2u, r.edi) << "the preset reader answers no EDI";
    }
}

// --- Clock setting --------------------------------------------------------------------------

struct ClockCase {
    const char* name;
    uint32_t ecx, esi, edi, ebp;
    uint16_t problems;  // 0 = accepted
    uint32_t fsbDram = 0x001B000F, agpPci = 0x001B001B;
};

const ClockCase kClockCases[] = {
    {"new FSB, clocks follow", 15000, 0, 0, 0, 0},
    {"discrete FSB 200 with slower dividers", 20000, 0x0101, 0x0301, 0x0601, 0},
    {"asynchronous AGP from its table", 0, 0, kClockAsynchronous | 7000, 0, 0},
    {"FSB below the linear range", 9000, 0, 0, 0,
     kClockBadFsb | kClockAgpOutOfRange | kClockPciOutOfRange},
    {"FSB 200 with the boot dividers", 20000, 0, 0, 0,
     kClockDramOutOfRange | kClockAgpOutOfRange | kClockPciOutOfRange},
    {"DRAM divider not in its table", 0, 0x0304, 0, 0, kClockBadDram},
    {"asynchronous AGP not in its table", 0, 0, kClockAsynchronous | 7100, 0, kClockBadAgp},
    {"PCI word that makes no clock", 0, 0, 0, 0x0100, kClockBadPci | kClockPciOutOfRange},
    {"reserved high half", 0, 0x00010000, 0, 0, kClockReservedBits},
    {"FSB not adjustable", 15000, 0, 0, 0, kClockBadFsb, 0x001B000D},
    {"no linear mode: discrete FSB", 15000, 0, 0, 0, 0, 0x001B000B},
    {"no linear mode: other FSB", 14500, 0, 0, 0, kClockBadFsb, 0x001B000B},
    {"DRAM without divider mode", 0, 0x0101, 0, 0, kClockBadDram, 0x0013000F},
    {"asynchronous PCI without that mode", 0, 0, 0, kClockAsynchronous | 3500, kClockBadPci,
     0x001B000F, 0x000B001B},
    {"linear asynchronous DRAM", 0, kClockAsynchronous | 15000, 0, 0, 0, 0x001F000F},
};

// The probe (B5h) answers what the set (B6h) answers; only the set applies, and only a
// setting it accepts.
TEST_F(Firmware, ProbeAndSetJudgeAlikeAndOnlyAnAcceptedSetApplies) {
    for (const ClockCase& c : kClockCases) {
        for (uint8_t ah : {uint8_t(0xB5), uint8_t(0xB6)}) {
            SCOPED_TRACE(testing::Message() << c.name << (ah == 0xB5 ? " (probe)" : " (set)"));
            model.Reset();
            model.fsbDramAttributes = c.fsbDram;
            model.agpPciAttributes = c.agpPci;
            const FirmwareModel before = model;
            CpuRegisters r = Registers(ah, kClock);
            r.ecx = c.ecx; r.esi = c.esi; r.edi = c.edi; r.ebp = c.ebp;
            if (ah == 0xB6) r.ebx = kClock;  // the probe ignores EBX's sentinel: it has none
            r = Tuning(r);
            EXPECT_EQ(c.problems ? kStatusRejected : kStatusDone, Status(r));
            EXPECT_EQ(c.problems, BX(r));
            if (ah == 0xB5 || c.problems) {
                EXPECT_TRUE(testsupport::SameSettings(before, model));
            } else {
                EXPECT_EQ(c.ecx ? c.ecx : 13333u, Reader(0xB2));
                EXPECT_EQ(c.esi ? c.esi : 0x0405u, model.clock.current.dram);
            }
        }
    }
}

TEST_F(Firmware, NewFsbMovesTheDerivedClocksAndThePresetOnlyWhenAsked) {
    for (uint32_t ebx : {uint32_t(0), kSetClockStoreAsPreset}) {
        model.Reset();
        CpuRegisters r = Registers(0xB6, kClock);
        r.ebx = ebx | kClock; r.ecx = 15000; r.esi = r.edi = r.ebp = 0;
        ASSERT_EQ(kStatusDone, Status(Tuning(r)));
        const bool stored = ebx != 0;
        const struct { uint8_t bh; uint16_t value; } readers[] = {
            {0xB2, 15000}, {0xB3, 18750}, {0xB4, uint16_t(stored ? 18750 : 16666)},
            {0xB5, 7500},  {0xB6, uint16_t(stored ? 7500 : 6666)},
            {0xB7, 3750},  {0xB8, uint16_t(stored ? 3750 : 3333)},
        };
        for (const auto& rd : readers) EXPECT_EQ(rd.value, Reader(rd.bh)) << std::hex << int(rd.bh);
        r = Tuning(0xB2, kClock, 0xB0);
        EXPECT_EQ(6000, BX(r)) << "VCO follows the FSB";
        EXPECT_EQ(stored ? 0u : 1u, r.edi >> 16) << "differs from the boot setting";
    }
    model.supportStatus = kStatusNotSupported;
    CpuRegisters r = Registers(0xB6, kClock);
    r.ebx = kClock; r.ecx = 16000; r.esi = r.edi = r.ebp = 0;
    EXPECT_EQ(kStatusNotSupported, Status(Tuning(r)));
    EXPECT_EQ(15000, Reader(0xB2));
}

// --- Voltages, ratio, accelerators ------------------------------------------------------------

// Each device's set request takes table entries only: a refused one answers the value still in
// force, and a device whose support query says no takes nothing.
TEST_F(Firmware, VoltagesAndRatioTakeOnlyOfferedValues) {
    const struct {
        uint8_t bl, setAh;
        uint16_t attribute, current, good, bad;
        uint16_t* support;
    } devices[] = {
        {kCore, 0xB4, 0x191F, 1500, 1750, 1751, &model.voltages[0].supportStatus},
        {kDimm, 0xB4, 0x3207, 2500, 2700, 2701, &model.voltages[1].supportStatus},
        {kAgpVolt, 0xB4, 0x6404, 1500, 1600, 1601, &model.voltages[2].supportStatus},
        {kRatio, 0xB5, 0x050F, 100, 110, 115, &model.ratio.supportStatus},  // 115: past the limit
        {kRatio, 0xB5, 0x050F, 110, 60, 103, &model.ratio.supportStatus},   // 103: no entry
    };
    for (const auto& d : devices) {
        SCOPED_TRACE(testing::Message() << "device " << std::hex << int(d.bl));
        EXPECT_EQ(kStatusDone, Status(Tuning(0xB0, d.bl)));
        EXPECT_EQ(d.attribute, BX(Tuning(0xB1, d.bl)));
        const struct { uint16_t value, status, after; } steps[] = {
            {d.bad, kStatusRejected, d.current}, {d.good, kStatusDone, d.good}};
        for (const auto& s : steps) {
            const CpuRegisters r = WithCX(d.setAh, d.bl, 0, s.value);
            EXPECT_EQ(s.status, Status(r)) << s.value;
            EXPECT_EQ(s.after, BX(r)) << s.value;
            EXPECT_EQ(s.after, BX(Tuning(0xB2, d.bl))) << s.value;
        }
    }
    for (const auto& d : devices) {
        *d.support = kStatusNotSupported;
        EXPECT_EQ(kStatusNotSupported, Status(Tuning(0xB0, d.bl)));
        EXPECT_EQ(kStatusNotSupported, Status(WithCX(d.setAh, d.bl, 0, d.current)));
        EXPECT_NE(d.current, BX(Tuning(0xB2, d.bl))) << std::hex << int(d.bl);
    }
}

TEST_F(Firmware, AcceleratorControlWords) {
    EXPECT_EQ(0x0401, BX(Tuning(0xB1, kCia))) << "switchable, four levels";
    EXPECT_EQ(0x0001, BX(Tuning(0xB1, kMib)));
    // CIA: control word in SI, status back in SI. MIB: control word in CX.
    const struct { uint8_t bl, ah; uint16_t control, status, bx, after; } cases[] = {
        {kCia, 0xB4, kCiaEngaged | 2, kStatusDone, 1, kCiaEngaged | 2},
        {kCia, 0xB4, kCiaEngaged | 4, kStatusRejected, 1, kCiaEngaged | 2},  // no level 4
        {kCia, 0xB4, 0x0100, kStatusRejected, 1, kCiaEngaged | 2},          // reserved bit
        {kCia, 0xB4, 1, kStatusDone, 0, 1},
        {kMib, 0xB2, 1, kStatusDone, 1, 1},
        {kMib, 0xB2, 2, kStatusRejected, 1, 1},
        {kMib, 0xB2, 0, kStatusDone, 0, 0},
    };
    for (const auto& c : cases) {
        const CpuRegisters r = c.bl == kCia ? WithSI(c.ah, c.bl, 0, c.control)
                                            : WithCX(c.ah, c.bl, 0, c.control);
        EXPECT_EQ(c.status, Status(r)) << std::hex << int(c.bl) << " " << c.control;
        EXPECT_EQ(c.bx, BX(r)) << std::hex << int(c.bl) << " " << c.control;
        EXPECT_EQ(c.after, c.bl == kCia ? Tuning(0xB2, kCia).esi & 0xFFFF : model.mib.on);
    }
    model.cia.attribute = 0xFFFE;
    model.mib.supportStatus = kStatusNotSupported;
    EXPECT_EQ(kStatusNotSupported, Status(WithSI(0xB4, kCia, 0, kCiaEngaged)));
    EXPECT_EQ(kStatusNotSupported, Status(WithCX(0xB2, kMib, 0, 1)));
    EXPECT_EQ(1u, Tuning(0xB2, kCia).esi & 0xFFFF);
    EXPECT_EQ(0, model.mib.on);
}

TEST_F(Firmware, UnknownFunctionsChangeNothingButAX) {
    const struct { uint8_t ah, bl, bh; } unknown[] = {
        {0xB7, kClock, 0}, {0xB2, kClock, 0xB9}, {0xB2, kClock, 0xAF}, {0xB3, kClock, 0xB9},
        {0xB4, kClock, 0xB5}, {0xB5, kCore, 0}, {0xB6, kRatio, 0}, {0xB5, kCia, 0},
        {0xB3, kMib, 0}, {0xB0, 0xB7, 0}, {0x00, 0x00, 0}, {0x11, kClock, 0},
    };
    for (const auto& u : unknown) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << int(u.ah) << "/" << int(u.bl) << "/" << int(u.bh));
        const FirmwareModel before = model;
        const CpuRegisters in = Registers(u.ah, u.bl, u.bh);
        const CpuRegisters out = Tuning(in);
        EXPECT_EQ((in.eax & 0xFFFF0000u) | kStatusUnknownFunction, out.eax);
        EXPECT_EQ(0, std::memcmp(&in.ebx, &out.ebx, sizeof in - sizeof in.eax));
        EXPECT_TRUE(testsupport::SameSettings(before, model));
        EXPECT_EQ(before.requestCount + 1, model.requestCount);
    }
}

// --- Smart fan ------------------------------------------------------------------------------

CpuRegisters Fan(FirmwareModel& model, uint8_t command, uint16_t bx, uint16_t item,
                 uint32_t esi = 0xE1E1E1E1u) {
    CpuRegisters r{0xA5A51100u | command, bx, 0xC3C30000u | item, kDefaultFanPort, esi,
                   0xD2D2D2D2u, 0xB4B4B4B4u};
    model.HandleFan(r);
    return r;
}

TEST_F(Firmware, FanPresenceAndItems) {
    EXPECT_EQ(0xC3C35501u, Fan(model, kFanReadCommand, 0, 0x5555).ecx) << "present: CL = 1";
    EXPECT_EQ(0xA5A5113Eu, Fan(model, kFanReadCommand, 0, 0).eax) << "no status word";
    const struct { uint16_t item; uint32_t value; } defaults[] = {
        {0, 0x09}, {1, kFanRunning | 100}, {3, kFanRunning | 100}, {4, 0}};
    for (const auto& d : defaults)
        EXPECT_EQ(d.value, Fan(model, kFanReadCommand, 1, d.item).esi) << "item " << d.item;

    Fan(model, kFanWriteCommand, 1, 0, 0x0B);
    EXPECT_EQ(0x0Bu, model.fanItems[kFanControlFlags]);
    model.fanItems[kFanControlFlags] = 0x0D;
    EXPECT_EQ(0x0Du, Fan(model, kFanReadCommand, 1, 0).esi) << "a test sets the control flags";

    // Unused and unknown items, other functions and commands, and any item without a fan.
    const FirmwareModel before = model;
    for (uint16_t item : {uint16_t(2), uint16_t(5), uint16_t(0xFFFF)}) {
        Fan(model, kFanWriteCommand, 1, item, 0x1234);
        EXPECT_EQ(0xE1E1E1E1u, Fan(model, kFanReadCommand, 1, item).esi) << "item " << item;
    }
    Fan(model, 0x40, 1, 1, 0);
    model.fanInterfacePresent = false;
    Fan(model, kFanWriteCommand, 1, 1, 0);
    EXPECT_EQ(0xE1E1E1E1u, Fan(model, kFanReadCommand, 1, 1).esi);
    EXPECT_EQ(0xC3C30000u, Fan(model, kFanReadCommand, 0, 0).ecx) << "absent: CL = 0";
    model.fanInterfacePresent = true;
    EXPECT_TRUE(testsupport::SameSettings(before, model));
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
    EXPECT_EQ(0x00C0FFEEu, model.fanItems[kFanInForce]) << "no fan, no change";
}

}  // namespace
