// The NT family before the port driver was opened: every firmware export shows its own failure
// message, answers "not delivered" and leaves the caller's variables alone.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "kclk.h"
#include "library_state.h"
#include "message_box_catcher.h"

namespace {

constexpr uint16_t kSentinel = 0xA5A5;

struct Undelivered {
    const char* name;
    const char* tag;
    int32_t expected;  // what the export answers when the request was not delivered
    std::function<int32_t(uint16_t* words, int32_t* flag)> call;
};

const Undelivered kCases[] = {
    {"GetOverClockAttribute", "SUP_OVER_CLOCK", 1, [](uint16_t*, int32_t*) { return GetOverClockAttribute(); }},
    {"ReturnPresetVCOValue", "RETURN_CURRENT_VCO_VALUE", 1, [](uint16_t* w, int32_t*) { return ReturnPresetVCOValue(1, &w[0], &w[1], &w[2], &w[3], &w[4]); }},
    {"ReturnCurrentCPUFSB", "RETURN_CURRENT_CPU_FSB", 1, [](uint16_t* w, int32_t*) { return ReturnCurrentCPUFSB(w); }},
    {"ReturnCurrentDRAMFreq", "RETURN_CURRENT_DRAM_VALUE", 1, [](uint16_t* w, int32_t*) { return ReturnCurrentDRAMFreq(w); }},
    {"ReturnPresetDRAMFreq", "RETURN_PRESET_DRAM_FREQ", 1, [](uint16_t* w, int32_t*) { return ReturnPresetDRAMFreq(w); }},
    {"ReturnCurrentAGPFreq", "RETURN_CURRENT_AGP_VALUE", 1, [](uint16_t* w, int32_t*) { return ReturnCurrentAGPFreq(w); }},
    {"ReturnPresetAGPFreq", "RETURN_PRESET_AGP_FREQ", 1, [](uint16_t* w, int32_t*) { return ReturnPresetAGPFreq(w); }},
    {"ReturnCurrentPCIFreq", "RETURN_CURRENT_PCI_FREQ", 1, [](uint16_t* w, int32_t*) { return ReturnCurrentPCIFreq(w); }},
    {"ReturnPresetPCIFreq", "RETURN_PRESET_PCI_FREQ", 1, [](uint16_t* w, int32_t*) { return ReturnPresetPCIFreq(w); }},
    {"ReturnDiscFSBTable", "RETURN_DISC_FSB_TABLE", 1, [](uint16_t* w, int32_t*) { return ReturnDiscFSBTable(0, w); }},
    {"ReturnFSBDivTable", "RETURN_FSB_DIV_TABLE", 1, [](uint16_t* w, int32_t*) { return ReturnFSBDivTable(0, w); }},
    {"ReturnDRAMDivTable", "RETURN_DRAM_DIV_TABLE", 1, [](uint16_t* w, int32_t*) { return ReturnDRAMDivTable(0, w); }},
    {"ReturnAGPDivTable", "RETURN_AGP_DIV_TABLE", 1, [](uint16_t* w, int32_t*) { return ReturnAGPDivTable(0, w); }},
    {"ReturnPCIDivTable", "RETURN_PCI_DIV_TABLE", 1, [](uint16_t* w, int32_t*) { return ReturnPCIDivTable(0, w); }},
    {"ReturnFSBAsyTable", "RETURN_FSB_ASY_TABLE", 1, [](uint16_t* w, int32_t*) { return ReturnFSBAsyTable(0, w); }},
    {"ReturnDRAMAsyTable", "RETURN_DRAM_ASY_TABLE", 1, [](uint16_t* w, int32_t*) { return ReturnDRAMAsyTable(0, w); }},
    {"ReturnAGPAsyTable", "RETURN_AGP_ASY_TABLE", 1, [](uint16_t* w, int32_t*) { return ReturnAGPAsyTable(0, w); }},
    {"ReturnPCIAsyTable", "RETURN_PCI_ASY_TABLE", 1, [](uint16_t* w, int32_t*) { return ReturnPCIAsyTable(0, w); }},
    {"ReturnLinearModeLimit", "RETURN_LINEAR_MODE_LIMIT", 1, [](uint16_t* w, int32_t*) { return ReturnLinearModeLimit(&w[0], &w[1], &w[2]); }},
    {"ReturnDRAMLimit", "RETURN_DRAM_LIMIT", 1, [](uint16_t* w, int32_t*) { return ReturnDRAMLimit(&w[0], &w[1], &w[2]); }},
    {"ReturnAGPLimit", "RETURN_AGP_LIMIT", 1, [](uint16_t* w, int32_t*) { return ReturnAGPLimit(&w[0], &w[1], &w[2]); }},
    {"ReturnPCILimit", "RETURN_PCI_LIMIT", 1, [](uint16_t* w, int32_t*) { return ReturnPCILimit(&w[0], &w[1], &w[2]); }},
    {"ReturnVCOLimit", "RETURN_PCI_LIMIT", 1, [](uint16_t* w, int32_t*) { return ReturnVCOLimit(&w[0], &w[1]); }},
    {"SetClockProb", "SET_CLOCK", 1, [](uint16_t* w, int32_t*) { return SetClockProb(1, 2, 3, 4, w); }},
    {"SetClock", "SET_CLOCK", 1, [](uint16_t* w, int32_t*) { return SetClock(1, 2, 3, 4, 5, w); }},
    {"GetOverVidSup", "GET_OVER_VID_SUP", 1, [](uint16_t*, int32_t*) { return GetOverVidSup(); }},
    {"GetOverVidAttrib", "GET_OVER_VID_ATTRIB", 1, [](uint16_t* w, int32_t*) { return GetOverVidAttrib(w); }},
    {"GetVidCurrentVol", "GET_VID_CURRENT_VOL", 1, [](uint16_t* w, int32_t*) { return GetVidCurrentVol(w); }},
    {"GetVidDiscTable", "GET_VID_DISC_TABLE", 1, [](uint16_t* w, int32_t*) { return GetVidDiscTable(0xFFFF, w); }},
    {"SetNewVidVol", "SET_NEW_VID_VOL", 1, [](uint16_t* w, int32_t*) { return SetNewVidVol(1, w); }},
    {"GetOverDIMMVolSup", "GET_OVER_DIMM_VOL_SUP", 1, [](uint16_t*, int32_t*) { return GetOverDIMMVolSup(); }},
    {"GetDIMMOverVolAttrib", "GET_DIMM_OVER_VOL_ATTRIB", 1, [](uint16_t* w, int32_t*) { return GetDIMMOverVolAttrib(w); }},
    {"GetDIMMCurrentVol", "GET_DIMM_CURRENT_VOL", 1, [](uint16_t* w, int32_t*) { return GetDIMMCurrentVol(w); }},
    {"GetDIMMDiscTable", "GET_DIMM_DISC_TABLE", 1, [](uint16_t* w, int32_t*) { return GetDIMMDiscTable(0, w); }},
    {"SetNewDIMMOverVol", "SET_NEW_DIMM_OVER_VOL", 1, [](uint16_t* w, int32_t*) { return SetNewDIMMOverVol(1, w); }},
    {"GetOverAGPVolAGPSup", "GET_OVER_AGP_VOL_AGP_SUP", 1, [](uint16_t*, int32_t*) { return GetOverAGPVolAGPSup(); }},
    {"GetAGPOverVolAGPAttrib", "GET_AGP_OVER_VOL_AGP_ATTRIB", 1, [](uint16_t* w, int32_t*) { return GetAGPOverVolAGPAttrib(w); }},
    {"GetAGPCurrentVol", "GET_AGP_CURRENT_VOL", 1, [](uint16_t* w, int32_t*) { return GetAGPCurrentVol(w); }},
    {"GetAGPDiscTable", "GET_AGP_DISC_TABLE", 1, [](uint16_t* w, int32_t*) { return GetAGPDiscTable(0, w); }},
    {"SetNewAGPOverVol", "SET_NEW_AGP_OVER_VOL", 1, [](uint16_t* w, int32_t*) { return SetNewAGPOverVol(1, w); }},
    {"GetCPURatioChgSup", "GET_CPU_RATIO_CHG_SUP", 1, [](uint16_t*, int32_t*) { return GetCPURatioChgSup(); }},
    {"GetCPURatioAttrib", "GET_CPU_RATIO_ATTRIB", 1, [](uint16_t* w, int32_t*) { return GetCPURatioAttrib(w); }},
    {"GetCurrentCPURatio", "GET_CURRENT_CPU_RATIO", 1, [](uint16_t* w, int32_t*) { return GetCurrentCPURatio(w); }},
    {"GetCPURatioDiscTable", "GET_CPU_RATIO_DISC_TABLE", 1, [](uint16_t* w, int32_t*) { return GetCPURatioDiscTable(0, w); }},
    {"GetCPURatioLimit", "GET_CPU_RATIO_LIMIT", 1, [](uint16_t* w, int32_t*) { return GetCPURatioLimit(&w[0], &w[1], &w[2]); }},
    {"SetNewCPURatio", "SET_NEW_CPU_RATIO", 1, [](uint16_t* w, int32_t*) { return SetNewCPURatio(1, w); }},
    {"GetCIASup", "SUP_CIA", 0, [](uint16_t*, int32_t*) { return GetCIASup(); }},
    {"GetCIAAttribute", "GET_CIA_ATTRIBUTE", 0, [](uint16_t*, int32_t* f) { return GetCIAAttribute(f); }},
    {"GetCIAStatus", "GET_CURRENT_CIA_STATUS", 0, [](uint16_t* w, int32_t*) { return GetCIAStatus(w); }},
    {"GetCIATable", "GET_CIA_TABLE", 0, [](uint16_t* w, int32_t*) { return GetCIATable(0, w); }},
    {"SetCIAControl", "SET_CIA_CONTROL", 0, [](uint16_t*, int32_t* f) { return SetCIAControl(1, f); }},
    {"GetMIBSup", "SUP_MIB", 0, [](uint16_t*, int32_t*) { return GetMIBSup(); }},
    {"GetMIBAttribute", "GET_MIB_ATTRIBUTE", 0, [](uint16_t*, int32_t* f) { return GetMIBAttribute(f); }},
    {"SetMIBControl", "SET_MIB_CONTROL", 0, [](uint16_t*, int32_t* f) { return SetMIBControl(1, f); }},
};

TEST(Undelivered, EveryExportShowsItsTagAndLeavesItsOutputs) {
    testsupport::MessageBoxCatcher catcher;
    kclk::State().OsKind = ScanOSInfo();
    ASSERT_GT(kclk::State().OsKind, 2) << "runs as an NT-family Windows";
    kclk::State().FsbDramAttributes = 0x00000003;
    for (const auto& c : kCases) {
        catcher.Clear();
        uint16_t words[6] = {kSentinel, kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
        int32_t flag = 0x5A5A5A5A;
        EXPECT_EQ(c.expected, c.call(words, &flag)) << c.name;
        for (uint16_t w : words) EXPECT_EQ(kSentinel, w) << c.name << " wrote an output";
        EXPECT_EQ(0x5A5A5A5A, flag) << c.name << " wrote its flag";
        auto messages = catcher.Messages();
        ASSERT_EQ(1u, messages.size()) << c.name;
        EXPECT_EQ("GetCgtable", messages[0].caption) << c.name;
        EXPECT_FALSE(messages[0].hasIcon) << c.name << ": a plain box, OK only";
        EXPECT_EQ(std::string("DeviceIOControl Fail(") + c.tag + ")\n", messages[0].text) << c.name;
    }
    EXPECT_EQ(0x00000003u, kclk::State().FsbDramAttributes) << "a failed attribute query keeps the words";
    EXPECT_EQ(1, SupFSBShow());
    EXPECT_EQ(1, FSBCanAdj());
}

TEST(Undelivered, UnknownNtVersionTakesTheDriverPathNotThePorts) {
    // Kind 0 on the NT platform (Vista and later): port I/O would fault there.
    testsupport::MessageBoxCatcher catcher;
    kclk::State().OsKind = 0;
    uint16_t fsb = kSentinel;
    EXPECT_EQ(1, ReturnCurrentCPUFSB(&fsb));
    EXPECT_EQ(kSentinel, fsb);
    ASSERT_EQ(1u, catcher.Messages().size());
}

TEST(Undelivered, SmartFanSwitchesAnswerNoWithoutAMessage) {
    testsupport::MessageBoxCatcher catcher;
    EXPECT_EQ(0, SF_NB_ON());
    EXPECT_EQ(0, SF_NB_OFF());
    Sleep(200);
    EXPECT_TRUE(catcher.Messages().empty());
}

}  // namespace
