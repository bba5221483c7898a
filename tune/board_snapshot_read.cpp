// Reading a snapshot through kclk.dll, in the order a client follows: Check_KRVer, support,
// attributes (which the capability flags answer from), then values, tables and limits.
#include "board_snapshot.h"

#include <windows.h>

#include "kclk.h"

namespace tune {

namespace {

using TableReader = uint16_t(__cdecl*)(uint16_t, uint16_t*);
using WordReader = uint16_t(__cdecl*)(uint16_t*);
using LimitReader = uint16_t(__cdecl*)(uint16_t*, uint16_t*, uint16_t*);
using Flag = int32_t(__cdecl*)();

WordTable ReadTable(TableReader read) {
    WordTable table;
    for (uint16_t index = 0; index < kTableReadCap; ++index) {
        uint16_t entry = 0;
        const uint16_t status = read(index, &entry);
        if (status != 0) {
            table.endStatus = status;
            break;
        }
        table.entries.push_back(entry);
    }
    return table;
}

// The CIA table reader answers yes (1) or no (0).
WordTable ReadCiaLevels() {
    WordTable table;
    for (uint16_t index = 0; index < kTableReadCap; ++index) {
        uint16_t entry = 0;
        if (GetCIATable(index, &entry) != 1) {
            table.endStatus = kStatusUndelivered;
            break;
        }
        table.entries.push_back(entry);
    }
    return table;
}

WordLimit ReadLimit(LimitReader read) {
    WordLimit limit;
    limit.status = read(&limit.low, &limit.high, &limit.cx);
    return limit;
}

// The attribute words are not exported; the 21 flags give back every bit the library keeps.
uint32_t Word(const Flag (&flags)[6], int count, int shift) {
    uint32_t word = 0;
    for (int bit = 0; bit < count; ++bit)
        if (flags[bit]() == 1) word |= 1u << (shift + bit);
    return word;
}

void ReadClock(ClockState& c) {
    c.supportStatus = SupOverClock();
    c.attributeStatus = GetOverClockAttribute();
    if (c.attributeStatus == 0) {
        const Flag fsb[6] = {SupFSBShow, FSBCanAdj, FSBLinear, FSBSupDivMode, FSBSupAsyMode};
        const Flag dram[6] = {SupDRAMClkShow, DRAMClkCanAdj, DRAMSupLinear,
                              DRAMSupDivMode, DRAMSupAsyMode, DRAMSupRelDivMode};
        const Flag agp[6] = {SupAGPClkShow, AGPClkCanAdj, AGPSupLinear, AGPSupDivMode,
                             AGPSupAsyMode};
        const Flag pci[6] = {SupPCIClkShow, PCIClkCanAdj, PCISupLinear, PCISupDivMode,
                             PCISupAsyMode};
        c.fsbDramAttributes = Word(fsb, 5, 0) | Word(dram, 6, 16);
        c.agpPciAttributes = Word(agp, 5, 0) | Word(pci, 5, 16);
    }

    uint16_t ecxHigh = 0, edxHigh = 0;
    c.currentStatus = ReturnCurrentVCOValue(&c.vco, &c.current.fsb, &ecxHigh, &c.current.dram,
                                            &edxHigh, &c.current.pci, &c.flags);
    c.fsbDivider = ecxHigh;
    c.current.agp = edxHigh;

    uint16_t presetDivider = 0, presetAgp = 0;
    c.presetStatus = ReturnPresetVCOValue(0, &c.presetVco, &c.preset.fsb, &presetDivider,
                                          &c.preset.dram, &presetAgp);
    c.preset.agp = presetAgp;

    c.fsbFrequencyStatus = ReturnCurrentCPUFSB(&c.fsbFrequency);
    const WordReader current[3] = {ReturnCurrentDRAMFreq, ReturnCurrentAGPFreq,
                                   ReturnCurrentPCIFreq};
    const WordReader preset[3] = {ReturnPresetDRAMFreq, ReturnPresetAGPFreq, ReturnPresetPCIFreq};
    for (int i = 0; i < 3; ++i) {
        c.frequencyStatus[i] = current[i](&c.frequency[i]);
        c.presetFrequencyStatus[i] = preset[i](&c.presetFrequency[i]);
    }

    const TableReader tables[kClockTableCount] = {
        ReturnDiscFSBTable, ReturnFSBDivTable, ReturnDRAMDivTable, ReturnAGPDivTable,
        ReturnPCIDivTable, ReturnFSBAsyTable, ReturnDRAMAsyTable, ReturnAGPAsyTable,
        ReturnPCIAsyTable,
    };
    for (int i = 0; i < kClockTableCount; ++i) c.tables[i] = ReadTable(tables[i]);

    const LimitReader limits[4] = {ReturnLinearModeLimit, ReturnDRAMLimit, ReturnAGPLimit,
                                   ReturnPCILimit};
    for (int i = 0; i < 4; ++i) c.limits[i] = ReadLimit(limits[i]);
    WordLimit& vco = c.limits[kVcoLimit];
    vco.status = ReturnVCOLimit(&vco.low, &vco.high);
}

void ReadLevel(LevelState& level, uint16_t(__cdecl* support)(), WordReader attribute,
               WordReader current, TableReader table) {
    level.supportStatus = support();
    level.attributeStatus = attribute(&level.attribute);
    level.currentStatus = current(&level.current);
    level.table = ReadTable(table);
}

}  // namespace

BoardSnapshot ReadBoardSnapshot() {
    BoardSnapshot s;
    s.krVersion = Check_KRVer();
    s.usable = s.krVersion == kInterfaceUsable;
    if (!s.usable) return s;

    ReadClock(s.clock);
    ReadLevel(s.voltages[0], GetOverVidSup, GetOverVidAttrib, GetVidCurrentVol, GetVidDiscTable);
    ReadLevel(s.voltages[1], GetOverDIMMVolSup, GetDIMMOverVolAttrib, GetDIMMCurrentVol,
              GetDIMMDiscTable);
    ReadLevel(s.voltages[2], GetOverAGPVolAGPSup, GetAGPOverVolAGPAttrib, GetAGPCurrentVol,
              GetAGPDiscTable);
    ReadLevel(s.ratio, GetCPURatioChgSup, GetCPURatioAttrib, GetCurrentCPURatio,
              GetCPURatioDiscTable);
    s.ratio.limit = ReadLimit(GetCPURatioLimit);

    // On Windows 9x the fan check may rewrite the fan's control flags: a reading never does.
    s.fanChecked = (GetVersion() & 0x80000000u) == 0;
    if (s.fanChecked) s.fanPresent = Check_SmartFan();

    s.cia.supported = GetCIASup();
    s.cia.attributeAnswer = GetCIAAttribute(&s.cia.switchable);
    s.cia.statusAnswer = GetCIAStatus(&s.cia.status);
    s.cia.levels = ReadCiaLevels();
    s.mib.supported = GetMIBSup();
    s.mib.attributeAnswer = GetMIBAttribute(&s.mib.switchable);
    return s;
}

}  // namespace tune
