// The smart fan on a Windows 9x board without its "$RXE" table: nothing is found, and the
// switches, called all the same (as a posted fan request does), touch no port.
#include <gtest/gtest.h>

#include "in_process_board.h"
#include "kclk.h"
#include "library_state.h"

namespace {

using board::InProcessBoard;

class SmartFanUnfound : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InProcessBoard::Instance().Install());
        InProcessBoard::Instance().PowerOn();
        InProcessBoard::Instance().PlaceKrl4Table(0xF6000, board::kDefaultTuningPort,
                                                  board::kDefaultTuningCommand);
    }
};

TEST_F(SmartFanUnfound, CheckSaysNoAndMakesNoPortWrite) {
    EXPECT_EQ(0, Check_SmartFan());
    EXPECT_TRUE(InProcessBoard::Instance().Writes().empty());
    EXPECT_EQ(0, kclk::State().FanRequest.FanSmiPort);
}

TEST_F(SmartFanUnfound, SwitchesWithoutAPortSayNoAndMakeNoPortWrite) {
    EXPECT_EQ(0, SF_NB_ON());
    EXPECT_EQ(0, SF_NB_OFF());
    EXPECT_TRUE(InProcessBoard::Instance().Writes().empty());
    EXPECT_EQ(1, kclk::State().OsKind) << "the switches refresh the OS kind";
}

TEST_F(SmartFanUnfound, TableCutOffBeforeItsPortIsNoTable) {
    InProcessBoard::Instance().PlaceBytes(0xFFFF8, "$RXE", 4);  // port word would be past FFFFFh
    EXPECT_EQ(0, Check_SmartFan());
    EXPECT_TRUE(InProcessBoard::Instance().Writes().empty());
}

}  // namespace
