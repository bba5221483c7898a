// The dispatch core with the shipped driver's backend and a recording trigger: which codes and
// sizes it takes, what reaches the firmware and where, and that nothing it refuses touches the
// caller's buffer or a port. The figures of the sweeps are printed as "figure:" lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "board_control.h"
#include "board_device.h"
#include "real_backend.h"
#include "real_device.h"
#include "bios_scan.h"
#include "recording_trigger.h"

namespace {

using hosttest::Log;
using krdrv::FirmwareSite;
using krdrv::RealDevice;

constexpr FirmwareSite kSite{true, 0x00B2, 0xEF, true, 0x00B0};
constexpr uint8_t kSentinel = 0xCD;

std::set<uint32_t> TableCodes() {
    std::set<uint32_t> codes;
    for (const kclk::FirmwareRequest& row : kclk::kFirmwareRequests) codes.insert(row.controlCode);
    return codes;
}

bool IsFanCode(uint32_t code) {
    return code == KCLK_IOCTL_SMART_FAN_CHECK || code == KCLK_IOCTL_SMART_FAN_ON ||
           code == KCLK_IOCTL_SMART_FAN_OFF;
}
uint32_t SizeFor(uint32_t code) { return IsFanCode(code) ? 52 : 48; }

// A block aimed at the site, every input field distinct; fan blocks are patterned bytes.
std::vector<uint8_t> ValidBlock(uint32_t code, uint16_t port = kSite.tuningPort,
                                uint8_t command = kSite.tuningCommand) {
    std::vector<uint8_t> bytes(SizeFor(code));
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0x40 + i);
    if (!IsFanCode(code)) {
        SmiRegisterBlock block;
        std::memcpy(&block, bytes.data(), sizeof(block));
        block.SmiPort = port;
        block.SmiCommand = command;
        std::memcpy(bytes.data(), &block, sizeof(block));
    }
    return bytes;
}

// Every port write went to the site's ports or to the delay port.
size_t WritesOffSite() {
    size_t off = 0;
    for (const hosttest::PortWrite& w : Log().writes)
        if (!(w.width == 2 && w.port == kSite.tuningPort) &&
            !(w.width == 1 && w.port == kSite.fanPort) && w.port != 0xEB)
            ++off;
    return off;
}

// The smart fan: the presence query, and for on and off the stored setting put in force, all
// at the fan port the scan found.
uint32_t g_fanItems[5];
void AnswerFan(KrdrvRegisters& r) {
    const uint8_t al = static_cast<uint8_t>(r.eax);
    if ((r.ebx & 0xFFFF) == 0) {
        r.ecx = (r.ecx & ~0xFFu) | 1;
    } else if ((r.ecx & 0xFFFF) < 5) {
        if (al == 0x3E) r.esi = g_fanItems[r.ecx & 0xFFFF];
        if (al == 0x3F) g_fanItems[r.ecx & 0xFFFF] = r.esi;
    }
}

class Core : public testing::Test {
protected:
    void SetUp() override {
        Log().Clear();
        hosttest::SetTuningAnswer(nullptr);
        hosttest::SetFanAnswer(AnswerFan);  // a fan is fitted
    }

    // The system buffer is max(in, out) bytes, exactly, so that a read past it is caught.
    int32_t Send(RealDevice& device, uint32_t code, std::vector<uint8_t>& buffer,
                 uint32_t inLength, uint32_t outLength, uint32_t& information) {
        KrdrvIoRequest io{code, buffer.empty() ? nullptr : buffer.data(), inLength, outLength};
        return device.Request(io, information);
    }
    int32_t Send(uint32_t code, std::vector<uint8_t>& buffer, uint32_t& information) {
        return Send(device_, code, buffer, static_cast<uint32_t>(buffer.size()),
                    static_cast<uint32_t>(buffer.size()), information);
    }

    RealDevice device_{kSite, hosttest::RecordTuningTrigger, hosttest::RecordFanTrigger};
};

TEST_F(Core, SweepAcceptsExactlyTheTableCodes) {
    std::vector<uint32_t> codes;
    for (uint32_t function = 0; function <= 0xFFFF; ++function) codes.push_back(0x9C400000u | function);
    // Other device types, with every low word the table's codes use and more.
    const uint32_t kOtherTypes[] = {0x0000, 0x0022, 0x9C41, 0x9C3F, 0x1C40, 0xDC40, 0x9D40, 0x8C40,
                                    0x9C00, 0x0040, 0xFFFF, 0x9C50, 0x9C48, 0x7C40, 0x9C44, 0xBC40};
    for (uint32_t type : kOtherTypes)
        for (uint32_t low = 0; low < 256; ++low) codes.push_back(type << 16 | (0x2400 + 4 * low));
    ASSERT_EQ(69632u, codes.size());

    std::set<uint32_t> accepted;
    for (uint32_t code : codes) {
        std::vector<uint8_t> block = ValidBlock(code);
        uint32_t information = 0xFFFF;
        const int32_t status = Send(code, block, information);
        if (status == KRDRV_STATUS_SUCCESS) {
            accepted.insert(code);
            EXPECT_EQ(SizeFor(code), information);
        } else {
            EXPECT_EQ(KRDRV_STATUS_INVALID_DEVICE_REQUEST, status) << std::hex << code;
            EXPECT_EQ(0u, information);
        }
    }
    EXPECT_EQ(TableCodes(), accepted);
    EXPECT_EQ(0u, WritesOffSite());
    std::printf("figure: control-code sweep, host core with the real backend: %zu codes sent, "
                "%zu accepted, exactly the request table's %zu; %zu port writes, 0 off the site\n",
                codes.size(), accepted.size(), TableCodes().size(), Log().writes.size());
}

TEST_F(Core, SizeMatrixAcceptsOnlyTheExactPair) {
    const uint32_t kSizes[] = {0, 1, 4, 47, 48, 49, 51, 52, 53, 64, 4096};
    size_t refused = 0, accepted = 0;
    for (uint32_t code : TableCodes()) {
        for (uint32_t in : kSizes) {
            for (uint32_t out : kSizes) {
                const bool exact = in == SizeFor(code) && out == SizeFor(code);
                std::vector<uint8_t> buffer(std::max(in, out), kSentinel);
                const std::vector<uint8_t> block = ValidBlock(code);
                if (!buffer.empty())
                    std::memcpy(buffer.data(), block.data(), std::min(buffer.size(), block.size()));
                const std::vector<uint8_t> sent = buffer;
                const size_t triggersBefore = Log().writes.size();
                uint32_t information = 0xFFFF;
                const int32_t status = Send(device_, code, buffer, in, out, information);
                if (exact) {
                    ++accepted;
                    EXPECT_EQ(KRDRV_STATUS_SUCCESS, status) << std::hex << code;
                    continue;
                }
                ++refused;
                SCOPED_TRACE(testing::Message() << std::hex << code << std::dec << " in " << in
                                                << " out " << out);
                EXPECT_EQ(KRDRV_STATUS_INVALID_PARAMETER, status);
                EXPECT_EQ(0u, information);
                EXPECT_EQ(sent, buffer) << "the caller's buffer is untouched";
                EXPECT_EQ(triggersBefore, Log().writes.size()) << "no trigger";
            }
        }
    }
    EXPECT_EQ(58u * 121u, accepted + refused);
    std::printf("figure: size matrix, host core with the real backend: %zu codes x 11 in x 11 out "
                "sizes, %zu accepted (only the exact pairs), %zu refused with the buffer, byte "
                "count and ports untouched\n",
                TableCodes().size(), accepted, refused);
}

TEST_F(Core, RefusesANullBufferOfTheRightLength) {
    for (uint32_t code : {0x9C402550u, KCLK_IOCTL_INTERFACE_QUERY, KCLK_IOCTL_SMART_FAN_CHECK}) {
        KrdrvIoRequest io{code, nullptr, SizeFor(code), SizeFor(code)};
        uint32_t information = 0xFFFF;
        EXPECT_EQ(KRDRV_STATUS_INVALID_PARAMETER, device_.Request(io, information)) << std::hex << code;
        EXPECT_EQ(0u, information);
    }
    EXPECT_TRUE(Log().writes.empty());
}

// --- The firmware call -------------------------------------------------------------------------

// The firmware's answer in the recorder: status 0, results in BX, CX, EDX and EDI.
void AnswerDone(KrdrvRegisters& r) {
    r.eax &= 0xFFFF0000u;
    r.ebx = 0xAAAA1111;
    r.ecx = 0xBBBB2222;
    r.edx = 0xCCCC3333;
    r.edi = 0xDDDD4444;
}

TEST_F(Core, EveryTuningCodeTriggersItsFunctionAtTheSite) {
    hosttest::SetTuningAnswer(AnswerDone);
    for (const kclk::FirmwareRequest& row : kclk::kFirmwareRequests) {
        if (IsFanCode(row.controlCode) || row.controlCode == KCLK_IOCTL_SET_CLOCK ||
            row.id == kclk::RequestId::InterfaceQuery)
            continue;
        SCOPED_TRACE(testing::Message() << std::hex << row.controlCode);
        Log().Clear();
        std::vector<uint8_t> bytes = ValidBlock(row.controlCode);
        uint32_t information = 0;
        ASSERT_EQ(KRDRV_STATUS_SUCCESS, Send(row.controlCode, bytes, information));
        ASSERT_EQ(1u, Log().tuning.size());
        const KrdrvRegisters& loaded = Log().tuning[0];
        const uint32_t bh = row.bh == kclk::kNoItem ? 0 : static_cast<uint32_t>(row.bh);
        EXPECT_EQ(static_cast<uint32_t>(row.ah) << 8 | kSite.tuningCommand, loaded.eax);
        EXPECT_EQ(bh << 8 | row.bl, loaded.ebx);
        EXPECT_EQ(kSite.tuningPort, loaded.edx);
        ASSERT_EQ(5u, Log().writes.size()) << "the trigger and four delay writes";
        EXPECT_EQ(kSite.tuningPort, Log().writes[0].port);

        SmiRegisterBlock reply;
        std::memcpy(&reply, bytes.data(), sizeof(reply));
        EXPECT_EQ(0, reply.RegAX);
        EXPECT_EQ(0x1111, reply.RegBX);
        EXPECT_EQ(0x2222, reply.RegCX);
        EXPECT_EQ(0xAAAA1111u, reply.RegEBX);
        EXPECT_EQ(0xCCCC3333u, reply.RegEDX);
        EXPECT_EQ(0xDDDD4444u, reply.RegEDI);
    }
}

TEST_F(Core, InterfaceQueryAnswersTheSiteAndTriggersOnlyAtIt) {
    std::vector<uint8_t> bytes(48, 0);  // as Check_KRVer sends it from a fresh library
    uint32_t information = 0;
    ASSERT_EQ(KRDRV_STATUS_SUCCESS, Send(KCLK_IOCTL_INTERFACE_QUERY, bytes, information));
    SmiRegisterBlock reply;
    std::memcpy(&reply, bytes.data(), sizeof(reply));
    EXPECT_EQ(kSite.tuningPort, reply.SmiPort);
    EXPECT_EQ(kSite.tuningCommand, reply.SmiCommand);
    EXPECT_EQ(0xB000, reply.RegAX) << "not raised: the trigger word, never a false 0";
    EXPECT_TRUE(Log().writes.empty());

    // SupOverClock: the same code with the block as the query left it.
    hosttest::SetTuningAnswer(AnswerDone);
    ASSERT_EQ(KRDRV_STATUS_SUCCESS, Send(KCLK_IOCTL_INTERFACE_QUERY, bytes, information));
    ASSERT_EQ(1u, Log().tuning.size());
    EXPECT_EQ(0xB000u | kSite.tuningCommand, Log().tuning[0].eax);
    EXPECT_EQ(0xB0u, Log().tuning[0].ebx);
    std::memcpy(&reply, bytes.data(), sizeof(reply));
    EXPECT_EQ(0, reply.RegAX);
}

TEST_F(Core, ForeignPortOrCommandIsRefusedWithoutAPortWrite) {
    const struct { uint16_t port; uint8_t command; } kForeign[] = {
        {0x00B3, 0xEF}, {0x00B2, 0xEE}, {0x0000, 0x00}, {0x0CF8, 0xEF}, {0x80B2, 0xEF},
        {0x00B2, 0x00}, {0xFFFF, 0xFF}, {0x00EB, 0xEF}};
    size_t sent = 0;
    for (uint32_t code : TableCodes()) {
        if (IsFanCode(code) || code == KCLK_IOCTL_INTERFACE_QUERY) continue;
        for (const auto& foreign : kForeign) {
            SCOPED_TRACE(testing::Message() << std::hex << code << " " << foreign.port << " "
                                            << int(foreign.command));
            std::vector<uint8_t> bytes = ValidBlock(code, foreign.port, foreign.command);
            const std::vector<uint8_t> before = bytes;
            uint32_t information = 0xFFFF;
            EXPECT_EQ(KRDRV_STATUS_INVALID_PARAMETER, Send(code, bytes, information));
            EXPECT_EQ(before, bytes);
            ++sent;
        }
    }
    // The interface query is answered, but its support query is not raised away from the site.
    for (const auto& foreign : kForeign) {
        std::vector<uint8_t> bytes = ValidBlock(KCLK_IOCTL_INTERFACE_QUERY, foreign.port,
                                                foreign.command);
        uint32_t information = 0;
        EXPECT_EQ(KRDRV_STATUS_SUCCESS, Send(KCLK_IOCTL_INTERFACE_QUERY, bytes, information));
        ++sent;
    }
    EXPECT_EQ(0u, Log().writes.size());
    std::printf("figure: foreign port or command, host core with the real backend: %zu requests, "
                "%zu port writes\n", sent, Log().writes.size());
}

TEST_F(Core, FanCodesActAtTheFanPortAndReturnTheBlockAsItCame) {
    const uint32_t kInitial[5] = {0x09, 0x132, 0, 0x164, 0x000};
    std::memcpy(g_fanItems, kInitial, sizeof(g_fanItems));
    const struct { uint32_t code; size_t triggers; uint32_t inForce; } kRows[] = {
        {KCLK_IOCTL_SMART_FAN_CHECK, 1, 0x132}, {KCLK_IOCTL_SMART_FAN_ON, 3, 0x164},
        {KCLK_IOCTL_SMART_FAN_OFF, 3, 0x000}};
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.code);
        Log().Clear();
        std::vector<uint8_t> bytes = ValidBlock(row.code);
        const std::vector<uint8_t> sent = bytes;
        uint32_t information = 0;
        ASSERT_EQ(KRDRV_STATUS_SUCCESS, Send(row.code, bytes, information));
        EXPECT_EQ(52u, information);
        EXPECT_EQ(sent, bytes);
        ASSERT_EQ(row.triggers, Log().fan.size());
        for (const KrdrvRegisters& r : Log().fan) {
            EXPECT_EQ(kSite.fanPort, r.edx);
            EXPECT_EQ(0x11u, r.eax >> 8 & 0xFF);
        }
        EXPECT_EQ(row.inForce, g_fanItems[1]);
        EXPECT_EQ(0u, WritesOffSite());
    }
}

TEST_F(Core, WithoutTablesEveryRequestFailsWithoutAPortWrite) {
    const FirmwareSite kSites[] = {FirmwareSite{}, FirmwareSite{false, 0xB2, 0xEF, true, 0xB0},
                                   FirmwareSite{true, 0xB2, 0xEF, false, 0}};
    for (const FirmwareSite& site : kSites) {
        RealDevice device(site, hosttest::RecordTuningTrigger, hosttest::RecordFanTrigger);
        for (uint32_t code : TableCodes()) {
            const bool fan = IsFanCode(code);
            if ((fan && site.fan) || (!fan && site.tuning)) continue;
            std::vector<uint8_t> bytes = ValidBlock(code);
            const std::vector<uint8_t> sent = bytes;
            uint32_t information = 0xFFFF;
            EXPECT_EQ(KRDRV_STATUS_NO_SUCH_DEVICE,
                      Send(device, code, bytes, SizeFor(code), SizeFor(code), information))
                << std::hex << code;
            EXPECT_EQ(sent, bytes);
        }
    }
    EXPECT_TRUE(Log().writes.empty());
}

// --- Random requests ----------------------------------------------------------------------------

TEST_F(Core, RandomRequestsNeverTouchARefusedBufferOrAForeignPort) {
    std::mt19937 random(20261208);
    const std::set<uint32_t> codes = TableCodes();
    const std::vector<uint32_t> table(codes.begin(), codes.end());
    const uint32_t kSizes[] = {0, 1, 4, 47, 48, 49, 51, 52, 53, 64, 4096};
    size_t accepted = 0, refused = 0;
    for (int n = 0; n < 100000; ++n) {
        const uint32_t pick = random() % 8;
        const uint32_t code = pick < 6 ? table[random() % table.size()]
                                       : pick == 6 ? (0x9C400000u | (random() & 0xFFFF))
                                                   : static_cast<uint32_t>(random());
        const bool sized = random() % 4 != 0;
        const uint32_t in = sized ? SizeFor(code) : kSizes[random() % 11];
        const uint32_t out = sized ? SizeFor(code) : kSizes[random() % 11];
        std::vector<uint8_t> buffer(std::max(in, out));
        for (uint8_t& b : buffer) b = static_cast<uint8_t>(random());
        if (buffer.size() >= 3 && random() % 2) {  // half of them aimed at the site
            buffer[0] = static_cast<uint8_t>(kSite.tuningPort);
            buffer[1] = static_cast<uint8_t>(kSite.tuningPort >> 8);
            buffer[2] = kSite.tuningCommand;
        }
        const std::vector<uint8_t> sent = buffer;
        const size_t writesBefore = Log().writes.size();
        uint32_t information = 0xFFFF;
        const int32_t status = Send(device_, code, buffer, in, out, information);
        if (status == KRDRV_STATUS_SUCCESS) {
            ++accepted;
            ASSERT_EQ(SizeFor(code), information);
        } else {
            ++refused;
            ASSERT_EQ(0u, information);
            ASSERT_EQ(sent, buffer) << "refused request " << n << " changed the buffer";
            ASSERT_EQ(writesBefore, Log().writes.size()) << "refused request " << n << " wrote a port";
        }
        if (Log().writes.size() > 100000) {
            ASSERT_EQ(0u, WritesOffSite());
            Log().Clear();
        }
    }
    EXPECT_EQ(0u, WritesOffSite());
    EXPECT_GT(accepted, 10000u);
    EXPECT_GT(refused, 10000u);
    std::printf("figure: random requests, host core under AddressSanitizer and "
                "UndefinedBehaviorSanitizer: 100000 sent, %zu accepted, %zu refused; no fault, "
                "no refused request changed its buffer or wrote a port, 0 writes off the site\n",
                accepted, refused);
}

}  // namespace

// --- The drivers' devices after unloading began -------------------------------------------------
// On Windows a handle opened before the stop can still send requests while the driver unloads
// (Wine refuses them itself, so only here can the drivers' own refusal be seen).

TEST(StoppedDevice, RefusesEveryRequestOnBothDrivers) {
    std::vector<uint8_t> block = ValidBlock(0x9C402550);
    KrdrvIoRequest io{0x9C402550, block.data(), 48, 48};
    uint32_t information = 0;

    const std::vector<uint8_t> sent = block;
    std::vector<uint8_t> area(krdrv::kBiosAreaSize, 0xFF);
    const char kTable[] = "$KRL4\0\0\xB2\x00\xEF";
    std::memcpy(area.data() + 0x100, kTable, 10);
    RealDeviceStart(area.data(), area.size(), hosttest::RecordTuningTrigger,
                    hosttest::RecordFanTrigger);
    ASSERT_EQ(1, RealDeviceHasInterface());
    ASSERT_EQ(KRDRV_STATUS_SUCCESS, RealDeviceRequest(&io, &information));
    RealDeviceStop();
    block = sent;
    information = 0xFFFF;
    EXPECT_EQ(KRDRV_STATUS_NO_SUCH_DEVICE, RealDeviceRequest(&io, &information));
    EXPECT_EQ(0u, information);
    EXPECT_EQ(sent, block);

    BoardStart();
    ASSERT_EQ(KRDRV_STATUS_SUCCESS, BoardGatewayRequest(&io, &information));
    BoardStop();
    block = sent;
    information = 0xFFFF;
    EXPECT_EQ(KRDRV_STATUS_NO_SUCH_DEVICE, BoardGatewayRequest(&io, &information));
    EXPECT_EQ(sent, block);
    BoardInfo info{};
    KrdrvIoRequest control{BOARD_IOCTL_GET_INFO, &info, 0, sizeof(info)};
    EXPECT_EQ(KRDRV_STATUS_NO_SUCH_DEVICE, BoardControlRequest(&control, &information));
    EXPECT_EQ(0u, info.Version);
    EXPECT_EQ(0u, information);
}
