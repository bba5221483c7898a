// The exports on the NT family, through the port driver stand-in: what reaches the driver
// (control code and block, as recorded by the board), which fields a request refreshes and
// which it sends as the previous request left them, and the discovery and flag rules there.
#include <gtest/gtest.h>

#include <cstring>

#include "board_driver.h"
#include "kclk.h"
#include "library_state.h"
#include "message_box_catcher.h"

namespace {

using testsupport::BoardDriver;

SmiRegisterBlock Received(BoardDriver& board, uint32_t* code = nullptr) {
    BoardLastRequest last{};
    EXPECT_TRUE(board.LastRequest(last));
    if (code) *code = last.ControlCode;
    SmiRegisterBlock block{};
    std::memcpy(&block, last.Input, sizeof(block));
    return block;
}

class DriverPath : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // Installs, starts and opens the stand-in, and learns the board's interface. Where that
        // fails, OpenDriver's message is closed rather than left waiting for a click.
        testsupport::MessageBoxCatcher catcher;
        ASSERT_EQ(4, Check_KRVer());
    }
    void SetUp() override {
        ASSERT_TRUE(board_.IsOpen()) << "the stand-in's control device";
        ASSERT_TRUE(board_.ResetBoard());
        ASSERT_EQ(4, Check_KRVer());
    }
    BoardDriver board_;
    testsupport::MessageBoxCatcher catcher_;
};

TEST_F(DriverPath, DiscoveryTakesTheDriversAnswerAndLeavesTheFlagsWithoutOne) {
    BoardConfig config{};
    ASSERT_TRUE(board_.Config(config));
    EXPECT_EQ(config.TuningPort, kclk::State().SmiPort);
    EXPECT_EQ(config.TuningCommand, kclk::State().SmiCommand);
    EXPECT_EQ(kclk::kInterfaceNt, kclk::State().InterfaceMode);
    EXPECT_EQ(2, SupFSBShow());
    board::FirmwareModel model;
    ASSERT_TRUE(board_.ReadFirmware(model));
    EXPECT_EQ(0, GetOverClockAttribute());
    EXPECT_EQ(static_cast<int32_t>(model.fsbDramAttributes & 1), SupFSBShow());
    EXPECT_EQ(model.fsbDramAttributes, kclk::State().FsbDramAttributes);
    EXPECT_EQ(model.agpPciAttributes, kclk::State().AgpPciAttributes);
}

TEST_F(DriverPath, FailedInterfaceQueryIsThreeWithoutAMessage) {
    ASSERT_TRUE(board_.FailCode(0x9C402540, static_cast<int32_t>(0xC0000001)));
    EXPECT_EQ(3, Check_KRVer());
    EXPECT_TRUE(catcher_.Messages().empty());
    EXPECT_EQ(kclk::kInterfaceNt, kclk::State().InterfaceMode);
}

TEST_F(DriverPath, VoltageAndRatioSendThePortTheDriverLeftInTheBlock) {
    BoardConfig config{};
    ASSERT_TRUE(board_.Config(config));
    kclk::State().SmiPort = 0x0123;  // the library's own copy no longer matches the board
    EXPECT_EQ(0, GetOverVidSup()) << "answered: the block still holds the driver's values";
    SmiRegisterBlock sent = Received(board_);
    EXPECT_EQ(config.TuningPort, sent.SmiPort);
    EXPECT_EQ(config.TuningCommand, sent.SmiCommand);
    uint16_t attribute = 0;
    EXPECT_EQ(0, GetCPURatioAttrib(&attribute));
    EXPECT_EQ(config.TuningPort, Received(board_).SmiPort);

    uint16_t fsb = 0;
    ReturnCurrentCPUFSB(&fsb);  // a clock export refreshes the port from the library's copy
    EXPECT_EQ(0x0123, Received(board_).SmiPort);
}

TEST_F(DriverPath, FieldsAnEarlierRequestWroteGoOutAgain) {
    uint16_t entry = 0, value = 0;
    GetVidDiscTable(7, &entry);
    GetVidCurrentVol(&value);
    EXPECT_EQ(7, Received(board_).RegSI);
    uint16_t result = 0;
    SetNewVidVol(1550, &result);
    GetVidCurrentVol(&value);
    EXPECT_EQ(1550, Received(board_).RegCX) << "neither request clears the block";
}

TEST_F(DriverPath, SetClockAndSetClockProbShareOneCodeAndDifferInTheirFields) {
    uint16_t result = 0;
    uint32_t code = 0;
    SetClock(0x123456FF, 2, 3, 4, 0x55, &result);
    SmiRegisterBlock sent = Received(board_, &code);
    EXPECT_EQ(0x9C4025D0u, code);
    EXPECT_EQ(0x123456FFu, sent.RegEBX) << "all four bytes on this path";
    EXPECT_EQ(0x55u, sent.RegEBP);

    const SmiRegisterBlock before = kclk::State().Request;
    SetClockProb(6, 7, 8, 0x99, &result);
    sent = Received(board_, &code);
    EXPECT_EQ(0x9C4025D0u, code);
    EXPECT_EQ(0x99u, sent.RegEDX) << "the fourth word";
    EXPECT_EQ(6u, sent.RegECX);
    EXPECT_EQ(7u, sent.RegESI);
    EXPECT_EQ(8u, sent.RegEDI);
    EXPECT_EQ(before.RegEBX, sent.RegEBX) << "left as the previous request left it";
    EXPECT_EQ(before.RegEBP, sent.RegEBP);
}

TEST_F(DriverPath, CodesOutsideTheRunsAndWhereTheControlWordsTravel) {
    int32_t flag = 0;
    uint32_t code = 0;
    SetMIBControl(0x0ABC, &flag);
    SmiRegisterBlock sent = Received(board_, &code);
    EXPECT_EQ(0x9C402464u, code);
    uint16_t atTwelve = 0, atSixteen = 0;
    std::memcpy(&atTwelve, reinterpret_cast<const uint8_t*>(&sent) + 12, 2);
    EXPECT_EQ(0x0ABC, atTwelve);

    SetCIAControl(0x0DEF, &flag);
    sent = Received(board_, &code);
    EXPECT_EQ(0x9C40251Cu, code);
    std::memcpy(&atSixteen, reinterpret_cast<const uint8_t*>(&sent) + 16, 2);
    EXPECT_EQ(0x0DEF, atSixteen);

    uint16_t a = 0, b = 0;
    ReturnVCOLimit(&a, &b);
    Received(board_, &code);
    EXPECT_EQ(0x9C402658u, code);
    ReturnPresetPCIFreq(&a);
    Received(board_, &code);
    EXPECT_EQ(0x9C402580u, code);
}

TEST_F(DriverPath, FailedAttributeQueryKeepsTheFlagsAnswers) {
    ASSERT_EQ(0, GetOverClockAttribute());
    const int32_t show = SupFSBShow(), adjust = FSBCanAdj(), dram = SupDRAMClkShow();
    ASSERT_TRUE(board_.FailCode(0x9C402544, static_cast<int32_t>(0xC0000001)));
    EXPECT_EQ(1, GetOverClockAttribute());
    ASSERT_EQ(1u, catcher_.Messages().size());
    EXPECT_EQ("DeviceIOControl Fail(SUP_OVER_CLOCK)\n", catcher_.Messages()[0].text);
    EXPECT_EQ(show, SupFSBShow());
    EXPECT_EQ(adjust, FSBCanAdj());
    EXPECT_EQ(dram, SupDRAMClkShow());
}

TEST_F(DriverPath, ReadersPassTheFirmwaresWordsThrough) {
    board::FirmwareModel model;
    ASSERT_TRUE(board_.ReadFirmware(model));
    uint16_t fsb = 0;
    EXPECT_EQ(0, ReturnCurrentCPUFSB(&fsb));
    EXPECT_EQ(model.clock.current.fsb, fsb);
    uint16_t vco[7] = {};
    EXPECT_EQ(0, ReturnCurrentVCOValue(&vco[0], &vco[1], &vco[2], &vco[3], &vco[4], &vco[5], &vco[6]));
}

TEST_F(DriverPath, SmartFanAsksTheDriverAndSaysNoWithoutAMessage) {
    EXPECT_EQ(1, Check_SmartFan());
    board::FirmwareModel model;
    ASSERT_TRUE(board_.ReadFirmware(model));
    model.fanItems[board::kFanOnSetting] = 0x164;
    model.fanItems[board::kFanOffSetting] = 0x000;
    model.fanItems[board::kFanInForce] = 0x032;
    ASSERT_TRUE(board_.WriteFirmware(model));
    EXPECT_EQ(1, SF_NB_ON());
    ASSERT_TRUE(board_.ReadFirmware(model));
    EXPECT_EQ(0x164u, model.fanItems[board::kFanInForce]);
    EXPECT_EQ(1, SF_NB_OFF());
    ASSERT_TRUE(board_.ReadFirmware(model));
    EXPECT_EQ(0x000u, model.fanItems[board::kFanInForce]);

    BoardConfig config{};
    ASSERT_TRUE(board_.Config(config));
    config.FanInterfacePresent = 0;
    ASSERT_TRUE(board_.SetConfig(config));
    EXPECT_EQ(0, Check_SmartFan());
    EXPECT_EQ(0, SF_NB_ON());
    Sleep(200);
    EXPECT_TRUE(catcher_.Messages().empty());
}

TEST_F(DriverPath, SupOverClockTakesPortAndCommandFromTheQuery) {
    kclk::State().SmiPort = 0;
    kclk::State().SmiCommand = 0;
    EXPECT_EQ(0, SupOverClock());
    BoardConfig config{};
    ASSERT_TRUE(board_.Config(config));
    EXPECT_EQ(config.TuningPort, kclk::State().SmiPort);
    EXPECT_EQ(config.TuningCommand, kclk::State().SmiCommand);
    EXPECT_EQ(kclk::kInterfaceKrl4, kclk::State().InterfaceMode);
}

}  // namespace
