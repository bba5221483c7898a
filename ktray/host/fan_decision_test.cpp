// The fan schedule's decision against a reference model of its own: the model orders times as
// one 64-bit number (hour above minute) and works on minutes of the day, where the decision
// compares (hour, minute) pairs. The whole day in every minute for ON and OFF in 15-minute steps,
// random settings of any 32-bit value, and a clock that gives no local time.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "fan_decision.h"

namespace {

using ktray::FanCall;
using ktray::FanSchedule;

// hour first, minute second, as one number: the minute (any int32) fits below the hour.
int64_t Moment(int32_t hour, int32_t minute) {
    return static_cast<int64_t>(hour) * (int64_t{1} << 32) + (int64_t{minute} + (int64_t{1} << 31));
}

// The calls of one run packed as a number: the count, then one bit per call (1 = ON).
int Packed(int count, bool first, bool second) { return count * 4 + first + second * 2; }

// The schedule as its settings describe it: on from ON up to, not including, OFF; when ON is not
// before OFF, off from after OFF up to and including ON; ON equal to OFF or always-on adds a
// second ON. No local time: on.
int Reference(const FanSchedule& s, const std::tm* now) {
    if (s.timerSwitch != 1) return Packed(1, false, false);
    const int64_t on = Moment(s.timeOnHour, s.timeOnMinute);
    const int64_t off = Moment(s.timeOffHour, s.timeOffMinute);
    bool fanOn = true;
    if (now) {
        const int64_t t = Moment(now->tm_hour, now->tm_min);
        fanOn = on < off ? (on <= t && t < off) : !(off < t && t <= on);
    }
    return on == off || s.alwaysOn == 1 ? Packed(2, fanOn, true) : Packed(1, fanOn, false);
}

bool Matches(const FanSchedule& s, const std::tm* now) {
    const ktray::FanDecision d = ktray::DecideFanCalls(s, now);
    if (d.count < 1 || d.count > 2) return false;
    const int packed = Packed(d.count, d.calls[0] == FanCall::On,
                              d.count == 2 && d.calls[1] == FanCall::On);
    return packed == Reference(s, now);
}

TEST(FanScheduleFigure, WholeDayGridRandomSettingsAndNoClock) {
    long gridCases = 0, randomCases = 0, clockless = 0, mismatches = 0;
    auto check = [&](const FanSchedule& s, const std::tm* now, long& counter) {
        ++counter;
        if (!Matches(s, now) && ++mismatches <= 5)
            ADD_FAILURE() << "switch " << s.timerSwitch << " ON " << s.timeOnHour << ':'
                          << s.timeOnMinute << " OFF " << s.timeOffHour << ':' << s.timeOffMinute
                          << " always " << s.alwaysOn << " now "
                          << (now ? now->tm_hour : -1) << ':' << (now ? now->tm_min : -1);
    };

    // Every ON and OFF in 15-minute steps, every minute of the day, switch on and off, always-on
    // or not; and each of them once without a clock.
    for (int on = 0; on < 24 * 60; on += 15) {
        for (int off = 0; off < 24 * 60; off += 15) {
            for (int32_t timerSwitch : {1, 0}) {
                for (int32_t always : {0, 1}) {
                    FanSchedule s;
                    s.timerSwitch = timerSwitch;
                    s.alwaysOn = always;
                    s.timeOnHour = on / 60;
                    s.timeOnMinute = on % 60;
                    s.timeOffHour = off / 60;
                    s.timeOffMinute = off % 60;
                    std::tm now = {};
                    for (int minute = 0; minute < 24 * 60; ++minute) {
                        now.tm_hour = minute / 60;
                        now.tm_min = minute % 60;
                        check(s, &now, gridCases);
                    }
                    check(s, nullptr, clockless);
                }
            }
        }
    }

    // Any 32-bit value in every field and in the clock; the switch and always-on at 1, and ON
    // equal to OFF, often enough to matter.
    std::mt19937 random(20261209);
    auto any = [&random] { return static_cast<int32_t>(random()); };
    auto small = [&random](int32_t limit) { return static_cast<int32_t>(random() % limit) - 1; };
    for (int i = 0; i < 100000; ++i) {
        FanSchedule s;
        const unsigned shape = random();
        s.timerSwitch = shape & 1 ? 1 : any();
        s.alwaysOn = shape & 2 ? 1 : shape & 4 ? 0 : any();
        const bool wild = shape & 8;
        s.timeOnHour = wild ? any() : small(26);
        s.timeOnMinute = wild ? any() : small(62);
        s.timeOffHour = shape & 16 ? s.timeOnHour : wild ? any() : small(26);
        s.timeOffMinute = shape & 32 ? s.timeOnMinute : wild ? any() : small(62);
        std::tm now = {};
        now.tm_hour = shape & 64 ? any() : small(26);
        now.tm_min = shape & 128 ? any() : small(62);
        check(s, &now, randomCases);
        if (shape & 256) check(s, nullptr, clockless);
    }
    std::printf("figure: fan schedule: %ld whole-day grid cases, %ld random settings, "
                "%ld without local time, %ld mismatches\n",
                gridCases, randomCases, clockless, mismatches);
    EXPECT_EQ(0, mismatches);
}

}  // namespace
