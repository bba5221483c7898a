#include "firmware_model.h"

namespace board {

namespace {

// Operations (AH) and devices (BL) of the tuning interface.
constexpr uint8_t kOpSupport = 0xB0, kOpAttribute = 0xB1, kOpCurrent = 0xB2, kOpTable = 0xB3,
                  kOpLimit = 0xB4, kOpProbeClock = 0xB5, kOpSetClock = 0xB6;
constexpr uint8_t kOpSetRatio = 0xB5, kOpSetVoltage = 0xB4, kOpCiaControl = 0xB4,
                  kOpMibControl = 0xB2;
constexpr uint8_t kClockDevice = 0xB0, kFirstVoltage = 0xB1, kLastVoltage = 0xB3,
                  kRatioDevice = 0xB4, kCiaDevice = 0xB5, kMibDevice = 0xB6;
constexpr uint8_t kFirstItem = 0xB0;
constexpr uint8_t kFanFunction = 0x11;

// Bits of a clock's five-bit group in the attribute words.
constexpr uint32_t kAttrCanAdjust = 0x02, kAttrLinear = 0x04, kAttrDivider = 0x08,
                   kAttrAsync = 0x10;

uint16_t Low(uint32_t v) { return static_cast<uint16_t>(v); }
uint32_t Pair(uint16_t low, uint16_t high) { return low | (static_cast<uint32_t>(high) << 16); }
void SetLow(uint32_t& reg, uint16_t value) { reg = (reg & 0xFFFF0000u) | value; }

void Fill(ValueTable& t, const uint16_t* values, uint16_t count) {
    t.length = count;
    for (uint16_t i = 0; i < kMaxTableEntries; ++i) t.entries[i] = i < count ? values[i] : 0;
}

template <uint16_t N>
void Fill(ValueTable& t, const uint16_t (&values)[N]) {
    static_assert(N <= kMaxTableEntries, "table fits the model");
    Fill(t, values, N);
}

void FillSteps(ValueTable& t, uint16_t first, uint16_t step, uint16_t count) {
    t.length = count;
    for (uint16_t i = 0; i < kMaxTableEntries; ++i)
        t.entries[i] = i < count ? static_cast<uint16_t>(first + i * step) : 0;
}

// Reads one entry the way every table request answers: past the end, the end marker.
uint16_t TableEntry(const ValueTable& t, uint16_t index, CpuRegisters& r) {
    if (index >= t.Length()) {
        SetLow(r.ebx, kTableEnd);
        return kStatusPastEnd;
    }
    SetLow(r.ebx, t.entries[index]);
    return kStatusDone;
}

// A set request: performed only when supported and the value acceptable; BX reports the value
// in force afterwards either way.
uint16_t SetWord(uint16_t supportStatus, bool acceptable, uint16_t wanted, uint16_t& current,
                 CpuRegisters& r) {
    uint16_t status = kStatusDone;
    if (supportStatus != kStatusDone)
        status = kStatusNotSupported;
    else if (!acceptable)
        status = kStatusRejected;
    else
        current = wanted;
    SetLow(r.ebx, current);
    return status;
}

uint16_t AttributeFor(const ValueTable& t) {
    const uint16_t count = t.Length();
    const uint16_t step = count >= 2 ? static_cast<uint16_t>(t.entries[1] - t.entries[0]) : 0;
    return static_cast<uint16_t>((step > 0xFF ? 0xFF : step) << 8 | count);
}

// The frequency (MHz x 100) a clock word makes from an FSB; 0 when the word makes none.
uint16_t ClockFrequency(uint16_t fsb, uint16_t word) {
    if (word & kClockAsynchronous) return word & 0x7FFF;
    const uint32_t fsbPart = word >> 8, clockPart = word & 0xFF;
    if (fsbPart == 0) return 0;
    const uint32_t f = fsb * clockPart / fsbPart;
    return f > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(f);
}

// The VCO runs at FSB x (VCO part / FSB part) of an FSB divider code (high byte : low byte).
uint16_t VcoFrequency(uint16_t fsb, uint16_t code) {
    const uint32_t vcoPart = code >> 8, fsbPart = code & 0xFF;
    if (fsbPart == 0) return 0;
    const uint32_t f = fsb * vcoPart / fsbPart / 10;
    return f > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(f);
}

// The generator takes the first FSB divider that keeps its VCO inside the VCO limit.
struct VcoChoice { uint16_t code, frequency; };
VcoChoice ChooseVco(const ClockGenerator& g, uint16_t fsb) {
    const ValueTable& dividers = g.tables[kFsbDividerTable];
    for (uint16_t i = 0; i < dividers.Length(); ++i) {
        const uint16_t vco = VcoFrequency(fsb, dividers.entries[i]);
        if (vco != 0 && g.limits[kVcoLimit].Holds(vco)) return {dividers.entries[i], vco};
    }
    return {0, 0};
}

// What sets DRAM, AGP and PCI apart when a setting is checked.
struct DerivedClock {
    uint16_t ClockSetting::*word;
    uint32_t FirmwareModel::*attributes;
    uint8_t attributeShift;
    ClockTableId dividers, asynchronous;
    ClockLimitId limit;
    uint16_t badWord, outOfRange;
};

constexpr DerivedClock kDerivedClocks[] = {
    {&ClockSetting::dram, &FirmwareModel::fsbDramAttributes, 16, kDramDividerTable,
     kDramAsyncTable, kDramLimit, kClockBadDram, kClockDramOutOfRange},
    {&ClockSetting::agp, &FirmwareModel::agpPciAttributes, 0, kAgpDividerTable, kAgpAsyncTable,
     kAgpLimit, kClockBadAgp, kClockAgpOutOfRange},
    {&ClockSetting::pci, &FirmwareModel::agpPciAttributes, 16, kPciDividerTable, kPciAsyncTable,
     kPciLimit, kClockBadPci, kClockPciOutOfRange},
};

// Board defaults: a 133 MHz FSB board with DDR memory, AGP 4x and a 10x processor.
constexpr uint16_t kDiscreteFsb[] = {10000, 10300, 11200, 12400, 13333,
                                     14000, 15000, 16667, 18000, 20000};
constexpr uint16_t kFsbDividers[] = {0x0401, 0x0301, 0x0201, 0x0601};  // VCO : FSB
constexpr uint16_t kDramDividers[] = {0x0101, 0x0405, 0x0504, 0x0302, 0x0203};
constexpr uint16_t kAgpDividers[] = {0x0302, 0x0201, 0x0502, 0x0301};
constexpr uint16_t kPciDividers[] = {0x0301, 0x0401, 0x0501, 0x0601};
constexpr uint16_t kFsbAsync[] = {10000, 13333, 16667, 20000};
constexpr uint16_t kDramAsync[] = {10000, 13333, 16667, 20000};
constexpr uint16_t kAgpAsync[] = {6667, 7000, 7500, 8000};
constexpr uint16_t kPciAsync[] = {3333, 3500, 3750, 4000};
constexpr uint16_t kCiaLevels[] = {3, 5, 7, 10};

}  // namespace

bool ValueTable::Contains(uint16_t value) const {
    for (uint16_t i = 0; i < Length(); ++i)
        if (entries[i] == value) return true;
    return false;
}

void FirmwareModel::Reset() {
    supportStatus = kStatusDone;
    // FSB: shown, adjustable, linear, divider mode. DRAM, AGP, PCI: shown, adjustable, divider
    // and asynchronous modes.
    fsbDramAttributes = 0x001B000F;
    agpPciAttributes = 0x001B001B;

    clock.current = ClockSetting{13333, 0x0405, 0x0201, 0x0401};
    clock.presets[kBootPreset] = clock.current;
    clock.presets[kFailSafePreset] = ClockSetting{10000, 0x0101, 0x0302, 0x0301};
    Fill(clock.tables[kDiscreteFsbTable], kDiscreteFsb);
    Fill(clock.tables[kFsbDividerTable], kFsbDividers);
    Fill(clock.tables[kDramDividerTable], kDramDividers);
    Fill(clock.tables[kAgpDividerTable], kAgpDividers);
    Fill(clock.tables[kPciDividerTable], kPciDividers);
    Fill(clock.tables[kFsbAsyncTable], kFsbAsync);
    Fill(clock.tables[kDramAsyncTable], kDramAsync);
    Fill(clock.tables[kAgpAsyncTable], kAgpAsync);
    Fill(clock.tables[kPciAsyncTable], kPciAsync);
    clock.limits[kLinearFsbLimit] = Range{10000, 25000};
    clock.limits[kDramLimit] = Range{10000, 23300};
    clock.limits[kAgpLimit] = Range{6000, 9000};
    clock.limits[kPciLimit] = Range{3000, 4500};
    clock.limits[kVcoLimit] = Range{4000, 8000};

    // Core 1.100..1.850 V by 25 mV, DIMM 2.50..2.80 V by 50 mV, AGP 1.5..1.8 V by 100 mV.
    const struct { uint16_t first, step, count, current; } volts[3] = {
        {1100, 25, 31, 1500}, {2500, 50, 7, 2500}, {1500, 100, 4, 1500}};
    for (int i = 0; i < 3; ++i) {
        VoltageControl& v = voltages[i];
        v.supportStatus = kStatusDone;
        FillSteps(v.table, volts[i].first, volts[i].step, volts[i].count);
        v.attribute = AttributeFor(v.table);
        v.current = volts[i].current;
    }

    ratio.supportStatus = kStatusDone;
    FillSteps(ratio.table, 50, 5, 15);  // 5.0x .. 12.0x
    ratio.attribute = AttributeFor(ratio.table);
    ratio.current = ratio.processorDefault = 100;
    ratio.limit = Range{60, 110};

    cia.supportStatus = kStatusDone;
    Fill(cia.levels, kCiaLevels);
    cia.attribute = static_cast<uint16_t>(cia.levels.Length() << 8 | 0x0001);
    cia.status = 0;
    mib.supportStatus = kStatusDone;
    mib.attribute = 0x0001;
    mib.on = 0;

    // Flags 09h: control enabled and a fan fitted, software switching not yet allowed, so that
    // a client's first check grants it.
    fanInterfacePresent = 1;
    fanItems[kFanControlFlags] = kFanControlEnabled | kFanFitted;
    fanItems[kFanOnSetting] = kFanRunning | 100;
    fanItems[kFanOffSetting] = 0;
    fanItems[kFanInForce] = fanItems[kFanOnSetting];
    fanItems[kFanUnusedItem] = 0;

    requestCount = fanRequestCount = lastFunction = 0;
}

void FirmwareModel::HandleTuning(CpuRegisters& r) {
    ++requestCount;
    const uint8_t ah = static_cast<uint8_t>(r.eax >> 8);
    const uint8_t bl = static_cast<uint8_t>(r.ebx);
    const uint8_t bh = static_cast<uint8_t>(r.ebx >> 8);
    lastFunction = static_cast<uint32_t>(ah) << 16 | static_cast<uint32_t>(bl) << 8 | bh;

    // Requests work on a copy so that a refused one leaves every register but AX as it was.
    CpuRegisters out = r;
    uint16_t status = kStatusUnknownFunction;
    if (bl == kClockDevice)
        status = ClockGeneratorRequest(ah, bh, out);
    else if (bl >= kFirstVoltage && bl <= kLastVoltage)
        status = VoltageRequest(voltages[bl - kFirstVoltage], ah, out);
    else if (bl == kRatioDevice)
        status = RatioRequest(ah, out);
    else if (bl == kCiaDevice)
        status = CiaRequest(ah, out);
    else if (bl == kMibDevice)
        status = MibRequest(ah, out);
    if (status != kStatusUnknownFunction) r = out;
    SetLow(r.eax, status);
}

uint16_t FirmwareModel::ClockGeneratorRequest(uint8_t ah, uint8_t bh, CpuRegisters& r) {
    const uint8_t item = static_cast<uint8_t>(bh - kFirstItem);
    switch (ah) {
    case kOpSupport:
        SetLow(r.ebx, 0x0100);  // interface revision 1.0
        return supportStatus;
    case kOpAttribute:
        r.ebx = fsbDramAttributes;
        r.ecx = agpPciAttributes;
        return kStatusDone;
    case kOpCurrent: {
        const ClockSetting& now = clock.current;
        const ClockSetting& boot = clock.presets[kBootPreset];
        switch (item) {
        case 0: {
            const VcoChoice vco = ChooseVco(clock, now.fsb);
            const bool tuned = now.fsb != boot.fsb || now.dram != boot.dram ||
                               now.agp != boot.agp || now.pci != boot.pci;
            SetLow(r.ebx, vco.frequency);
            r.ecx = Pair(now.fsb, vco.code);
            r.edx = Pair(now.dram, now.agp);
            r.edi = Pair(now.pci, tuned ? 1 : 0);
            return kStatusDone;
        }
        case 1: {
            const uint16_t selector = Low(r.ecx);
            if (selector >= kClockPresetCount) return kStatusPastEnd;
            const ClockSetting& p = clock.presets[selector];
            const VcoChoice vco = ChooseVco(clock, p.fsb);
            SetLow(r.ebx, vco.frequency);
            r.ecx = Pair(p.fsb, vco.code);
            r.edx = Pair(p.dram, p.agp);
            return kStatusDone;
        }
        case 2: SetLow(r.ebx, now.fsb); return kStatusDone;
        case 3: SetLow(r.ebx, ClockFrequency(now.fsb, now.dram)); return kStatusDone;
        case 4: SetLow(r.ebx, ClockFrequency(boot.fsb, boot.dram)); return kStatusDone;
        case 5: SetLow(r.ebx, ClockFrequency(now.fsb, now.agp)); return kStatusDone;
        case 6: SetLow(r.ebx, ClockFrequency(boot.fsb, boot.agp)); return kStatusDone;
        case 7: SetLow(r.ebx, ClockFrequency(now.fsb, now.pci)); return kStatusDone;
        case 8: SetLow(r.ebx, ClockFrequency(boot.fsb, boot.pci)); return kStatusDone;
        default: return kStatusUnknownFunction;
        }
    }
    case kOpTable:
        if (item >= kClockTableCount) return kStatusUnknownFunction;
        return TableEntry(clock.tables[item], Low(r.esi), r);
    case kOpLimit: {
        if (item >= kClockLimitCount) return kStatusUnknownFunction;
        const Range& limit = clock.limits[item];
        r.ebx = Pair(limit.low, limit.high);
        // CX: the boot preset's value of the same clock (the VCO limit has no third word).
        const ClockSetting& boot = clock.presets[kBootPreset];
        switch (item) {
        case kLinearFsbLimit: SetLow(r.ecx, boot.fsb); break;
        case kDramLimit: SetLow(r.ecx, ClockFrequency(boot.fsb, boot.dram)); break;
        case kAgpLimit: SetLow(r.ecx, ClockFrequency(boot.fsb, boot.agp)); break;
        case kPciLimit: SetLow(r.ecx, ClockFrequency(boot.fsb, boot.pci)); break;
        default: break;
        }
        return kStatusDone;
    }
    case kOpProbeClock: return SetClockRequest(false, r);
    case kOpSetClock: return SetClockRequest(true, r);
    default: return kStatusUnknownFunction;
    }
}

// Probe (AH B5h): ECX, ESI, EDI, EBP. Set (AH B6h): the same plus EBX bits 8..31. The low half
// of each holds the FSB or a clock word (0 = keep the one in force); high halves are reserved.
uint16_t FirmwareModel::SetClockRequest(bool apply, CpuRegisters& r) {
    if (supportStatus != kStatusDone) {
        SetLow(r.ebx, kClockNotAdjustable);
        return kStatusNotSupported;
    }
    uint16_t problems = 0;
    if ((r.ecx | r.esi | r.edi | r.ebp) & 0xFFFF0000u) problems |= kClockReservedBits;
    if (apply && (r.ebx & 0xFFFFFE00u)) problems |= kClockReservedBits;

    const ClockSetting& now = clock.current;
    const auto pick = [](uint16_t asked, uint16_t inForce) { return asked ? asked : inForce; };
    const ClockSetting wanted{pick(Low(r.ecx), now.fsb), pick(Low(r.esi), now.dram),
                              pick(Low(r.edi), now.agp), pick(Low(r.ebp), now.pci)};
    problems |= CheckSetting(wanted);

    const bool storePreset = (r.ebx & kSetClockStoreAsPreset) != 0;
    SetLow(r.ebx, problems);
    if (problems) return kStatusRejected;
    if (apply) {
        clock.current = wanted;
        if (storePreset) clock.presets[kBootPreset] = wanted;
    }
    return kStatusDone;
}

uint16_t FirmwareModel::CheckSetting(const ClockSetting& s) const {
    uint16_t problems = 0;
    const ClockSetting& now = clock.current;

    // A changed FSB must be adjustable and offered: in the linear range (when linear mode is
    // supported), in the discrete table, or in the asynchronous table (when that mode is).
    if (s.fsb != now.fsb) {
        const uint32_t a = fsbDramAttributes;
        const bool offered =
            ((a & kAttrLinear) && clock.limits[kLinearFsbLimit].Holds(s.fsb)) ||
            clock.tables[kDiscreteFsbTable].Contains(s.fsb) ||
            ((a & kAttrAsync) && clock.tables[kFsbAsyncTable].Contains(s.fsb));
        if (!(a & kAttrCanAdjust) || !offered) problems |= kClockBadFsb;
    }

    for (const DerivedClock& d : kDerivedClocks) {
        const uint16_t word = s.*d.word;
        if (word != now.*d.word) {
            const uint32_t a = (this->*d.attributes) >> d.attributeShift;
            const Range& range = clock.limits[d.limit];
            bool offered;
            if (word & kClockAsynchronous) {
                const uint16_t f = word & 0x7FFF;
                offered = (a & kAttrAsync) && (clock.tables[d.asynchronous].Contains(f) ||
                                               ((a & kAttrLinear) && range.Holds(f)));
            } else {
                offered = (a & kAttrDivider) && clock.tables[d.dividers].Contains(word);
            }
            if (!(a & kAttrCanAdjust) || !offered) problems |= d.badWord;
        }
        const uint16_t f = ClockFrequency(s.fsb, word);
        if (f == 0 || !clock.limits[d.limit].Holds(f)) problems |= d.outOfRange;
    }

    if (ChooseVco(clock, s.fsb).code == 0) problems |= kClockVcoOutOfRange;
    return problems;
}

uint16_t FirmwareModel::VoltageRequest(VoltageControl& v, uint8_t ah, CpuRegisters& r) {
    switch (ah) {
    case kOpSupport: return v.supportStatus;
    case kOpAttribute: SetLow(r.ebx, v.attribute); return kStatusDone;
    case kOpCurrent: SetLow(r.ebx, v.current); return kStatusDone;
    case kOpTable: return TableEntry(v.table, Low(r.esi), r);
    case kOpSetVoltage:
        return SetWord(v.supportStatus, v.table.Contains(Low(r.ecx)), Low(r.ecx), v.current, r);
    default: return kStatusUnknownFunction;
    }
}

uint16_t FirmwareModel::RatioRequest(uint8_t ah, CpuRegisters& r) {
    switch (ah) {
    case kOpSupport: return ratio.supportStatus;
    case kOpAttribute: SetLow(r.ebx, ratio.attribute); return kStatusDone;
    case kOpCurrent: SetLow(r.ebx, ratio.current); return kStatusDone;
    case kOpTable: return TableEntry(ratio.table, Low(r.esi), r);
    case kOpLimit:
        r.ebx = Pair(ratio.limit.low, ratio.limit.high);
        SetLow(r.ecx, ratio.processorDefault);
        return kStatusDone;
    case kOpSetRatio: {
        const uint16_t wanted = Low(r.ecx);
        const bool acceptable = ratio.table.Contains(wanted) && ratio.limit.Holds(wanted);
        return SetWord(ratio.supportStatus, acceptable, wanted, ratio.current, r);
    }
    default: return kStatusUnknownFunction;
    }
}

uint16_t FirmwareModel::CiaRequest(uint8_t ah, CpuRegisters& r) {
    switch (ah) {
    case kOpSupport: return cia.supportStatus;
    case kOpAttribute: SetLow(r.ebx, cia.attribute); return kStatusDone;
    case kOpCurrent: SetLow(r.esi, cia.status); return kStatusDone;
    case kOpTable: return TableEntry(cia.levels, Low(r.esi), r);
    case kOpCiaControl: {
        const uint16_t control = Low(r.esi);
        uint16_t status = kStatusDone;
        if (cia.supportStatus != kStatusDone || !(cia.attribute & 1))
            status = kStatusNotSupported;
        else if ((control & 0x7F00) || (control & 0xFF) >= cia.levels.Length())
            status = kStatusRejected;
        else
            cia.status = control;
        SetLow(r.ebx, (cia.status & kCiaEngaged) ? 1 : 0);
        return status;
    }
    default: return kStatusUnknownFunction;
    }
}

uint16_t FirmwareModel::MibRequest(uint8_t ah, CpuRegisters& r) {
    switch (ah) {
    case kOpSupport: return mib.supportStatus;
    case kOpAttribute: SetLow(r.ebx, mib.attribute); return kStatusDone;
    case kOpMibControl: {
        const uint16_t control = Low(r.ecx);
        uint16_t status = kStatusDone;
        if (mib.supportStatus != kStatusDone || !(mib.attribute & 1))
            status = kStatusNotSupported;
        else if (control > 1)
            status = kStatusRejected;
        else
            mib.on = control;
        SetLow(r.ebx, mib.on ? 1 : 0);
        return status;
    }
    default: return kStatusUnknownFunction;
    }
}

// The fan handler leaves AX alone: its callers read only CL or ESI. Requests it does not know,
// and item requests while no fan is fitted, change nothing.
void FirmwareModel::HandleFan(CpuRegisters& r) {
    ++fanRequestCount;
    const uint8_t ah = static_cast<uint8_t>(r.eax >> 8);
    const uint8_t al = static_cast<uint8_t>(r.eax);
    if (ah != kFanFunction || (al != kFanReadCommand && al != kFanWriteCommand)) return;
    const bool read = al == kFanReadCommand;
    switch (Low(r.ebx)) {
    case 0:
        if (read) r.ecx = (r.ecx & 0xFFFFFF00u) | (fanInterfacePresent ? 1u : 0u);
        return;
    case 1: {
        const uint16_t item = Low(r.ecx);
        if (!fanInterfacePresent || item >= kFanItemCount || item == kFanUnusedItem) return;
        if (read)
            r.esi = fanItems[item];
        else
            fanItems[item] = r.esi;
        return;
    }
    default: return;
    }
}

bool FirmwareModel::FanPresent() const { return fanInterfacePresent != 0; }

void FirmwareModel::FanSwitchOn() {
    if (fanInterfacePresent) fanItems[kFanInForce] = fanItems[kFanOnSetting];
}

void FirmwareModel::FanSwitchOff() {
    if (fanInterfacePresent) fanItems[kFanInForce] = fanItems[kFanOffSetting];
}

}  // namespace board
