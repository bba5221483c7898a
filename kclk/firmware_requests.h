// What every firmware request sends: driver control code, the function registers AH, BL and BH,
// the failure tag, and whether the export refreshes the block's SMI port and command first.
// What varies by export lives here; the exports themselves only move arguments and results.
#pragma once

#include <cstdint>

namespace kclk {

enum class RequestId : uint8_t {
    InterfaceQuery, SupOverClock, GetOverClockAttribute,
    ReturnCurrentVCOValue, ReturnPresetVCOValue, ReturnCurrentCPUFSB, ReturnCurrentDRAMFreq,
    ReturnPresetDRAMFreq, ReturnCurrentAGPFreq, ReturnPresetAGPFreq, ReturnCurrentPCIFreq,
    ReturnPresetPCIFreq,
    ReturnDiscFSBTable, ReturnFSBDivTable, ReturnDRAMDivTable, ReturnAGPDivTable,
    ReturnPCIDivTable, ReturnFSBAsyTable, ReturnDRAMAsyTable, ReturnAGPAsyTable,
    ReturnPCIAsyTable,
    ReturnLinearModeLimit, ReturnDRAMLimit, ReturnAGPLimit, ReturnPCILimit, ReturnVCOLimit,
    SetClockProb, SetClock,
    GetOverVidSup, GetOverVidAttrib, GetVidCurrentVol, GetVidDiscTable, SetNewVidVol,
    GetOverDIMMVolSup, GetDIMMOverVolAttrib, GetDIMMCurrentVol, GetDIMMDiscTable,
    SetNewDIMMOverVol,
    GetOverAGPVolAGPSup, GetAGPOverVolAGPAttrib, GetAGPCurrentVol, GetAGPDiscTable,
    SetNewAGPOverVol,
    GetCPURatioChgSup, GetCPURatioAttrib, GetCurrentCPURatio, GetCPURatioDiscTable,
    GetCPURatioLimit, SetNewCPURatio,
    CheckSmartFan, SmartFanOn, SmartFanOff,
    GetCIASup, GetCIAAttribute, GetCIAStatus, GetCIATable, SetCIAControl,
    GetMIBSup, GetMIBAttribute, SetMIBControl,
    Count
};

constexpr int16_t kNoItem = -1;  // BH is not loaded for this request

struct FirmwareRequest {
    RequestId id;
    uint32_t controlCode;
    uint8_t ah;             // operation
    uint8_t bl;             // device
    int16_t bh;             // clock item, or kNoItem
    const char* failureTag; // nullptr: the export reports failure without a message
    bool copiesInterface;   // driver path: SmiPort/SmiCommand refreshed from LibraryState first
};

// Device codes (BL).
constexpr uint8_t kClockGenerator = 0xB0, kCoreVoltage = 0xB1, kDimmVoltage = 0xB2,
                  kAgpVoltage = 0xB3, kCpuRatio = 0xB4, kCpuAccelerator = 0xB5,
                  kMemoryAccelerator = 0xB6;
constexpr uint8_t kSmartFanFunction = 0x11;

inline constexpr FirmwareRequest kFirmwareRequests[] = {
    {RequestId::InterfaceQuery,         0x9C402540, 0x00, 0x00, kNoItem, nullptr, false},
    {RequestId::SupOverClock,           0x9C402540, 0xB0, 0xB0, kNoItem, "SUP_OVER_CLOCK", false},
    {RequestId::GetOverClockAttribute,  0x9C402544, 0xB1, 0xB0, kNoItem, "SUP_OVER_CLOCK", true},
    {RequestId::ReturnCurrentVCOValue,  0x9C402548, 0xB2, 0xB0, 0xB0, "RETURN_CURRENT_VCO_VALUE", true},
    {RequestId::ReturnPresetVCOValue,   0x9C40254C, 0xB2, 0xB0, 0xB1, "RETURN_CURRENT_VCO_VALUE", true},
    {RequestId::ReturnCurrentCPUFSB,    0x9C402550, 0xB2, 0xB0, 0xB2, "RETURN_CURRENT_CPU_FSB", true},
    {RequestId::ReturnCurrentDRAMFreq,  0x9C402554, 0xB2, 0xB0, 0xB3, "RETURN_CURRENT_DRAM_VALUE", true},
    {RequestId::ReturnPresetDRAMFreq,   0x9C402558, 0xB2, 0xB0, 0xB4, "RETURN_PRESET_DRAM_FREQ", true},
    {RequestId::ReturnCurrentAGPFreq,   0x9C40255C, 0xB2, 0xB0, 0xB5, "RETURN_CURRENT_AGP_VALUE", true},
    {RequestId::ReturnPresetAGPFreq,    0x9C402560, 0xB2, 0xB0, 0xB6, "RETURN_PRESET_AGP_FREQ", true},
    {RequestId::ReturnCurrentPCIFreq,   0x9C402564, 0xB2, 0xB0, 0xB7, "RETURN_CURRENT_PCI_FREQ", true},
    {RequestId::ReturnPresetPCIFreq,    0x9C402580, 0xB2, 0xB0, 0xB8, "RETURN_PRESET_PCI_FREQ", true},
    {RequestId::ReturnDiscFSBTable,     0x9C402584, 0xB3, 0xB0, 0xB0, "RETURN_DISC_FSB_TABLE", true},
    {RequestId::ReturnFSBDivTable,      0x9C402588, 0xB3, 0xB0, 0xB1, "RETURN_FSB_DIV_TABLE", true},
    {RequestId::ReturnDRAMDivTable,     0x9C40258C, 0xB3, 0xB0, 0xB2, "RETURN_DRAM_DIV_TABLE", true},
    {RequestId::ReturnAGPDivTable,      0x9C402590, 0xB3, 0xB0, 0xB3, "RETURN_AGP_DIV_TABLE", true},
    {RequestId::ReturnPCIDivTable,      0x9C402594, 0xB3, 0xB0, 0xB4, "RETURN_PCI_DIV_TABLE", true},
    {RequestId::ReturnFSBAsyTable,      0x9C402598, 0xB3, 0xB0, 0xB5, "RETURN_FSB_ASY_TABLE", true},
    {RequestId::ReturnDRAMAsyTable,     0x9C40259C, 0xB3, 0xB0, 0xB6, "RETURN_DRAM_ASY_TABLE", true},
    {RequestId::ReturnAGPAsyTable,      0x9C4025A0, 0xB3, 0xB0, 0xB7, "RETURN_AGP_ASY_TABLE", true},
    {RequestId::ReturnPCIAsyTable,      0x9C4025A4, 0xB3, 0xB0, 0xB8, "RETURN_PCI_ASY_TABLE", true},
    {RequestId::ReturnLinearModeLimit,  0x9C4025C0, 0xB4, 0xB0, 0xB0, "RETURN_LINEAR_MODE_LIMIT", true},
    {RequestId::ReturnDRAMLimit,        0x9C4025C4, 0xB4, 0xB0, 0xB1, "RETURN_DRAM_LIMIT", true},
    {RequestId::ReturnAGPLimit,         0x9C4025C8, 0xB4, 0xB0, 0xB2, "RETURN_AGP_LIMIT", true},
    {RequestId::ReturnPCILimit,         0x9C4025CC, 0xB4, 0xB0, 0xB3, "RETURN_PCI_LIMIT", true},
    {RequestId::ReturnVCOLimit,         0x9C402658, 0xB4, 0xB0, 0xB4, "RETURN_PCI_LIMIT", true},
    {RequestId::SetClockProb,           0x9C4025D0, 0xB5, 0xB0, kNoItem, "SET_CLOCK", true},
    {RequestId::SetClock,               0x9C4025D0, 0xB6, 0xB0, kNoItem, "SET_CLOCK", true},
    {RequestId::GetOverVidSup,          0x9C4025D4, 0xB0, 0xB1, kNoItem, "GET_OVER_VID_SUP", false},
    {RequestId::GetOverVidAttrib,       0x9C4025D8, 0xB1, 0xB1, kNoItem, "GET_OVER_VID_ATTRIB", false},
    {RequestId::GetVidCurrentVol,       0x9C4025DC, 0xB2, 0xB1, kNoItem, "GET_VID_CURRENT_VOL", false},
    {RequestId::GetVidDiscTable,        0x9C4025E0, 0xB3, 0xB1, kNoItem, "GET_VID_DISC_TABLE", false},
    {RequestId::SetNewVidVol,           0x9C4025E4, 0xB4, 0xB1, kNoItem, "SET_NEW_VID_VOL", false},
    {RequestId::GetOverDIMMVolSup,      0x9C402600, 0xB0, 0xB2, kNoItem, "GET_OVER_DIMM_VOL_SUP", false},
    {RequestId::GetDIMMOverVolAttrib,   0x9C402604, 0xB1, 0xB2, kNoItem, "GET_DIMM_OVER_VOL_ATTRIB", false},
    {RequestId::GetDIMMCurrentVol,      0x9C402608, 0xB2, 0xB2, kNoItem, "GET_DIMM_CURRENT_VOL", false},
    {RequestId::GetDIMMDiscTable,       0x9C40260C, 0xB3, 0xB2, kNoItem, "GET_DIMM_DISC_TABLE", false},
    {RequestId::SetNewDIMMOverVol,      0x9C402610, 0xB4, 0xB2, kNoItem, "SET_NEW_DIMM_OVER_VOL", false},
    {RequestId::GetOverAGPVolAGPSup,    0x9C402614, 0xB0, 0xB3, kNoItem, "GET_OVER_AGP_VOL_AGP_SUP", false},
    {RequestId::GetAGPOverVolAGPAttrib, 0x9C402618, 0xB1, 0xB3, kNoItem, "GET_AGP_OVER_VOL_AGP_ATTRIB", false},
    {RequestId::GetAGPCurrentVol,       0x9C40261C, 0xB2, 0xB3, kNoItem, "GET_AGP_CURRENT_VOL", false},
    {RequestId::GetAGPDiscTable,        0x9C402620, 0xB3, 0xB3, kNoItem, "GET_AGP_DISC_TABLE", false},
    {RequestId::SetNewAGPOverVol,       0x9C402624, 0xB4, 0xB3, kNoItem, "SET_NEW_AGP_OVER_VOL", false},
    {RequestId::GetCPURatioChgSup,      0x9C402640, 0xB0, 0xB4, kNoItem, "GET_CPU_RATIO_CHG_SUP", false},
    {RequestId::GetCPURatioAttrib,      0x9C402644, 0xB1, 0xB4, kNoItem, "GET_CPU_RATIO_ATTRIB", false},
    {RequestId::GetCurrentCPURatio,     0x9C402648, 0xB2, 0xB4, kNoItem, "GET_CURRENT_CPU_RATIO", false},
    {RequestId::GetCPURatioDiscTable,   0x9C40264C, 0xB3, 0xB4, kNoItem, "GET_CPU_RATIO_DISC_TABLE", false},
    {RequestId::GetCPURatioLimit,       0x9C402650, 0xB4, 0xB4, kNoItem, "GET_CPU_RATIO_LIMIT", false},
    {RequestId::SetNewCPURatio,         0x9C402654, 0xB5, 0xB4, kNoItem, "SET_NEW_CPU_RATIO", false},
    {RequestId::CheckSmartFan,          0x9C402500, 0x11, 0x00, kNoItem, nullptr, false},
    {RequestId::SmartFanOn,             0x9C402504, 0x11, 0x00, kNoItem, nullptr, false},
    {RequestId::SmartFanOff,            0x9C402508, 0x11, 0x00, kNoItem, nullptr, false},
    {RequestId::GetCIASup,              0x9C40250C, 0xB0, 0xB5, kNoItem, "SUP_CIA", true},
    {RequestId::GetCIAAttribute,        0x9C402510, 0xB1, 0xB5, kNoItem, "GET_CIA_ATTRIBUTE", true},
    {RequestId::GetCIAStatus,           0x9C402514, 0xB2, 0xB5, kNoItem, "GET_CURRENT_CIA_STATUS", true},
    {RequestId::GetCIATable,            0x9C402518, 0xB3, 0xB5, kNoItem, "GET_CIA_TABLE", true},
    {RequestId::SetCIAControl,          0x9C40251C, 0xB4, 0xB5, kNoItem, "SET_CIA_CONTROL", true},
    {RequestId::GetMIBSup,              0x9C402520, 0xB0, 0xB6, kNoItem, "SUP_MIB", true},
    {RequestId::GetMIBAttribute,        0x9C402524, 0xB1, 0xB6, kNoItem, "GET_MIB_ATTRIBUTE", true},
    {RequestId::SetMIBControl,          0x9C402464, 0xB2, 0xB6, kNoItem, "SET_MIB_CONTROL", true},
};

static_assert(sizeof(kFirmwareRequests) / sizeof(kFirmwareRequests[0]) ==
              static_cast<size_t>(RequestId::Count), "one row per request");

constexpr bool RowsInEnumOrder() {
    for (size_t i = 0; i < static_cast<size_t>(RequestId::Count); ++i)
        if (kFirmwareRequests[i].id != static_cast<RequestId>(i)) return false;
    return true;
}
static_assert(RowsInEnumOrder(), "rows follow RequestId so lookup is an index");

constexpr const FirmwareRequest& Describe(RequestId id) {
    return kFirmwareRequests[static_cast<size_t>(id)];
}

}  // namespace kclk
