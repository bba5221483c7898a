// The driver path without a driver: the failure message, outputs left alone, and the request
// block carrying fields from one request to the next.
#include <gtest/gtest.h>

#include "firmware_gateway.h"
#include "library_state.h"
#include "message_box_catcher.h"

namespace {

using kclk::FirmwareCall;
using kclk::RequestId;

class DriverPathFailure : public testing::Test {
protected:
    void SetUp() override { kclk::State().OsKind = kclk::kOsWinXp; }
    testsupport::MessageBoxCatcher catcher_;
};

TEST_F(DriverPathFailure, InvalidHandleFailsTheSameWayEveryTime) {
    kclk::State().DeviceHandle = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 2; ++i) {
        FirmwareCall call(RequestId::ReturnVCOLimit);
        EXPECT_FALSE(call.Deliver());
    }
    auto messages = catcher_.Messages();
    ASSERT_EQ(2u, messages.size()) << "no retry, no suppression";
    EXPECT_EQ("DeviceIOControl Fail(RETURN_PCI_LIMIT)\n", messages[1].text);
}

TEST_F(DriverPathFailure, InterfaceQueryFailsSilently) {
    kclk::State().DeviceHandle = nullptr;
    FirmwareCall call(RequestId::InterfaceQuery);
    EXPECT_FALSE(call.Deliver());
    Sleep(200);
    EXPECT_TRUE(catcher_.Messages().empty());
}

TEST_F(DriverPathFailure, BlockKeepsWhatEarlierRequestsWrote) {
    kclk::State().DeviceHandle = nullptr;
    kclk::State().SmiPort = 0x1B2;
    kclk::State().SmiCommand = 0x5A;
    FirmwareCall(RequestId::GetVidDiscTable).SI(7).Deliver();
    FirmwareCall(RequestId::SetNewVidVol).CX(9).Deliver();
    const SmiRegisterBlock& block = kclk::State().Request;
    EXPECT_EQ(7, block.RegSI);
    EXPECT_EQ(9, block.RegCX);
    EXPECT_EQ(0, block.SmiPort) << "the voltage requests do not refresh the port";
    FirmwareCall(RequestId::ReturnCurrentCPUFSB).Deliver();
    EXPECT_EQ(0x1B2, block.SmiPort);
    EXPECT_EQ(0x5A, block.SmiCommand);
    EXPECT_EQ(7, block.RegSI);
}

}  // namespace
