// The KrDrv stand-in under Wine: what it accepts on \\.\GpdDev and what it refuses, how each
// control code reaches the firmware, how SetClockProb and SetClock are told apart, the faults
// of a misbehaving firmware as a client sees them, and its control device \\.\GpdBoard.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <vector>

#include "board_driver.h"
#include "current_driver.h"
#include "firmware_gateway.h"
#include "firmware_requests.h"
#include "kclk.h"
#include "library_state.h"
#include "message_box_catcher.h"
#include "smi_wire.h"

namespace {

namespace krdrv = testsupport::krdrv;
using kclk::FirmwareCall;
using kclk::RequestId;

constexpr uint16_t kPort = board::kDefaultTuningPort;
constexpr uint8_t kCommand = board::kDefaultTuningCommand;
constexpr int32_t kStatusInvalidParameter = static_cast<int32_t>(0xC000000D);
constexpr int32_t kStatusInvalidDeviceRequest = static_cast<int32_t>(0xC0000010);
constexpr int32_t kStatusDeviceNotReady = static_cast<int32_t>(0xC00000A3);
constexpr uint8_t kSentinel = 0xCD;

// This build's driver, running before any test talks to it.
const auto* const g_driver =
    testing::AddGlobalTestEnvironment(new testsupport::CurrentDriver());

// A block aimed at the board's default interface, every input field distinct.
SmiRegisterBlock Block(uint16_t port = kPort, uint8_t command = kCommand) {
    SmiRegisterBlock block{};
    block.SmiPort = port;
    block.SmiCommand = command;
    block.RegCX = 0x1234;
    block.RegSI = 0x5678;
    block.RegEBX = 0x11111111;
    block.RegECX = 0x22222222;
    block.RegEDX = 0x33333333;
    block.RegESI = 0x44444444;
    block.RegEDI = 0x55555555;
    block.RegEBP = 0x66666666;
    return block;
}

bool AllSentinel(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes)
        if (b != kSentinel) return false;
    return true;
}

class BoardTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(board_.IsOpen()) << board_.LastError();
        ASSERT_TRUE(gateway_.IsOpen());
        ASSERT_TRUE(board_.ResetBoard());
    }
    void TearDown() override { board_.ResetBoard(); }

    BoardLastRequest Last() {
        BoardLastRequest record{};
        EXPECT_TRUE(board_.LastRequest(record));
        return record;
    }
    board::FirmwareModel Firmware() {
        board::FirmwareModel model;
        EXPECT_TRUE(board_.ReadFirmware(model));
        return model;
    }
    // Sends with separate, sentinel-filled output; false with the error when refused.
    bool SendApart(uint32_t code, const void* in, DWORD inLength, DWORD outLength,
                   std::vector<uint8_t>& out, DWORD& error) {
        out.assign(64, kSentinel);
        DWORD returned = 0;
        SetLastError(0);
        const BOOL ok = DeviceIoControl(gateway_.Get(), code, const_cast<void*>(in), inLength,
                                        outLength ? out.data() : nullptr, outLength, &returned,
                                        nullptr);
        error = ok ? 0 : GetLastError();
        return ok != FALSE;
    }

    testsupport::BoardDriver board_;
    testsupport::GatewayDevice gateway_;
};

// --- What GpdDev refuses ----------------------------------------------------------------------

TEST_F(BoardTest, RefusesWrongLengthsAndWritesNothing) {
    const struct { uint32_t code; DWORD in, out; } kRows[] = {
        {0x9C402550, 47, 48}, {0x9C402550, 49, 48}, {0x9C402550, 48, 47}, {0x9C402550, 48, 49},
        {0x9C402550, 0, 0},   {0x9C402550, 0, 48},  {0x9C402550, 48, 0},  {0x9C402550, 52, 52},
        {KCLK_IOCTL_SET_CLOCK, 47, 48},       {KCLK_IOCTL_SET_CLOCK, 48, 49},
        {KCLK_IOCTL_INTERFACE_QUERY, 49, 49}, {KCLK_IOCTL_INTERFACE_QUERY, 0, 0},
        {0x9C402464, 48, 47},                 {0x9C402464, 52, 48},
        {KCLK_IOCTL_SMART_FAN_CHECK, 51, 52}, {KCLK_IOCTL_SMART_FAN_CHECK, 53, 52},
        {KCLK_IOCTL_SMART_FAN_ON, 52, 51},    {KCLK_IOCTL_SMART_FAN_ON, 52, 53},
        {KCLK_IOCTL_SMART_FAN_OFF, 48, 48},   {KCLK_IOCTL_SMART_FAN_OFF, 0, 0},
    };
    const std::vector<uint8_t> firmwareBefore = board_.FirmwareBytes();
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.code << std::dec << " in " << row.in
                                        << " out " << row.out);
        uint8_t in[64];
        const SmiRegisterBlock block = Block();
        std::memset(in, 0x5A, sizeof(in));
        std::memcpy(in, &block, sizeof(block));
        std::vector<uint8_t> out;
        DWORD error = 0;
        EXPECT_FALSE(SendApart(row.code, row.in ? in : nullptr, row.in, row.out, out, error));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), error);
        EXPECT_TRUE(AllSentinel(out)) << "nothing written";
        const BoardLastRequest last = Last();
        EXPECT_EQ(row.code, last.ControlCode);
        EXPECT_EQ(row.in, last.InputLength);
        EXPECT_EQ(row.out, last.OutputLength);
        EXPECT_EQ(kStatusInvalidParameter, last.Status);
        EXPECT_EQ(0, last.Triggered);
    }
    EXPECT_EQ(firmwareBefore, board_.FirmwareBytes()) << "the firmware never ran";
}

TEST_F(BoardTest, RefusesCodesItDoesNotKnow) {
    const uint32_t kUnknown[] = {
        0x9C402568,  // between the current PCI reader and the preset PCI reader
        0x9C40265C,  // past the VCO limit
        0x9C402460,  // beside the MIB control
        0x9C402541,  // the interface query with direct input
        0x9C402543,  // and with neither buffering
        0x9C406540,  // and asking for read access
        BOARD_IOCTL_GET_INFO,  // the control device's code on the gateway
        0x00000000,
    };
    for (uint32_t code : kUnknown) {
        SCOPED_TRACE(testing::Message() << std::hex << code);
        SmiRegisterBlock block = Block();
        std::vector<uint8_t> out;
        DWORD error = 0;
        EXPECT_FALSE(SendApart(code, &block, sizeof(block), sizeof(block), out, error));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FUNCTION), error);
        EXPECT_TRUE(AllSentinel(out));
        EXPECT_EQ(kStatusInvalidDeviceRequest, Last().Status);
    }
}

// --- How each code reaches the firmware -------------------------------------------------------

TEST_F(BoardTest, EveryCodeTriggersItsFunctionWithItsInputs) {
    // Which block word each code passes, as the library's exports fill them.
    const std::set<uint32_t> kWordInCX = {0x9C40254C, 0x9C4025E4, 0x9C402610,
                                          0x9C402624, 0x9C402654, 0x9C402464};
    const std::set<uint32_t> kWordInSI = {
        0x9C402584, 0x9C402588, 0x9C40258C, 0x9C402590, 0x9C402594, 0x9C402598, 0x9C40259C,
        0x9C4025A0, 0x9C4025A4, 0x9C4025E0, 0x9C40260C, 0x9C402620, 0x9C40264C, 0x9C402518,
        0x9C40251C};
    for (const kclk::FirmwareRequest& row : kclk::kFirmwareRequests) {
        if (row.ah == kclk::kSmartFanFunction || row.controlCode == KCLK_IOCTL_SET_CLOCK ||
            row.controlCode == KCLK_IOCTL_INTERFACE_QUERY)
            continue;  // their own tests below
        SCOPED_TRACE(testing::Message() << std::hex << row.controlCode);
        SmiRegisterBlock block = Block();
        ASSERT_TRUE(gateway_.Send(row.controlCode, &block, sizeof(block)));
        const BoardLastRequest last = Last();
        const uint32_t bh = row.bh == kclk::kNoItem ? 0 : static_cast<uint32_t>(row.bh);
        EXPECT_EQ(1, last.Answered);
        EXPECT_EQ(static_cast<uint32_t>(row.ah) << 8 | kCommand, last.TriggerEAX);
        EXPECT_EQ(bh << 8 | row.bl, last.TriggerEBX);
        EXPECT_EQ(kWordInCX.count(row.controlCode) ? 0x1234u : 0u, last.TriggerECX);
        EXPECT_EQ(kPort, last.TriggerEDX);
        EXPECT_EQ(kWordInSI.count(row.controlCode) ? 0x5678u : 0u, last.TriggerESI);
        EXPECT_EQ(0u, last.TriggerEDI);
        EXPECT_EQ(0u, last.TriggerEBP);
        EXPECT_EQ(static_cast<uint32_t>(row.ah) << 16 | row.bl << 8 | bh, Firmware().lastFunction);
        // The reply: word and doubleword images agree, ESI goes back as it came.
        EXPECT_EQ(static_cast<uint16_t>(block.RegEBX), block.RegBX);
        EXPECT_EQ(static_cast<uint16_t>(block.RegECX), block.RegCX);
        EXPECT_EQ(0x44444444u, block.RegESI);
    }
}

TEST_F(BoardTest, TriggerAtTheWrongPortOrCommandIsNotAnswered) {
    const struct { uint32_t code; uint16_t port; uint8_t command; uint8_t ah; } kRows[] = {
        {0x9C402550, kPort, 0x12, 0xB2}, {0x9C402550, 0x1B2, kCommand, 0xB2},
        {0x9C4025E4, kPort, 0x00, 0xB4}, {0x9C402584, 0x0000, 0x00, 0xB3},
        {KCLK_IOCTL_SET_CLOCK, 0x00B3, kCommand, 0xB5},
    };
    const std::vector<uint8_t> firmwareBefore = board_.FirmwareBytes();
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.code << " " << row.port);
        SmiRegisterBlock block = Block(row.port, row.command);
        ASSERT_TRUE(gateway_.Send(row.code, &block, sizeof(block))) << "delivered all the same";
        const BoardLastRequest last = Last();
        EXPECT_EQ(1, last.Triggered);
        EXPECT_EQ(0, last.Answered);
        EXPECT_EQ(static_cast<uint16_t>(row.ah << 8 | row.command), block.RegAX);
        EXPECT_EQ(last.TriggerEBX, block.RegEBX);
        EXPECT_EQ(last.TriggerECX, block.RegECX);
        EXPECT_EQ(last.TriggerEDX, block.RegEDX);
        EXPECT_EQ(last.TriggerEDI, block.RegEDI);
    }
    EXPECT_EQ(firmwareBefore, board_.FirmwareBytes());
}

TEST_F(BoardTest, InterfaceQueryAnswersTheConfiguredInterface) {
    const struct { uint16_t port; uint8_t command; } kInterfaces[] = {
        {kPort, kCommand}, {0x01B2, 0x5A}, {0xFFFF, 0x01}};
    for (const auto& row : kInterfaces) {
        SCOPED_TRACE(testing::Message() << std::hex << row.port << " " << int(row.command));
        ASSERT_TRUE(board_.SetConfig(BoardConfig{1, row.command, row.port, 1, {}}));
        SmiRegisterBlock block{};  // as Check_KRVer sends it from a fresh library
        ASSERT_TRUE(gateway_.Send(KCLK_IOCTL_INTERFACE_QUERY, &block, sizeof(block)));
        EXPECT_EQ(row.port, block.SmiPort);
        EXPECT_EQ(row.command, block.SmiCommand);
        EXPECT_EQ(0, Last().Answered) << "the block did not name the interface yet";
        EXPECT_EQ(0xB000, block.RegAX) << "no answer: the trigger word, never a false 0";

        // SupOverClock sends the same code with the block as the query left it.
        ASSERT_TRUE(gateway_.Send(KCLK_IOCTL_INTERFACE_QUERY, &block, sizeof(block)));
        const BoardLastRequest last = Last();
        EXPECT_EQ(1, last.Answered);
        EXPECT_EQ(0xB000u | row.command, last.TriggerEAX);
        EXPECT_EQ(0xB0u, last.TriggerEBX);
        EXPECT_EQ(row.port, last.TriggerEDX);
        EXPECT_EQ(Firmware().supportStatus, block.RegAX);
    }
}

TEST_F(BoardTest, BoardWithoutTheInterfaceFailsTheQueryAndAnswersNothing) {
    ASSERT_TRUE(board_.SetConfig(BoardConfig{0, kCommand, kPort, 1, {}}));
    SmiRegisterBlock block = Block();
    std::vector<uint8_t> out;
    DWORD error = 0;
    EXPECT_FALSE(SendApart(KCLK_IOCTL_INTERFACE_QUERY, &block, 48, 48, out, error));
    EXPECT_TRUE(AllSentinel(out));
    ASSERT_TRUE(gateway_.Send(0x9C402550, &block, sizeof(block)));
    EXPECT_EQ(0, Last().Answered);
    EXPECT_EQ(0xB200 | kCommand, block.RegAX);
}

// --- The library's requests as the driver receives them ---------------------------------------

class LibraryOverDriver : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        kclk::State().OsKind = ScanOSInfo();
        ASSERT_TRUE(kclk::UsesDriverPath(kclk::State().OsKind));
        ASSERT_EQ(1, OpenDriver());
        kclk::State().Request = SmiRegisterBlock{};
        FirmwareCall query(RequestId::InterfaceQuery);  // as Check_KRVer does
        ASSERT_TRUE(query.Deliver());
        kclk::State().SmiPort = kclk::State().Request.SmiPort;
        kclk::State().SmiCommand = kclk::State().Request.SmiCommand;
    }
    void TearDown() override {
        kclk::FileHandle opened(kclk::State().DeviceHandle);
        kclk::State().DeviceHandle = nullptr;
        BoardTest::TearDown();
    }
};

TEST_F(LibraryOverDriver, SetClockProbAndSetClockAreToldApart) {
    struct Step {
        RequestId id;
        uint32_t first, second, third, fourth, fifth;  // SetClockProb uses the first four
        bool fourthAsLastEdx;  // SetClockProb's fourth word = the RegEDX the last reply left
        uint8_t ah;
    };
    const Step kSteps[] = {
        {RequestId::SetClock, 0x11223344, 2, 3, 4, 0x55, false, 0xB6},
        {RequestId::SetClockProb, 6, 7, 8, 0x99, 0, false, 0xB5},
        {RequestId::SetClock, 0x11223344, 2, 3, 4, 0x55, false, 0xB6},  // same fifth word again
        {RequestId::SetClock, 0x11223344, 2, 3, 4, 0x55, false, 0xB6},
        {RequestId::SetClockProb, 6, 7, 8, 0x99, 0, false, 0xB5},       // same fourth word again
        {RequestId::SetClockProb, 6, 7, 8, 0, 0, true, 0xB5},           // RegEDX as it came back
        {RequestId::SetClock, 0x000000FF, 0, 0, 0, 0, false, 0xB6},
    };
    int index = 0;
    for (const Step& step : kSteps) {
        SCOPED_TRACE(testing::Message() << "step " << index++);
        FirmwareCall call(step.id);
        if (step.id == RequestId::SetClock) {
            call.EBX(step.first).ECX(step.second).ESI(step.third).EDI(step.fourth).EBP(step.fifth);
        } else {
            const uint32_t fourth =
                step.fourthAsLastEdx ? kclk::State().Request.RegEDX : step.fourth;
            call.ECX(step.first).ESI(step.second).EDI(step.third).EBPOrEDX(fourth);
        }
        ASSERT_TRUE(call.Deliver());
        const BoardLastRequest last = Last();
        EXPECT_EQ(KCLK_IOCTL_SET_CLOCK, last.ControlCode);
        EXPECT_EQ(step.ah, last.TriggerEAX >> 8);
        const uint32_t bh = (last.TriggerEBX >> 8) & 0xFF;
        EXPECT_EQ(static_cast<uint32_t>(step.ah) << 16 | 0xB000u | bh,
                  Firmware().lastFunction) << "the firmware ran the operation the trigger named";
        if (step.id == RequestId::SetClock) {
            EXPECT_EQ((step.first & 0xFFFFFF00u) | 0xB0, last.TriggerEBX) << "BL replaces the low byte";
            EXPECT_EQ(step.second, last.TriggerECX);
            EXPECT_EQ(step.third, last.TriggerESI);
            EXPECT_EQ(step.fourth, last.TriggerEDI);
            EXPECT_EQ(step.fifth, last.TriggerEBP);
        } else {
            SmiRegisterBlock sent;
            std::memcpy(&sent, last.Input, sizeof(sent));
            EXPECT_EQ(0xB0u, last.TriggerEBX);
            EXPECT_EQ(step.first, last.TriggerECX);
            EXPECT_EQ(step.second, last.TriggerESI);
            EXPECT_EQ(step.third, last.TriggerEDI);
            EXPECT_EQ(sent.RegEDX, last.TriggerEBP) << "the fourth word reaches EBP";
        }
    }
}

TEST_F(LibraryOverDriver, RequestsArriveWithWhatThePreviousReplyLeft) {
    struct Step {
        RequestId id;
        uint16_t cx, si;  // 0: not written
    };
    const Step kSteps[] = {
        {RequestId::GetVidDiscTable, 0, 7},  {RequestId::SetNewVidVol, 9, 0},
        {RequestId::GetVidCurrentVol, 0, 0}, {RequestId::ReturnCurrentCPUFSB, 0, 0},
        {RequestId::GetCIATable, 0, 2},      {RequestId::SetMIBControl, 1, 0},
    };
    for (const Step& step : kSteps) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(step.id));
        SmiRegisterBlock expected = kclk::State().Request;  // the previous reply
        FirmwareCall call(step.id);
        if (step.cx) {
            call.CX(step.cx);
            expected.RegCX = step.cx;
        }
        if (step.si) {
            call.SI(step.si);
            expected.RegSI = step.si;
        }
        if (kclk::Describe(step.id).copiesInterface) {
            expected.SmiPort = kclk::State().SmiPort;
            expected.SmiCommand = kclk::State().SmiCommand;
        }
        ASSERT_TRUE(call.Deliver());
        const BoardLastRequest last = Last();
        EXPECT_EQ(48u, last.InputLength);
        EXPECT_EQ(0, std::memcmp(&expected, last.Input, sizeof(expected)))
            << "the block arrived as the library left it, byte for byte";
        EXPECT_EQ(1, last.Answered) << "the port and command came from the query's reply";
    }
}

// --- Failures made to order -------------------------------------------------------------------

TEST_F(BoardTest, CodeMadeToFailFailsUntilLetThrough) {
    ASSERT_TRUE(board_.FailCode(0x9C402550, kStatusDeviceNotReady));
    SmiRegisterBlock block = Block();
    std::vector<uint8_t> out;
    DWORD error = 0;
    EXPECT_FALSE(SendApart(0x9C402550, &block, 48, 48, out, error));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_READY), error);
    EXPECT_TRUE(AllSentinel(out));
    EXPECT_EQ(kStatusDeviceNotReady, Last().Status);
    EXPECT_EQ(0, Last().Triggered);

    EXPECT_TRUE(gateway_.Send(0x9C402554, &block, sizeof(block))) << "other codes pass";
    ASSERT_TRUE(board_.FailCode(0x9C402550, 0));
    EXPECT_TRUE(gateway_.Send(0x9C402550, &block, sizeof(block)));
}

TEST_F(BoardTest, FailureTableTakesOnlyGatewayCodesAndErrorStatuses) {
    EXPECT_FALSE(board_.FailCode(0x9C402568, kStatusDeviceNotReady)) << "not a gateway code";
    EXPECT_FALSE(board_.FailCode(0x9C402550, 1)) << "not an error";
    EXPECT_FALSE(board_.FailCode(0x9C402550, static_cast<int32_t>(0x80000005))) << "a warning";
    BoardInfo info{};
    ASSERT_TRUE(board_.Info(info));
    for (uint32_t i = 0; i < info.FailureSlots; ++i)
        ASSERT_TRUE(board_.FailCode(kclk::kFirmwareRequests[2 + i].controlCode,
                                    kStatusDeviceNotReady));
    const uint32_t oneTooMany = kclk::kFirmwareRequests[2 + info.FailureSlots].controlCode;
    EXPECT_FALSE(board_.FailCode(oneTooMany, kStatusDeviceNotReady));
    ASSERT_TRUE(board_.FailCode(kclk::kFirmwareRequests[2].controlCode, 0));
    EXPECT_TRUE(board_.FailCode(oneTooMany, kStatusDeviceNotReady)) << "a freed slot is reused";
}

// --- Smart fan ----------------------------------------------------------------------------------

TEST_F(BoardTest, SmartFanCodesActAndReturnTheBlockAsItCame) {
    board::FirmwareModel model = Firmware();
    model.fanItems[board::kFanInForce] = 0x132;
    model.fanItems[board::kFanOnSetting] = 0x164;
    model.fanItems[board::kFanOffSetting] = 0x000;
    ASSERT_TRUE(board_.WriteFirmware(model));

    const struct { uint32_t code; uint32_t inForce; } kRows[] = {
        {KCLK_IOCTL_SMART_FAN_CHECK, 0x132}, {KCLK_IOCTL_SMART_FAN_ON, 0x164},
        {KCLK_IOCTL_SMART_FAN_OFF, 0x000}, {KCLK_IOCTL_SMART_FAN_ON, 0x164}};
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.code);
        FanRequestBlock block;
        for (size_t i = 0; i < sizeof(block); ++i) reinterpret_cast<uint8_t*>(&block)[i] = uint8_t(i + 1);
        const FanRequestBlock sent = block;
        DWORD returned = 0;
        ASSERT_TRUE(DeviceIoControl(gateway_.Get(), row.code, &block, sizeof(block), &block,
                                    sizeof(block), &returned, nullptr));
        EXPECT_EQ(sizeof(block), returned);
        EXPECT_EQ(0, std::memcmp(&sent, &block, sizeof(block)));
        EXPECT_EQ(row.inForce, Firmware().fanItems[board::kFanInForce]);
    }
}

TEST_F(BoardTest, SmartFanCodesFailWithoutTheFanInterface) {
    for (int absentWhere = 0; absentWhere < 2; ++absentWhere) {
        ASSERT_TRUE(board_.ResetBoard());
        if (absentWhere == 0) {
            ASSERT_TRUE(board_.SetConfig(BoardConfig{1, kCommand, kPort, 0, {}}));
        } else {
            board::FirmwareModel model = Firmware();
            model.fanInterfacePresent = false;
            ASSERT_TRUE(board_.WriteFirmware(model));
        }
        for (uint32_t code : {KCLK_IOCTL_SMART_FAN_CHECK, KCLK_IOCTL_SMART_FAN_ON,
                              KCLK_IOCTL_SMART_FAN_OFF}) {
            SCOPED_TRACE(testing::Message() << absentWhere << " " << std::hex << code);
            FanRequestBlock block{};
            std::vector<uint8_t> out;
            DWORD error = 0;
            EXPECT_FALSE(SendApart(code, &block, 52, 52, out, error));
            EXPECT_TRUE(AllSentinel(out));
        }
    }
}

// --- The control device ---------------------------------------------------------------------------

TEST_F(BoardTest, ControlDeviceDescribesItself) {
    BoardInfo info{};
    ASSERT_TRUE(board_.Info(info));
    EXPECT_EQ(BOARD_CONTROL_VERSION, info.Version);
    EXPECT_EQ(sizeof(board::FirmwareModel), info.FirmwareStateSize) << "same model both sides";
    EXPECT_EQ(BOARD_FAILURE_SLOTS, info.FailureSlots);
}

TEST_F(BoardTest, ConfigRoundTripsAndBadConfigsAreRefused) {
    BoardConfig config{};
    ASSERT_TRUE(board_.Config(config));
    EXPECT_EQ(1, config.InterfacePresent);
    EXPECT_EQ(kPort, config.TuningPort);
    EXPECT_EQ(kCommand, config.TuningCommand);
    EXPECT_EQ(1, config.FanInterfacePresent);

    const BoardConfig wanted{1, 0x5A, 0x01B2, 0, {}};
    ASSERT_TRUE(board_.SetConfig(wanted));
    ASSERT_TRUE(board_.Config(config));
    EXPECT_EQ(0, std::memcmp(&wanted, &config, sizeof(config)));

    const BoardConfig kBad[] = {{2, 0x5A, 0x01B2, 0, {}}, {1, 0x5A, 0x01B2, 2, {}},
                                {1, 0x5A, 0x01B2, 0, {0, 1, 0}}};
    for (const BoardConfig& bad : kBad) {
        EXPECT_FALSE(board_.SetConfig(bad));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), board_.LastError());
        ASSERT_TRUE(board_.Config(config));
        EXPECT_EQ(0, std::memcmp(&wanted, &config, sizeof(config))) << "left as it was";
    }
}

TEST_F(BoardTest, FirmwareStateRoundTripsAndResets) {
    const std::vector<uint8_t> poweredOn = board_.FirmwareBytes();
    ASSERT_EQ(sizeof(board::FirmwareModel), poweredOn.size());

    board::FirmwareModel model = Firmware();
    model.supportStatus = board::kStatusNotSupported;
    ASSERT_TRUE(board_.WriteFirmware(model));
    board::FirmwareModel back = Firmware();
    EXPECT_EQ(0, std::memcmp(&model, &back, sizeof(model)));
    // The gateway answers from the state written.
    SmiRegisterBlock block = Block();
    ASSERT_TRUE(gateway_.Send(KCLK_IOCTL_INTERFACE_QUERY, &block, sizeof(block)));
    EXPECT_EQ(board::kStatusNotSupported, block.RegAX);

    const std::vector<uint8_t> changed = board_.FirmwareBytes();
    for (DWORD size : {DWORD(sizeof(model) - 1), DWORD(sizeof(model) + 1), DWORD(0)}) {
        std::vector<uint8_t> bytes(sizeof(model) + 1, 0);
        EXPECT_FALSE(board_.Call(BOARD_IOCTL_SET_FIRMWARE_STATE, bytes.data(), size, nullptr, 0));
        EXPECT_FALSE(board_.Call(BOARD_IOCTL_GET_FIRMWARE_STATE, nullptr, 0, bytes.data(), size));
    }
    EXPECT_EQ(changed, board_.FirmwareBytes()) << "wrong sizes change nothing";

    // The fan flag is a byte that only 0 and 1 may fill.
    for (uint8_t flag : {uint8_t(2), uint8_t(0x80), uint8_t(0xFF)}) {
        std::vector<uint8_t> bytes = changed;
        bytes[offsetof(board::FirmwareModel, fanInterfacePresent)] = flag;
        EXPECT_FALSE(board_.Call(BOARD_IOCTL_SET_FIRMWARE_STATE, bytes.data(), bytes.size(),
                                 nullptr, 0)) << int(flag);
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), board_.LastError());
    }
    EXPECT_EQ(changed, board_.FirmwareBytes()) << "a refused state changes nothing";

    ASSERT_TRUE(board_.ResetFirmware());
    EXPECT_EQ(poweredOn, board_.FirmwareBytes());
}

TEST_F(BoardTest, LastRequestCountsEveryRequestSinceReset) {
    EXPECT_EQ(0u, Last().RequestCount);
    SmiRegisterBlock block = Block();
    ASSERT_TRUE(gateway_.Send(0x9C402550, &block, sizeof(block)));
    std::vector<uint8_t> out;
    DWORD error = 0;
    SendApart(0x9C402550, &block, 47, 48, out, error);
    EXPECT_EQ(2u, Last().RequestCount) << "refused requests count too";
    ASSERT_TRUE(board_.ResetBoard());
    EXPECT_EQ(0u, Last().RequestCount);
}

TEST_F(BoardTest, ControlDeviceRefusesWrongLengthsAndUnknownCodes) {
    const struct { uint32_t code; DWORD in, out; DWORD error; } kRows[] = {
        {BOARD_IOCTL_GET_INFO, 0, sizeof(BoardInfo) - 1, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_GET_INFO, 4, sizeof(BoardInfo), ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_GET_CONFIG, 0, sizeof(BoardConfig) + 1, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_SET_CONFIG, sizeof(BoardConfig) - 1, 0, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_FAIL_CODE, sizeof(BoardFailure), 4, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_RESET_BOARD, 4, 0, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_RESET_FIRMWARE, 0, 4, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_GET_LAST_REQUEST, 0, sizeof(BoardLastRequest) - 1, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_SET_FAULTS, sizeof(BoardFaults) - 1, 0, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_SET_FAULTS, sizeof(BoardFaults) + 1, 0, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_SET_FAULTS, sizeof(BoardFaults), sizeof(BoardFaults), ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_GET_FAULTS, 0, sizeof(BoardFaults) - 1, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_GET_FAULTS, 0, sizeof(BoardFaults) + 1, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_GET_HISTORY, 0, sizeof(BoardSetHistory) - 1, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_GET_HISTORY, 0, sizeof(BoardSetHistory) + 1, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_GET_HISTORY, 4, sizeof(BoardSetHistory), ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_CLEAR_HISTORY, 4, 0, ERROR_INVALID_PARAMETER},
        {BOARD_IOCTL_REBOOT, 0, 4, ERROR_INVALID_PARAMETER},
        {BOARD_CTL_CODE(0x90E), 0, 0, ERROR_INVALID_FUNCTION},
        {0x9C402550, 48, 48, ERROR_INVALID_FUNCTION},  // a gateway code on the control device
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.code);
        std::vector<uint8_t> in(8192, 0), out(8192, kSentinel);
        EXPECT_FALSE(board_.Call(row.code, row.in ? in.data() : nullptr, row.in,
                                 row.out ? out.data() : nullptr, row.out));
        EXPECT_EQ(row.error, board_.LastError());
        EXPECT_TRUE(AllSentinel(out));
    }
}

// --- Faults of a misbehaving firmware, as the library's client sees them -------------------------

// One of the requests that change a setting, through the export a client calls.
struct SetRow {
    const char* name;
    bool (*set)(uint16_t value);  // the export reported the request performed
    // The setting in force, read through the library (the board's own state for MIB, which the
    // library cannot read back).
    uint16_t (*read)(testsupport::BoardDriver& device);
    uint16_t first, second;       // two valid settings, neither the power-on one
    uint16_t answer;              // BX of an honest success of `second`
    uint16_t neighbour;           // where a mismatching board puts `second` (from power-on)
};

uint16_t Fsb() {
    uint16_t v = 0;
    ReturnCurrentCPUFSB(&v);
    return v;
}
template <uint16_t (*Read)(uint16_t*)>
uint16_t ReadWith(testsupport::BoardDriver&) {
    uint16_t v = 0;
    Read(&v);
    return v;
}
template <uint16_t (*Write)(uint16_t, uint16_t*)>
bool WriteWith(uint16_t value) {
    uint16_t result = 0;
    return Write(value, &result) == board::kStatusDone;
}
template <int32_t (*Write)(uint16_t, int32_t*)>
bool SwitchWith(uint16_t value) {
    int32_t flag = 0;
    return Write(value, &flag) == 1;
}

const SetRow kSetRows[] = {
    {"SetClock", [](uint16_t fsb) { uint16_t r = 0; return SetClock(0, fsb, 0, 0, 0, &r) == 0; },
     [](testsupport::BoardDriver&) { return Fsb(); }, 16667, 15000, 0, 14000},
    {"SetNewVidVol", WriteWith<SetNewVidVol>, ReadWith<GetVidCurrentVol>, 1525, 1600, 1600, 1575},
    {"SetNewDIMMOverVol", WriteWith<SetNewDIMMOverVol>, ReadWith<GetDIMMCurrentVol>, 2600, 2700,
     2700, 2650},
    {"SetNewAGPOverVol", WriteWith<SetNewAGPOverVol>, ReadWith<GetAGPCurrentVol>, 1600, 1800,
     1800, 1700},
    {"SetNewCPURatio", WriteWith<SetNewCPURatio>, ReadWith<GetCurrentCPURatio>, 105, 90, 90, 85},
    {"SetCIAControl", SwitchWith<SetCIAControl>,
     [](testsupport::BoardDriver&) { uint16_t v = 0; GetCIAStatus(&v); return v; }, 0x8000,
     0x8002, 1, 0x8001},
    {"SetMIBControl", SwitchWith<SetMIBControl>,
     [](testsupport::BoardDriver& device) {
         board::FirmwareModel m;
         device.ReadFirmware(m);
         return m.mib.on;
     },
     1, 0, 0, 1},
};

class FaultyBoard : public LibraryOverDriver {
protected:
    void Faults(uint8_t setFault, uint32_t from, uint32_t refuseFrom = 0, uint16_t hangAbove = 0) {
        BoardFaults faults{};
        faults.SetFault = setFault;
        faults.FaultFromSet = from;
        faults.RefuseFromSet = refuseFrom;
        faults.HangAboveFsb = hangAbove;
        ASSERT_TRUE(board_.SetFaults(faults));
    }
    BoardFaults Faults() {
        BoardFaults faults{};
        EXPECT_TRUE(board_.Faults(faults));
        return faults;
    }
    static uint16_t AX() { return kclk::State().Request.RegAX; }
    static uint16_t BX() { return kclk::State().Request.RegBX; }
};

TEST_F(FaultyBoard, FaultsRoundTripAndBadOnesAreRefused) {
    BoardFaults read{};
    ASSERT_TRUE(board_.Faults(read));
    const BoardFaults none{};
    EXPECT_EQ(0, std::memcmp(&none, &read, sizeof(read))) << "a fresh board has no faults";

    BoardFaults wanted{BOARD_SET_FAULT_MISMATCH, {}, 3, 7, 15000, 1, 0, 99};
    ASSERT_TRUE(board_.SetFaults(wanted));
    ASSERT_TRUE(board_.Faults(read));
    wanted.Hung = 0;
    wanted.SetCount = 0;  // out only: not taken from the caller
    EXPECT_EQ(0, std::memcmp(&wanted, &read, sizeof(read)));

    BoardFaults bad[4] = {wanted, wanted, wanted, wanted};
    bad[0].SetFault = 3;
    bad[1].Reserved[1] = 1;
    bad[2].Reserved2 = 1;
    bad[3].SetFault = 0xFF;
    for (const BoardFaults& faults : bad) {
        EXPECT_FALSE(board_.SetFaults(faults));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), board_.LastError());
        ASSERT_TRUE(board_.Faults(read));
        EXPECT_EQ(0, std::memcmp(&wanted, &read, sizeof(read))) << "left as it was";
    }
    // A new firmware, or a new board, forgets them.
    for (bool powerOn : {false, true}) {
        ASSERT_TRUE(board_.SetFaults(wanted));
        ASSERT_TRUE(powerOn ? board_.ResetBoard() : board_.ResetFirmware());
        ASSERT_TRUE(board_.Faults(read));
        EXPECT_EQ(0, std::memcmp(&none, &read, sizeof(read))) << powerOn;
    }
}

TEST_F(FaultyBoard, IgnoredSetsAnswerDoneAndChangeNothing) {
    for (const SetRow& row : kSetRows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(board_.ResetBoard());
        Faults(BOARD_SET_FAULT_IGNORE, 2);
        EXPECT_TRUE(row.set(row.first)) << "the first set still works";
        EXPECT_EQ(row.first, row.read(board_));
        const std::vector<uint8_t> before = board_.FirmwareBytes();
        EXPECT_TRUE(row.set(row.second));
        EXPECT_EQ(0, AX());
        EXPECT_EQ(row.answer, BX()) << "the answer of a real success";
        EXPECT_EQ(row.first, row.read(board_)) << "but nothing changed";
        EXPECT_TRUE(row.set(row.second)) << "and so on";
        EXPECT_EQ(row.first, row.read(board_));
        EXPECT_EQ(3u, Faults().SetCount);
        std::vector<uint8_t> after = board_.FirmwareBytes();
        const size_t counters = offsetof(board::FirmwareModel, requestCount);
        after.resize(counters);
        std::vector<uint8_t> settings(before.begin(), before.begin() + counters);
        EXPECT_EQ(settings, after) << "no setting moved";
    }
}

TEST_F(FaultyBoard, MismatchedSetsLandOnANeighbour) {
    for (const SetRow& row : kSetRows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(board_.ResetBoard());
        Faults(BOARD_SET_FAULT_MISMATCH, 0);  // 0: from the first set on
        EXPECT_TRUE(row.set(row.second));
        EXPECT_EQ(0, AX());
        EXPECT_EQ(row.answer, BX()) << "the answer of a real success";
        EXPECT_EQ(row.neighbour, row.read(board_));
    }
    // A value the firmware would refuse anyway is refused as usual.
    uint16_t result = 0;
    EXPECT_EQ(board::kStatusRejected, SetNewVidVol(1510, &result));
    // The clock generator's neighbour is a whole valid setting: the clocks follow the FSB.
    ASSERT_TRUE(board_.ResetBoard());
    Faults(BOARD_SET_FAULT_MISMATCH, 1);
    ASSERT_EQ(0, SetClock(0, 14500, 0, 0, 0, &result)) << "linear range, between table entries";
    EXPECT_EQ(14000, Fsb()) << "the discrete entry below";
    uint16_t dram = 0;
    ReturnCurrentDRAMFreq(&dram);
    EXPECT_EQ(17500, dram) << "DRAM 5/4 of the FSB in force";
}

TEST_F(FaultyBoard, RefusalFromTheKthSetReachesItsProbeToo) {
    for (const SetRow& row : kSetRows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(board_.ResetBoard());
        Faults(BOARD_SET_FAULT_NONE, 0, 2);
        EXPECT_TRUE(row.set(row.first));
        EXPECT_EQ(row.first, row.read(board_));
        for (int again = 0; again < 2; ++again) {
            EXPECT_FALSE(row.set(row.second));
            EXPECT_EQ(board::kStatusRejected, AX());
            EXPECT_EQ(row.first, row.read(board_)) << "nothing changed";
        }
        EXPECT_EQ(3u, Faults().SetCount);
    }
    // The careful client probes first: it sees the refusal there, with the FSB named.
    ASSERT_TRUE(board_.ResetBoard());
    Faults(BOARD_SET_FAULT_NONE, 0, 2);
    uint16_t result = 0xFFFF;
    EXPECT_EQ(0, SetClockProb(14000, 0, 0, 0, &result)) << "the first set would go through";
    EXPECT_EQ(0, result);
    EXPECT_EQ(0, SetClock(0, 14000, 0, 0, 0, &result));
    EXPECT_EQ(board::kStatusRejected, SetClockProb(15000, 0, 0, 0, &result));
    EXPECT_EQ(board::kClockBadFsb, result);
    EXPECT_EQ(board::kStatusRejected, SetClock(0, 15000, 0, 0, 0, &result));
    EXPECT_EQ(board::kClockBadFsb, result);
    EXPECT_EQ(board::kStatusRejected, SetClock(0, 0, 0x0504, 0, 0, &result));
    EXPECT_EQ(board::kClockBadDram, result) << "the word that would change";
    EXPECT_EQ(14000, Fsb());
    EXPECT_EQ(3u, Faults().SetCount) << "probes are not sets";

    // Writing the faults again restarts the count.
    Faults(BOARD_SET_FAULT_NONE, 0, 2);
    EXPECT_EQ(0, SetClockProb(15000, 0, 0, 0, &result));
    EXPECT_EQ(0, SetClock(0, 15000, 0, 0, 0, &result));
    EXPECT_EQ(15000, Fsb());
}

TEST_F(FaultyBoard, HangAboveAnFsbUntilRebootRestoresTheBootPreset) {
    testsupport::MessageBoxCatcher catcher;
    Faults(BOARD_SET_FAULT_NONE, 0, 0, 15000);
    uint16_t result = 0;
    // A stored boot preset, and settings the reboot must undo.
    ASSERT_EQ(0, SetClock(board::kSetClockStoreAsPreset, 14000, 0x0504, 0, 0, &result));
    ASSERT_EQ(0, SetNewVidVol(1600, &result));
    ASSERT_EQ(0, SetNewCPURatio(90, &result));
    int32_t flag = 0;
    ASSERT_EQ(1, SetCIAControl(0x8001, &flag));
    ASSERT_EQ(1, SetMIBControl(1, &flag));
    ASSERT_EQ(0, SetClock(0, 15000, 0, 0, 0, &result)) << "at the bound: still fine";
    EXPECT_EQ(0, Faults().Hung);

    ASSERT_EQ(0, SetClock(0, 16667, 0, 0, 0, &result)) << "the set itself is answered";
    EXPECT_EQ(1, Faults().Hung);
    const size_t historyBefore = board_.HistoryEntries().size();
    const std::vector<uint8_t> before = board_.FirmwareBytes();
    uint16_t fsb = 0;
    EXPECT_EQ(0xB2EF, ReturnCurrentCPUFSB(&fsb)) << "nobody listens: AX keeps the trigger word";
    EXPECT_EQ(0xB4EF, SetNewVidVol(1500, &result));
    EXPECT_EQ(0xB6EF, SetClock(0, 13333, 0, 0, 0, &result));
    EXPECT_EQ(0, Last().Answered);
    EXPECT_EQ(0, SF_NB_ON()) << "the fan's presence query goes unanswered too";
    EXPECT_EQ(before, board_.FirmwareBytes()) << "the firmware never ran";
    EXPECT_EQ(historyBefore, board_.HistoryEntries().size());

    ASSERT_TRUE(board_.Reboot());
    const BoardFaults after = Faults();
    EXPECT_EQ(0, after.Hung);
    EXPECT_EQ(15000, after.HangAboveFsb) << "the faults stay";
    EXPECT_EQ(0u, after.SetCount);
    EXPECT_EQ(historyBefore, board_.HistoryEntries().size()) << "so does the history";
    EXPECT_EQ(0, ReturnCurrentCPUFSB(&fsb)) << "answers again";
    EXPECT_EQ(14000, fsb) << "the stored boot preset";
    uint16_t word = 0;
    ReturnCurrentDRAMFreq(&word);
    EXPECT_EQ(14000 * 4 / 5, word) << "with its DRAM word";
    GetVidCurrentVol(&word);
    EXPECT_EQ(1500, word);
    GetCurrentCPURatio(&word);
    EXPECT_EQ(100, word);
    GetCIAStatus(&word);
    EXPECT_EQ(0, word);
    EXPECT_EQ(0, Firmware().mib.on);
    EXPECT_EQ(1, SF_NB_ON());
    EXPECT_TRUE(catcher.Messages().empty()) << "a hung board shows no message";
}

TEST_F(FaultyBoard, HistoryKeepsProbesAndSetsInOrderUpToItsCapacity) {
    uint16_t result = 0;
    uint16_t value = 0;
    constexpr uint32_t kPairs = 70;  // 140 entries: past the capacity
    for (uint32_t i = 0; i < kPairs; ++i) {
        SetClockProb(13333 + i, 0, 0, 0x0401, &result);
        GetVidCurrentVol(&value);  // a read is not recorded
        SetNewVidVol(static_cast<uint16_t>(1100 + 25 * (i % 31)), &result);
    }
    BoardSetHistory history{};
    ASSERT_TRUE(board_.History(history));
    EXPECT_EQ(2 * kPairs, history.Count);
    ASSERT_EQ(BOARD_HISTORY_CAPACITY, history.Stored);
    const std::vector<BoardHistoryEntry> entries = board_.HistoryEntries();
    ASSERT_EQ(BOARD_HISTORY_CAPACITY, entries.size());
    for (uint32_t n = 0; n < entries.size(); ++n) {
        const BoardHistoryEntry& e = entries[n];
        const uint32_t sequence = 2 * kPairs - BOARD_HISTORY_CAPACITY + 1 + n;
        const uint32_t pair = (sequence - 1) / 2;
        SCOPED_TRACE(sequence);
        ASSERT_EQ(sequence, e.Sequence) << "oldest first, the oldest dropped";
        if (sequence % 2) {
            EXPECT_EQ(BOARD_HISTORY_PROBE, e.Kind);
            EXPECT_EQ(0xB5, e.Operation);
            EXPECT_EQ(0xB0, e.Device);
            EXPECT_EQ(13333 + pair, e.ECX);
            EXPECT_EQ(0x0401u, e.EBP) << "the fourth word as the firmware saw it";
            EXPECT_EQ(0, e.Status);
        } else {
            const uint16_t volts = static_cast<uint16_t>(1100 + 25 * (pair % 31));
            EXPECT_EQ(BOARD_HISTORY_SET, e.Kind);
            EXPECT_EQ(0xB4, e.Operation);
            EXPECT_EQ(0xB1, e.Device);
            EXPECT_EQ(volts, e.ECX & 0xFFFF);
            EXPECT_EQ(0, e.Status);
            EXPECT_EQ(volts, e.Answer);
        }
    }
    // A refusal is recorded with its answer; clearing starts the numbers afresh.
    ASSERT_TRUE(board_.ClearHistory());
    EXPECT_TRUE(board_.HistoryEntries().empty());
    SetNewCPURatio(125, &result);
    int32_t flag = 0;
    SetMIBControl(1, &flag);
    const std::vector<BoardHistoryEntry> fresh = board_.HistoryEntries();
    ASSERT_EQ(2u, fresh.size());
    EXPECT_EQ(1u, fresh[0].Sequence);
    EXPECT_EQ(0xB4, fresh[0].Device);
    EXPECT_EQ(board::kStatusRejected, fresh[0].Status);
    EXPECT_EQ(100, fresh[0].Answer);
    EXPECT_EQ(2u, fresh[1].Sequence);
    EXPECT_EQ(0xB6, fresh[1].Device);
    EXPECT_EQ(BOARD_HISTORY_SET, fresh[1].Kind);
}

}  // namespace
