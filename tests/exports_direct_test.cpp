// The exports on the Windows 9x path, against the in-process board: what each family loads into
// the registers, how results come back, and the rules of the flags, accelerators and smart fan.
#include <gtest/gtest.h>

#include <vector>

#include "in_process_board.h"
#include "kclk.h"
#include "library_state.h"

namespace {

using board::CpuRegisters;
using board::InProcessBoard;

constexpr uint16_t kPort = 0x00B2;
constexpr uint8_t kCommand = 0xEF;
constexpr uint16_t kSentinel = 0x5A5A;

class Exports : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Board().Install());
        Board().PowerOn();
        Board().PlaceKrl4Table(0xF6000, kPort, kCommand);
        ASSERT_EQ(4, Check_KRVer());
        Board().ClearWrites();
    }
    static InProcessBoard& Board() { return InProcessBoard::Instance(); }

    // Answers every tuning trigger with fixed registers (AX = status).
    static void Answer(CpuRegisters answer) {
        Board().OverrideTuningHandler([answer](CpuRegisters& r) { r = answer; });
    }
    static CpuRegisters Trigger() { return Board().Writes().at(0).before; }
    static std::vector<board::PortWrite> FanTriggers() {
        std::vector<board::PortWrite> triggers;
        for (const auto& w : Board().Writes())
            if (w.port != 0xEB) triggers.push_back(w);
        return triggers;
    }
};

TEST_F(Exports, FlagsAnswerFromTheAttributeWords) {
    Answer({0, 0x00230003, 0x00010002, 0, 0, 0, 0});
    EXPECT_EQ(0, GetOverClockAttribute());
    struct { int32_t (*flag)(); int32_t expected; const char* name; } flags[] = {
        {SupFSBShow, 1, "SupFSBShow"}, {FSBCanAdj, 1, "FSBCanAdj"}, {FSBLinear, 0, "FSBLinear"},
        {FSBSupDivMode, 0, "FSBSupDivMode"}, {FSBSupAsyMode, 0, "FSBSupAsyMode"},
        {SupDRAMClkShow, 1, "SupDRAMClkShow"}, {DRAMClkCanAdj, 1, "DRAMClkCanAdj"},
        {DRAMSupLinear, 0, "DRAMSupLinear"}, {DRAMSupDivMode, 0, "DRAMSupDivMode"},
        {DRAMSupAsyMode, 0, "DRAMSupAsyMode"}, {DRAMSupRelDivMode, 1, "DRAMSupRelDivMode"},
        {SupAGPClkShow, 0, "SupAGPClkShow"}, {AGPClkCanAdj, 1, "AGPClkCanAdj"},
        {AGPSupLinear, 0, "AGPSupLinear"}, {AGPSupDivMode, 0, "AGPSupDivMode"},
        {AGPSupAsyMode, 0, "AGPSupAsyMode"}, {SupPCIClkShow, 1, "SupPCIClkShow"},
        {PCIClkCanAdj, 0, "PCIClkCanAdj"}, {PCISupLinear, 0, "PCISupLinear"},
        {PCISupDivMode, 0, "PCISupDivMode"}, {PCISupAsyMode, 0, "PCISupAsyMode"},
    };
    for (const auto& f : flags) EXPECT_EQ(f.expected, f.flag()) << f.name;
    const CpuRegisters at = Trigger();
    EXPECT_EQ(0xB1EFu, at.eax & 0xFFFF);
    EXPECT_EQ(0xB0u, at.ebx & 0xFF);
}

TEST_F(Exports, OtherRequestsLeaveTheAttributeWords) {
    Answer({0, 0x00230003, 0, 0, 0, 0, 0});
    GetOverClockAttribute();
    Answer({0, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0, 0, 0});
    uint16_t a = 0, b = 0, c = 0;
    ReturnDRAMLimit(&a, &b, &c);
    GetCPURatioLimit(&a, &b, &c);
    EXPECT_EQ(0x00230003u, kclk::State().FsbDramAttributes);
    EXPECT_EQ(0, FSBLinear());
}

TEST_F(Exports, SupportQueryIsOperationB0OfTheClockGenerator) {
    Answer({0x0000, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(0, SupOverClock());
    EXPECT_EQ(0xB0EFu, Trigger().eax & 0xFFFF);
    EXPECT_EQ(0xB0u, Trigger().ebx & 0xFF);
}

TEST_F(Exports, VcoRegistersComeBackLowHalfFirst) {
    Answer({0, 0x1234, (200u << 16) | 100, (400u << 16) | 300, 0, (600u << 16) | 500, 0});
    uint16_t v[7] = {};
    EXPECT_EQ(0, ReturnCurrentVCOValue(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]));
    const uint16_t expected[7] = {0x1234, 100, 200, 300, 400, 500, 600};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(expected[i], v[i]) << "argument " << i + 1;
    EXPECT_EQ(0xB0B0u, Trigger().ebx & 0xFFFF);
}

TEST_F(Exports, PresetVcoSendsItsSelectorInCx) {
    Answer({0, 7, (2u << 16) | 1, (4u << 16) | 3, 0, 0, 0});
    uint16_t v[5] = {};
    EXPECT_EQ(0, ReturnPresetVCOValue(0x0102, &v[0], &v[1], &v[2], &v[3], &v[4]));
    EXPECT_EQ(0x0102u, Trigger().ecx & 0xFFFF);
    EXPECT_EQ(0xB1B0u, Trigger().ebx & 0xFFFF);
    const uint16_t expected[5] = {7, 1, 2, 3, 4};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(expected[i], v[i]) << "argument " << i + 2;
}

TEST_F(Exports, EachReaderNamesItsClockItem) {
    struct { uint16_t (*reader)(uint16_t*); uint8_t item; } readers[] = {
        {ReturnCurrentCPUFSB, 0xB2}, {ReturnCurrentDRAMFreq, 0xB3}, {ReturnPresetDRAMFreq, 0xB4},
        {ReturnCurrentAGPFreq, 0xB5}, {ReturnPresetAGPFreq, 0xB6}, {ReturnCurrentPCIFreq, 0xB7},
        {ReturnPresetPCIFreq, 0xB8}};
    for (const auto& r : readers) {
        Board().ClearWrites();
        Answer({0, 0x0777, 0, 0, 0, 0, 0});
        uint16_t value = 0;
        EXPECT_EQ(0, r.reader(&value));
        EXPECT_EQ(0x0777, value);
        EXPECT_EQ(0xB2EFu, Trigger().eax & 0xFFFF);
        EXPECT_EQ(static_cast<uint32_t>(r.item) << 8 | 0xB0, Trigger().ebx & 0xFFFF);
    }
}

TEST_F(Exports, UnansweredReaderReturnsTheTriggerWordAndTheLoadedBx) {
    Board().SetFirmwareAnswers(false);
    uint16_t value = 0;
    EXPECT_EQ(0xB2EF, ReturnCurrentCPUFSB(&value));
    EXPECT_EQ(0xB2B0, value);
}

TEST_F(Exports, TableIndexGoesInSiUnchanged) {
    for (uint16_t index : {uint16_t(0), uint16_t(5), uint16_t(0xFFFF)}) {
        Board().ClearWrites();
        Answer({0, 0x1111, 0, 0, 0, 0, 0});
        uint16_t entry = 0;
        EXPECT_EQ(0, ReturnAGPAsyTable(index, &entry));
        EXPECT_EQ(index, Trigger().esi & 0xFFFF);
        EXPECT_EQ(0xB7B0u, Trigger().ebx & 0xFFFF);
        EXPECT_EQ(0xB3EFu, Trigger().eax & 0xFFFF);
        EXPECT_EQ(0x1111, entry);
    }
}

TEST_F(Exports, LimitsSplitEbxAndAddCx) {
    Answer({0, (200u << 16) | 100, 0x000C, 0, 0, 0, 0});
    uint16_t low = 0, high = 0, cx = 0;
    EXPECT_EQ(0, ReturnLinearModeLimit(&low, &high, &cx));
    EXPECT_EQ(100, low);
    EXPECT_EQ(200, high);
    EXPECT_EQ(0x000C, cx);
}

// The words go out third, second, first: a variable passed twice keeps the earlier argument's.
TEST_F(Exports, LimitWordsAreWrittenFromTheLastArgumentToTheFirst) {
    using Reader = uint16_t (*)(uint16_t*, uint16_t*, uint16_t*);
    const struct { Reader read; const char* name; } readers[] = {
        {ReturnLinearModeLimit, "ReturnLinearModeLimit"}, {ReturnDRAMLimit, "ReturnDRAMLimit"},
        {ReturnAGPLimit, "ReturnAGPLimit"}, {ReturnPCILimit, "ReturnPCILimit"},
        {GetCPURatioLimit, "GetCPURatioLimit"},
        {[](uint16_t* first, uint16_t* second, uint16_t*) { return ReturnVCOLimit(first, second); },
         "ReturnVCOLimit"}};
    Answer({0, 0x00C80064, 0x000C, 0, 0, 0, 0});  // EBX high 200, low 100; CX 12
    for (const auto& r : readers) {
        uint16_t shared = kSentinel, other = kSentinel;
        r.read(&shared, &shared, &other);
        EXPECT_EQ(100, shared) << r.name << ": first and second argument alike";
        uint16_t first = kSentinel;
        shared = kSentinel;
        r.read(&first, &shared, &shared);
        EXPECT_EQ(200, shared) << r.name << ": second and third argument alike";
    }
}

TEST_F(Exports, VcoLimitWritesExactlyTwoWords) {
    Answer({0, (200u << 16) | 100, 0xFFFF, 0, 0, 0, 0});
    uint16_t words[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
    EXPECT_EQ(0, ReturnVCOLimit(&words[1], &words[2]));
    EXPECT_EQ(kSentinel, words[0]);
    EXPECT_EQ(100, words[1]);
    EXPECT_EQ(200, words[2]);
    EXPECT_EQ(kSentinel, words[3]);
    EXPECT_EQ(0xB4B0u, Trigger().ebx & 0xFFFF);
}

TEST_F(Exports, SetClockKeepsBitsEightToThirtyOneOfItsFirstWord) {
    Answer({0, 0x0042, 0, 0, 0, 0, 0});
    uint16_t result = kSentinel;
    EXPECT_EQ(0, SetClock(0x123456FF, 2, 3, 4, 5, &result));
    const CpuRegisters at = Trigger();
    EXPECT_EQ(0x123456B0u, at.ebx);
    EXPECT_EQ(2u, at.ecx);
    EXPECT_EQ(3u, at.esi);
    EXPECT_EQ(4u, at.edi);
    EXPECT_EQ(5u, at.ebp);
    EXPECT_EQ(0xB6EFu, at.eax & 0xFFFF);
    EXPECT_EQ(0x0042, result);
}

TEST_F(Exports, SetClockProbCarriesItsFourthWordInEbp) {
    Answer({0, 0x0043, 0, 0, 0, 0, 0});
    uint16_t result = kSentinel;
    EXPECT_EQ(0, SetClockProb(11, 22, 33, 44, &result));
    const CpuRegisters at = Trigger();
    EXPECT_EQ(11u, at.ecx);
    EXPECT_EQ(22u, at.esi);
    EXPECT_EQ(33u, at.edi);
    EXPECT_EQ(44u, at.ebp);
    EXPECT_EQ(0xB0u, at.ebx & 0xFF);
    EXPECT_EQ(0xB5EFu, at.eax & 0xFFFF);
    EXPECT_EQ(0x0043, result);
}

TEST_F(Exports, VoltageAndRatioRequestsNameTheirDevice) {
    struct { uint16_t (*set)(uint16_t, uint16_t*); uint8_t ah, bl; } setters[] = {
        {SetNewVidVol, 0xB4, 0xB1}, {SetNewDIMMOverVol, 0xB4, 0xB2},
        {SetNewAGPOverVol, 0xB4, 0xB3}, {SetNewCPURatio, 0xB5, 0xB4}};
    for (const auto& s : setters) {
        Board().ClearWrites();
        Answer({0x0100, 0x0099, 0, 0, 0, 0, 0});  // refused, with a result word
        uint16_t result = kSentinel;
        EXPECT_EQ(0x0100, s.set(0x0321, &result)) << "the firmware's status comes back as is";
        EXPECT_EQ(0x0099, result) << "the direct path always writes the result";
        EXPECT_EQ(0x0321u, Trigger().ecx & 0xFFFF);
        EXPECT_EQ(static_cast<uint32_t>(s.ah) << 8 | kCommand, Trigger().eax & 0xFFFF);
        EXPECT_EQ(s.bl, Trigger().ebx & 0xFF);
    }
}

TEST_F(Exports, RatioLimitWords) {
    Answer({0, 0x00120006, 0x000C, 0, 0, 0, 0});
    uint16_t first = 0, second = 0, third = 0;
    EXPECT_EQ(0, GetCPURatioLimit(&first, &second, &third));
    EXPECT_EQ(0x0006, first);
    EXPECT_EQ(0x0012, second);
    EXPECT_EQ(0x000C, third);
    EXPECT_EQ(0xB4EFu, Trigger().eax & 0xFFFF);
    EXPECT_EQ(0xB4u, Trigger().ebx & 0xFF);
}

TEST_F(Exports, AcceleratorFlagsAreBitZeroOfBx) {
    const struct { uint16_t bx; int32_t flag; } cases[] = {
        {0xFFFE, 0}, {0x0001, 1}, {0x8001, 1}, {0x0000, 0}};
    for (const auto& c : cases) {
        Answer({0, c.bx, 0, 0, 0, 0, 0});
        int32_t flag = -1;
        EXPECT_EQ(1, GetCIAAttribute(&flag));
        EXPECT_EQ(c.flag, flag) << std::hex << c.bx;
        flag = -1;
        EXPECT_EQ(1, GetMIBAttribute(&flag));
        EXPECT_EQ(c.flag, flag) << std::hex << c.bx;
    }
}

TEST_F(Exports, AcceleratorAnswersNoOnNonzeroStatusButStillWrites) {
    Answer({0x0100, 0x0001, 0, 0, 0x1234, 0, 0});
    EXPECT_EQ(0, GetMIBSup());
    int32_t flag = 0;
    EXPECT_EQ(0, SetCIAControl(7, &flag));
    EXPECT_EQ(1, flag);
    uint16_t status = 0;
    EXPECT_EQ(0, GetCIAStatus(&status));
    EXPECT_EQ(0x1234, status);
}

TEST_F(Exports, CiaControlTravelsInSiAndMibControlInCx) {
    Answer({0, 1, 0, 0, 0, 0, 0});
    int32_t flag = 0;
    EXPECT_EQ(1, SetCIAControl(0x0A0B, &flag));
    EXPECT_EQ(0x0A0Bu, Trigger().esi & 0xFFFF);
    EXPECT_EQ(0xB4EFu, Trigger().eax & 0xFFFF);
    Board().ClearWrites();
    EXPECT_EQ(1, SetMIBControl(0x0C0D, &flag));
    EXPECT_EQ(0x0C0Du, Trigger().ecx & 0xFFFF);
    EXPECT_EQ(0xB2EFu, Trigger().eax & 0xFFFF);
    EXPECT_EQ(0xB6u, Trigger().ebx & 0xFF);
}

TEST_F(Exports, UnansweredAcceleratorSaysNo) {
    Board().SetFirmwareAnswers(false);
    EXPECT_EQ(0, GetCIASup());
}

// --- Smart fan ---------------------------------------------------------------------------------

class SmartFan : public Exports {
protected:
    void SetUp() override {
        Exports::SetUp();
        Board().PlaceRxeTable(0xF7003, board::kDefaultFanPort);
    }
};

TEST_F(SmartFan, ControlFlagRule) {
    const struct { uint32_t flags; bool rewritten; } cases[] = {
        {0x09, true}, {0x0D, true}, {0x0B, false}, {0x01, false}, {0x08, false}};
    for (const auto& c : cases) {
        Board().ClearWrites();
        Board().Firmware().fanItems[0] = c.flags;
        EXPECT_EQ(1, Check_SmartFan());
        auto triggers = FanTriggers();
        ASSERT_EQ(c.rewritten ? 3u : 2u, triggers.size()) << std::hex << c.flags;
        EXPECT_EQ(0u, triggers[0].before.ebx & 0xFFFF) << "presence query first";
        EXPECT_EQ(0x113Eu, triggers[1].before.eax & 0xFFFF);
        EXPECT_EQ(0u, triggers[1].before.ecx & 0xFFFF) << "then item 0";
        if (c.rewritten) {
            EXPECT_EQ(0x113Fu, triggers[2].before.eax & 0xFFFF);
            EXPECT_EQ(0x0Bu, triggers[2].before.esi) << "exactly 0Bh, whole register";
            EXPECT_EQ(0x0Bu, Board().Firmware().fanItems[0]);
        } else {
            EXPECT_EQ(c.flags, Board().Firmware().fanItems[0]);
        }
    }
}

TEST_F(SmartFan, TakesThePortFromItsOwnTableAndLeavesTheTuningPort) {
    EXPECT_EQ(1, Check_SmartFan());
    EXPECT_EQ(board::kDefaultFanPort, kclk::State().FanRequest.FanSmiPort);
    EXPECT_EQ(board::kDefaultFanPort, FanTriggers().at(0).port);
    EXPECT_EQ(8, FanTriggers().at(0).width);
    EXPECT_EQ(kPort, kclk::State().SmiPort);
    Board().ClearWrites();
    uint16_t fsb = 0;
    ReturnCurrentCPUFSB(&fsb);
    EXPECT_EQ(kPort, Board().Writes().at(0).port);
}

TEST_F(SmartFan, NoPresenceAnswerStillSaysYesButTouchesNoItem) {
    Board().Firmware().fanInterfacePresent = false;
    EXPECT_EQ(1, Check_SmartFan());
    EXPECT_EQ(1u, FanTriggers().size());
}

TEST_F(SmartFan, OffThenOnIsFourTriggersInOrder) {
    ASSERT_EQ(1, Check_SmartFan());
    Board().Firmware().fanItems[3] = 0x00C0FFEE;
    Board().Firmware().fanItems[4] = 0x00000BAD;
    Board().ClearWrites();
    EXPECT_EQ(1, SF_NB_OFF());
    EXPECT_EQ(0x0BADu, Board().Firmware().fanItems[1]);
    EXPECT_EQ(1, SF_NB_ON());
    EXPECT_EQ(0x00C0FFEEu, Board().Firmware().fanItems[1]);
    auto t = FanTriggers();
    ASSERT_EQ(4u, t.size());
    const struct { uint16_t ax; uint16_t item; } expected[] = {
        {0x113E, 4}, {0x113F, 1}, {0x113E, 3}, {0x113F, 1}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i].ax, t[i].before.eax & 0xFFFF) << "trigger " << i;
        EXPECT_EQ(expected[i].item, t[i].before.ecx & 0xFFFF) << "trigger " << i;
        EXPECT_EQ(1u, t[i].before.ebx & 0xFFFF) << "trigger " << i;
    }
    EXPECT_EQ(0x0BADu, t[1].before.esi) << "the value read is the value written";
}

}  // namespace
