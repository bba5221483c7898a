// The x86_64 driver's trigger routine run for real on the host: each `out` faults in user mode,
// and a signal handler plays the port and the firmware (as the in-process board does for the
// library's i386 routine under Wine). It sees the registers loaded from the image, the writes
// in order, and the answer stored back into the image.
#include <gtest/gtest.h>

#include <signal.h>
#include <ucontext.h>

#include <cstdint>
#include <cstdlib>

#include "dispatch_abi.h"

#if defined(__x86_64__) && defined(__linux__)

extern "C" __attribute__((ms_abi)) void krdrv_TriggerSmi(KrdrvRegisters* image);
extern "C" __attribute__((ms_abi)) void krdrv_TriggerFanSmi(KrdrvRegisters* image);

namespace {

struct Write {
    uint16_t port;
    int width;
    KrdrvRegisters at;  // the registers when it was made
};
Write g_writes[16];
int g_count;

// Decodes the faulting `out`, records it, lets the firmware answer the trigger and steps past.
void OnPortWrite(int, siginfo_t*, void* context) {
    greg_t* r = static_cast<ucontext_t*>(context)->uc_mcontext.gregs;
    const uint8_t* ip = reinterpret_cast<const uint8_t*>(r[REG_RIP]);
    Write w{};
    int length = 0;
    if (ip[0] == 0x66 && ip[1] == 0xEF) { length = 2; w.width = 2; w.port = uint16_t(r[REG_RDX]); }
    else if (ip[0] == 0x66 && ip[1] == 0xE7) { length = 3; w.width = 2; w.port = ip[2]; }
    else if (ip[0] == 0xEE) { length = 1; w.width = 1; w.port = uint16_t(r[REG_RDX]); }
    else if (ip[0] == 0xE6) { length = 2; w.width = 1; w.port = ip[1]; }
    else std::abort();
    w.at = KrdrvRegisters{uint32_t(r[REG_RAX]), uint32_t(r[REG_RBX]), uint32_t(r[REG_RCX]),
                          uint32_t(r[REG_RDX]), uint32_t(r[REG_RSI]), uint32_t(r[REG_RDI]),
                          uint32_t(r[REG_RBP])};
    if (g_count < 16) g_writes[g_count++] = w;
    if (w.port != 0xEB) {  // the handler's answer, in every register it may change
        r[REG_RAX] = 0x0000;
        r[REG_RBX] = 0xB0B0B0B0;
        r[REG_RCX] = 0xC0C0C0C0;
        r[REG_RDX] = 0xD0D0D0D0;
        r[REG_RSI] = 0x51515151;
        r[REG_RDI] = 0xD1D1D1D1;
        r[REG_RBP] = 0xB9B9B9B9;
    }
    r[REG_RIP] += length;
}

class TriggerX64 : public testing::Test {
protected:
    void SetUp() override {
        g_count = 0;
        struct sigaction action{};
        action.sa_sigaction = OnPortWrite;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ASSERT_EQ(0, sigaction(SIGSEGV, &action, &previous_));
    }
    void TearDown() override { sigaction(SIGSEGV, &previous_, nullptr); }
    struct sigaction previous_{};
};

constexpr KrdrvRegisters kImage{0xFFFFB2EF, 0x111111B0, 0x22222222, 0x000000B2,
                                0x44444444, 0x55555555, 0x66666666};

void ExpectLoaded(const KrdrvRegisters& at) {
    EXPECT_EQ(kImage.eax, at.eax);
    EXPECT_EQ(kImage.ebx, at.ebx);
    EXPECT_EQ(kImage.ecx, at.ecx);
    EXPECT_EQ(kImage.edx, at.edx);
    EXPECT_EQ(kImage.esi, at.esi);
    EXPECT_EQ(kImage.edi, at.edi);
    EXPECT_EQ(kImage.ebp, at.ebp);
}

void ExpectAnswerStored(const KrdrvRegisters& image) {
    EXPECT_EQ(0x00000000u, image.eax);
    EXPECT_EQ(0xB0B0B0B0u, image.ebx);
    EXPECT_EQ(0xC0C0C0C0u, image.ecx);
    EXPECT_EQ(0xD0D0D0D0u, image.edx);
    EXPECT_EQ(0x51515151u, image.esi);
    EXPECT_EQ(0xD1D1D1D1u, image.edi);
    EXPECT_EQ(0xB9B9B9B9u, image.ebp);
}

TEST_F(TriggerX64, TuningTriggerIsAWordAtDxThenFourDelayWrites) {
    KrdrvRegisters image = kImage;
    krdrv_TriggerSmi(&image);
    ASSERT_EQ(5, g_count);
    EXPECT_EQ(0xB2, g_writes[0].port);
    EXPECT_EQ(2, g_writes[0].width);
    ExpectLoaded(g_writes[0].at);
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(0xEB, g_writes[i].port);
        EXPECT_EQ(2, g_writes[i].width);
    }
    ExpectAnswerStored(image);
}

TEST_F(TriggerX64, FanTriggerIsAByteAtDxThenThreeDelayWrites) {
    KrdrvRegisters image = kImage;
    krdrv_TriggerFanSmi(&image);
    ASSERT_EQ(4, g_count);
    EXPECT_EQ(0xB2, g_writes[0].port);
    EXPECT_EQ(1, g_writes[0].width);
    ExpectLoaded(g_writes[0].at);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(0xEB, g_writes[i].port);
        EXPECT_EQ(1, g_writes[i].width);
    }
    ExpectAnswerStored(image);
}

}  // namespace

#endif
