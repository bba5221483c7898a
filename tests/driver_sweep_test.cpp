// The stand-in driver measured through Wine: every control code of its device type and more,
// every size pair around the two blocks, and random requests; what it takes is exactly the
// request table at the exact sizes, and nothing it refuses writes the caller's buffer, the
// byte count or the board. The figures are printed as "figure:" lines.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "board_driver.h"
#include "current_driver.h"
#include "firmware_requests.h"
#include "kclk.h"
#include "smi_wire.h"

namespace {

namespace krdrv = testsupport::krdrv;

constexpr uint8_t kSentinel = 0xCD;

// This build's driver, running before any test talks to it.
const auto* const g_driver =
    testing::AddGlobalTestEnvironment(new testsupport::CurrentDriver());

std::set<uint32_t> TableCodes() {
    std::set<uint32_t> codes;
    for (const kclk::FirmwareRequest& row : kclk::kFirmwareRequests) codes.insert(row.controlCode);
    return codes;
}

DWORD BlockSize(uint32_t code) {
    return code == KCLK_IOCTL_SMART_FAN_CHECK || code == KCLK_IOCTL_SMART_FAN_ON ||
                   code == KCLK_IOCTL_SMART_FAN_OFF
               ? 52
               : 48;
}

class Sweep : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(board_.IsOpen()) << board_.LastError();
        ASSERT_TRUE(gateway_.IsOpen());
        ASSERT_TRUE(board_.ResetBoard());
    }
    void TearDown() override { board_.ResetBoard(); }

    // In and out apart: the input a block at the board's interface, the output sentinels.
    bool Send(uint32_t code, DWORD inLength, DWORD outLength, std::vector<uint8_t>& out,
              DWORD& returned, const uint8_t* input = nullptr) {
        std::vector<uint8_t> in(4096 + 64, 0x5A);
        if (input) {
            std::memcpy(in.data(), input, 64);
        } else {
            SmiRegisterBlock block{};
            block.SmiPort = board::kDefaultTuningPort;
            block.SmiCommand = board::kDefaultTuningCommand;
            std::memcpy(in.data(), &block, sizeof(block));
        }
        out.assign(outLength + 16, kSentinel);
        returned = 0x5A5A;
        return DeviceIoControl(gateway_.Get(), code, inLength ? in.data() : nullptr, inLength,
                               outLength ? out.data() : nullptr, outLength, &returned,
                               nullptr) != FALSE;
    }
    static bool Untouched(const std::vector<uint8_t>& out) {
        for (uint8_t b : out)
            if (b != kSentinel) return false;
        return true;
    }

    testsupport::BoardDriver board_;
    testsupport::GatewayDevice gateway_;
};

TEST_F(Sweep, AcceptsExactlyTheTableCodes) {
    std::vector<uint32_t> codes;
    for (uint32_t function = 0; function <= 0xFFFF; ++function) codes.push_back(0x9C400000u | function);
    const uint32_t kOtherTypes[] = {0x0000, 0x0022, 0x9C41, 0x9C3F, 0x1C40, 0xDC40, 0x9D40, 0x8C40,
                                    0x9C00, 0x0040, 0xFFFF, 0x9C50, 0x9C48, 0x7C40, 0x9C44, 0xBC40};
    for (uint32_t type : kOtherTypes)
        for (uint32_t low = 0; low < 256; ++low) codes.push_back(type << 16 | (0x2400 + 4 * low));
    ASSERT_EQ(69632u, codes.size());

    std::set<uint32_t> accepted;
    size_t wrongRefusals = 0;
    const DWORD start = GetTickCount();
    for (uint32_t code : codes) {
        std::vector<uint8_t> out;
        DWORD returned = 0;
        const DWORD size = BlockSize(code);
        if (Send(code, size, size, out, returned)) {
            accepted.insert(code);
        } else if (!Untouched(out) || returned != 0x5A5A) {
            ++wrongRefusals;
        }
    }
    EXPECT_EQ(TableCodes(), accepted);
    EXPECT_EQ(0u, wrongRefusals) << "a refused code wrote the buffer or the byte count";
    SmiRegisterBlock alive{};
    EXPECT_TRUE(gateway_.Send(0x9C402550, &alive, sizeof(alive))) << "the driver lives on";
    std::printf("figure: control-code sweep, stand-in driver through Wine: %zu codes sent, %zu "
                "accepted, exactly the request table's %zu, in %lu ms\n",
                codes.size(), accepted.size(), TableCodes().size(), GetTickCount() - start);
}

TEST_F(Sweep, SizeMatrixAcceptsOnlyTheExactPair) {
    const DWORD kSizes[] = {0, 1, 4, 47, 48, 49, 51, 52, 53, 64, 4096};
    const std::vector<uint8_t> before = board_.FirmwareBytes();
    ASSERT_FALSE(before.empty());
    size_t refused = 0, wrong = 0;
    for (uint32_t code : TableCodes()) {
        for (DWORD in : kSizes) {
            for (DWORD out : kSizes) {
                if (in == BlockSize(code) && out == BlockSize(code)) continue;  // below
                std::vector<uint8_t> output;
                DWORD returned = 0;
                const bool ok = Send(code, in, out, output, returned);
                ++refused;
                if (ok || !Untouched(output) || returned != 0x5A5A) {
                    ++wrong;
                    ADD_FAILURE() << std::hex << code << std::dec << " in " << in << " out " << out;
                }
            }
        }
    }
    EXPECT_EQ(before, board_.FirmwareBytes()) << "the board never saw a refused request";
    size_t accepted = 0;
    for (uint32_t code : TableCodes()) {
        std::vector<uint8_t> output;
        DWORD returned = 0;
        if (Send(code, BlockSize(code), BlockSize(code), output, returned)) ++accepted;
        EXPECT_EQ(BlockSize(code), returned);
    }
    EXPECT_EQ(58u, accepted);
    std::printf("figure: size matrix, stand-in driver through Wine: %zu codes x 11 in x 11 out "
                "sizes, %zu exact pairs accepted, %zu other pairs refused, %zu of them touched "
                "the buffer, the byte count or the board\n",
                TableCodes().size(), accepted, refused, wrong);
}

TEST_F(Sweep, RandomRequestsLeaveTheBoardAsARefusalFoundIt) {
    std::mt19937 random(20261208);
    const std::set<uint32_t> codes = TableCodes();
    const std::vector<uint32_t> table(codes.begin(), codes.end());
    const DWORD kSizes[] = {0, 1, 4, 47, 48, 49, 51, 52, 53, 64, 4096};
    std::vector<uint8_t> state = board_.FirmwareBytes();
    ASSERT_FALSE(state.empty());
    size_t accepted = 0, refused = 0, changedByRefusal = 0;
    for (int n = 0; n < 10000; ++n) {
        const uint32_t pick = random() % 8;
        const uint32_t code = pick < 6 ? table[random() % table.size()]
                                       : pick == 6 ? (0x9C400000u | (random() & 0xFFFF))
                                                   : static_cast<uint32_t>(random());
        const bool sized = random() % 4 != 0;
        const DWORD in = sized ? BlockSize(code) : kSizes[random() % 11];
        const DWORD out = sized ? BlockSize(code) : kSizes[random() % 11];
        uint8_t input[64];
        for (uint8_t& b : input) b = static_cast<uint8_t>(random());
        if (random() % 2) {  // half of them at the board's interface
            input[0] = board::kDefaultTuningPort & 0xFF;
            input[1] = board::kDefaultTuningPort >> 8;
            input[2] = board::kDefaultTuningCommand;
        }
        std::vector<uint8_t> output;
        DWORD returned = 0;
        if (Send(code, in, out, output, returned, input)) {
            ++accepted;
            state = board_.FirmwareBytes();
            continue;
        }
        ++refused;
        if (!Untouched(output) || returned != 0x5A5A) ADD_FAILURE() << "request " << n;
        if (board_.FirmwareBytes() != state) {
            ++changedByRefusal;
            state = board_.FirmwareBytes();
        }
    }
    EXPECT_EQ(0u, changedByRefusal);
    SmiRegisterBlock alive{};
    EXPECT_TRUE(gateway_.Send(0x9C402550, &alive, sizeof(alive))) << "the driver lives on";
    std::printf("figure: random requests, stand-in driver through Wine: 10000 sent, %zu "
                "accepted, %zu refused, %zu refusals changed the board; driver host alive\n",
                accepted, refused, changedByRefusal);
}

}  // namespace
