// The direct path as the board sees it: which registers reach the SMI handler, the order and
// width of the port writes, and what comes back when no handler answers.
#include <gtest/gtest.h>

#include "firmware_gateway.h"
#include "in_process_board.h"
#include "library_state.h"

namespace {

using board::InProcessBoard;
using kclk::FirmwareCall;
using kclk::RequestId;

class DirectPath : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InProcessBoard::Instance().Install());
        InProcessBoard::Instance().PowerOn();
        kclk::LibraryState& state = kclk::State();
        state.OsKind = kclk::kOsWin9x;
        state.SmiPort = board::kDefaultTuningPort;
        state.SmiCommand = board::kDefaultTuningCommand;
    }
    InProcessBoard& Board() { return InProcessBoard::Instance(); }
};

TEST_F(DirectPath, TriggerThenFourSettlingWritesAllSixteenBit) {
    FirmwareCall call(RequestId::ReturnCurrentCPUFSB);
    ASSERT_TRUE(call.Deliver());
    auto writes = Board().Writes();
    ASSERT_EQ(5u, writes.size());
    EXPECT_EQ(0x00B2, writes[0].port);
    EXPECT_EQ(16, writes[0].width);
    EXPECT_TRUE(writes[0].answered);
    for (size_t i = 1; i < writes.size(); ++i) {
        EXPECT_EQ(0xEB, writes[i].port) << "write " << i;
        EXPECT_EQ(16, writes[i].width) << "write " << i;
        EXPECT_FALSE(writes[i].answered) << "write " << i;
    }
}

TEST_F(DirectPath, FunctionRegistersReachTheHandler) {
    FirmwareCall call(RequestId::ReturnPresetVCOValue);
    call.CX(0x1234);
    call.Deliver();
    const board::CpuRegisters at = Board().Writes().at(0).before;
    EXPECT_EQ(0xB2EFu, at.eax & 0xFFFF) << "AH = operation, AL = command value";
    EXPECT_EQ(0xB1B0u, at.ebx & 0xFFFF) << "BH = clock item, BL = device";
    EXPECT_EQ(0x1234u, at.ecx & 0xFFFF);
    EXPECT_EQ(0x00B2u, at.edx & 0xFFFF);
}

TEST_F(DirectPath, ResultsComeFromTheHandlersRegisters) {
    Board().Firmware().clock.current.fsb = 0x4321;
    FirmwareCall call(RequestId::ReturnCurrentCPUFSB);
    call.Deliver();
    EXPECT_EQ(0, call.Status());
    EXPECT_EQ(0x4321, call.BX());
}

TEST_F(DirectPath, TriggerOnAnotherPortIsNotAnswered) {
    kclk::State().SmiPort = 0x00B3;
    FirmwareCall call(RequestId::ReturnCurrentCPUFSB);
    call.Deliver();
    EXPECT_FALSE(Board().Writes().at(0).answered);
    EXPECT_EQ(0xB2EF, call.Status());
}

TEST_F(DirectPath, EveryRequestStoresInterfaceModeFour) {
    kclk::State().InterfaceMode = kclk::kInterfaceClk;
    FirmwareCall call(RequestId::GetVidCurrentVol);
    EXPECT_EQ(kclk::kInterfaceKrl4, kclk::State().InterfaceMode);
}

TEST_F(DirectPath, FanTriggerIsOneByteWideWithThreeSettlingWrites) {
    SmiRegisters regs{0x113E, 1, 3, board::kDefaultFanPort, 0xDEADBEEF, 0, 0};
    kclk_TriggerFanSmi(&regs);
    auto writes = Board().Writes();
    ASSERT_EQ(4u, writes.size());
    EXPECT_EQ(board::kDefaultFanPort, writes[0].port);
    for (const auto& w : writes) EXPECT_EQ(8, w.width);
    for (size_t i = 1; i < writes.size(); ++i) EXPECT_EQ(0xEB, writes[i].port);
    EXPECT_EQ(0xDEADBEEFu, writes[0].before.esi);
}

}  // namespace
