// The stand-in driver stopped and started again while clients hold handles to both of its
// devices: the held handles' requests fail at once (the board's storage is never reached once
// the driver unloads), and fresh handles work after the start.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "board_control.h"
#include "board_driver.h"
#include "current_driver.h"
#include "kclk.h"
#include "smi_wire.h"

namespace {

namespace krdrv = testsupport::krdrv;

// This build's driver, running before any test talks to it; the next program in the prefix finds it running.
const auto* const g_driver =
    testing::AddGlobalTestEnvironment(new testsupport::CurrentDriver(true));

bool Request(testsupport::GatewayDevice& gateway) {
    SmiRegisterBlock block{};
    block.SmiPort = board::kDefaultTuningPort;
    block.SmiCommand = board::kDefaultTuningCommand;
    return gateway.Send(0x9C402550, &block, sizeof(block)) && block.RegAX == 0;
}

TEST(Lifecycle, StopWithHandlesHeldThenStartAgain) {
    constexpr int kCycles = 20;
    DWORD slowestFailure = 0;
    const DWORD start = GetTickCount();
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        SCOPED_TRACE(cycle);
        testsupport::GatewayDevice gateway;
        testsupport::BoardDriver control;
        ASSERT_TRUE(gateway.IsOpen());
        ASSERT_TRUE(control.IsOpen());
        ASSERT_TRUE(Request(gateway));

        ASSERT_TRUE(krdrv::StopService()) << "stops with both devices held open";
        const DWORD before = GetTickCount();
        EXPECT_FALSE(Request(gateway));
        BoardInfo info{};
        EXPECT_FALSE(control.Info(info)) << "the control device's storage went with the driver";
        const DWORD took = GetTickCount() - before;
        slowestFailure = took > slowestFailure ? took : slowestFailure;
        EXPECT_LT(took, 5000u) << "no hang";

        ASSERT_TRUE(krdrv::StartService());
        testsupport::GatewayDevice fresh;
        ASSERT_TRUE(fresh.IsOpen());
        EXPECT_TRUE(Request(fresh));
    }
    std::printf("figure: lifecycle, stand-in driver through Wine: %d cycles of start, open, "
                "request, stop with the handles open, request (failed, slowest %lu ms), close, "
                "start, open, request; %lu ms in all\n",
                kCycles, slowestFailure, GetTickCount() - start);
}

}  // namespace
