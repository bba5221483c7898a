// The fan schedule: which switch calls each moment of the day gives, the settings it reads and
// creates, and the north-bridge fan of the in-process board following it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fan_schedule.h"
#include "in_process_board.h"
#include "kclk.h"
#include "scratch_registry.h"

namespace {

using board::InProcessBoard;
using ktray::FanCall;
using ktray::FanSchedule;
using namespace testsupport;

constexpr FanCall On = FanCall::On;
constexpr FanCall Off = FanCall::Off;

FanSchedule Schedule(int onH, int onM, int offH, int offM, int timerSwitch = 1, int always = 0) {
    FanSchedule s;
    s.timeOnHour = onH;
    s.timeOnMinute = onM;
    s.timeOffHour = offH;
    s.timeOffMinute = offM;
    s.timerSwitch = timerSwitch;
    s.alwaysOn = always;
    return s;
}

std::vector<FanCall> Calls(const ktray::FanDecision& d) {
    return std::vector<FanCall>(d.calls, d.calls + d.count);
}

TEST(FanDecision, Table) {
    struct Case {
        FanSchedule schedule;
        int hour, minute;  // -1: no local time
        std::vector<FanCall> calls;
    };
    const FanSchedule daytime = Schedule(9, 0, 17, 0);
    const FanSchedule overnight = Schedule(22, 0, 6, 0);
    const Case cases[] = {
        {daytime, 8, 59, {Off}},
        {daytime, 9, 0, {On}},
        {daytime, 16, 59, {On}},
        {daytime, 17, 0, {Off}},
        {daytime, 0, 0, {Off}},
        {overnight, 22, 0, {Off}},
        {overnight, 22, 1, {On}},
        {overnight, 6, 0, {On}},
        {overnight, 6, 1, {Off}},
        {overnight, 12, 0, {Off}},
        {overnight, 23, 59, {On}},
        {Schedule(9, 30, 9, 30), 9, 30, {On, On}},
        {Schedule(9, 30, 9, 30), 15, 0, {On, On}},
        {Schedule(9, 0, 9, 30), 9, 29, {On}},   // same hour: minutes decide
        {Schedule(9, 0, 9, 30), 9, 30, {Off}},
        {Schedule(9, 0, 17, 0, 1, 1), 12, 0, {On, On}},
        {Schedule(9, 0, 17, 0, 1, 1), 20, 0, {Off, On}},
        {Schedule(9, 0, 17, 0, 0, 1), 12, 0, {Off}},
        {Schedule(9, 0, 17, 0, 2, 0), 12, 0, {Off}},
        {Schedule(9, 30, 9, 30, 0, 0), 9, 30, {Off}},
        {Schedule(9, 0, 17, 0, 1, 2), 20, 0, {Off}},  // only 1 means always on
        {daytime, -1, 0, {On}},
        {Schedule(9, 0, 17, 0, 1, 1), -1, 0, {On, On}},
        {Schedule(9, 0, 17, 0, 0, 0), -1, 0, {Off}},
    };
    for (const Case& c : cases) {
        std::tm now = {};
        now.tm_hour = c.hour;
        now.tm_min = c.minute;
        now.tm_sec = 59;
        const auto calls = Calls(ktray::DecideFanCalls(c.schedule, c.hour < 0 ? nullptr : &now));
        EXPECT_EQ(c.calls, calls) << "ON " << c.schedule.timeOnHour << ':'
                                  << c.schedule.timeOnMinute << " OFF " << c.schedule.timeOffHour
                                  << ':' << c.schedule.timeOffMinute << " switch "
                                  << c.schedule.timerSwitch << " always " << c.schedule.alwaysOn
                                  << " at " << c.hour << ':' << c.minute;
    }
}

// --- Applying it: registry and the board's fan --------------------------------------------------

const std::string kTuning = "Software\\Corvane\\Kestrel4";
const std::string kSmartFan = kTuning + "\\SmartFan";
constexpr uint32_t kOnSetting = 0x1C0, kOffSetting = 0x020;

std::tm g_now;
const std::tm* TestTime() { return &g_now; }

class ApplySchedule : public testing::Test {
protected:
    void SetUp() override {
        RemoveTree(HKEY_CURRENT_USER, kTuning);
        CreateEmptyKey(HKEY_CURRENT_USER, kTuning);
        ASSERT_TRUE(Board().Install());
        Board().PowerOn();
        Board().PlaceKrl4Table(0xF6000, board::kDefaultTuningPort, board::kDefaultTuningCommand);
        Board().PlaceRxeTable(0xF7003, board::kDefaultFanPort);
        ASSERT_EQ(4, Check_KRVer());
        ASSERT_EQ(1, Check_SmartFan());
        Board().Firmware().fanItems[board::kFanOnSetting] = kOnSetting;
        Board().Firmware().fanItems[board::kFanOffSetting] = kOffSetting;
        Board().Firmware().fanItems[board::kFanInForce] = 0;
        Board().ClearWrites();
    }
    void TearDown() override { RemoveTree(HKEY_CURRENT_USER, kTuning); }

    static InProcessBoard& Board() { return InProcessBoard::Instance(); }
    static uint32_t FanInForce() { return Board().Firmware().fanItems[board::kFanInForce]; }
    // Each switch call reads one setting and writes it in force: two triggers.
    static size_t SwitchCalls() {
        size_t triggers = 0;
        for (const auto& w : Board().Writes())
            if (w.port == board::kDefaultFanPort) ++triggers;
        return triggers / 2;
    }
    static void At(int hour, int minute) {
        g_now = {};
        g_now.tm_hour = hour;
        g_now.tm_min = minute;
    }
};

TEST_F(ApplySchedule, MissingKeyIsCreatedWithTheDefaultsAndApplied) {
    FanSchedule schedule = Schedule(1, 2, 3, 4, 5, 6);
    At(12, 0);
    ktray::ApplyFanSchedule(schedule, TestTime);

    const struct {
        const char* name;
        int32_t value;
    } defaults[] = {{"iTimerSwitch", 1}, {"iTimeONh", 9},  {"iTimeONm", 0},
                    {"iTimeOFFh", 17},   {"iTimeOFFm", 0}, {"iAlwaysON", 0}};
    for (const auto& d : defaults) {
        const RawValue raw = GetRawValue(HKEY_CURRENT_USER, kSmartFan, d.name);
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), raw.type) << d.name;
        EXPECT_EQ(d.value, GetIntValue(HKEY_CURRENT_USER, kSmartFan, d.name)) << d.name;
    }
    EXPECT_EQ(9, schedule.timeOnHour);
    EXPECT_EQ(17, schedule.timeOffHour);
    EXPECT_EQ(kOnSetting, FanInForce()) << "12:00 is inside the default 09:00-17:00";
}

TEST_F(ApplySchedule, MalformedValueLeavesItsField) {
    SetIntValue(HKEY_CURRENT_USER, kSmartFan, "iTimerSwitch", 1);
    SetIntValue(HKEY_CURRENT_USER, kSmartFan, "iTimeONh", 20);
    const uint16_t shortValue = 10;
    SetRawValue(HKEY_CURRENT_USER, kSmartFan, "iTimeONm", REG_BINARY, &shortValue, 2);
    SetIntValue(HKEY_CURRENT_USER, kSmartFan, "iTimeOFFh", 21);
    // iTimeOFFm missing
    const int64_t longValue = 1;
    SetRawValue(HKEY_CURRENT_USER, kSmartFan, "iAlwaysON", REG_BINARY, &longValue, 8);

    FanSchedule schedule = Schedule(1, 40, 3, 50, 0, 7);
    At(20, 45);
    ktray::ApplyFanSchedule(schedule, TestTime);
    EXPECT_EQ(1, schedule.timerSwitch);
    EXPECT_EQ(20, schedule.timeOnHour);
    EXPECT_EQ(40, schedule.timeOnMinute) << "2-byte value";
    EXPECT_EQ(21, schedule.timeOffHour);
    EXPECT_EQ(50, schedule.timeOffMinute) << "missing value";
    EXPECT_EQ(7, schedule.alwaysOn) << "8-byte value";
    EXPECT_EQ(kOnSetting, FanInForce()) << "20:40-21:50 holds 20:45";
    EXPECT_EQ(2u, GetRawValue(HKEY_CURRENT_USER, kSmartFan, "iTimeONm").bytes.size())
        << "an existing key is only read";
}

TEST_F(ApplySchedule, BoardFanFollowsEachRun) {
    SetIntValue(HKEY_CURRENT_USER, kSmartFan, "iTimerSwitch", 1);
    const struct {
        int hour, minute;
        int32_t alwaysOn;
        uint32_t inForce;
        size_t calls;
    } runs[] = {
        {8, 59, 0, kOffSetting, 1}, {9, 0, 0, kOnSetting, 1}, {17, 0, 0, kOffSetting, 1},
        {17, 0, 1, kOnSetting, 2},  {12, 0, 1, kOnSetting, 2},
    };
    FanSchedule schedule;
    for (const auto& r : runs) {
        SetIntValue(HKEY_CURRENT_USER, kSmartFan, "iAlwaysON", r.alwaysOn);
        Board().ClearWrites();
        At(r.hour, r.minute);
        ktray::ApplyFanSchedule(schedule, TestTime);
        EXPECT_EQ(r.inForce, FanInForce()) << r.hour << ':' << r.minute;
        EXPECT_EQ(r.calls, SwitchCalls()) << r.hour << ':' << r.minute;
    }
}

TEST_F(ApplySchedule, NothingWithoutTheTuningKey) {
    RemoveTree(HKEY_CURRENT_USER, kTuning);
    FanSchedule schedule;
    At(12, 0);
    ktray::ApplyFanSchedule(schedule, TestTime);
    EXPECT_EQ(0u, SwitchCalls());
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kSmartFan));
}

}  // namespace
