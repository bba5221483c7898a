// The simulated board's faults through the stand-in's own entry points, with blocks as the
// library fills them: here the sanitizers watch the history's ring and the whole-buffer copies.
// What a client sees through the library is tested under Wine (driver_board_tests).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "board_control.h"
#include "board_device.h"
#include "firmware_model.h"
#include "firmware_requests.h"
#include "smi_wire.h"

namespace {

using kclk::RequestId;

class FaultyBoard : public testing::Test {
protected:
    void SetUp() override {
        BoardStart();
        block_.SmiPort = board::kDefaultTuningPort;
        block_.SmiCommand = board::kDefaultTuningCommand;
        Send(RequestId::InterfaceQuery);  // as the library starts: the reply leaves its marks
    }
    void TearDown() override { BoardStop(); }

    // One block kept between requests, as the library keeps its own.
    uint16_t Send(RequestId id) {
        uint32_t information = 0;
        KrdrvIoRequest io{kclk::Describe(id).controlCode, &block_, sizeof(block_), sizeof(block_)};
        EXPECT_EQ(KRDRV_STATUS_SUCCESS, BoardGatewayRequest(&io, &information));
        return block_.RegAX;
    }
    uint16_t Word(RequestId id, uint16_t cx) {
        block_.RegCX = cx;
        return Send(id);
    }
    uint16_t Cia(uint16_t control) {
        block_.RegSI = control;
        return Send(RequestId::SetCIAControl);
    }
    uint16_t SetClock(uint32_t ebx, uint32_t fsb, uint32_t dram = 0) {
        block_.RegEBX = ebx;
        block_.RegECX = fsb;
        block_.RegESI = dram;
        block_.RegEDI = 0;
        block_.RegEBP = 0;
        return Send(RequestId::SetClock);
    }
    uint16_t Probe(uint32_t fsb) {
        block_.RegECX = fsb;
        block_.RegESI = block_.RegEDI = block_.RegEDX = 0;
        return Send(RequestId::SetClockProb);
    }

    int32_t Control(uint32_t code, const void* in, uint32_t inLength, void* out,
                    uint32_t outLength) {
        std::vector<uint8_t> buffer(inLength > outLength ? inLength : outLength);
        if (inLength) std::memcpy(buffer.data(), in, inLength);
        uint32_t information = 0;
        KrdrvIoRequest io{code, buffer.empty() ? nullptr : buffer.data(), inLength, outLength};
        const int32_t status = BoardControlRequest(&io, &information);
        if (status == KRDRV_STATUS_SUCCESS && outLength) {
            EXPECT_EQ(outLength, information);
            std::memcpy(out, buffer.data(), outLength);
        }
        return status;
    }
    void Faults(uint8_t fault, uint32_t from, uint32_t refuse = 0, uint16_t hang = 0) {
        BoardFaults faults{};
        faults.SetFault = fault;
        faults.FaultFromSet = from;
        faults.RefuseFromSet = refuse;
        faults.HangAboveFsb = hang;
        ASSERT_EQ(KRDRV_STATUS_SUCCESS,
                  Control(BOARD_IOCTL_SET_FAULTS, &faults, sizeof(faults), nullptr, 0));
    }
    BoardFaults Faults() {
        BoardFaults faults{};
        EXPECT_EQ(KRDRV_STATUS_SUCCESS,
                  Control(BOARD_IOCTL_GET_FAULTS, nullptr, 0, &faults, sizeof(faults)));
        return faults;
    }
    board::FirmwareModel Firmware() {
        board::FirmwareModel model;
        EXPECT_EQ(KRDRV_STATUS_SUCCESS, Control(BOARD_IOCTL_GET_FIRMWARE_STATE, nullptr, 0,
                                                &model, sizeof(model)));
        return model;
    }

    SmiRegisterBlock block_{};
};

TEST_F(FaultyBoard, IgnoreAndMismatchHitOnlySetsTheFirmwareWouldPerform) {
    Faults(BOARD_SET_FAULT_IGNORE, 2);
    EXPECT_EQ(0, Word(RequestId::SetNewVidVol, 1525));
    EXPECT_EQ(0, Word(RequestId::SetNewVidVol, 1600));
    EXPECT_EQ(1600, block_.RegBX) << "the answer of a success";
    EXPECT_EQ(1525, Firmware().voltages[0].current);
    EXPECT_EQ(board::kStatusRejected, Word(RequestId::SetNewVidVol, 1510)) << "honest refusal";
    EXPECT_EQ(3u, Faults().SetCount);

    const struct { RequestId id; uint16_t value, landed; } kRows[] = {
        {RequestId::SetNewVidVol, 1600, 1575}, {RequestId::SetNewDIMMOverVol, 2500, 2550},
        {RequestId::SetNewAGPOverVol, 1800, 1700}, {RequestId::SetNewCPURatio, 110, 105},
        {RequestId::SetNewCPURatio, 60, 65},  // 55 lies outside the processor's limit
        {RequestId::SetMIBControl, 0, 1}, {RequestId::SetCIAControl, 0x8000, 0x8001},
        {RequestId::SetClock, 15000, 14000}, {RequestId::SetClock, 12000, 12400}};
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.value);
        BoardStop();
        SetUp();
        Faults(BOARD_SET_FAULT_MISMATCH, 0);
        const board::FirmwareModel before = Firmware();
        if (row.id == RequestId::SetCIAControl)
            EXPECT_EQ(0, Cia(row.value));
        else if (row.id == RequestId::SetClock)
            EXPECT_EQ(0, SetClock(0, row.value));
        else
            EXPECT_EQ(0, Word(row.id, row.value));
        const board::FirmwareModel after = Firmware();
        const uint16_t landed[] = {after.voltages[0].current, after.voltages[1].current,
                                   after.voltages[2].current, after.ratio.current, after.mib.on,
                                   after.cia.status, after.clock.current.fsb};
        const uint16_t was[] = {before.voltages[0].current, before.voltages[1].current,
                                before.voltages[2].current, before.ratio.current, before.mib.on,
                                before.cia.status, before.clock.current.fsb};
        int moved = 0;
        for (size_t i = 0; i < std::size(landed); ++i)
            if (landed[i] != was[i]) {
                ++moved;
                EXPECT_EQ(row.landed, landed[i]);
            }
        EXPECT_EQ(1, moved);
        EXPECT_EQ(before.requestCount + 1, after.requestCount) << "counted once";
    }
}

TEST_F(FaultyBoard, RefusalReachesTheProbeBeforeItsSet) {
    BoardFaults bad{};
    bad.SetFault = 3;
    EXPECT_EQ(KRDRV_STATUS_INVALID_PARAMETER,
              Control(BOARD_IOCTL_SET_FAULTS, &bad, sizeof(bad), nullptr, 0));
    Faults(BOARD_SET_FAULT_NONE, 0, 2);
    EXPECT_EQ(0, Probe(14000)) << "set 1 would go through";
    EXPECT_EQ(0, SetClock(0, 14000));
    EXPECT_EQ(board::kStatusRejected, Probe(15000));
    EXPECT_EQ(board::kClockBadFsb, block_.RegBX);
    EXPECT_EQ(board::kStatusRejected, SetClock(0, 15000));
    EXPECT_EQ(board::kStatusRejected, SetClock(0, 0, 0x0504));
    EXPECT_EQ(board::kClockBadDram, block_.RegBX) << "the word that would change";
    EXPECT_EQ(board::kStatusRejected, Word(RequestId::SetNewVidVol, 1600));
    EXPECT_EQ(1500, block_.RegBX) << "the voltage in force";
    EXPECT_EQ(14000, Firmware().clock.current.fsb);
    EXPECT_EQ(1500, Firmware().voltages[0].current);
    EXPECT_EQ(4u, Faults().SetCount) << "probes are not sets";
}

TEST_F(FaultyBoard, HangsAboveAnFsbUntilTheResetButton) {
    Faults(BOARD_SET_FAULT_NONE, 0, 0, 15000);
    EXPECT_EQ(0, SetClock(board::kSetClockStoreAsPreset, 14000, 0x0504));
    EXPECT_EQ(0, Word(RequestId::SetNewVidVol, 1600));
    EXPECT_EQ(0, SetClock(0, 15000));
    EXPECT_EQ(0, Faults().Hung) << "at the bound";
    EXPECT_EQ(0, SetClock(0, 16667)) << "the set itself is answered";
    EXPECT_EQ(1, Faults().Hung);
    const board::FirmwareModel before = Firmware();
    EXPECT_EQ(0xB2EF, Send(RequestId::ReturnCurrentCPUFSB)) << "the trigger word";
    EXPECT_EQ(0xB4EF, Word(RequestId::SetNewVidVol, 1500));
    FanRequestBlock fan{};
    uint32_t information = 0;
    KrdrvIoRequest io{KCLK_IOCTL_SMART_FAN_ON, &fan, sizeof(fan), sizeof(fan)};
    EXPECT_EQ(KRDRV_STATUS_NO_SUCH_DEVICE, BoardGatewayRequest(&io, &information));
    const board::FirmwareModel still = Firmware();
    EXPECT_EQ(0, std::memcmp(&before, &still, sizeof(before))) << "the firmware never ran";
    EXPECT_EQ(4u, Faults().SetCount) << "nor counted the set";

    ASSERT_EQ(KRDRV_STATUS_SUCCESS, Control(BOARD_IOCTL_REBOOT, nullptr, 0, nullptr, 0));
    const board::FirmwareModel after = Firmware();
    EXPECT_EQ(14000, after.clock.current.fsb) << "the stored boot preset";
    EXPECT_EQ(0x0504, after.clock.current.dram);
    EXPECT_EQ(1500, after.voltages[0].current);
    const BoardFaults faults = Faults();
    EXPECT_EQ(0, faults.Hung);
    EXPECT_EQ(15000, faults.HangAboveFsb);
    EXPECT_EQ(0u, faults.SetCount);
    EXPECT_EQ(0, Send(RequestId::ReturnCurrentCPUFSB));
    EXPECT_EQ(14000, block_.RegBX);
    EXPECT_EQ(KRDRV_STATUS_SUCCESS, BoardGatewayRequest(&io, &information));
}

TEST_F(FaultyBoard, HistoryKeepsTheNewestOldestFirst) {
    constexpr uint32_t kPairs = 300;
    for (uint32_t i = 0; i < kPairs; ++i) {
        Probe(13333 + i);
        Send(RequestId::GetVidCurrentVol);  // not recorded
        Word(RequestId::SetNewVidVol, static_cast<uint16_t>(1100 + 25 * (i % 31)));
    }
    auto history = std::make_unique<BoardSetHistory>();
    constexpr uint32_t kSize = sizeof(BoardSetHistory);
    for (uint32_t size : {kSize - 1, kSize + 1})
        EXPECT_EQ(KRDRV_STATUS_INVALID_PARAMETER,
                  Control(BOARD_IOCTL_GET_HISTORY, nullptr, 0, history.get(), size));
    ASSERT_EQ(KRDRV_STATUS_SUCCESS, Control(BOARD_IOCTL_GET_HISTORY, nullptr, 0, history.get(),
                                            sizeof(BoardSetHistory)));
    EXPECT_EQ(2 * kPairs, history->Count);
    ASSERT_EQ(BOARD_HISTORY_CAPACITY, history->Stored);
    for (uint32_t n = 0; n < BOARD_HISTORY_CAPACITY; ++n) {
        const BoardHistoryEntry& e = history->Entries[n];
        const uint32_t sequence = 2 * kPairs - BOARD_HISTORY_CAPACITY + 1 + n;
        const uint32_t pair = (sequence - 1) / 2;
        ASSERT_EQ(sequence, e.Sequence);
        EXPECT_EQ(sequence % 2 ? BOARD_HISTORY_PROBE : BOARD_HISTORY_SET, e.Kind) << sequence;
        EXPECT_EQ(sequence % 2 ? 0xB5 : 0xB4, e.Operation) << sequence;
        EXPECT_EQ(sequence % 2 ? 0xB0 : 0xB1, e.Device) << sequence;
        EXPECT_EQ(sequence % 2 ? 13333 + pair : 1100 + 25 * (pair % 31), e.ECX & 0xFFFF);
    }
    ASSERT_EQ(KRDRV_STATUS_SUCCESS, Control(BOARD_IOCTL_CLEAR_HISTORY, nullptr, 0, nullptr, 0));
    ASSERT_EQ(KRDRV_STATUS_SUCCESS, Control(BOARD_IOCTL_GET_HISTORY, nullptr, 0, history.get(),
                                            sizeof(BoardSetHistory)));
    EXPECT_EQ(0u, history->Count);
    EXPECT_EQ(0u, history->Stored);
}

}  // namespace
