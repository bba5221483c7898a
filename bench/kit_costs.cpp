// make bench: the kit's costs measured side by side in one run and printed as one table, with a
// line per goal. Runs as Windows XP under Wine from the program folder's neighbourhood:
//   bench_kit_costs.exe PROGRAM_FOLDER [RELEASE_BIN_FOLDER]
// PROGRAM_FOLDER holds ktray.exe with the simulated board (its driver, monitor and sound
// stand-ins, KR4\KR4.EXE); without RELEASE_BIN_FOLDER the sizes are reported as not built.
#include <windows.h>

#include <cstdio>

#include "release_sizes.h"
#include "request_costs.h"
#include "tray_costs.h"

namespace {

constexpr double kDriverRatioGoal = 1.05;
constexpr double kCpuPerHourGoal = 1.0;                  // seconds
constexpr double kPrivateBytesGoal = 4.0 * 1024 * 1024;  // bytes
constexpr double kFloorRatioGoal = 1.10;  // ktray / the tray floor, private bytes
constexpr double kMiB = 1024.0 * 1024.0;

void Row(const char* measure, const char* value, const char* beside, const char* ratio,
         const char* goal) {
    std::printf("%-52s %12s %14s %7s  %s\n", measure, value, beside, ratio, goal);
}

void RequestRow(const char* measure, const bench::PairedCost& cost, const char* goal) {
    if (!cost.measured) {
        Row(measure, "not measured", "", "", goal);
        return;
    }
    char value[32], beside[32], ratio[32];
    std::snprintf(value, sizeof value, "%.2f us", cost.libraryUs);
    std::snprintf(beside, sizeof beside, "%.2f us", cost.referenceUs);
    std::snprintf(ratio, sizeof ratio, "%.3f", cost.ratio);
    Row(measure, value, beside, ratio, goal);
}

const char* Verdict(bool met) { return met ? "met" : "NOT MET"; }

// ktray's private bytes over those of the floor beside it; 0 when the floor was not weighed.
double FloorRatio(const bench::TrayCosts& tray) {
    return tray.floorPrivateBytes
               ? static_cast<double>(tray.privateBytes) / static_cast<double>(tray.floorPrivateBytes)
               : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: bench_kit_costs PROGRAM_FOLDER [RELEASE_BIN_FOLDER]\n");
        return 2;
    }
    bench::RequestCosts requests;
    bench::MeasureRequestCosts(requests);
    bench::TrayCosts tray;
    bench::MeasureTray(argv[1], tray);
    bench::BinarySize sizes[bench::kShippedBinaries];
    bench::ReadReleaseSizes(argc == 3 ? argv[2] : nullptr, sizes);

    char measure[96], value[32], beside[48], ratio[16], goal[32];
    std::printf("Kit costs on the simulated board (Windows XP under Wine), all from one run\n");
    Row("measure", "value", "beside", "ratio", "goal");
    std::snprintf(goal, sizeof goal, "<= %.2f", kDriverRatioGoal);
    RequestRow("request, driver path: library / raw DeviceIoControl", requests.driver, goal);
    RequestRow("request, direct path: library / one trapped out", requests.directOut, "-");
    std::snprintf(measure, sizeof measure,
                  "request, direct path: library / its trigger (%d outs)",
                  requests.directTrapsPerRequest);
    RequestRow(measure, requests.directTrigger, "-");

    if (tray.idleMeasured) {
        std::snprintf(measure, sizeof measure,
                      "ktray idle CPU/hour (%.1f s, ticks: %d mon, %d fan)", tray.idleSeconds,
                      tray.monitorTicks, tray.fanRequests);
        std::snprintf(value, sizeof value, "%.2f s", tray.cpuPerHour);
        std::snprintf(beside, sizeof beside, "%.4f s used",
                      tray.linuxCpuSeconds >= 0 ? tray.linuxCpuSeconds : tray.cpuSeconds);
        std::snprintf(goal, sizeof goal, "<= %.0f s", kCpuPerHourGoal);
        Row(measure, value, beside, "", goal);
        std::snprintf(value, sizeof value, "%.2f MiB", tray.privateBytes / kMiB);
        std::snprintf(beside, sizeof beside, "%.2f MiB tool", tray.toolPrivateBytes / kMiB);
        std::snprintf(goal, sizeof goal, "<= %.0f MiB", kPrivateBytesGoal / kMiB);
        Row("ktray private bytes (beside: tuning tool stand-in)", value, beside, "", goal);
        std::snprintf(value, sizeof value, "%.2f MiB", tray.privateBytes / kMiB);
        std::snprintf(beside, sizeof beside, "%.2f MiB floor", tray.floorPrivateBytes / kMiB);
        std::snprintf(ratio, sizeof ratio, "%.3f", FloorRatio(tray));
        std::snprintf(goal, sizeof goal, "<= %.2f", kFloorRatioGoal);
        Row("ktray private bytes / the tray floor's", value, beside, ratio, goal);
    } else {
        Row("ktray idle CPU per hour", "not measured", "", "", "<= 1 s");
        Row("ktray private bytes", "not measured", "", "", "<= 4 MiB");
        Row("ktray private bytes / the tray floor's", "not measured", "", "", "<= 1.10");
    }
    if (tray.starts == bench::kTrayStarts) {
        std::snprintf(measure, sizeof measure, "ktray start-up to its icon (median of %d)",
                      tray.starts);
        std::snprintf(value, sizeof value, "%.0f ms", tray.iconMs);
        Row(measure, value, "", "", "-");
        std::snprintf(value, sizeof value, "%.0f ms", tray.readyMs);
        Row("ktray start-up to its message loop, less the pause", value, "2000 ms pause", "",
            "-");
    } else {
        Row("ktray start-up to its icon", "not measured", "", "", "-");
    }
    for (const bench::BinarySize& size : sizes) {
        std::snprintf(measure, sizeof measure, "release size: %s", size.name);
        std::snprintf(beside, sizeof beside, "%lu budget", static_cast<unsigned long>(size.budget));
        std::snprintf(goal, sizeof goal, "<= %lu KiB",
                      static_cast<unsigned long>(size.budget / 1024));
        if (size.bytes < 0) {
            Row(measure, "not built", beside, "", goal);
            continue;
        }
        std::snprintf(value, sizeof value, "%lld", static_cast<long long>(size.bytes));
        std::snprintf(ratio, sizeof ratio, "%.2f", static_cast<double>(size.bytes) / size.budget);
        Row(measure, value, beside, ratio, goal);
    }

    std::printf("\n");
    if (tray.idleMeasured && tray.cpuFromThreads) {
        std::printf("note: Wine's GetProcessTimes answers for the caller, not the process asked "
                    "about;\n      ktray's threads' times (10 ms ticks) say %.3f s used",
                    tray.cpuSeconds);
        if (tray.linuxCpuSeconds >= 0)
            std::printf(",\n      Linux's account of its process (ns) %.4f s: the figure above",
                        tray.linuxCpuSeconds);
        if (tray.toolCpuSeconds >= 0)
            std::printf(";\n      the tuning tool's stand-in, idle with one window: %.4f s",
                        tray.toolCpuSeconds);
        std::printf("\n");
    }
    if (tray.idleMeasured)
        std::printf("note: private bytes under Wine count Wine's own memory in the process too;\n"
                    "      a program with one window (the tuning tool's stand-in) has %.2f MiB\n",
                    tray.toolPrivateBytes / kMiB);
    if (tray.idleMeasured)
        std::printf("note: the tray floor is one hidden window, one icon, a popup and the common\n"
                    "      controls with ktray's libraries (kclk.dll asked Check_KRVer, the monitor\n"
                    "      and sound libraries); modules ktray has and it has not: %s\n",
                    tray.extraModules[0] ? tray.extraModules : "none");
    if (requests.problem[0]) std::printf("not measured: %s\n", requests.problem);
    if (tray.problem[0]) std::printf("not measured: %s\n", tray.problem);

    auto goalLine = [](const char* what, bool measured, bool met, const char* figure) {
        std::printf("goal %-44s %s (%s)\n", what, measured ? Verdict(met) : "NOT MEASURED",
                    figure);
    };
    std::snprintf(value, sizeof value, "%.3f", requests.driver.ratio);
    goalLine("driver path library / raw <= 1.05:", requests.driver.measured,
             requests.driver.ratio <= kDriverRatioGoal, value);
    std::snprintf(value, sizeof value, "%.2f s", tray.cpuPerHour);
    goalLine("ktray idle CPU <= 1 s per hour of timers:", tray.idleMeasured,
             tray.cpuPerHour <= kCpuPerHourGoal, value);
    std::snprintf(value, sizeof value, "%.2f MiB", tray.privateBytes / kMiB);
    goalLine("ktray private bytes <= 4 MiB:", tray.idleMeasured,
             tray.privateBytes <= kPrivateBytesGoal, value);
    std::snprintf(value, sizeof value, "%.3f: %.2f / %.2f MiB", FloorRatio(tray),
                  tray.privateBytes / kMiB, tray.floorPrivateBytes / kMiB);
    goalLine("ktray private bytes / the tray floor's <= 1.10:",
             tray.idleMeasured && tray.floorPrivateBytes, FloorRatio(tray) <= kFloorRatioGoal,
             value);
    for (const bench::BinarySize& size : sizes) {
        std::snprintf(measure, sizeof measure, "%s <= %lu KiB:", size.name,
                      static_cast<unsigned long>(size.budget / 1024));
        if (size.bytes < 0) {
            std::printf("goal %-44s NOT MEASURED (release build not built)\n", measure);
            continue;
        }
        std::snprintf(value, sizeof value, "%lld bytes", static_cast<long long>(size.bytes));
        goalLine(measure, true, size.bytes <= size.budget, value);
    }
    return requests.problem[0] || tray.problem[0] ? 1 : 0;
}
