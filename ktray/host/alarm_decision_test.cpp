// The hardware-monitor alarm over half a million random ticks: readings wandering around random
// limits, the tuning tool's window opening and closing, its settings vanishing, the sound
// settings reloaded at any time. Each tick's calls are compared with a reference machine written
// from the rules, and a simulated player (a sound plays until stopped) must show one sound per
// alarm and none after the alarm ends, the window closes or the settings go.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <random>
#include <vector>

#include "alarm_decision.h"

namespace {

using ktray::AudioState;
using ktray::MonitorLimits;
using ktray::Sensor;
using ktray::SoundCall;

struct Readings {
    std::array<int32_t, 3> temps;
    std::array<int32_t, 5> fans;
};

// The sensors as LimitBroken reads them, with every read recorded.
struct Monitor {
    const Readings* readings;
    std::vector<int> reads;  // temperature i as i, fan i as 10 + i
    static int32_t Read(Sensor sensor, int index, void* context) {
        auto* self = static_cast<Monitor*>(context);
        const bool fan = sensor == Sensor::Fan;
        self->reads.push_back(fan ? 10 + index : index);
        if (index < 1 || index > (fan ? 5 : 3)) return -2;  // never asked for
        return fan ? self->readings->fans[index - 1] : self->readings->temps[index - 1];
    }
};

// The sensors read in order up to the first broken limit, and whether one is broken.
bool ReferenceCheck(const Readings& r, const MonitorLimits& l, std::vector<int>& reads) {
    const int32_t tempLimit[3] = {l.sysTemp, l.cpuTemp, l.cpuTemp};
    const int32_t fanLimit[5] = {l.cpuFan, l.cpuFan, l.pwrFan, l.pwrFan, l.sysFan};
    for (int i = 0; i < 3; ++i) {
        reads.push_back(i + 1);
        if (r.temps[i] != -1 && r.temps[i] > tempLimit[i]) return true;
    }
    for (int i = 0; i < 5; ++i) {
        reads.push_back(11 + i);
        if (r.fans[i] != -1 && r.fans[i] < fanLimit[i]) return true;
    }
    return false;
}

SoundCall Start(int32_t flag) {
    return flag == 1 ? SoundCall::PlayFile : flag == 2 ? SoundCall::PlayBeep : SoundCall::None;
}

// The rules as the settings describe them, kept apart from the code under test.
struct ReferenceMachine {
    int32_t on = 0, flag = 2;
    bool active = false, watching = true;
    std::vector<SoundCall> Tick(bool settings, bool alarm) {
        std::vector<SoundCall> calls;
        if (!settings) {
            on = 0;
            watching = false;
            calls.push_back(SoundCall::AllStop);
        }
        if (on == 1 && alarm && !active && Start(flag) != SoundCall::None)
            calls.push_back(Start(flag));
        if (on == 1 && !alarm && active) calls.push_back(SoundCall::AllStop);
        active = alarm && watching;  // the last tick ends the alarm with the watch
        return calls;
    }
    std::vector<SoundCall> Reload(int32_t newOn, int32_t newFlag, bool playing) {
        std::vector<SoundCall> calls;
        if (playing) calls.push_back(SoundCall::AllStop);
        on = newOn;
        flag = newFlag;
        if (on == 1 && active) {
            if (Start(flag) != SoundCall::None) calls.push_back(Start(flag));
        } else {
            calls.push_back(SoundCall::AllStop);
        }
        return calls;
    }
};

struct Player {
    bool playing = false;
    long starts = 0;
    void Apply(SoundCall call) {
        if (call == SoundCall::PlayFile || call == SoundCall::PlayBeep) playing = true, ++starts;
        if (call == SoundCall::AllStop) playing = false;
    }
};

TEST(AlarmFigure, RandomTicksAgainstTheReference) {
    constexpr long kTicks = 500000;
    std::mt19937 random(4404);
    auto chance = [&random](double p) { return std::uniform_real_distribution<>(0, 1)(random) < p; };
    auto pick = [&random](std::initializer_list<int32_t> values) {
        return values.begin()[random() % values.size()];
    };

    long mismatches = 0, readMismatches = 0, leftPlaying = 0, extraStarts = 0;
    long alarms = 0, reloads = 0, settingsGone = 0, runs = 0, ticks = 0, soundsStarted = 0;
    auto mismatch = [&](const char* what, long tick) {
        if (++mismatches <= 5) ADD_FAILURE() << what << " at tick " << tick;
    };

    while (ticks < kTicks) {
        // One run of ktray: fresh state, its own limits.
        ++runs;
        AudioState state;
        ReferenceMachine reference;
        Player player;
        bool watching = true, window = true;
        long episodeStarts = 0;
        MonitorLimits limits;
        limits.cpuFan = pick({3000, 2500, 0});
        limits.pwrFan = pick({1000, 1500});
        limits.sysTemp = pick({60, 45, -1});
        Readings readings{{40, 40, 40}, {4000, 4000, 4000, 4000, 4000}};
        for (int step = 0; step < 5000 && ticks < kTicks; ++step) {
            if (chance(0.03)) {  // a reload of the sound settings, at any time
                ++reloads;
                const int32_t newOn = pick({0, 1, 1, 1, 2});
                const int32_t newFlag = pick({1, 2, 2, 3, 0});
                const auto expected = reference.Reload(newOn, newFlag, player.playing);
                std::vector<SoundCall> calls;
                if (player.playing) calls.push_back(SoundCall::AllStop);
                state.audioOn = newOn;
                state.audioFlag = newFlag;
                calls.push_back(ktray::DecideAfterReload(state));
                if (calls.back() == SoundCall::None) calls.pop_back();
                for (SoundCall c : calls) player.Apply(c);
                if (calls != expected) mismatch("reload", ticks);
            }
            if (!watching) {  // the timer is gone: nothing ticks until the next run
                if (player.playing) ++leftPlaying, mismatch("sound after the settings went", ticks);
                if (chance(0.05)) break;
                continue;
            }
            ++ticks;
            // The world moves on: readings near their limits, a sensor absent now and then.
            if (chance(0.08)) {
                for (auto& t : readings.temps)
                    t = chance(0.05) ? -1 : pick({40, 44, 45, 46, 59, 60, 61, 90});
                for (auto& f : readings.fans)
                    f = chance(0.05) ? -1 : pick({4000, 3001, 3000, 2999, 1001, 1000, 999, 0});
            }
            if (chance(0.02)) window = !window;
            const bool settings = !chance(0.0004);
            settingsGone += !settings;

            Monitor monitor{&readings, {}};
            std::vector<int> expectedReads;
            const bool expectedAlarm = window && ReferenceCheck(readings, limits, expectedReads);
            const bool alarm = window && ktray::LimitBroken(limits, Monitor::Read, &monitor);
            if (alarm != expectedAlarm || (window && monitor.reads != expectedReads))
                ++readMismatches, mismatch("limit check", ticks);

            const bool wasActive = state.alarmActive == 1;
            const auto expected = reference.Tick(settings, expectedAlarm);
            const ktray::TickPlan plan = ktray::DecideMonitorTick(state, settings, alarm);
            std::vector<SoundCall> calls;
            if (plan.endWatch) calls.push_back(SoundCall::AllStop), watching = false;
            if (plan.sound != SoundCall::None) calls.push_back(plan.sound);
            const long startsBefore = player.starts;
            for (SoundCall c : calls) player.Apply(c);
            if (calls != expected) mismatch("tick", ticks);

            // One sound per alarm, started by the tick that finds it; none once it is over.
            if (alarm && !wasActive && watching) {
                ++alarms;
                episodeStarts = 0;
            }
            episodeStarts += player.starts - startsBefore;
            if (episodeStarts > 1) ++extraStarts, mismatch("second sound in one alarm", ticks);
            const bool soundWanted = state.alarmActive == 1 && state.audioOn == 1 && watching;
            if (player.playing && (!soundWanted || !alarm || !window || !settings))
                ++leftPlaying, mismatch("sound left playing", ticks);
        }
        soundsStarted += player.starts;
    }
    std::printf("figure: alarm: %ld ticks in %ld runs (%ld alarms, %ld sounds started, %ld reloads, "
                "%ld settings gone), %ld mismatches (%ld limit checks, %ld second sounds, "
                "%ld left playing)\n",
                ticks, runs, alarms, soundsStarted, reloads, settingsGone, mismatches,
                readMismatches, extraStarts, leftPlaying);
    EXPECT_EQ(0, mismatches);
}

}  // namespace
