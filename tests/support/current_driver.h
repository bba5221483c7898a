// This build's KrDrv stand-in, installed and running before any test of a program talks to it.
// Header only: the programs that use it link the library's objects (InitDrv) themselves.
#pragma once

#include <gtest/gtest.h>

#include "board_driver.h"
#include "kclk.h"

namespace testsupport {

class CurrentDriver : public testing::Environment {
public:
    // startAtEnd: a program that stops the service leaves it running for the next one.
    explicit CurrentDriver(bool startAtEnd = false) : startAtEnd_(startAtEnd) {}
    void SetUp() override {
        if (!krdrv::InstalledFileIsCurrent()) krdrv::StopService();
        if (krdrv::ServiceState() != SERVICE_RUNNING) InitDrv();
        ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), krdrv::ServiceState());
    }
    void TearDown() override {
        if (startAtEnd_) {
            EXPECT_TRUE(krdrv::StartService());
        }
    }

private:
    bool startAtEnd_;
};

}  // namespace testsupport
